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

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "paths/NameRules.h"
#include "paths/PathRules.h"
#include "paths/SaveFileNames.h"
#include "platform/SaveSteps.h"
#include "platform/WriteFailureSimulation.h"

extern char **environ;

namespace locmap50::platform {
namespace {

// A given name may use "\" where the OS wants "/"; a name the system gave
// back is its own bytes already, and a "\" in it belongs to a name.
std::string toOsPath(const FileName &path) {
    return path.isSystemName() ? path.text() : paths::toForwardSlashes(path.text());
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

// Why a call failed, from the errno it left.
Failure failureFromErrno(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return Failure::PermissionDenied;
    case ENOENT:
    case ENOTDIR:
        return Failure::NotFound;
    case EISDIR:
        return Failure::IsDirectory;
    case ENAMETOOLONG:
        return Failure::NameTooLong;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return Failure::NoSpace;
    default:
        return Failure::Other;
    }
}

Failure lastFailure() { return failureFromErrno(errno); }

// A failed read or write whose errno names nothing more specific.
Failure lastFailureOr(Failure general) {
    const Failure failure = lastFailure();
    return failure == Failure::Other ? general : failure;
}

// What a save or a read makes of the kind of file that status describes.
Status regularFileStatus(const struct stat &status) {
    if (S_ISREG(status.st_mode)) return Status::success();
    return S_ISDIR(status.st_mode) ? Failure::IsDirectory : Failure::NotRegularFile;
}

Status regularFileStatus(int fd) {
    struct stat status;
    if (::fstat(fd, &status) != 0) return lastFailure();
    return regularFileStatus(status);
}

// Every byte of an open file, read to its end.
Result<std::string> readToEnd(int fd) {
    std::string bytes;
    std::vector<char> chunk(64 * 1024);
    for (;;) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got == 0) return bytes;
        if (got < 0) {
            if (errno == EINTR) continue;
            return lastFailureOr(Failure::ReadError);
        }
        bytes.append(chunk.data(), static_cast<std::size_t>(got));
    }
}

// Writes every byte, retrying short writes and interruptions.
Status writeAll(int fd, const std::string &text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const std::size_t allowed = detail::bytesAllowedToWrite(text.size() - done);
        if (allowed == 0) return Failure::NoSpace;
        const ssize_t written = ::write(fd, text.data() + done, allowed);
        if (written < 0) {
            if (errno == EINTR) continue;
            return lastFailureOr(Failure::WriteError);
        }
        detail::countBytesWritten(static_cast<std::size_t>(written));
        done += static_cast<std::size_t>(written);
    }
    return Status::success();
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

// The absolute path osPath names, with every link followed; fails when it
// names nothing.
Result<std::string> realPathOf(const std::string &osPath) {
    char *resolved = ::realpath(osPath.c_str(), nullptr);
    if (resolved == nullptr) return lastFailure();
    std::string path(resolved);
    std::free(resolved);
    return path;
}

// What open() and opendir() take for a directory part ("" is the current one).
std::string openableDirectory(const std::string &directory) {
    return directory.empty() ? "." : directory;
}

mode_t processUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

}  // namespace

// ---- the steps of a save (SaveSteps.h) ----------------------------------------

namespace detail {

const paths::TemporaryNameStyle kTemporaryNameStyle = paths::TemporaryNameStyle::SixLettersOrDigits;

Result<TargetKind> kindOfSaveTarget(const FileName &path) {
    const std::string osPath = toOsPath(path);
    struct stat status;
    if (::stat(osPath.c_str(), &status) != 0) {
        if (errno != ENOENT) return lastFailure();
        // A link to nothing (such as /dev/stdout with its descriptor closed)
        // is no place for a new file: the rename would replace the link.
        if (::lstat(osPath.c_str(), &status) == 0) return Failure::NotRegularFile;
        return errno == ENOENT ? Result<TargetKind>(TargetKind::Missing) : Result<TargetKind>(lastFailure());
    }
    if (S_ISREG(status.st_mode)) return TargetKind::Regular;
    // Block devices hold file systems: a map is never written over one.
    if (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode)) return TargetKind::Stream;
    return regularFileStatus(status).failure();
}

// The file a link points to, not the link; a name that is not there yet
// stays as it is, for a new file.
std::string replacedFileOf(const FileName &path) {
    const std::string osPath = toOsPath(path);
    return realPathOf(osPath).value_or(osPath);
}

Status writeInPlace(const FileName &path, const std::string &text) {
    // A pipe without a reader refuses the open at once (ENXIO).
    Descriptor target(openWithoutBlocking(toOsPath(path), O_WRONLY));
    if (!target.isOpen()) return lastFailure();
    struct stat status;
    if (::fstat(target.get(), &status) != 0) return lastFailure();
    if (!(S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode))) return Failure::NotRegularFile;
    // Once open, writes may wait for a slow reader like any other writer's.
    const int flags = ::fcntl(target.get(), F_GETFL);
    if (flags < 0 || ::fcntl(target.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return lastFailure();
    SigpipeHeldBack sigpipe;
    if (const Status written = writeAll(target.get(), text); !written) return written;
    return target.close() ? Status::success() : Status(lastFailureOr(Failure::WriteError));
}

std::string withPlatformLineEnds(const std::string &text) {
    return text;
}

Result<bool> regularFileExists(const std::string &target) {
    struct stat status;
    if (::stat(target.c_str(), &status) != 0) return errno == ENOENT ? Result<bool>(false) : Result<bool>(lastFailure());
    if (const Status regular = regularFileStatus(status); !regular) return regular.failure();
    return true;
}

Status mayWrite(const std::string &target) {
    if (::geteuid() == 0) {
        // Root passes every access check, so the mode bits are its only guard.
        struct stat status;
        if (::stat(target.c_str(), &status) != 0) return lastFailure();
        return (status.st_mode & 0222) != 0 ? Status::success() : Status(Failure::PermissionDenied);
    }
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0) return Status::success();
    return errno == EACCES || errno == EROFS || errno == EPERM ? Status(Failure::PermissionDenied) : lastFailure();
}

std::vector<std::string> namesInDirectory(const std::string &directory) {
    std::vector<std::string> names;
    DIR *listing = ::opendir(openableDirectory(directory).c_str());
    if (listing == nullptr) return names;
    while (const struct dirent *entry = ::readdir(listing)) names.emplace_back(entry->d_name);
    ::closedir(listing);
    return names;
}

void removeRegularFile(const std::string &path) {
    struct stat status;
    if (::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) ::unlink(path.c_str());
}

void syncDirectory(const std::string &directory) {
    Descriptor opened(::open(openableDirectory(directory).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (opened.isOpen()) (void)::fsync(opened.get());
}

// An exclusive flock() on the lock file. The OS drops the lock when its
// holder dies, so a crashed save never blocks later ones; the holder removes
// the lock file before letting go, and a waiter that wins a lock file
// already removed starts again on the new one.
struct SaveLockFile::Native {
    std::string path;
    Descriptor held;
    Failure failure = Failure::None;
};

SaveLockFile::SaveLockFile(const std::string &target) : m_native(new Native) {
    m_native->path = paths::saveLockNameOf(target);
}

SaveLockFile::~SaveLockFile() {
    if (!m_native->held.isOpen()) return;
    ::unlink(m_native->path.c_str());
    m_native->held.close();
}

SaveLockFile::Attempt SaveLockFile::tryToTake() {
    // Read access suffices for flock, so users who may replace the map but
    // not write a lock file left by another user still get the lock.
    Descriptor fd(::open(m_native->path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!fd.isOpen()) {
        if (errno == EINTR) return Attempt::Busy;
        m_native->failure = lastFailure();
        return Attempt::Failed;
    }
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK || errno == EINTR) return Attempt::Busy;
        m_native->failure = lastFailure();
        return Attempt::Failed;
    }
    struct stat held;
    struct stat named;
    if (::fstat(fd.get(), &held) != 0) return Attempt::Busy;
    if (::stat(m_native->path.c_str(), &named) != 0 || named.st_dev != held.st_dev || named.st_ino != held.st_ino)
        return Attempt::Busy;  // the holder before us removed it: lock the new one
    m_native->held.adopt(fd.release());
    return Attempt::Taken;
}

Failure SaveLockFile::failure() const {
    return m_native->failure;
}

// mkstemp's file "<target>.tmp-XXXXXX".
struct TemporaryFile::Native {
    Descriptor file;
    std::string path;
    Failure creationFailure = Failure::None;
    bool committed = false;
};

TemporaryFile::TemporaryFile(const std::string &target) : m_native(new Native) {
    const std::string pattern = target + paths::kTemporaryNameSuffix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    m_native->file.adopt(::mkstemp(name.data()));
    if (m_native->file.isOpen())
        m_native->path = name.data();
    else
        m_native->creationFailure = lastFailure();
}

TemporaryFile::~TemporaryFile() {
    if (!m_native->path.empty() && !m_native->committed) ::unlink(m_native->path.c_str());
}

Status TemporaryFile::created() const {
    return m_native->creationFailure;
}

// The new file takes the old one's owner, group and permission bits, as far
// as the process may set them; a new file gets what creat() would give.
Status TemporaryFile::takeOverOwnerAndPermissionsOf(const std::string &target, bool targetExists) {
    const int fd = m_native->file.get();
    struct stat old;
    if (!targetExists || ::stat(target.c_str(), &old) != 0)
        return ::fchmod(fd, 0666 & ~processUmask()) == 0 ? Status::success() : Status(lastFailure());
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
        // A group member may still hand over the group when the owner cannot change.
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    }
    // After fchown, which may clear set-id bits.
    return ::fchmod(fd, old.st_mode & 07777) == 0 ? Status::success() : Status(lastFailure());
}

Status TemporaryFile::write(const std::string &bytes) {
    return writeAll(m_native->file.get(), bytes);
}

Status TemporaryFile::flushToDisk() {
    return ::fsync(m_native->file.get()) == 0 ? Status::success() : Status(lastFailureOr(Failure::WriteError));
}

Status TemporaryFile::close() {
    return m_native->file.close() ? Status::success() : Status(lastFailureOr(Failure::WriteError));
}

Status TemporaryFile::moveOnto(const std::string &target, bool) {
    if (::rename(m_native->path.c_str(), target.c_str()) != 0) return lastFailure();
    m_native->committed = true;
    return Status::success();
}

}  // namespace detail

const char *textLineEnd() {
    return "\n";
}

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

Status canRead(const FileName &path) {
    const std::string osPath = toOsPath(path);
    struct stat status;
    if (::stat(osPath.c_str(), &status) != 0) return lastFailure();
    if (const Status regular = regularFileStatus(status); !regular) return regular;
    return ::access(osPath.c_str(), R_OK) == 0 ? Status::success() : Status(lastFailure());
}

Result<std::string> readRegularFile(const FileName &path) {
    Descriptor file(openWithoutBlocking(toOsPath(path), O_RDONLY));
    if (!file.isOpen()) return lastFailure();
    if (const Status regular = regularFileStatus(file.get()); !regular) return regular.failure();
    return readToEnd(file.get());
}

Result<FileName> absolutePath(const FileName &path) {
    if (path.text().empty()) return Failure::NotFound;
    Result<std::string> absolute = realPathOf(toOsPath(path));
    if (!absolute) return absolute.failure();
    return FileName::ofSystem(std::move(*absolute));
}

Result<std::string> currentDirectory() {
    std::string buffer(256, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return lastFailure();
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

std::string currentDriveRoot() { return std::string(); }

Result<std::string> fileIdentity(const FileName &path) {
    struct stat status;
    if (::stat(toOsPath(path).c_str(), &status) != 0) return lastFailure();
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

}  // namespace locmap50::platform
