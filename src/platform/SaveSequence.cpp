// How a file is replaced by a save, written once: lock, check, clean up, write aside, flush, rename, sync.
#include <chrono>
#include <string>
#include <thread>

#include "paths/PathRules.h"
#include "paths/SaveFileNames.h"
#include "platform/Platform.h"
#include "platform/SaveSteps.h"
#include "platform/WriteFailureSimulation.h"

namespace locmap50::platform {
namespace {

using detail::SaveLockFile;
using detail::TargetKind;

// About ten seconds in all: long enough for any other save of a map file.
constexpr std::chrono::milliseconds kSaveLockPause(10);

Status takeSaveLock(SaveLockFile &lock) {
    for (int attempt = 0; attempt < detail::saveLockAttempts(); ++attempt) {
        switch (lock.tryToTake()) {
        case SaveLockFile::Attempt::Taken:
            return Status::success();
        case SaveLockFile::Attempt::Failed:
            return lock.failure();
        case SaveLockFile::Attempt::Busy:
            std::this_thread::sleep_for(kSaveLockPause);
            break;
        }
    }
    return lock.failure() == Failure::None ? Failure::LockTimedOut : lock.failure();
}

// Temporary files of saves of target that died before they could remove
// them. Only called under the save lock, when no save of the target by this
// library is under way.
void removeLeftoverTemporaries(const std::string &target) {
    const paths::DirectoryAndBase parts = paths::splitDirectoryAndBase(target);
    for (const std::string &name : detail::namesInDirectory(parts.directory))
        if (paths::isLeftoverTemporaryName(name, parts.base, detail::kTemporaryNameStyle))
            detail::removeRegularFile(parts.directory + name);
}

// Writes bytes to a new file beside target and puts it in target's place.
Status writeAsideAndMoveOnto(const std::string &target, const std::string &bytes, bool targetExists) {
    detail::TemporaryFile temporary(target);
    Status step = temporary.created();
    if (step) step = temporary.takeOverOwnerAndPermissionsOf(target, targetExists);
    if (step) step = temporary.write(bytes);
    if (step) step = temporary.flushToDisk();
    if (step) step = temporary.close();
    if (step) step = temporary.moveOnto(target, targetExists);
    return step;
}

// Replaces the regular file target (or creates it) under its save lock,
// once `approve` has accepted what stands there now (its argument: whether
// a file does). Returns the stamp of the bytes written.
template <typename Approval>
Result<ContentStamp> replaceRegularFile(const std::string &target, const std::string &text, Approval approve) {
    SaveLockFile lock(target);
    if (const Status locked = takeSaveLock(lock); !locked) return locked.failure();
    const Result<bool> exists = detail::regularFileExists(target);
    if (!exists) return exists.failure();
    if (const Status approved = approve(*exists); !approved) return approved.failure();
    removeLeftoverTemporaries(target);

    const std::string bytes = detail::withPlatformLineEnds(text);
    if (const Status written = writeAsideAndMoveOnto(target, bytes, *exists); !written) return written.failure();
    // The rename is durable only once the directory holding it is.
    detail::syncDirectory(paths::splitDirectoryAndBase(target).directory);
    return stampOf(bytes);
}

}  // namespace

Status replaceFileWithText(const std::string &path, const std::string &text) {
    const Result<TargetKind> kind = detail::kindOfSaveTarget(path);
    if (!kind) return kind.failure();
    if (*kind == TargetKind::Stream) return detail::writeInPlace(path, text);
    return replaceRegularFile(detail::replacedFileOf(path), text, [](bool) { return Status::success(); })
        .status();
}

Result<ContentStamp> replaceFileIfUnchanged(const std::string &path, const std::string &text,
                                            const ContentStamp &expected) {
    const Result<TargetKind> kind = detail::kindOfSaveTarget(path);
    if (!kind) return kind.failure();
    if (*kind == TargetKind::Stream) return Failure::NotRegularFile;
    const std::string target = detail::replacedFileOf(path);
    return replaceRegularFile(target, text, [&](bool exists) -> Status {
        if (!exists) return Failure::NotFound;
        const Result<std::string> current = readRegularFile(target);
        if (!current) return current.failure();
        return stampOf(*current) == expected ? Status::success() : Status(Failure::ChangedSinceRead);
    });
}

}  // namespace locmap50::platform
