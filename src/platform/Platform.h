// SPDX-License-Identifier: Apache-2.0
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
// exactly one is built. Every file name given here is a FileName, which says
// whether the OS takes it converted or as it is.
namespace locmap50::platform {

// A file name and the form it is in. A name that a caller, a map file or the
// environment gave is in the library's form, "\" and "/" alike: on POSIX each
// "\" becomes "/" before the OS sees it. A name the system gave back (what
// absolutePath resolved) is the system's own bytes and reaches the OS
// unchanged: on POSIX a "\" in it is part of a folder's or a file's name, and
// converting it would name another file. On Windows the two forms are one.
// A plain string stands for a given name.
class FileName {
public:
    FileName(std::string given) : m_text(std::move(given)) {}
    FileName(const char *given) : m_text(given) {}
    static FileName ofSystem(std::string systemName) {
        FileName name(std::move(systemName));
        name.m_isSystemName = true;
        return name;
    }

    const std::string &text() const { return m_text; }
    bool isSystemName() const { return m_isSystemName; }

private:
    std::string m_text;
    bool m_isSystemName = false;
};

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
// succeeded, otherwise failure() says why, and detail() what exactly it
// concerns where the failure has more to say (for WouldLosePermissions, what
// would be lost); "" otherwise.
class Status {
public:
    Status() = default;  // success
    Status(Failure failure) : m_failure(failure) {}
    Status(Failure failure, std::string detail) : m_failure(failure), m_detail(std::move(detail)) {}
    static Status success() { return Status(); }

    explicit operator bool() const { return m_failure == Failure::None; }
    Failure failure() const { return m_failure; }
    const std::string &detail() const { return m_detail; }

private:
    Failure m_failure = Failure::None;
    std::string m_detail;
};

// A value, or the reason why there is none. Used as the std::optional it is
// (test it, "*", "->", value_or, or copy it into an optional), plus failure()
// and, through status(), the failure's detail.
template <typename T>
class Result : public std::optional<T> {
public:
    Result(T value) : std::optional<T>(std::move(value)) {}
    // Failure::None is no reason: it counts as Other.
    Result(Failure failure) : Result(Status(failure)) {}
    Result(Status status) : m_status(status ? Status(Failure::Other) : std::move(status)) {}

    Failure failure() const { return this->has_value() ? Failure::None : m_status.failure(); }
    Status status() const { return this->has_value() ? Status::success() : m_status; }

private:
    Status m_status;
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
// "NAME=value" texts up to a null pointer; null when the process has none
// (on Windows: neither a narrow table nor a wide one to build it from).
// Read it only through platform/Environment.h, which holds the rules for its
// entries.
const char *const *runtimeEnvironmentTable();

// Puts "NAME=value" into the process environment; "NAME=" removes NAME.
// Returns 0 on success, -1 on failure (no "=", or the OS refused).
int putEnvironmentEntry(const std::string &entry);

// Whether path names a regular file (after following links) that the
// process may read. Directories, devices, pipes and sockets are no map files;
// the test never blocks.
Status canRead(const FileName &path);

// The whole content of the regular file at path, as bytes; the file is closed
// again before this returns, so reading holds no handle. Fails when path
// names no regular file, cannot be opened, or a read fails part-way. Opening
// never blocks, whatever path names.
Result<std::string> readRegularFile(const FileName &path);

// The system's name for the file path names: absolute, with every link
// resolved on POSIX (a real path, in the system's bytes), in backslash form
// on Windows. Reading, locking and writing the file under this name reach
// that very file; fails when path cannot be resolved.
Result<FileName> absolutePath(const FileName &path);

// A fingerprint of a file's content: its length and a 64-bit hash of its bytes.
struct ContentStamp {
    std::uint64_t size = 0;
    std::uint64_t hash = 0;
};
bool operator==(const ContentStamp &left, const ContentStamp &right);
bool operator!=(const ContentStamp &left, const ContentStamp &right);
ContentStamp stampOf(const std::string &bytes);

// The current directory as the platform names it ("C:\\w", "/tmp/w"),
// whatever its length, in the system's bytes: a "\" in a POSIX folder's name
// stays. Fails when it cannot be obtained.
Result<std::string> currentDirectory();

// What goes in front of a name beginning with "\" to make it absolute on the
// current drive: "C:" for drive C, "\\server\share" under a UNC current
// directory, and the empty text where there are no drives (POSIX).
std::string currentDriveRoot();

// Who controls a file: whether its owner is another user than the process's
// (and, on POSIX, than root), that owner's name (its number or SID where the
// system knows no name), and whether a group or other write bit lets other
// users write the file or replace it through its folder (POSIX: the folder of
// the name given and of the file it resolves to; a sticky folder lets no one
// replace another's file; Windows: not examined).
struct FileControl {
    bool ownedByOther = false;
    std::string owner;
    bool othersMayWrite = false;
};
Result<FileControl> fileControl(const FileName &path);

// A name for the file path resolves to, the same for every spelling of one
// file (so "a.map", ".\a.map" and a link to it agree); fails when the file
// cannot be resolved. One stat on POSIX, one open and one query on Windows.
Result<std::string> fileIdentity(const FileName &path);

// path made absolute as it is spelled, looking at no file: the current
// directory goes before a relative name; on POSIX "." parts and repeated "/"
// go (".." stays, as a link may stand before it), on Windows the system
// makes the full name, as absolutePath does. Two names spelled alike here
// name one file; names spelled differently may too (links, "..", case).
Result<std::string> absoluteSpelling(const FileName &path);

// Writes text (with "\n" line ends; the platform's text line end is written)
// to path, as the kind of thing path names asks:
// - a regular file, or nothing yet: the text goes to a new hidden temporary
//   file beside path (made with an exclusive create), which replaces path
//   only once every byte is written and flushed; the file is never written
//   in place. The replacement keeps the old file's owner, group, mode, ACLs
//   and extended attributes; when any of these (the owner: the process is
//   neither the owner nor root), or a second hard link to the file, cannot
//   be kept, nothing is written (Failure::WouldLosePermissions, detail:
//   what). A new file gets what creat() would give it there. On
//   POSIX the directory is synced after the rename. On any failure the old
//   file is untouched and no temporary file is left behind. A file the
//   process may not write is never replaced (Failure::PermissionDenied),
//   whatever its folder allows: for root one without any write bit (on
//   Windows the read-only attribute), for anyone else what the system's
//   access check for the effective user says. Replacements of one file are
//   serialised across processes by a save lock, the file "<path>.save-lock",
//   which a save removes again only when it created it; a lock path that is
//   no regular file fails the save at once (Failure::NotRegularFile, detail:
//   the lock file's name), and so does one that stands there and cannot be
//   opened or locked (detail: the lock file's name). A lock file made here
//   has the file's permission bits, and its owner and group where the
//   process may give them. Temporary files that a crashed save of this
//   user's left beside path are removed, and no other file is.
// - a character device or a pipe (Windows: a reserved device name such as
//   NUL or COM1, or a "\\.\" path): written in place, as opening it for
//   writing would; a pipe with no reader fails at once, it is never waited for.
// - a directory, a socket or a block device: fails, nothing is written.
// Fails when nothing (or not everything) was written; a save that waited for
// the lock all the time allowed fails with Failure::LockTimedOut (detail: the
// lock file's name).
Status replaceFileWithText(const FileName &path, const std::string &text);

// As replaceFileWithText for a regular file, but only while that file still
// holds the content stamped `expected` (what this process read from it): the
// check and the replacement happen under the save lock, so a change another
// process made after this one read the file is never overwritten. Returns the
// stamp of the bytes written; fails, writing nothing, when the file changed
// (Failure::ChangedSinceRead), vanished (Failure::NotFound), is no regular
// file, or writing failed.
Result<ContentStamp> replaceFileIfUnchanged(const FileName &path, const std::string &text,
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
Result<std::optional<ContentStamp>> editFileIfUnchanged(const FileName &path, const ContentStamp &expected,
                                                        const ContentEdit &edit);

// Whether a save could replace (or create) the file at path now, as far as
// can be known without writing: what stands there may be written over, the
// process may write the file and make files in its folder, and the
// replacement keeps the file's owner. The lock, the disk and the rules that
// only the written copy shows (access control lists, hard links) are not
// tried.
Status checkReplaceable(const FileName &path);

// The line end a new text file gets here: "\r\n" on Windows, "\n" elsewhere.
const char *textLineEnd();
// The bytes a save writes for text: each "\n" a textLineEnd().
std::string withTextLineEnds(const std::string &text);

// Writes text to the standard output stream and flushes it.
Status writeStandardOutput(const std::string &text);

}  // namespace locmap50::platform

#endif  // LOCMAP50_PLATFORM_PLATFORM_H
