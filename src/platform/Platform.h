// The operating-system services the library uses; the only door to the OS.
#ifndef LOCMAP50_PLATFORM_PLATFORM_H
#define LOCMAP50_PLATFORM_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// One implementation per platform (PlatformPosix.cpp, PlatformWindows.cpp);
// exactly one is built. Paths given here use the library's backslash form;
// the POSIX implementation turns each "\" into "/" before the OS sees it.
namespace locmap50::platform {

// Why a service failed, mapped from errno on POSIX and from GetLastError on
// Windows, or decided by the service itself (a lock that never came free, a
// file that changed since it was read).
enum class Failure {
    None,
    PermissionDenied,  // also a read-only file system
    NotFound,          // the file, or a directory on its way
    IsDirectory,
    NotRegularFile,    // a device, pipe, socket or link to nothing where a file must be
    NameTooLong,
    NoSpace,           // the disk or the user's quota is full
    LockTimedOut,      // another save of the file held its lock all the time allowed
    ChangedSinceRead,  // another process changed the file after it was read
    WouldNotReadBack,  // the bytes to be written would not read back as meant
    WouldLosePermissions,  // a replacement could not keep a group, ACL, attribute or hard link
    ReadError,
    WriteError,
    Other,
};

// The outcome of a service that returns nothing else: true when it
// succeeded, otherwise failure() says why.
class Status {
public:
    Status() = default;  // success
    Status(Failure failure) : m_failure(failure) {}
    static Status success() { return Status(); }

    explicit operator bool() const { return m_failure == Failure::None; }
    Failure failure() const { return m_failure; }

private:
    Failure m_failure = Failure::None;
};

// A value, or the reason why there is none. Used as the std::optional it is
// (test it, "*", "->", value_or, or copy it into an optional), plus failure().
template <typename T>
class Result : public std::optional<T> {
public:
    Result(T value) : std::optional<T>(std::move(value)) {}
    // Failure::None is no reason: it counts as Other.
    Result(Failure failure) : m_failure(failure == Failure::None ? Failure::Other : failure) {}
    Result(Status status) : Result(status.failure()) {}

    Failure failure() const { return this->has_value() ? Failure::None : m_failure; }
    Status status() const { return Status(failure()); }

private:
    Failure m_failure = Failure::None;
};

// Two results compare as the optionals they are (two failures are equal);
// without these, the optional comparisons would find two empty ones unequal.
template <typename T>
bool operator==(const Result<T> &left, const Result<T> &right) {
    return static_cast<const std::optional<T> &>(left) == static_cast<const std::optional<T> &>(right);
}
template <typename T>
bool operator!=(const Result<T> &left, const Result<T> &right) {
    return !(left == right);
}

// The runtime's environment table (the one getenv reads and putenv changes):
// "NAME=value" texts up to a null pointer; null when the process has none.
// Read it only through platform/Environment.h, which holds the rules for its
// entries.
const char *const *runtimeEnvironmentTable();

// Puts "NAME=value" into the process environment; "NAME=" removes NAME.
// Returns 0 on success, -1 on failure (no "=", or the OS refused).
int putEnvironmentEntry(const std::string &entry);

// Whether path names a regular file (after following links) that the
// process may read. Directories, devices, pipes and sockets are no map files;
// the test never blocks.
Status canRead(const std::string &path);

// The whole content of the regular file at path, as bytes; the file is closed
// again before this returns, so reading holds no handle. Fails when path
// names no regular file, cannot be opened, or a read fails part-way. Opening
// never blocks, whatever path names.
Result<std::string> readRegularFile(const std::string &path);

// The absolute form of path in backslash form (links resolved where the
// platform has them); fails when path cannot be resolved.
Result<std::string> absolutePath(const std::string &path);

// A fingerprint of a file's content: its length and a 64-bit hash of its bytes.
struct ContentStamp {
    std::uint64_t size = 0;
    std::uint64_t hash = 0;
};
bool operator==(const ContentStamp &left, const ContentStamp &right);
bool operator!=(const ContentStamp &left, const ContentStamp &right);
ContentStamp stampOf(const std::string &bytes);

// The current directory as the platform names it ("C:\\w", "/tmp/w"),
// whatever its length; fails when it cannot be obtained.
Result<std::string> currentDirectory();

// What goes in front of a name beginning with "\" to make it absolute on the
// current drive: "C:" for drive C, "\\server\share" under a UNC current
// directory, and the empty text where there are no drives (POSIX).
std::string currentDriveRoot();

// A name for the file path resolves to, the same for every spelling of one
// file (so "a.map", ".\a.map" and a link to it agree); fails when the file
// cannot be resolved.
Result<std::string> fileIdentity(const std::string &path);

// Writes text (with "\n" line ends; the platform's text line end is written)
// to path, as the kind of thing path names asks:
// - a regular file, or nothing yet: the text goes to a new temporary file
//   beside path, which replaces path only once every byte is written and
//   flushed; the replacement keeps the old file's owner and permission bits
//   where the process may set them, and on POSIX the directory is synced
//   after the rename. On any failure the old file is untouched and no
//   temporary file is left behind. A file the process may not write is
//   never replaced (Failure::PermissionDenied), whatever its folder allows:
//   for root one without any write bit (on Windows the read-only
//   attribute), for anyone else what the system's access check for the
//   effective user says. Replacements of one file are serialised
//   across processes by a save lock (see replaceFileIfUnchanged), and
//   temporary files that a crashed save left beside path are removed.
// - a character device or a pipe (Windows: a reserved device name such as
//   NUL or COM1, or a "\\.\" path): written in place, as opening it for
//   writing would; a pipe with no reader fails at once, it is never waited for.
// - a directory, a socket or a block device: fails, nothing is written.
// Fails when nothing (or not everything) was written; a save that waited for
// the lock all the time allowed fails with Failure::LockTimedOut.
Status replaceFileWithText(const std::string &path, const std::string &text);

// As replaceFileWithText for a regular file, but only while that file still
// holds the content stamped `expected` (what this process read from it): the
// check and the replacement happen under the save lock, so a change another
// process made after this one read the file is never overwritten. Returns the
// stamp of the bytes written; fails, writing nothing, when the file changed
// (Failure::ChangedSinceRead), vanished (Failure::NotFound), is no regular
// file, or writing failed.
Result<ContentStamp> replaceFileIfUnchanged(const std::string &path, const std::string &text,
                                            const ContentStamp &expected);

// What a layout-keeping save writes in place of a file's bytes, given the
// bytes the file holds now: no value when nothing is to change, or a failure
// when what it would write must not be written.
using ContentEdit = std::function<Result<std::optional<std::string>>(const std::string &current)>;

// Under the save lock of the regular file at path: reads it, which must still
// hold the content stamped `expected`, asks edit for its new bytes and, when
// there are any, replaces the file with them as they are (line ends
// included), with every guarantee of replaceFileIfUnchanged. Returns the
// stamp of the bytes written, or no stamp when edit changed nothing and the
// file was left alone (not even touched); edit's failure leaves it alone too.
Result<std::optional<ContentStamp>> editFileIfUnchanged(const std::string &path, const ContentStamp &expected,
                                                        const ContentEdit &edit);

// The line end a new text file gets here: "\r\n" on Windows, "\n" elsewhere.
const char *textLineEnd();

// Writes text to the standard output stream and flushes it.
Status writeStandardOutput(const std::string &text);

}  // namespace locmap50::platform

#endif  // LOCMAP50_PLATFORM_PLATFORM_H
