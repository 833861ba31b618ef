// The platform services on Windows, through the Win32 API and the C runtime.
#include "platform/Platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <direct.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "paths/NameRules.h"
#include "paths/PathRules.h"
#include "platform/EnvironmentTable.h"
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

std::string temporaryNameFor(const std::string &target) {
    return target + ".tmp-" + std::to_string(::GetCurrentProcessId()) + "-" +
           std::to_string(::GetTickCount()) + "-" + std::to_string(++s_temporaryNameCounter);
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

}  // namespace

std::optional<std::string> getEnvironmentVariable(const std::string &name) {
    // The runtime's own lookup already ignores case as the system does.
    if (name.empty()) return std::nullopt;
    if (const char *value = std::getenv(name.c_str())) return std::string(value);
    return std::nullopt;
}

std::optional<std::vector<std::string>> environmentTable() {
    return detail::copiedEnvironmentTable(_environ);
}

int putEnvironmentEntry(const std::string &entry) {
    if (!paths::splitEnvironmentEntry(entry)) return -1;
    // _putenv copies the text, so nothing needs to stay alive here.
    return ::_putenv(entry.c_str()) == 0 ? 0 : -1;
}

// As _access(path, 4) decides: whatever exists may be read, directories included.
bool canRead(const std::string &path) {
    return ::GetFileAttributesW(osPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
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

std::unique_ptr<std::istream> openForReading(const std::string &path) {
    const std::filesystem::path wide(osPath(path));
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return nullptr;
    // A wide path, so the stream opens names in any code page and beyond the classic limit.
    auto stream = std::make_unique<std::ifstream>(wide, std::ios::in | std::ios::binary);
    if (!stream->is_open()) return nullptr;
    return stream;
}

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
    TemporaryFile temporary(path);
    if (!temporary.isOpen()) return false;
    if (!writeAll(temporary.handle(), withPlatformLineEnds(text))) return false;
    if (!::FlushFileBuffers(temporary.handle())) return false;
    if (!temporary.close()) return false;
    if (!::MoveFileExW(temporary.path().c_str(), osPath(path).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return false;
    temporary.commit();
    return true;
}

}  // namespace locmap50::platform
