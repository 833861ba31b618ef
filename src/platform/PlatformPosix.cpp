// The platform services on POSIX systems, where paths use "/" and there are no drives.
#include "platform/Platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "paths/NameRules.h"
#include "paths/PathRules.h"
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

// Closes a descriptor when the scope ends.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int get() const { return m_fd; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void adopt(int fd) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = fd;
    }
    bool close() { return ::close(release()) == 0; }

private:
    int m_fd;
};

// O_NONBLOCK: opening a FIFO or a device never waits for its other end.
int openWithoutBlocking(const std::string &osPath, int access) {
    int fd;
    do {
        fd = ::open(osPath.c_str(), access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool isRegularFile(int fd) {
    struct stat status;
    return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
}

// Every byte of an open file, read to its end; nullopt when a read fails.
std::optional<std::string> readToEnd(int fd) {
    std::string bytes;
    std::vector<char> chunk(64 * 1024);
    for (;;) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got == 0) return bytes;
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        bytes.append(chunk.data(), static_cast<std::size_t>(got));
    }
}

// A temporary file beside the target, removed again unless it was committed.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string &target) {
        std::string pattern = target + kTemporarySuffix + "XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        m_file.adopt(::mkstemp(name.data()));
        if (m_file.isOpen()) m_path = name.data();
    }
    ~TemporaryFile() {
        if (!m_path.empty() && !m_committed) ::unlink(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    bool isOpen() const { return m_file.isOpen(); }
    int descriptor() const { return m_file.get(); }
    const std::string &path() const { return m_path; }

    bool close() { return m_file.close(); }
    void commit() { m_committed = true; }

    static constexpr char kTemporarySuffix[] = ".tmp-";
    static constexpr std::size_t kUniqueLength = 6;  // mkstemp's XXXXXX

private:
    Descriptor m_file;
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

// While it lives, SIGPIPE is held back for this thread and one raised by its
// writes is taken away: a reader that goes away must fail the write, not end
// the host process.
class SigpipeHeldBack {
public:
    SigpipeHeldBack() {
        sigset_t pipeOnly;
        sigemptyset(&pipeOnly);
        sigaddset(&pipeOnly, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGPIPE) == 1;
        m_active = ::pthread_sigmask(SIG_BLOCK, &pipeOnly, &m_previous) == 0;
    }
    ~SigpipeHeldBack() {
        if (!m_active) return;
        sigset_t pending;
        sigpending(&pending);
        if (!m_wasPending && sigismember(&pending, SIGPIPE) == 1) {
            sigset_t pipeOnly;
            sigemptyset(&pipeOnly);
            sigaddset(&pipeOnly, SIGPIPE);
            const struct timespec noWait = {0, 0};
            while (::sigtimedwait(&pipeOnly, nullptr, &noWait) < 0 && errno == EINTR) {
            }
        }
        ::pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    }
    SigpipeHeldBack(const SigpipeHeldBack &) = delete;
    SigpipeHeldBack &operator=(const SigpipeHeldBack &) = delete;

private:
    sigset_t m_previous;
    bool m_wasPending = false;
    bool m_active = false;
};

// A device or a pipe takes the text in place, as any program writing to it
// would; a pipe without a reader refuses the open at once (ENXIO).
bool writeInPlace(const std::string &osPath, const std::string &text) {
    Descriptor target(openWithoutBlocking(osPath, O_WRONLY));
    if (!target.isOpen()) return false;
    struct stat status;
    if (::fstat(target.get(), &status) != 0 || !(S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode)))
        return false;
    // Once open, writes may wait for a slow reader like any other writer's.
    const int flags = ::fcntl(target.get(), F_GETFL);
    if (flags < 0 || ::fcntl(target.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return false;
    SigpipeHeldBack sigpipe;
    return writeAll(target.get(), text) && target.close();
}

// The absolute path osPath names, with every link followed; nullopt when it
// names nothing.
std::optional<std::string> realPathOf(const std::string &osPath) {
    char *resolved = ::realpath(osPath.c_str(), nullptr);
    if (resolved == nullptr) return std::nullopt;
    std::string path(resolved);
    std::free(resolved);
    return path;
}

// The file a save must replace: the file a symbolic link points to, not the link.
std::string resolvedSaveTarget(const std::string &osPath) {
    return realPathOf(osPath).value_or(osPath);  // not there yet: a new file
}

std::string directoryOf(const std::string &osPath) {
    const std::size_t slash = osPath.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : osPath.substr(0, slash);
}

std::string baseNameOf(const std::string &osPath) {
    const std::size_t slash = osPath.rfind('/');
    return slash == std::string::npos ? osPath : osPath.substr(slash + 1);
}

mode_t processUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// The save lock of one file: an exclusive flock() on "<file>.save-lock".
// The OS drops the lock when its holder dies, so a crashed save never blocks
// later ones; the holder removes the lock file before letting go, and a
// waiter that wins a lock file already removed starts again on the new one.
class SaveLock {
public:
    explicit SaveLock(const std::string &target) : m_path(target + ".save-lock") {
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            if (tryOnce()) return;
            if (m_failed) return;
            const struct timespec pause = {0, 10 * 1000 * 1000};
            ::nanosleep(&pause, nullptr);
        }
    }
    ~SaveLock() {
        if (!m_fd.isOpen()) return;
        ::unlink(m_path.c_str());
        m_fd.close();
    }
    SaveLock(const SaveLock &) = delete;
    SaveLock &operator=(const SaveLock &) = delete;

    bool held() const { return m_fd.isOpen(); }

private:
    static constexpr int kAttempts = 1000;  // about ten seconds of 10 ms waits

    bool tryOnce() {
        // Read access suffices for flock, so users who may replace the map
        // but not write a lock file left by another user still get the lock.
        Descriptor fd(::open(m_path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (!fd.isOpen()) {
            m_failed = errno != EINTR;
            return false;
        }
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            m_failed = errno != EWOULDBLOCK && errno != EINTR;
            return false;
        }
        struct stat held;
        struct stat named;
        if (::fstat(fd.get(), &held) != 0) return false;
        if (::stat(m_path.c_str(), &named) != 0 || named.st_dev != held.st_dev ||
            named.st_ino != held.st_ino)
            return false;  // the holder before us removed it: lock the new one
        m_fd.adopt(fd.release());
        return true;
    }

    std::string m_path;
    Descriptor m_fd;
    bool m_failed = false;
};

// Temporary files of saves of this target that died before they could
// remove them. Only called under the save lock, when no save of the target
// by this library is under way.
void removeLeftoverTemporaries(const std::string &target) {
    const std::string prefix = baseNameOf(target) + TemporaryFile::kTemporarySuffix;
    DIR *directory = ::opendir(directoryOf(target).c_str());
    if (directory == nullptr) return;
    std::vector<std::string> leftovers;
    while (const struct dirent *entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + TemporaryFile::kUniqueLength ||
            name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const bool unique = std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()),
                                        name.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
        if (unique) leftovers.push_back(directoryOf(target) + "/" + name);
    }
    ::closedir(directory);
    for (const std::string &leftover : leftovers) {
        struct stat status;
        if (::lstat(leftover.c_str(), &status) == 0 && S_ISREG(status.st_mode)) ::unlink(leftover.c_str());
    }
}

// The new file takes the old one's owner, group and permission bits, as far
// as the process may set them; a new file gets what creat() would give.
bool takeOverOwnerAndPermissions(int fd, const std::optional<struct stat> &old) {
    if (!old) return ::fchmod(fd, 0666 & ~processUmask()) == 0;
    if (old->st_uid != ::geteuid() || old->st_gid != ::getegid()) {
        // A group member may still hand over the group when the owner cannot change.
        if (::fchown(fd, old->st_uid, old->st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), old->st_gid);
    }
    // After fchown, which may clear set-id bits.
    return ::fchmod(fd, old->st_mode & 07777) == 0;
}

// The rename is durable only once the directory holding it is on disk.
void syncDirectoryOf(const std::string &target) {
    Descriptor directory(::open(directoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.isOpen()) (void)::fsync(directory.get());
}

// What an existing save target is.
enum class TargetKind { Missing, Regular, Stream, Refused };

TargetKind kindOfTarget(const std::string &osPath) {
    struct stat status;
    if (::stat(osPath.c_str(), &status) != 0) {
        // A link to nothing (such as /dev/stdout with its descriptor closed)
        // is no place for a new file: the rename would replace the link.
        const bool missing = errno == ENOENT && ::lstat(osPath.c_str(), &status) != 0 && errno == ENOENT;
        return missing ? TargetKind::Missing : TargetKind::Refused;
    }
    if (S_ISREG(status.st_mode)) return TargetKind::Regular;
    // Block devices hold file systems: a map is never written over one.
    if (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode)) return TargetKind::Stream;
    return TargetKind::Refused;
}

// Replaces the regular file target (or creates it) under its save lock,
// after `stillAsExpected` has approved what the file holds now (nullopt: no
// file). Returns the stamp of the bytes written.
template <typename Approval>
std::optional<ContentStamp> replaceRegularFile(const std::string &target, const std::string &text,
                                               Approval stillAsExpected) {
    SaveLock lock(target);
    if (!lock.held()) return std::nullopt;
    struct stat status;
    std::optional<struct stat> old;
    if (::stat(target.c_str(), &status) == 0) {
        if (!S_ISREG(status.st_mode)) return std::nullopt;
        old = status;
    } else if (errno != ENOENT) {
        return std::nullopt;
    }
    if (!stillAsExpected(old.has_value())) return std::nullopt;
    removeLeftoverTemporaries(target);

    TemporaryFile temporary(target);
    if (!temporary.isOpen()) return std::nullopt;
    if (!takeOverOwnerAndPermissions(temporary.descriptor(), old)) return std::nullopt;
    if (!writeAll(temporary.descriptor(), text)) return std::nullopt;
    if (::fsync(temporary.descriptor()) != 0) return std::nullopt;
    if (!temporary.close()) return std::nullopt;
    if (::rename(temporary.path().c_str(), target.c_str()) != 0) return std::nullopt;
    temporary.commit();
    syncDirectoryOf(target);
    return stampOf(text);
}

}  // namespace

const char *const *runtimeEnvironmentTable() {
    return environ;
}

int putEnvironmentEntry(const std::string &entry) {
    const std::optional<paths::EnvironmentEntry> parts = paths::splitEnvironmentEntry(entry);
    if (!parts || parts->name.empty()) return -1;
    const std::string name(parts->name);
    if (parts->value.empty()) return ::unsetenv(name.c_str()) == 0 ? 0 : -1;
    return ::setenv(name.c_str(), std::string(parts->value).c_str(), 1) == 0 ? 0 : -1;
}

bool canRead(const std::string &path) {
    const std::string osPath = toOsPath(path);
    struct stat status;
    return ::stat(osPath.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::access(osPath.c_str(), R_OK) == 0;
}

std::optional<std::string> readRegularFile(const std::string &path) {
    Descriptor file(openWithoutBlocking(toOsPath(path), O_RDONLY));
    if (!file.isOpen() || !isRegularFile(file.get())) return std::nullopt;
    return readToEnd(file.get());
}

std::optional<std::string> absolutePath(const std::string &path) {
    if (path.empty()) return std::nullopt;
    const std::optional<std::string> absolute = realPathOf(toOsPath(path));
    if (!absolute) return std::nullopt;
    return paths::toBackslashes(*absolute);
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

std::optional<std::string> fileIdentity(const std::string &path) {
    struct stat status;
    if (::stat(toOsPath(path).c_str(), &status) != 0) return std::nullopt;
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

bool replaceFileWithText(const std::string &path, const std::string &text) {
    const std::string osPath = toOsPath(path);
    switch (kindOfTarget(osPath)) {
    case TargetKind::Stream:
        return writeInPlace(osPath, text);
    case TargetKind::Refused:
        return false;
    case TargetKind::Missing:
    case TargetKind::Regular:
        break;
    }
    return replaceRegularFile(resolvedSaveTarget(osPath), text, [](bool) { return true; })
        .has_value();
}

std::optional<ContentStamp> replaceFileIfUnchanged(const std::string &path, const std::string &text,
                                                   const ContentStamp &expected) {
    const std::string target = resolvedSaveTarget(toOsPath(path));
    return replaceRegularFile(target, text, [&](bool exists) {
        if (!exists) return false;
        const std::optional<std::string> current = readRegularFile(target);
        return current && stampOf(*current) == expected;
    });
}

}  // namespace locmap50::platform
