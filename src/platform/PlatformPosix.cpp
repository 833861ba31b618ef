// The platform services on POSIX systems, where paths use "/" and there are no drives.
#include "platform/Platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "paths/AsciiText.h"
#include "paths/NameRules.h"
#include "paths/PathRules.h"
#include "platform/EnvironmentTable.h"
#include "platform/WriteFailureSimulation.h"

extern char **environ;

namespace locmap50::platform {
namespace {

// The library writes paths with "\"; the OS wants "/".
std::string toOsPath(std::string path) {
    for (char &c : path)
        if (c == '\\') c = '/';
    return path;
}

bool entryNameMatchesIgnoringCase(const char *entry, const std::string &name) {
    for (char wanted : name) {
        if (*entry == '\0' || *entry == '=' || !paths::sameIgnoringAsciiCase(*entry, wanted))
            return false;
        ++entry;
    }
    return *entry == '=';
}

// A temporary file beside the target, removed again unless it was committed.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string &target) {
        std::string pattern = target + ".tmp-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        m_fd = ::mkstemp(name.data());
        if (m_fd >= 0) m_path = name.data();
    }
    ~TemporaryFile() {
        if (m_fd >= 0) ::close(m_fd);
        if (!m_path.empty() && !m_committed) ::unlink(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }
    const std::string &path() const { return m_path; }

    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }
    void commit() { m_committed = true; }

private:
    int m_fd = -1;
    std::string m_path;
    bool m_committed = false;
};

// Writes every byte, retrying short writes and interruptions.
bool writeAll(int fd, const std::string &text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const std::size_t allowed = detail::bytesAllowedToWrite(text.size() - done);
        if (allowed == 0) {
            errno = ENOSPC;
            return false;
        }
        const ssize_t written = ::write(fd, text.data() + done, allowed);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        detail::countBytesWritten(static_cast<std::size_t>(written));
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// The file a save must replace: the file a symbolic link points to, not the link.
std::string resolvedSaveTarget(const std::string &osPath) {
    char *resolved = ::realpath(osPath.c_str(), nullptr);
    if (resolved == nullptr) return osPath;  // not there yet: a new file
    std::string target(resolved);
    std::free(resolved);
    return target;
}

mode_t processUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// An existing file keeps its permission bits; a new one gets what creat() would give.
mode_t permissionsForSave(const std::string &target) {
    struct stat status;
    if (::stat(target.c_str(), &status) == 0) return status.st_mode & 07777;
    return 0666 & ~processUmask();
}

}  // namespace

std::optional<std::string> getEnvironmentVariable(const std::string &name) {
    if (name.empty() || name.find('=') != std::string::npos) return std::nullopt;
    if (const char *exact = std::getenv(name.c_str())) return std::string(exact);
    if (environ == nullptr) return std::nullopt;
    for (char **entry = environ; *entry != nullptr; ++entry)
        if (entryNameMatchesIgnoringCase(*entry, name))
            return std::string(*entry + name.size() + 1);
    return std::nullopt;
}

std::optional<std::vector<std::string>> environmentTable() {
    return detail::copiedEnvironmentTable(environ);
}

int putEnvironmentEntry(const std::string &entry) {
    const std::optional<paths::EnvironmentEntry> parts = paths::splitEnvironmentEntry(entry);
    if (!parts) return -1;
    if (parts->value.empty()) return ::unsetenv(parts->name.c_str()) == 0 ? 0 : -1;
    return ::setenv(parts->name.c_str(), parts->value.c_str(), 1) == 0 ? 0 : -1;
}

bool canRead(const std::string &path) {
    return ::access(toOsPath(path).c_str(), R_OK) == 0;
}

std::optional<std::string> currentDirectory() {
    std::string buffer(256, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return std::nullopt;
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::strlen(buffer.c_str()));
    return paths::toBackslashes(buffer);
}

std::string currentDriveRoot() { return std::string(); }

int currentDriveNumber() { return 0; }

std::unique_ptr<std::istream> openForReading(const std::string &path) {
    const std::string osPath = toOsPath(path);
    // An ifstream opens a directory here and then fails every read.
    struct stat status;
    if (::stat(osPath.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return nullptr;
    auto stream = std::make_unique<std::ifstream>(osPath, std::ios::in | std::ios::binary);
    if (!stream->is_open()) return nullptr;
    return stream;
}

std::optional<std::string> fileIdentity(const std::string &path) {
    struct stat status;
    if (::stat(toOsPath(path).c_str(), &status) != 0) return std::nullopt;
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

bool replaceFileWithText(const std::string &path, const std::string &text) {
    const std::string target = resolvedSaveTarget(toOsPath(path));
    const mode_t permissions = permissionsForSave(target);
    TemporaryFile temporary(target);
    if (!temporary.isOpen()) return false;
    if (::fchmod(temporary.descriptor(), permissions) != 0) return false;
    if (!writeAll(temporary.descriptor(), text)) return false;
    if (::fsync(temporary.descriptor()) != 0) return false;
    if (!temporary.close()) return false;
    if (::rename(temporary.path().c_str(), target.c_str()) != 0) return false;
    temporary.commit();
    return true;
}

}  // namespace locmap50::platform
