// SPDX-License-Identifier: Apache-2.0
// The platform services on Windows, through the Win32 API and the C runtime.
#include "platform/Platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <direct.h>
#include <stdlib.h>

#include <cstdlib>
#include <vector>

#include "paths/DeviceNames.h"
#include "paths/NameRules.h"
#include "paths/PathRules.h"
#include "paths/SaveFileNames.h"
#include "platform/ExtendedLengthPath.h"
#include "platform/FileCallSeam.h"
#include "platform/SaveSteps.h"

namespace locmap50::platform {
namespace {

// Closes a handle when the scope ends.
class HandleOwner {
public:
    explicit HandleOwner(HANDLE handle) : m_handle(handle) {}
    ~HandleOwner() {
        if (isValid()) ::CloseHandle(m_handle);
    }
    HandleOwner(const HandleOwner &) = delete;
    HandleOwner &operator=(const HandleOwner &) = delete;

    bool isValid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_handle; }
    // Takes handle in place of the one held, which is closed.
    void reset(HANDLE handle) {
        if (isValid() && m_handle != handle) ::CloseHandle(m_handle);
        m_handle = handle;
    }
    bool close() {
        const HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return ::CloseHandle(handle) != 0;
    }

private:
    HANDLE m_handle;
};

// ---- the file calls, each through the seam (FileCallSeam.h) -------------------

// A call the seam fails sets the thread's last error and returns what the
// system's failing call would.
template <typename Returned, typename Call>
Returned throughSeam(FileCall kind, Returned failed, Call call) {
    if (const int error = injectedError(kind)) {
        ::SetLastError(static_cast<DWORD>(error));
        return failed;
    }
    return call();
}

HANDLE osCreateFile(const wchar_t *name, DWORD access, DWORD share, SECURITY_ATTRIBUTES *security, DWORD disposition,
                    DWORD flags, HANDLE model) {
    return throughSeam(FileCall::Open, INVALID_HANDLE_VALUE,
                       [&] { return ::CreateFileW(name, access, share, security, disposition, flags, model); });
}
// Here opening the lock file with no sharing is what takes the lock.
HANDLE osCreateLockFile(const wchar_t *name, DWORD access, DWORD share, SECURITY_ATTRIBUTES *security,
                        DWORD disposition, DWORD flags, HANDLE model) {
    return throughSeam(FileCall::Lock, INVALID_HANDLE_VALUE,
                       [&] { return ::CreateFileW(name, access, share, security, disposition, flags, model); });
}
HANDLE osFindFirstFile(const wchar_t *pattern, WIN32_FIND_DATAW *found) {
    return throughSeam(FileCall::Open, INVALID_HANDLE_VALUE, [&] { return ::FindFirstFileW(pattern, found); });
}
BOOL osReadFile(HANDLE file, void *bytes, DWORD size, DWORD *got, OVERLAPPED *overlapped) {
    return throughSeam(FileCall::Read, FALSE, [&] { return ::ReadFile(file, bytes, size, got, overlapped); });
}
// A write may be cut short, or fail as on a full disk, by the seam's plan.
BOOL osWriteFile(HANDLE file, const void *bytes, DWORD size, DWORD *written, OVERLAPPED *overlapped) {
    return throughSeam(FileCall::Write, FALSE, [&] {
        const DWORD allowed = static_cast<DWORD>(writableBytes(size));
        if (allowed == 0 && size != 0) {
            ::SetLastError(ERROR_DISK_FULL);
            return FALSE;
        }
        return ::WriteFile(file, bytes, allowed, written, overlapped);
    });
}
BOOL osFlushFileBuffers(HANDLE file) {
    return throughSeam(FileCall::Sync, FALSE, [&] { return ::FlushFileBuffers(file); });
}
BOOL osReplaceFile(const wchar_t *replaced, const wchar_t *replacement, const wchar_t *backup, DWORD flags,
                   void *exclude, void *reserved) {
    return throughSeam(FileCall::Rename, FALSE,
                       [&] { return ::ReplaceFileW(replaced, replacement, backup, flags, exclude, reserved); });
}
BOOL osMoveFileEx(const wchar_t *from, const wchar_t *to, DWORD flags) {
    return throughSeam(FileCall::Rename, FALSE, [&] { return ::MoveFileExW(from, to, flags); });
}
DWORD osGetFileAttributes(const wchar_t *name) {
    return throughSeam(FileCall::Stat, INVALID_FILE_ATTRIBUTES, [&] { return ::GetFileAttributesW(name); });
}
BOOL osGetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION *information) {
    return throughSeam(FileCall::Stat, FALSE, [&] { return ::GetFileInformationByHandle(file, information); });
}

// The code page in which the library's narrow paths are written: the one the A file functions use.
UINT fileApiCodePage() { return ::AreFileApisANSI() ? CP_ACP : CP_OEMCP; }

// Narrow text in the file-API code page as wide text; empty when it cannot be converted.
std::wstring widenedForFileApis(const std::string &narrow) {
    if (narrow.empty()) return std::wstring();
    const UINT codePage = fileApiCodePage();
    const int narrowLength = static_cast<int>(narrow.size());
    const int length =
        ::MultiByteToWideChar(codePage, 0, narrow.data(), narrowLength, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (::MultiByteToWideChar(codePage, 0, narrow.data(), narrowLength, &wide[0], length) !=
        length)
        return std::wstring();
    return wide;
}

// Text from an API that fills a wide buffer and, when the buffer is too small,
// returns the size it needs (NUL included) instead; nullopt when the API fails.
template <typename FillBuffer>
std::optional<std::wstring> wideTextFrom(FillBuffer fill) {
    std::wstring text(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = fill(static_cast<DWORD>(text.size()), &text[0]);
        if (length == 0) return std::nullopt;
        const bool fitted = length < text.size();
        text.resize(length);
        if (fitted) return text;
    }
}

// The absolute form of a path, "." and ".." parts resolved and "/" made "\"; empty on failure.
std::wstring fullPathOf(const std::wstring &path) {
    return wideTextFrom([&path](DWORD size, wchar_t *buffer) {
               return ::GetFullPathNameW(path.c_str(), size, buffer, nullptr);
           })
        .value_or(std::wstring());
}

// Directory creation needs room for an 8.3 name below the classic MAX_PATH limit.
constexpr std::size_t kClassicPathLimit = MAX_PATH - 12;

// The one door from the library's paths to the OS: the wide form handed to
// every W function. A path too long for the classic limit is made absolute and
// given the extended-length prefix, which lifts the limit; shorter ones go as
// they are, so relative names keep their usual meaning. Empty when the path
// cannot be converted, which no OS call accepts.
std::wstring osPath(const std::string &path) {
    const std::wstring wide = widenedForFileApis(path);
    if (wide.size() < kClassicPathLimit || detail::hasExtendedLengthPrefix(wide)) return wide;
    const std::wstring full = fullPathOf(wide);
    return full.empty() ? wide : detail::extendedLengthForm(full);
}

// A name the system gave back and a given one are the same form here.
std::wstring osPath(const FileName &path) { return osPath(path.text()); }

// Why a call failed, from what GetLastError says.
Failure failureFromWindowsError(DWORD error) {
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return Failure::PermissionDenied;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return Failure::NotFound;
    case ERROR_FILENAME_EXCED_RANGE:
        return Failure::NameTooLong;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return Failure::NoSpace;
    default:
        return Failure::Other;
    }
}

Failure lastFailure() { return failureFromWindowsError(::GetLastError()); }

// Why opening or creating the file osPath names failed. Not every system
// says that a name is too long: some say the file is not there.
Failure failureToOpen(DWORD error, const std::wstring &wideName) {
    const Failure failure = failureFromWindowsError(error);
    const bool nameMayBeTheCause = failure == Failure::NotFound || error == ERROR_INVALID_NAME;
    return nameMayBeTheCause && detail::hasOverlongComponent(wideName) ? Failure::NameTooLong : failure;
}

// A failed read or write whose error names nothing more specific.
Failure lastFailureOr(Failure general) {
    const Failure failure = lastFailure();
    return failure == Failure::Other ? general : failure;
}

// Writes every byte, retrying short writes.
Status writeAll(HANDLE handle, const std::string &text) {
    std::size_t done = 0;
    while (done < text.size()) {
        std::size_t allowed = text.size() - done;
        if (allowed > 0x40000000u) allowed = 0x40000000u;  // fits a DWORD comfortably
        DWORD written = 0;
        if (!osWriteFile(handle, text.data() + done, static_cast<DWORD>(allowed), &written, nullptr))
            return lastFailureOr(Failure::WriteError);
        done += written;
    }
    return Status::success();
}

// Wide text in the code page that the A file functions use; nullopt when it cannot be converted.
std::optional<std::string> narrowedForFileApis(const std::wstring &wide) {
    if (wide.empty()) return std::string();
    const UINT codePage = fileApiCodePage();
    const int wideLength = static_cast<int>(wide.size());
    const int length = ::WideCharToMultiByte(codePage, 0, wide.data(), wideLength, nullptr, 0,
                                             nullptr, nullptr);
    if (length <= 0) return std::nullopt;
    std::string narrow(static_cast<std::size_t>(length), '\0');
    if (::WideCharToMultiByte(codePage, 0, wide.data(), wideLength, &narrow[0], length, nullptr,
                              nullptr) != length)
        return std::nullopt;
    return narrow;
}

// Every byte of an open file, read to its end.
Result<std::string> readToEnd(HANDLE file) {
    std::string bytes;
    std::vector<char> chunk(64 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!osReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr))
            return lastFailureOr(Failure::ReadError);
        if (got == 0) return bytes;
        bytes.append(chunk.data(), got);
    }
}

// A file on a disk, not a directory, a console, a pipe or another device.
Status regularFileStatus(HANDLE file) {
    if (::GetFileType(file) != FILE_TYPE_DISK) return Failure::NotRegularFile;
    BY_HANDLE_FILE_INFORMATION information;
    if (!osGetFileInformationByHandle(file, &information)) return lastFailure();
    return (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ? Status::success()
                                                                         : Status(Failure::IsDirectory);
}

// Others may read, write and delete a file this process looks at.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What the process's access token says of one kind (TokenUser, TokenOwner);
// empty when it cannot be read.
std::vector<BYTE> tokenInformation(TOKEN_INFORMATION_CLASS kind) {
    HANDLE token = INVALID_HANDLE_VALUE;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return std::vector<BYTE>();
    const HandleOwner owned(token);
    DWORD size = 0;
    ::GetTokenInformation(token, kind, nullptr, 0, &size);
    std::vector<BYTE> information(size);
    if (size == 0 || !::GetTokenInformation(token, kind, information.data(), size, &size)) return std::vector<BYTE>();
    return information;
}

// Whether the file open as handle belongs to the user the process saves as:
// its owner is the process's user, or the owner the process gives what it
// creates (for an administrator, often the Administrators group).
bool ownedByThisUser(HANDLE file) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                          &descriptor) != ERROR_SUCCESS)
        return false;
    const std::vector<BYTE> user = tokenInformation(TokenUser);
    const std::vector<BYTE> newOwner = tokenInformation(TokenOwner);
    const bool owned =
        owner != nullptr &&
        ((!user.empty() && ::EqualSid(owner, reinterpret_cast<const TOKEN_USER *>(user.data())->User.Sid)) ||
         (!newOwner.empty() && ::EqualSid(owner, reinterpret_cast<const TOKEN_OWNER *>(newOwner.data())->Owner)));
    ::LocalFree(descriptor);
    return owned;
}

}  // namespace

// ---- the steps of a save (SaveSteps.h) ----------------------------------------

namespace detail {

// Devices (NUL, CON, COM1, "\\.\..." paths) take the text in place, a
// directory none; what else stands there is looked at again under the lock.
Result<TargetKind> kindOfSaveTarget(const FileName &path) {
    if (paths::isWindowsDevicePath(path.text())) return TargetKind::Stream;
    const DWORD attributes = osGetFileAttributes(osPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return TargetKind::Missing;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Failure::IsDirectory;
    return TargetKind::Regular;
}

std::string replacedFileOf(const FileName &path) {
    return path.text();
}

Status writeInPlace(const FileName &path, const std::string &text) {
    // A pipe with no server fails at once.
    HandleOwner device(osCreateFile(osPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!device.isValid()) return lastFailure();
    if (const Status written = writeAll(device.get(), withPlatformLineEnds(text)); !written) return written;
    return device.close() ? Status::success() : Status(lastFailureOr(Failure::WriteError));
}

// Each "\n" becomes "\r\n", the text line end here.
std::string withPlatformLineEnds(const std::string &text) {
    std::string converted;
    converted.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') converted += '\r';
        converted += c;
    }
    return converted;
}

Result<bool> regularFileExists(const std::string &target) {
    const DWORD attributes = osGetFileAttributes(osPath(target).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // Only a file that is not there is no file; one that cannot be looked at fails the save.
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
        return failureFromWindowsError(error);
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Failure::IsDirectory;
    return true;
}

// ReplaceFileW keeps the replaced file's owner.
Status keepsOwner(const std::string &) {
    return Status::success();
}

Status mayCreateIn(const std::string &) {
    return Status::success();
}

// Windows replaces a read-only file only when asked to, so the attribute is
// the guard for every user.
Status mayWrite(const std::string &target) {
    const DWORD attributes = osGetFileAttributes(osPath(target).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return lastFailure();
    return (attributes & FILE_ATTRIBUTE_READONLY) == 0 ? Status::success() : Status(Failure::PermissionDenied);
}

std::vector<std::string> namesInDirectory(const std::string &directory) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = osFindFirstFile(osPath(directory + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::optional<std::string> name = narrowedForFileApis(found.cFileName);
        if (name && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(*name);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}

void removeOwnLeftover(const std::string &path) {
    // Opened as the file itself, not what a link or junction points to.
    const std::wstring name = osPath(path);
    const HandleOwner file(osCreateFile(name.c_str(), READ_CONTROL, kShareAll, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.isValid() || ::GetFileType(file.get()) != FILE_TYPE_DISK) return;
    BY_HANDLE_FILE_INFORMATION information;
    if (!osGetFileInformationByHandle(file.get(), &information) || information.nNumberOfLinks != 1 ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        !ownedByThisUser(file.get()))
        return;
    ::DeleteFileW(name.c_str());
}

// Windows has no call to sync a folder; the move asks for write-through instead.
void syncDirectory(const std::string &) {}

// The lock file opened with no sharing: the open itself is the lock, and the
// OS closes it when its holder dies, so a crashed save never blocks later
// ones. A save that creates the lock file opens it to be deleted when closed,
// so it leaves none behind; one that finds it there (a user's own file, or
// what a save of an older version of the library left) opens it as it is,
// and it stays.
struct SaveLockFile::Native {
    std::wstring path;
    std::string name;  // as the library names it
    HandleOwner held{INVALID_HANDLE_VALUE};
    Status failure;
};

SaveLockFile::SaveLockFile(const std::string &target) : m_native(new Native) {
    m_native->name = paths::saveLockNameOf(target);
    m_native->path = osPath(m_native->name);
}

SaveLockFile::~SaveLockFile() = default;

SaveLockFile::Attempt SaveLockFile::tryToTake() {
    Native &lock = *m_native;
    lock.held.reset(osCreateLockFile(lock.path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    DWORD error = lock.held.isValid() ? ERROR_SUCCESS : ::GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) {
        // A folder or device by that name is no lock file: never waited for.
        const DWORD attributes = osGetFileAttributes(lock.path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0) {
            lock.failure = Status(Failure::NotRegularFile, lock.name);
            return Attempt::Failed;
        }
    }
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
        lock.held.reset(osCreateLockFile(lock.path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        error = lock.held.isValid() ? ERROR_SUCCESS : ::GetLastError();
        if (error == ERROR_SUCCESS && !regularFileStatus(lock.held.get())) {
            lock.held.close();
            lock.failure = Status(Failure::NotRegularFile, lock.name);
            return Attempt::Failed;
        }
        // Its holder's lock file went between the two looks.
        if (error == ERROR_FILE_NOT_FOUND) error = ERROR_SHARING_VIOLATION;
    }
    lock.failure = Status::success();
    switch (error) {
    case ERROR_SUCCESS:
        return Attempt::Taken;
    case ERROR_SHARING_VIOLATION:  // held by another save: a timeout, if it lasts
        return Attempt::Busy;
    case ERROR_ACCESS_DENIED:
        // Also what a holder's lock file on its way out gives, so it is tried
        // again; if it lasts, the folder or the lock file is what refuses.
        lock.failure = Status(failureToOpen(error, lock.path), lock.name);
        return Attempt::Busy;
    default:
        lock.failure = failureToOpen(error, lock.path);
        return Attempt::Failed;
    }
}

Status SaveLockFile::failure() const {
    return m_native->failure;
}

struct TemporaryFile::Native {
    HandleOwner file{INVALID_HANDLE_VALUE};
    std::wstring path;  // as handed to the OS
    Failure creationFailure = Failure::None;
    bool committed = false;
};

// A new file gets the folder's inherited ACL, as any new file there does.
TemporaryFile::TemporaryFile(const std::string &target, bool) : m_native(new Native) {
    // Another writer may have taken the name; try fresh names a while.
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        // Each name is converted on its own: the suffix may carry it past the classic limit.
        const std::wstring name = osPath(newTemporaryPathFor(target));
        m_native->file.reset(
            osCreateFile(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (m_native->file.isValid()) {
            m_native->path = name;
            return;
        }
        const DWORD error = ::GetLastError();
        m_native->creationFailure = failureToOpen(error, name);
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return;
    }
}

TemporaryFile::~TemporaryFile() {
    if (m_native->file.isValid()) m_native->file.close();  // an open file cannot be deleted
    if (!m_native->path.empty() && !m_native->committed) ::DeleteFileW(m_native->path.c_str());
}

Status TemporaryFile::created() const {
    return m_native->file.isValid() ? Status::success() : Status(m_native->creationFailure);
}

Status TemporaryFile::write(const std::string &bytes) {
    return writeAll(m_native->file.get(), bytes);
}

// ReplaceFileW keeps the replaced file's owner, ACLs and attributes; the
// other names of a file with hard links would go on naming the old one.
Status TemporaryFile::keepPermissionsOf(const std::string &target, bool targetExists) {
    if (!targetExists) return Status::success();
    const HandleOwner file(
        osCreateFile(osPath(target).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION information;
    if (!file.isValid() || !osGetFileInformationByHandle(file.get(), &information)) return lastFailure();
    return information.nNumberOfLinks > 1 ? Status(Failure::WouldLosePermissions, "hard links") : Status::success();
}

Status TemporaryFile::flushToDisk() {
    return osFlushFileBuffers(m_native->file.get()) ? Status::success() : Status(lastFailureOr(Failure::WriteError));
}

Status TemporaryFile::close() {
    return m_native->file.close() ? Status::success() : Status(lastFailureOr(Failure::WriteError));
}

// A target that does not exist yet is simply moved into place.
Status TemporaryFile::moveOnto(const std::string &target, bool targetExists) {
    const std::wstring osTarget = osPath(target);
    const bool moved =
        (targetExists && osReplaceFile(osTarget.c_str(), m_native->path.c_str(), nullptr,
                                        REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) ||
        osMoveFileEx(m_native->path.c_str(), osTarget.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!moved) return lastFailure();
    m_native->committed = true;
    return Status::success();
}

}  // namespace detail

const char *textLineEnd() {
    return "\r\n";
}

const char *const *runtimeEnvironmentTable() {
    // A program entered through wmain starts with only the wide table; the
    // runtime builds the narrow one from it when getenv first asks. With no
    // wide table either there is nothing to build from (and getenv would
    // fault): the process has no table.
    if (_environ == nullptr && _wenviron != nullptr) static_cast<void>(std::getenv("PATH"));
    return _environ;
}

int putEnvironmentEntry(const std::string &entry) {
    const std::optional<paths::EnvironmentEntry> parts = paths::splitEnvironmentEntry(entry);
    if (!parts || parts->name.empty()) return -1;
    // _putenv copies the text, so nothing needs to stay alive here.
    return ::_putenv(entry.c_str()) == 0 ? 0 : -1;
}

// A file that exists and is no directory or device; whether its content may
// be read shows only when it is opened.
Status canRead(const FileName &path) {
    if (paths::isWindowsDevicePath(path.text())) return Failure::NotRegularFile;
    const std::wstring name = osPath(path);
    const DWORD attributes = osGetFileAttributes(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return failureToOpen(::GetLastError(), name);
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ? Status::success() : Status(Failure::IsDirectory);
}

Result<std::string> readRegularFile(const FileName &path) {
    if (paths::isWindowsDevicePath(path.text())) return Failure::NotRegularFile;
    const std::wstring name = osPath(path);
    HandleOwner file(osCreateFile(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.isValid()) return failureToOpen(::GetLastError(), name);
    if (const Status regular = regularFileStatus(file.get()); !regular) return regular.failure();
    return readToEnd(file.get());
}

Result<FileName> absolutePath(const FileName &path) {
    if (path.text().empty()) return Failure::NotFound;
    const std::wstring full = fullPathOf(osPath(path));
    if (full.empty()) return lastFailure();
    const std::optional<std::string> narrow = narrowedForFileApis(full);
    if (!narrow) return Failure::Other;
    return FileName::ofSystem(*narrow);
}

// GetCurrentDirectoryA fails beyond MAX_PATH, so the wide form is asked for and
// converted with the code page the A functions use, as GetCurrentDirectoryA would.
Result<std::string> currentDirectory() {
    const std::optional<std::wstring> wide = wideTextFrom(
        [](DWORD size, wchar_t *buffer) { return ::GetCurrentDirectoryW(size, buffer); });
    if (!wide) return lastFailure();
    const std::optional<std::string> narrow = narrowedForFileApis(*wide);
    if (!narrow) return Failure::Other;
    return *narrow;
}

std::string currentDriveRoot() {
    const Result<std::string> directory = currentDirectory();
    if (!directory) return std::string();
    if (paths::beginsWithDrive(*directory))
        return paths::withUpperCaseDrive(directory->substr(0, 2));
    if (directory->compare(0, 2, "\\\\") == 0) return paths::uncRoot(*directory);
    return std::string();
}

namespace {

// The account name of sid ("DOMAIN\\user"), or the SID as text where no name is found.
std::string accountName(PSID sid) {
    DWORD nameLength = 0;
    DWORD domainLength = 0;
    SID_NAME_USE use;
    ::LookupAccountSidW(nullptr, sid, nullptr, &nameLength, nullptr, &domainLength, &use);
    std::wstring name(nameLength, L'\0');
    std::wstring domain(domainLength, L'\0');
    if (nameLength > 0 &&
        ::LookupAccountSidW(nullptr, sid, &name[0], &nameLength, &domain[0], &domainLength, &use)) {
        name.resize(nameLength);
        domain.resize(domainLength);
        const std::optional<std::string> account = narrowedForFileApis(domain.empty() ? name : domain + L"\\" + name);
        if (account) return *account;
    }
    LPWSTR text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text)) return std::string();
    const std::optional<std::string> sidText = narrowedForFileApis(text);
    ::LocalFree(text);
    return sidText.value_or(std::string());
}

// The name of the owner of the file open as handle; "" when it cannot be read.
std::string ownerName(HANDLE file) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                          &descriptor) != ERROR_SUCCESS)
        return std::string();
    const std::string name = owner != nullptr ? accountName(owner) : std::string();
    ::LocalFree(descriptor);
    return name;
}

}  // namespace

Result<FileControl> fileControl(const FileName &path) {
    HandleOwner file(osCreateFile(osPath(path).c_str(), READ_CONTROL, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.isValid()) return lastFailure();
    FileControl control;
    control.ownedByOther = !ownedByThisUser(file.get());
    control.owner = ownerName(file.get());
    return control;
}

Result<std::string> absoluteSpelling(const FileName &path) {
    // The full name is made from the text alone.
    Result<FileName> absolute = absolutePath(path);
    if (!absolute) return absolute.status();
    return absolute->text();
}

Result<std::string> fileIdentity(const FileName &path) {
    // No access rights are asked for: only the identity is read.
    HandleOwner file(osCreateFile(osPath(path).c_str(), 0,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.isValid()) return lastFailure();
    BY_HANDLE_FILE_INFORMATION information;
    if (!osGetFileInformationByHandle(file.get(), &information)) return lastFailure();
    return std::to_string(information.dwVolumeSerialNumber) + ":" +
           std::to_string(information.nFileIndexHigh) + ":" +
           std::to_string(information.nFileIndexLow);
}

}  // namespace locmap50::platform
