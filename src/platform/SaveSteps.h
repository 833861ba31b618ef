// SPDX-License-Identifier: Apache-2.0
// The steps of a save that each platform makes from its own system calls; SaveSequence.cpp puts them in order.
#ifndef LOCMAP50_PLATFORM_SAVESTEPS_H
#define LOCMAP50_PLATFORM_SAVESTEPS_H

#include <memory>
#include <string>
#include <vector>

#include "paths/SaveFileNames.h"
#include "platform/Platform.h"

// Defined once per platform, in PlatformPosix.cpp and PlatformWindows.cpp.
// "target" below is always a name that replacedFileOf gave.
namespace locmap50::platform::detail {

// What a save finds where it is to write.
enum class TargetKind { Missing, Regular, Stream };

// What path names now: nothing yet, a regular file, or a device or pipe
// that takes the text in place. Fails for what no save may write: a
// directory, a socket, a block device, a link to nothing.
Result<TargetKind> kindOfSaveTarget(const FileName &path);

// The file a save of path replaces, named as this platform's calls take it:
// on POSIX the file a symbolic link points to, in the system's bytes.
std::string replacedFileOf(const FileName &path);

// Writes text into the device or pipe that path names, as any program would;
// a pipe with no reader fails at once.
Status writeInPlace(const FileName &path, const std::string &text);

// text as a file holds it: "\r\n" line ends on Windows.
std::string withPlatformLineEnds(const std::string &text);

// Whether a regular file stands at target (false: nothing does); fails when
// something else does.
Result<bool> regularFileExists(const std::string &target);

// Whether a replacement of the existing regular file target keeps its owner
// as far as can be known before anything is written: on POSIX, the saver owns
// it or is root (Failure::WouldLosePermissions, detail "owner", otherwise);
// on Windows, where the replacement keeps the owner, always.
Status keepsOwner(const std::string &target);

// Whether the process may make files in directory (as namesInDirectory
// takes it), where a save makes its temporary and its lock: on POSIX the
// effective access check (root: always); on Windows, where only trying
// tells, always.
Status mayCreateIn(const std::string &directory);

// Whether the process may write the existing regular file target itself
// (being able to write its folder does not count): for root, some write bit
// is set (Windows: no read-only attribute); for others, the effective access
// check allows it.
Status mayWrite(const std::string &target);

// The names of the entries of directory ("" is the current one; otherwise it
// ends in a separator); empty when it cannot be listed.
std::vector<std::string> namesInDirectory(const std::string &directory);
// Removes path if it is a regular file with no other name, owned by the user
// the process saves as: what a save of this user's may have left. Anything
// else stays.
void removeOwnLeftover(const std::string &path);

// Makes the entries of directory (as namesInDirectory takes it) durable,
// where the platform needs it after a rename.
void syncDirectory(const std::string &directory);

// The lock file that serialises saves of one file. The lock, once taken, is
// held until the object goes, and the OS drops it if the process dies. The
// lock file is removed again only by the save that created it; one that was
// there before (a user's own file, or what a crashed save left) stays as it
// is. A lock path that is no regular file fails at once
// (Failure::NotRegularFile, with the lock file's name as detail): it is
// never waited on. A lock file that stands there and cannot be opened or
// locked fails with the lock file's name as detail. On POSIX a lock file
// made here takes the map's read and write bits, and its group where the
// saver may give it, before any other process can open it, so that every
// user who may write the map may lock it.
class SaveLockFile {
public:
    explicit SaveLockFile(const std::string &target);
    ~SaveLockFile();
    SaveLockFile(const SaveLockFile &) = delete;
    SaveLockFile &operator=(const SaveLockFile &) = delete;

    // One try: Busy while another holder has the lock (failure() then says
    // what kept it, for when the wait runs out), Failed when it cannot be had.
    enum class Attempt { Taken, Busy, Failed };
    Attempt tryToTake();
    Status failure() const;

private:
    struct Native;
    std::unique_ptr<Native> m_native;
};

// A fresh name of paths::temporaryPathOf for a temporary file beside target,
// and how many such names a save tries before it gives up. Defined in
// SaveSequence.cpp.
std::string newTemporaryPathFor(const std::string &target);
constexpr int kTemporaryNameAttempts = 100;

// A new file beside target that takes the text, made with an exclusive
// create under a name of paths::temporaryPathOf; removed again when the
// object goes, unless it was moved onto target.
class TemporaryFile {
public:
    // targetExists: a new file is made as creat() would make target (the
    // umask and the folder's default ACL decide); one that replaces target
    // starts private and gets target's permissions from keepPermissionsOf.
    TemporaryFile(const std::string &target, bool targetExists);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    Status created() const;
    Status write(const std::string &bytes);
    // Gives the written file what the replaced one has and the platform's
    // replacement would not keep by itself: on POSIX its owner where the
    // process may set it, its group, mode, ACLs and extended attributes. A
    // new file keeps what its creation gave it. Fails with
    // Failure::WouldLosePermissions (detail: what) when any of them, or
    // another hard link to target, cannot be kept; the caller then writes
    // nothing. Called after write, which would clear set-id bits and file
    // capabilities.
    Status keepPermissionsOf(const std::string &target, bool targetExists);
    Status flushToDisk();
    Status close();
    Status moveOnto(const std::string &target, bool targetExists);

private:
    struct Native;
    std::unique_ptr<Native> m_native;
};

}  // namespace locmap50::platform::detail

#endif  // LOCMAP50_PLATFORM_SAVESTEPS_H
