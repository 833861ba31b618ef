// SPDX-License-Identifier: Apache-2.0
// The platform services on POSIX systems, where paths use "/" and there are no drives.
#include "platform/Platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "paths/NameRules.h"
#include "paths/PathRules.h"
#include "paths/SaveFileNames.h"
#include "platform/FileCallSeam.h"
#include "platform/SaveSteps.h"

extern char **environ;

namespace locmap50::platform {
namespace {

// A given name may use "\" where the OS wants "/"; a name the system gave
// back is its own bytes already, and a "\" in it belongs to a name.
std::string toOsPath(const FileName &path) {
    return path.isSystemName() ? path.text() : paths::toForwardSlashes(path.text());
}

// ---- the file calls, each through the seam (FileCallSeam.h) -------------------

// A call the seam fails sets errno and returns what the OS's failing call would.
template <typename Returned, typename Call>
Returned throughSeam(FileCall kind, Returned failed, Call call) {
    if (const int error = injectedError(kind)) {
        errno = error;
        return failed;
    }
    return call();
}

int osOpen(const char *path, int flags, mode_t mode = 0) {
    return throughSeam(FileCall::Open, -1, [&] { return ::open(path, flags, mode); });
}
DIR *osOpenDirectory(const char *path) {
    return throughSeam(FileCall::Open, static_cast<DIR *>(nullptr), [&] { return ::opendir(path); });
}
ssize_t osRead(int fd, void *bytes, std::size_t size) {
    return throughSeam(FileCall::Read, ssize_t(-1), [&] { return ::read(fd, bytes, size); });
}
// A write may be cut short, or fail as on a full disk, by the seam's plan.
ssize_t osWrite(int fd, const void *bytes, std::size_t size) {
    return throughSeam(FileCall::Write, ssize_t(-1), [&] {
        const std::size_t allowed = writableBytes(size);
        if (allowed == 0 && size != 0) {
            errno = ENOSPC;
            return ssize_t(-1);
        }
        return ::write(fd, bytes, allowed);
    });
}
int osSync(int fd) {
    return throughSeam(FileCall::Sync, -1, [&] { return ::fsync(fd); });
}
int osRename(const char *from, const char *to) {
    return throughSeam(FileCall::Rename, -1, [&] { return ::rename(from, to); });
}
int osLinkAt(int fromDirectory, const char *from, int toDirectory, const char *to, int flags) {
    return throughSeam(FileCall::Rename, -1, [&] { return ::linkat(fromDirectory, from, toDirectory, to, flags); });
}
int osStat(const char *path, struct stat *status) {
    return throughSeam(FileCall::Stat, -1, [&] { return ::stat(path, status); });
}
int osLstat(const char *path, struct stat *status) {
    return throughSeam(FileCall::Stat, -1, [&] { return ::lstat(path, status); });
}
int osFstat(int fd, struct stat *status) {
    return throughSeam(FileCall::Stat, -1, [&] { return ::fstat(fd, status); });
}
int osAccess(const char *path, int mode) {
    return throughSeam(FileCall::Stat, -1, [&] { return ::access(path, mode); });
}
int osAccessAt(int directory, const char *path, int mode, int flags) {
    return throughSeam(FileCall::Stat, -1, [&] { return ::faccessat(directory, path, mode, flags); });
}
char *osRealPath(const char *path, char *resolved) {
    return throughSeam(FileCall::Stat, static_cast<char *>(nullptr), [&] { return ::realpath(path, resolved); });
}
int osLock(int fd, int operation) {
    return throughSeam(FileCall::Lock, -1, [&] { return ::flock(fd, operation); });
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
        fd = osOpen(osPath.c_str(), access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
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
    if (osFstat(fd, &status) != 0) return lastFailure();
    return regularFileStatus(status);
}

// Every byte of an open file, read to its end.
Result<std::string> readToEnd(int fd) {
    std::string bytes;
    std::vector<char> chunk(64 * 1024);
    for (;;) {
        const ssize_t got = osRead(fd, chunk.data(), chunk.size());
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
        const ssize_t written = osWrite(fd, text.data() + done, text.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            return lastFailureOr(Failure::WriteError);
        }
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
    char *resolved = osRealPath(osPath.c_str(), nullptr);
    if (resolved == nullptr) return lastFailure();
    std::string path(resolved);
    std::free(resolved);
    return path;
}

// What open() and opendir() take for a directory part ("" is the current one).
std::string openableDirectory(const std::string &directory) {
    return directory.empty() ? "." : directory;
}

// ---- what a replacement keeps of the file it replaces -------------------------

// A save that would drop what of the replaced file, and so writes nothing.
Status wouldLose(std::string what) {
    return Status(Failure::WouldLosePermissions, std::move(what));
}

// The replaced file's owner, which only a process that may give files away
// (root) can set when it is not the saver, and its group, which a member of
// it may give.
Status takeOverOwnerAndGroup(int fd, const struct stat &old) {
    if (old.st_uid != ::geteuid() && ::fchown(fd, old.st_uid, old.st_gid) != 0) return wouldLose("owner");
    if (old.st_gid != ::getegid()) (void)::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    struct stat now;
    if (osFstat(fd, &now) != 0) return lastFailure();
    if (now.st_uid != old.st_uid) return wouldLose("owner");
    return now.st_gid == old.st_gid ? Status::success() : wouldLose("group");
}

// The bytes a list or get call of <sys/xattr.h> gives, asked for by size
// first and again while they grow between the calls; false with errno set
// when the call fails.
template <typename Call>
bool attributeBytes(Call call, std::string &bytes) {
    for (;;) {
        const ssize_t size = call(nullptr, 0);
        if (size < 0) return false;
        bytes.assign(static_cast<std::size_t>(size), '\0');
        const ssize_t got = call(bytes.data(), bytes.size());
        if (got >= 0) {
            bytes.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE) return false;
    }
}

// The names in a list of listxattr; a file system without extended
// attributes (ENOTSUP) has none.
template <typename List>
Result<std::vector<std::string>> attributeNames(List list) {
    std::string bytes;
    if (!attributeBytes(list, bytes)) {
        if (errno == ENOTSUP) return std::vector<std::string>();
        return lastFailure();
    }
    std::vector<std::string> names;
    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t end = bytes.find('\0', start);
        names.push_back(bytes.substr(start, end - start));
        start = end == std::string::npos ? bytes.size() : end + 1;
    }
    return names;
}

// POSIX ACLs are stored as these extended attributes.
bool isAccessList(const std::string &attribute) {
    return attribute.rfind("system.posix_acl_", 0) == 0;
}

std::string whatAttributeIs(const std::string &attribute) {
    return isAccessList(attribute) ? "access control list" : "extended attribute " + attribute;
}

// Gives the file open as fd exactly the extended attributes, ACLs among
// them, that the file at source has and the process can see (which for a
// user other than root leaves out "trusted.*"). Those it has already, such
// as a security label the system gave it, are left as they are; those it
// got without source having them, such as a folder's default ACL, go.
Status copyExtendedAttributes(const std::string &source, int fd) {
    Result<std::vector<std::string>> wanted =
        attributeNames([&](char *list, std::size_t size) { return ::listxattr(source.c_str(), list, size); });
    if (!wanted) return wanted.status();
    const Result<std::vector<std::string>> present =
        attributeNames([&](char *list, std::size_t size) { return ::flistxattr(fd, list, size); });
    if (!present) return present.status();
    for (const std::string &name : *present) {
        const bool unwanted = std::find(wanted->begin(), wanted->end(), name) == wanted->end();
        if (unwanted && ::fremovexattr(fd, name.c_str()) != 0 && errno != ENODATA)
            return wouldLose(whatAttributeIs(name));
    }
    // The access list last: it may take away the owner's right to set the others.
    std::stable_partition(wanted->begin(), wanted->end(), [](const std::string &name) { return !isAccessList(name); });
    for (const std::string &name : *wanted) {
        std::string value;
        std::string current;
        const auto readSource = [&](void *bytes, std::size_t size) {
            return ::getxattr(source.c_str(), name.c_str(), bytes, size);
        };
        const auto readCopy = [&](void *bytes, std::size_t size) { return ::fgetxattr(fd, name.c_str(), bytes, size); };
        if (!attributeBytes(readSource, value)) {
            if (errno == ENODATA) continue;  // gone since the list
            return wouldLose(whatAttributeIs(name));
        }
        if (attributeBytes(readCopy, current) && current == value) continue;
        if (::fsetxattr(fd, name.c_str(), value.data(), value.size(), 0) != 0) return wouldLose(whatAttributeIs(name));
    }
    return Status::success();
}

}  // namespace

// ---- the steps of a save (SaveSteps.h) ----------------------------------------

namespace detail {

Result<TargetKind> kindOfSaveTarget(const FileName &path) {
    const std::string osPath = toOsPath(path);
    struct stat status;
    if (osStat(osPath.c_str(), &status) != 0) {
        if (errno != ENOENT) return lastFailure();
        // A link to nothing (such as /dev/stdout with its descriptor closed)
        // is no place for a new file: the rename would replace the link.
        if (osLstat(osPath.c_str(), &status) == 0) return Failure::NotRegularFile;
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
    if (osFstat(target.get(), &status) != 0) return lastFailure();
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
    if (osStat(target.c_str(), &status) != 0) return errno == ENOENT ? Result<bool>(false) : Result<bool>(lastFailure());
    if (const Status regular = regularFileStatus(status); !regular) return regular.failure();
    return true;
}

Status keepsOwner(const std::string &target) {
    struct stat status;
    if (osStat(target.c_str(), &status) != 0) return lastFailure();
    // Root may give the replacement back; anyone else would become its owner.
    return status.st_uid == ::geteuid() || ::geteuid() == 0 ? Status::success() : wouldLose("owner");
}

Status mayWrite(const std::string &target) {
    if (::geteuid() == 0) {
        // Root passes every access check, so the mode bits are its only guard.
        struct stat status;
        if (osStat(target.c_str(), &status) != 0) return lastFailure();
        return (status.st_mode & 0222) != 0 ? Status::success() : Status(Failure::PermissionDenied);
    }
    if (osAccessAt(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0) return Status::success();
    return errno == EACCES || errno == EROFS || errno == EPERM ? Status(Failure::PermissionDenied) : lastFailure();
}

Status mayCreateIn(const std::string &directory) {
    if (::geteuid() == 0) return Status::success();
    if (osAccessAt(AT_FDCWD, openableDirectory(directory).c_str(), W_OK | X_OK, AT_EACCESS) == 0)
        return Status::success();
    return errno == EACCES || errno == EROFS || errno == EPERM ? Status(Failure::PermissionDenied) : lastFailure();
}

std::vector<std::string> namesInDirectory(const std::string &directory) {
    std::vector<std::string> names;
    DIR *listing = osOpenDirectory(openableDirectory(directory).c_str());
    if (listing == nullptr) return names;
    while (const struct dirent *entry = ::readdir(listing)) names.emplace_back(entry->d_name);
    ::closedir(listing);
    return names;
}

void removeOwnLeftover(const std::string &path) {
    struct stat status;
    if (osLstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && status.st_nlink == 1 &&
        status.st_uid == ::geteuid())
        ::unlink(path.c_str());
}

void syncDirectory(const std::string &directory) {
    Descriptor opened(osOpen(openableDirectory(directory).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (opened.isOpen()) (void)osSync(opened.get());
}

// An exclusive flock() on the lock file. The OS drops the lock when its
// holder dies, so a crashed save never blocks later ones. A save that made
// the lock file removes it again while it still holds the lock; a waiter
// that wins a lock file so removed starts again on the next one, which is
// how saves of older versions of the library, that remove the lock file
// whoever made it, are still kept out. A lock file made here takes the
// map's permission bits and group, so that a lock left by a killed save
// never keeps out another user who may write the map.
struct SaveLockFile::Native {
    std::string target;
    std::string path;
    Descriptor file;       // the lock file as last opened
    bool created = false;  // by this save: it goes again with the lock
    bool held = false;
    Status failure;
};

namespace {

// Whether path still names the file open as fd (false: it names nothing or
// another file); fails when that cannot be seen.
Result<bool> stillNamesOpenFile(const std::string &path, int fd) {
    struct stat named;
    struct stat open;
    if (osLstat(path.c_str(), &named) != 0) return errno == ENOENT ? Result<bool>(false) : Result<bool>(lastFailure());
    if (osFstat(fd, &open) != 0) return lastFailure();
    return named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

bool namesOpenFile(const std::string &path, int fd) {
    return stillNamesOpenFile(path, fd).value_or(false);
}

// Gives a new lock file the map's read and write bits, and its owner and
// group where the saver may give them (root both, a member of the map's
// group that group). A group the saver may not give stays the one the file
// got (the saver's, or a set-group-ID folder's) with the map's bits; whoever
// that keeps out is told the lock file's name and owner.
void giveMapsAccess(int fd, const struct stat &map) {
    struct stat lock;
    if (osFstat(fd, &lock) == 0 && (lock.st_uid != map.st_uid || lock.st_gid != map.st_gid) &&
        ::fchown(fd, map.st_uid, map.st_gid) != 0 && lock.st_gid != map.st_gid)
        (void)::fchown(fd, static_cast<uid_t>(-1), map.st_gid);
    (void)::fchmod(fd, map.st_mode & 0666);
}

// A new lock file at path, open read-write, that no other process could open
// before it had the map's access (for a map not made yet, what creat() gives
// it): on Linux an unnamed file, set up and then linked in; elsewhere made
// and set up at once. -1 with errno set (EEXIST: one stands there).
int createLockFile(const std::string &path, const std::string &target) {
    struct stat map;
    const bool mapExists = osStat(target.c_str(), &map) == 0;
    const mode_t mode = mapExists ? 0600 : 0666;
#ifdef O_TMPFILE
    const std::string directory = openableDirectory(paths::splitDirectoryAndBase(path).directory);
    if (Descriptor unnamed(osOpen(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode)); unnamed.isOpen()) {
        if (mapExists) giveMapsAccess(unnamed.get(), map);
        const std::string self = "/proc/self/fd/" + std::to_string(unnamed.get());
        if (osLinkAt(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) return unnamed.release();
        if (errno == EEXIST) {
            unnamed.close();
            errno = EEXIST;
            return -1;
        }
        // Without /proc, or where the file system refuses the link: made by name.
    }
#endif
    const int fd = osOpen(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0 && mapExists) giveMapsAccess(fd, map);
    return fd;
}

// The lock file at path opened read-write, or read-only where that is all
// this user may do (flock takes either).
int openExistingLockFile(const std::string &path) {
    const int fd = openWithoutBlocking(path, O_RDWR | O_NOFOLLOW);
    if (fd >= 0 || (errno != EACCES && errno != EPERM && errno != EROFS)) return fd;
    return openWithoutBlocking(path, O_RDONLY | O_NOFOLLOW);
}

enum class LockFileOpened { Yes, Vanished, Failed };

// Opens the save lock of target at path: a new one made here (created), or
// else the regular file that stands there; anything else (a FIFO, a folder, a
// device, a link) fails at once and is not opened at all. Vanished: the file
// went between two looks, so there is nothing to report yet. A lock file
// that stands there and cannot be opened fails with its name as detail.
LockFileOpened openLockFile(const std::string &path, const std::string &target, Descriptor &file, bool &created,
                            Status &failure) {
    file.adopt(createLockFile(path, target));
    created = file.isOpen();
    if (created) return LockFileOpened::Yes;
    if (errno == EINTR) return LockFileOpened::Vanished;
    if (errno != EEXIST) {
        failure = lastFailure();
        return LockFileOpened::Failed;
    }
    const Status notRegular(Failure::NotRegularFile, path);
    struct stat found;
    if (osLstat(path.c_str(), &found) != 0) {
        if (errno == ENOENT) return LockFileOpened::Vanished;
        failure = Status(lastFailure(), path);
        return LockFileOpened::Failed;
    }
    if (!S_ISREG(found.st_mode)) {
        failure = notRegular;
        return LockFileOpened::Failed;
    }
    file.adopt(openExistingLockFile(path));
    if (!file.isOpen()) {
        if (errno == ENOENT) return LockFileOpened::Vanished;
        failure = errno == ELOOP ? notRegular : Status(lastFailure(), path);
        return LockFileOpened::Failed;
    }
    if (!regularFileStatus(file.get())) {  // swapped since the look
        failure = notRegular;
        return LockFileOpened::Failed;
    }
    return LockFileOpened::Yes;
}

}  // namespace

SaveLockFile::SaveLockFile(const std::string &target) : m_native(new Native) {
    m_native->target = target;
    m_native->path = paths::saveLockNameOf(target);
}

SaveLockFile::~SaveLockFile() {
    Native &lock = *m_native;
    if (!lock.created || !lock.file.isOpen()) return;
    // Removed only under the lock, so that no one else locks a file on its
    // way out; closing the file then lets the lock go. A lock held since
    // tryToTake saw its name still names it: no save removes a lock file
    // whose lock it does not hold.
    const int fd = lock.file.get();
    if (lock.held || (osLock(fd, LOCK_EX | LOCK_NB) == 0 && namesOpenFile(lock.path, fd)))
        ::unlink(lock.path.c_str());
}

SaveLockFile::Attempt SaveLockFile::tryToTake() {
    Native &lock = *m_native;
    if (!lock.file.isOpen()) {
        switch (openLockFile(lock.path, lock.target, lock.file, lock.created, lock.failure)) {
        case LockFileOpened::Yes: break;
        case LockFileOpened::Vanished: return Attempt::Busy;
        case LockFileOpened::Failed: return Attempt::Failed;
        }
    }
    // A file this save made stays open while it waits, so that it is still
    // known as its own when its turn comes.
    if (osLock(lock.file.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK || errno == EINTR) return Attempt::Busy;
        // NFS emulates flock with fcntl locks, which a read-only descriptor cannot take.
        lock.failure = Status(errno == EBADF ? Failure::PermissionDenied : lastFailure(), lock.path);
        return Attempt::Failed;
    }
    const Result<bool> stillNamed = stillNamesOpenFile(lock.path, lock.file.get());
    if (!stillNamed) {
        // Whose lock this is cannot be told; a lock file made here goes again.
        lock.failure = Status(stillNamed.failure(), lock.path);
        return Attempt::Failed;
    }
    if (!*stillNamed) {
        // The holder before removed it: lock the one that stands there now.
        lock.file.close();
        lock.created = false;
        return Attempt::Busy;
    }
    lock.held = true;
    return Attempt::Taken;
}

Status SaveLockFile::failure() const {
    return m_native->failure;
}

// The new file ".<base>.locmap50-XXXXXXXX.tmp" beside target, made with an
// exclusive create so that no file of someone else's is ever taken over.
struct TemporaryFile::Native {
    Descriptor file;
    std::string path;
    Failure creationFailure = Failure::None;
    bool committed = false;
};

TemporaryFile::TemporaryFile(const std::string &target, bool targetExists) : m_native(new Native) {
    // A new file is made as creat() makes it: the umask and the folder's
    // default ACL decide. One that replaces a file stays private until it has
    // what that file has.
    const mode_t mode = targetExists ? 0600 : 0666;
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        const std::string name = newTemporaryPathFor(target);
        m_native->file.adopt(osOpen(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (m_native->file.isOpen()) {
            m_native->path = name;
            return;
        }
        m_native->creationFailure = lastFailure();
        if (errno != EEXIST) return;
    }
}

TemporaryFile::~TemporaryFile() {
    if (!m_native->path.empty() && !m_native->committed) ::unlink(m_native->path.c_str());
}

Status TemporaryFile::created() const {
    return m_native->creationFailure;
}

Status TemporaryFile::write(const std::string &bytes) {
    return writeAll(m_native->file.get(), bytes);
}

Status TemporaryFile::keepPermissionsOf(const std::string &target, bool targetExists) {
    if (!targetExists) return Status::success();
    const int fd = m_native->file.get();
    struct stat old;
    if (osStat(target.c_str(), &old) != 0) return lastFailure();
    // The other names would go on naming the old file, and its old text.
    if (old.st_nlink > 1) return wouldLose("hard links");
    if (const Status owned = takeOverOwnerAndGroup(fd, old); !owned) return owned;
    if (const Status copied = copyExtendedAttributes(target, fd); !copied) return copied;
    // Last: fchown clears set-id bits, and over an access list the mode sets
    // its owner, mask and other entries, which are the old file's, as its
    // mode says them.
    if (::fchmod(fd, old.st_mode & 07777) != 0) return lastFailure();
    struct stat now;
    if (osFstat(fd, &now) != 0) return lastFailure();
    return (now.st_mode & 07777) == (old.st_mode & 07777) ? Status::success() : wouldLose("mode");
}

Status TemporaryFile::flushToDisk() {
    return osSync(m_native->file.get()) == 0 ? Status::success() : Status(lastFailureOr(Failure::WriteError));
}

Status TemporaryFile::close() {
    return m_native->file.close() ? Status::success() : Status(lastFailureOr(Failure::WriteError));
}

Status TemporaryFile::moveOnto(const std::string &target, bool) {
    if (osRename(m_native->path.c_str(), target.c_str()) != 0) return lastFailure();
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
    if (osStat(osPath.c_str(), &status) != 0) return lastFailure();
    if (const Status regular = regularFileStatus(status); !regular) return regular;
    return osAccess(osPath.c_str(), R_OK) == 0 ? Status::success() : Status(lastFailure());
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

namespace {

// The name of user id, or its number where the user database has none.
std::string userNameOf(uid_t id) {
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 1024);
    struct passwd entry;
    struct passwd *found = nullptr;
    int error;
    while ((error = ::getpwuid_r(id, &entry, buffer.data(), buffer.size(), &found)) == ERANGE)
        buffer.resize(buffer.size() * 2);
    return error == 0 && found != nullptr ? std::string(found->pw_name) : std::to_string(id);
}

bool groupOrOthersMayWrite(const struct stat &status) {
    return (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

// Whether other users may put another file in the place of the one that
// fileName names, through the folder holding it.
bool othersMayReplace(const std::string &fileName) {
    const std::size_t slash = fileName.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : fileName.substr(0, slash);
    struct stat status;
    return osStat(folder.c_str(), &status) == 0 && groupOrOthersMayWrite(status) && (status.st_mode & S_ISVTX) == 0;
}

}  // namespace

Result<FileControl> fileControl(const FileName &path) {
    const std::string osPath = toOsPath(path);
    struct stat status;
    if (osStat(osPath.c_str(), &status) != 0) return lastFailure();
    FileControl control;
    control.ownedByOther = status.st_uid != ::geteuid() && status.st_uid != 0;
    control.owner = userNameOf(status.st_uid);
    const Result<std::string> real = realPathOf(osPath);
    control.othersMayWrite = groupOrOthersMayWrite(status) || othersMayReplace(osPath) ||
                             (real && othersMayReplace(*real));
    return control;
}

Result<std::string> fileIdentity(const FileName &path) {
    struct stat status;
    if (osStat(toOsPath(path).c_str(), &status) != 0) return lastFailure();
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

Result<std::string> absoluteSpelling(const FileName &path) {
    if (path.text().empty()) return Failure::NotFound;
    std::string name = toOsPath(path);
    if (name.front() != '/') {
        const Result<std::string> here = currentDirectory();
        if (!here) return here.failure();
        name = *here + "/" + name;
    }
    std::string spelled;
    std::size_t start = 0;
    while (start < name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos) end = name.size();
        const std::string_view part(name.data() + start, end - start);
        if (!part.empty() && part != ".") (spelled += '/') += part;
        start = end + 1;
    }
    return spelled.empty() ? std::string("/") : spelled;
}

}  // namespace locmap50::platform
