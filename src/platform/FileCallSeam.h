// SPDX-License-Identifier: Apache-2.0
// The seam every file call of the platform layer passes through, where a test can make a call fail as the OS would.
#ifndef LOCMAP50_PLATFORM_FILECALLSEAM_H
#define LOCMAP50_PLATFORM_FILECALLSEAM_H

#include <array>
#include <atomic>
#include <cstddef>
#include <optional>

namespace locmap50::platform {

// The kinds of file call: opening or creating (also a folder listing),
// reading, writing, flushing to disk, giving a file a name (rename, link),
// looking at a file (stat, access checks, resolving a name) and locking.
enum class FileCall { Open, Read, Write, Sync, Rename, Stat, Lock };
constexpr std::size_t kFileCallKinds = 7;
static_assert(static_cast<std::size_t>(FileCall::Lock) + 1 == kFileCallKinds, "one count per kind of call");

// How often a save tries for the save lock, 10 ms apart.
constexpr int kSaveLockAttempts = 1000;

// What a test asks of the file calls while its plan is installed. Every call
// is counted by kind; the call numbered failAt (from 1) of kind failKind
// fails with failError (errno on POSIX, a GetLastError code on Windows)
// instead of reaching the OS.
struct FileCallPlan {
    std::array<std::size_t, kFileCallKinds> calls{};
    FileCall failKind = FileCall::Open;
    std::size_t failAt = 0;  // 0: no call fails
    int failError = 0;
    // Writes hand over at most this many bytes in all, then fail as on a full disk.
    std::optional<std::size_t> bytesBeforeFull;
    int saveLockAttempts = kSaveLockAttempts;

    std::size_t callsOf(FileCall kind) const { return calls[static_cast<std::size_t>(kind)]; }
};

// Installs plan for every later file call (nullptr: none) and returns the
// plan it replaces. Only tests call it: the shipped library exports no
// symbol of the seam and never installs a plan.
FileCallPlan *installFileCallPlan(FileCallPlan *plan);

namespace detail {
extern std::atomic<FileCallPlan *> g_fileCallPlan;
int plannedError(FileCall call);
std::size_t plannedWriteSize(std::size_t wanted);
int plannedSaveLockAttempts();

inline bool fileCallPlanInstalled() {
    return g_fileCallPlan.load(std::memory_order_relaxed) != nullptr;
}
}  // namespace detail

// The error a call of this kind must fail with instead of reaching the OS;
// 0: it goes ahead. Without a plan, one test of a pointer.
inline int injectedError(FileCall call) {
    return detail::fileCallPlanInstalled() ? detail::plannedError(call) : 0;
}

// How many of `wanted` bytes the next write may hand the OS; 0 means the
// disk is to be full.
inline std::size_t writableBytes(std::size_t wanted) {
    return detail::fileCallPlanInstalled() ? detail::plannedWriteSize(wanted) : wanted;
}

inline int saveLockAttempts() {
    return detail::fileCallPlanInstalled() ? detail::plannedSaveLockAttempts() : kSaveLockAttempts;
}

}  // namespace locmap50::platform

#endif  // LOCMAP50_PLATFORM_FILECALLSEAM_H
