// The platform services on Windows, through the Win32 API and the C runtime.
#include "platform/Platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <direct.h>
#include <stdlib.h>

#include <cstdlib>
#include <vector>

#include "paths/DeviceNames.h"
#include "paths/NameRules.h"
#include "paths/PathRules.h"
#include "platform/ExtendedLengthPath.h"
#include "platform/WriteFailureSimulation.h"

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

// Keeps temporary names apart within one process; plain, so usable at load.
unsigned long s_temporaryNameCounter = 0;

const char kTemporarySuffix[] = ".tmp-";

std::string temporaryNameFor(const std::string &target) {
    return target + kTemporarySuffix + std::to_string(::GetCurrentProcessId()) + "-" +
           std::to_string(::GetTickCount()) + "-" + std::to_string(++s_temporaryNameCounter);
}

// "<pid>-<tick>-<counter>": the unique part of the names temporaryNameFor makes.
bool isTemporaryNameTail(const std::string &tail) {
    int numbers = 0;
    std::size_t digits = 0;
    for (char c : tail) {
        if (c >= '0' && c <= '9') {
            ++digits;
            continue;
        }
        if (c != '-' || digits == 0) return false;
        ++numbers;
        digits = 0;
    }
    return numbers == 2 && digits != 0;
}

// A temporary file beside the target, removed again unless it was committed.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string &target) {
        // Another writer may have taken the name; try fresh names a while.
        for (int attempt = 0; attempt < 100; ++attempt) {
            // Each name is converted on its own: the suffix may carry it past the classic limit.
            const std::wstring name = osPath(temporaryNameFor(target));
            m_file.reset(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
            if (m_file.isValid()) {
                m_path = name;
                return;
            }
            const DWORD error = ::GetLastError();
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return;
        }
    }
    ~TemporaryFile() {
        if (m_file.isValid()) m_file.close();  // an open file cannot be deleted
        if (!m_path.empty() && !m_committed) ::DeleteFileW(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    bool isOpen() const { return m_file.isValid(); }
    HANDLE handle() const { return m_file.get(); }
    const std::wstring &path() const { return m_path; }
    bool close() { return m_file.close(); }
    void commit() { m_committed = true; }

private:
    HandleOwner m_file{INVALID_HANDLE_VALUE};
    std::wstring m_path;  // as handed to the OS
    bool m_committed = false;
};

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

// Writes every byte, retrying short writes.
bool writeAll(HANDLE handle, const std::string &text) {
    std::size_t done = 0;
    while (done < text.size()) {
        std::size_t allowed = detail::bytesAllowedToWrite(text.size() - done);
        if (allowed == 0) {
            ::SetLastError(ERROR_DISK_FULL);
            return false;
        }
        if (allowed > 0x40000000u) allowed = 0x40000000u;  // fits a DWORD comfortably
        DWORD written = 0;
        if (!::WriteFile(handle, text.data() + done, static_cast<DWORD>(allowed), &written,
                         nullptr))
            return false;
        detail::countBytesWritten(written);
        done += written;
    }
    return true;
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

// "\\server\share\dir" -> "\\server\share"; the whole text when it has no directory part.
std::string uncRoot(const std::string &directory) {
    const std::size_t serverEnd = directory.find('\\', 2);
    if (serverEnd == std::string::npos) return directory;
    const std::size_t shareEnd = directory.find('\\', serverEnd + 1);
    return directory.substr(0, shareEnd);
}

// Every byte of an open file, read to its end; nullopt when a read fails.
std::optional<std::string> readToEnd(HANDLE file) {
    std::string bytes;
    std::vector<char> chunk(64 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr))
            return std::nullopt;
        if (got == 0) return bytes;
        bytes.append(chunk.data(), got);
    }
}

// A file on a disk, not a directory, a console, a pipe or another device.
bool isRegularFile(HANDLE file) {
    if (::GetFileType(file) != FILE_TYPE_DISK) return false;
    BY_HANDLE_FILE_INFORMATION information;
    return ::GetFileInformationByHandle(file, &information) &&
           (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The save lock of one file: "<file>.save-lock" opened with no sharing and
// deleted when closed. The open itself is the lock, and the OS closes (and
// so deletes) it when its holder dies, so a crashed save never blocks later
// ones and leaves no lock file behind.
class SaveLock {
public:
    explicit SaveLock(const std::string &target) {
        const std::wstring path = osPath(target + ".save-lock");
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            m_file.reset(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE,
                                       nullptr));
            if (m_file.isValid()) return;
            const DWORD error = ::GetLastError();
            // Held by another save, or its holder's file is on its way out.
            if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) return;
            ::Sleep(10);
        }
    }
    SaveLock(const SaveLock &) = delete;
    SaveLock &operator=(const SaveLock &) = delete;

    bool held() const { return m_file.isValid(); }

private:
    static constexpr int kAttempts = 1000;  // about ten seconds of 10 ms waits
    HandleOwner m_file{INVALID_HANDLE_VALUE};
};

std::string directoryPartOf(const std::string &path) {
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

// Temporary files of saves of this target that died before they could
// remove them. Only called under the save lock, when no save of the target
// by this library is under way.
void removeLeftoverTemporaries(const std::string &target) {
    const std::string prefix = target.substr(directoryPartOf(target).size()) + kTemporarySuffix;
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW(osPath(target + kTemporarySuffix + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    std::vector<std::string> leftovers;
    do {
        const std::optional<std::string> name = narrowedForFileApis(found.cFileName);
        if (!name || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
        if (name->compare(0, prefix.size(), prefix) == 0 &&
            isTemporaryNameTail(name->substr(prefix.size())))
            leftovers.push_back(directoryPartOf(target) + *name);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    for (const std::string &leftover : leftovers) ::DeleteFileW(osPath(leftover).c_str());
}

// A device (NUL, CON, COM1, "\\.\..." paths) takes the text in place, as
// any program writing to it would; a pipe with no server fails at once.
bool writeInPlace(const std::string &path, const std::string &text) {
    HandleOwner device(::CreateFileW(osPath(path).c_str(), GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!device.isValid()) return false;
    return writeAll(device.get(), withPlatformLineEnds(text)) && device.close();
}

// ReplaceFileW keeps the replaced file's owner, ACLs and attributes; a target
// that does not exist yet is simply moved into place.
bool moveIntoPlace(const std::wstring &temporary, const std::wstring &target, bool targetExists) {
    if (targetExists &&
        ::ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                       nullptr, nullptr))
        return true;
    return ::MoveFileExW(temporary.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// Replaces the regular file path (or creates it) under its save lock, after
// `stillAsExpected` approved what it holds now (its argument: whether a file
// is there). Returns the stamp of the bytes written.
template <typename Approval>
std::optional<ContentStamp> replaceRegularFile(const std::string &path, const std::string &text,
                                               Approval stillAsExpected) {
    SaveLock lock(path);
    if (!lock.held()) return std::nullopt;
    const DWORD attributes = ::GetFileAttributesW(osPath(path).c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
    if (!stillAsExpected(exists)) return std::nullopt;
    removeLeftoverTemporaries(path);

    const std::string bytes = withPlatformLineEnds(text);
    TemporaryFile temporary(path);
    if (!temporary.isOpen()) return std::nullopt;
    if (!writeAll(temporary.handle(), bytes)) return std::nullopt;
    if (!::FlushFileBuffers(temporary.handle())) return std::nullopt;
    if (!temporary.close()) return std::nullopt;
    if (!moveIntoPlace(temporary.path(), osPath(path), exists)) return std::nullopt;
    temporary.commit();
    return stampOf(bytes);
}

}  // namespace

const char *const *runtimeEnvironmentTable() {
    // A program entered through wmain starts with only the wide table; the
    // runtime builds the narrow one when getenv first asks for it.
    if (_environ == nullptr) static_cast<void>(std::getenv("PATH"));
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
bool canRead(const std::string &path) {
    if (paths::isWindowsDevicePath(path)) return false;
    const DWORD attributes = ::GetFileAttributesW(osPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::string> readRegularFile(const std::string &path) {
    if (paths::isWindowsDevicePath(path)) return std::nullopt;
    HandleOwner file(::CreateFileW(osPath(path).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.isValid() || !isRegularFile(file.get())) return std::nullopt;
    return readToEnd(file.get());
}

std::optional<std::string> absolutePath(const std::string &path) {
    if (path.empty()) return std::nullopt;
    const std::wstring full = fullPathOf(osPath(path));
    if (full.empty()) return std::nullopt;
    return narrowedForFileApis(full);
}

// GetCurrentDirectoryA fails beyond MAX_PATH, so the wide form is asked for and
// converted with the code page the A functions use, as GetCurrentDirectoryA would.
std::optional<std::string> currentDirectory() {
    const std::optional<std::wstring> wide = wideTextFrom(
        [](DWORD size, wchar_t *buffer) { return ::GetCurrentDirectoryW(size, buffer); });
    if (!wide) return std::nullopt;
    return narrowedForFileApis(*wide);
}

std::string currentDriveRoot() {
    const std::optional<std::string> directory = currentDirectory();
    if (!directory) return std::string();
    if (paths::beginsWithDrive(*directory))
        return paths::withUpperCaseDrive(directory->substr(0, 2));
    if (directory->compare(0, 2, "\\\\") == 0) return uncRoot(*directory);
    return std::string();
}

int currentDriveNumber() { return ::_getdrive(); }

std::optional<std::string> fileIdentity(const std::string &path) {
    // No access rights are asked for: only the identity is read.
    HandleOwner file(::CreateFileW(osPath(path).c_str(), 0,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.isValid()) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information;
    if (!::GetFileInformationByHandle(file.get(), &information)) return std::nullopt;
    return std::to_string(information.dwVolumeSerialNumber) + ":" +
           std::to_string(information.nFileIndexHigh) + ":" +
           std::to_string(information.nFileIndexLow);
}

bool replaceFileWithText(const std::string &path, const std::string &text) {
    if (paths::isWindowsDevicePath(path)) return writeInPlace(path, text);
    return replaceRegularFile(path, text, [](bool) { return true; }).has_value();
}

std::optional<ContentStamp> replaceFileIfUnchanged(const std::string &path, const std::string &text,
                                                   const ContentStamp &expected) {
    if (paths::isWindowsDevicePath(path)) return std::nullopt;
    return replaceRegularFile(path, text, [&](bool exists) {
        if (!exists) return false;
        const std::optional<std::string> current = readRegularFile(path);
        return current && stampOf(*current) == expected;
    });
}

}  // namespace locmap50::platform
