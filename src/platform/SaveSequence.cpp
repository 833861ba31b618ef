// SPDX-License-Identifier: Apache-2.0
// How a file is replaced by a save, written once: lock, check, clean up, write aside, keep permissions, flush, rename, sync.
#include <chrono>
#include <cstdint>
#include <exception>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "paths/PathRules.h"
#include "paths/SaveFileNames.h"
#include "platform/FileCallSeam.h"
#include "platform/Platform.h"
#include "platform/SaveSteps.h"

namespace locmap50::platform {
namespace {

using detail::SaveLockFile;
using detail::TargetKind;

// About ten seconds in all: long enough for any other save of a map file.
constexpr std::chrono::milliseconds kSaveLockPause(10);

// The wait that runs out names the lock file, whose holder is what it waited for.
Status takeSaveLock(SaveLockFile &lock, const std::string &target) {
    for (int attempt = 0; attempt < saveLockAttempts(); ++attempt) {
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
    return lock.failure() ? Status(Failure::LockTimedOut, paths::saveLockNameOf(target)) : lock.failure();
}

// Temporary files that saves of target by this user died before they could
// remove: only names of exactly the library's shape, and of those only the
// user's own regular files. Only called under the save lock, when no save of
// the target by this library is under way.
void removeLeftoverTemporaries(const std::string &target) {
    const paths::DirectoryAndBase parts = paths::splitDirectoryAndBase(target);
    for (const std::string &name : detail::namesInDirectory(parts.directory))
        if (paths::isLeftoverTemporaryName(name, parts.base)) detail::removeOwnLeftover(parts.directory + name);
}

// Writes bytes to a new file beside target and puts it in target's place.
// The permissions are settled after the bytes are written, as writing may
// clear some of them, and before the rename, so that no reader ever finds
// the file with less.
Status writeAsideAndMoveOnto(const std::string &target, const std::string &bytes, bool targetExists) {
    detail::TemporaryFile temporary(target, targetExists);
    Status step = temporary.created();
    if (step) step = temporary.write(bytes);
    if (step) step = temporary.keepPermissionsOf(target, targetExists);
    if (step) step = temporary.flushToDisk();
    if (step) step = temporary.close();
    if (step) step = temporary.moveOnto(target, targetExists);
    return step;
}

// What a save has settled under the save lock: the bytes to write, or none
// when the file is to stay as it is.
using Settled = Result<std::optional<std::string>>;

// Replaces the regular file target (or creates it) under its save lock with
// the bytes `settle` gives once it has seen what stands there now (its
// argument: whether a file does). Returns the stamp of the bytes written, or
// none when settle asked for nothing to be written.
template <typename Settle>
Result<std::optional<ContentStamp>> replaceRegularFile(const std::string &target, Settle settle) {
    SaveLockFile lock(target);
    if (Status locked = takeSaveLock(lock, target); !locked) return locked;
    const Result<bool> exists = detail::regularFileExists(target);
    if (!exists) return exists.failure();
    Settled bytes = settle(*exists);
    if (!bytes) return bytes.status();
    if (!*bytes) return std::optional<ContentStamp>();
    // The folder's permissions would let the rename through; the file's own decide.
    if (*exists) {
        if (const Status writable = detail::mayWrite(target); !writable) return writable.failure();
        if (const Status owned = detail::keepsOwner(target); !owned) return owned;
    }
    removeLeftoverTemporaries(target);

    if (Status written = writeAsideAndMoveOnto(target, **bytes, *exists); !written) return written;
    // The rename is durable only once the directory holding it is.
    detail::syncDirectory(paths::splitDirectoryAndBase(target).directory);
    return std::optional<ContentStamp>(stampOf(**bytes));
}

// The file at target, which must still hold what `expected` stamps.
Result<std::string> unchangedContent(const std::string &target, bool exists, const ContentStamp &expected) {
    if (!exists) return Failure::NotFound;
    Result<std::string> current = readRegularFile(FileName::ofSystem(target));
    if (!current) return current.failure();
    if (stampOf(*current) != expected) return Failure::ChangedSinceRead;
    return current;
}

// A stamp that a settled save always has.
ContentStamp writtenStamp(const Result<std::optional<ContentStamp>> &written) {
    return written->value_or(ContentStamp());
}

// Some bits from the system's source of randomness, mixed with the clock so
// that a system without one still gives each try a new name.
std::uint64_t randomBits() {
    std::uint64_t bits =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) * 0x9E3779B97F4A7C15u;
    try {
        std::random_device source;
        bits ^= (static_cast<std::uint64_t>(source()) << 32) ^ source();
    } catch (const std::exception &) {
    }
    return bits;
}

}  // namespace

std::string detail::newTemporaryPathFor(const std::string &target) {
    return paths::temporaryPathOf(target, randomBits());
}

Status checkReplaceable(const FileName &path) {
    const Result<TargetKind> kind = detail::kindOfSaveTarget(path);
    if (!kind) return kind.failure();
    if (*kind == TargetKind::Stream) return Status::success();
    const std::string target = detail::replacedFileOf(path);
    if (*kind == TargetKind::Regular) {
        if (const Status writable = detail::mayWrite(target); !writable) return writable;
        if (const Status owned = detail::keepsOwner(target); !owned) return owned;
    }
    return detail::mayCreateIn(paths::splitDirectoryAndBase(target).directory);
}

std::string withTextLineEnds(const std::string &text) {
    return detail::withPlatformLineEnds(text);
}

Status replaceFileWithText(const FileName &path, const std::string &text) {
    const Result<TargetKind> kind = detail::kindOfSaveTarget(path);
    if (!kind) return kind.failure();
    if (*kind == TargetKind::Stream) return detail::writeInPlace(path, text);
    const std::string bytes = detail::withPlatformLineEnds(text);
    return replaceRegularFile(detail::replacedFileOf(path), [&](bool) { return Settled(std::optional(bytes)); })
        .status();
}

Result<ContentStamp> replaceFileIfUnchanged(const FileName &path, const std::string &text,
                                            const ContentStamp &expected) {
    const Result<TargetKind> kind = detail::kindOfSaveTarget(path);
    if (!kind) return kind.failure();
    if (*kind == TargetKind::Stream) return Failure::NotRegularFile;
    const std::string target = detail::replacedFileOf(path);
    const Result<std::optional<ContentStamp>> written = replaceRegularFile(target, [&](bool exists) -> Settled {
        const Result<std::string> current = unchangedContent(target, exists, expected);
        if (!current) return current.failure();
        return std::optional(detail::withPlatformLineEnds(text));
    });
    if (!written) return written.status();
    return writtenStamp(written);
}

Result<std::optional<ContentStamp>> editFileIfUnchanged(const FileName &path, const ContentStamp &expected,
                                                        const ContentEdit &edit) {
    const Result<TargetKind> kind = detail::kindOfSaveTarget(path);
    if (!kind) return kind.failure();
    if (*kind == TargetKind::Stream) return Failure::NotRegularFile;
    const std::string target = detail::replacedFileOf(path);
    return replaceRegularFile(target, [&](bool exists) -> Settled {
        const Result<std::string> current = unchangedContent(target, exists, expected);
        if (!current) return current.failure();
        return edit(*current);
    });
}

}  // namespace locmap50::platform
