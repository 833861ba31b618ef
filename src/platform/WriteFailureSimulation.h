// SPDX-License-Identifier: Apache-2.0
// Test hooks of the write path, compiled in only for test builds (LOCMAP50_TEST_HOOKS): a simulated full disk and a shorter wait for the save lock.
#ifndef LOCMAP50_PLATFORM_WRITEFAILURESIMULATION_H
#define LOCMAP50_PLATFORM_WRITEFAILURESIMULATION_H

#include <cstddef>

namespace locmap50::platform {

namespace detail {
// How often a save tries for the save lock, 10 ms apart.
constexpr int kSaveLockAttempts = 1000;
}  // namespace detail

#ifdef LOCMAP50_TEST_HOOKS

// After this many more bytes, writes made by replaceFileWithText fail as a
// full disk would; stopFailingWrites ends that. limitSaveLockAttempts lets a
// test see a save give up on a held lock without waiting ten seconds;
// restoreSaveLockAttempts goes back to the shipped wait.
namespace testing {
void failWritesAfter(std::size_t bytes);
void stopFailingWrites();
void limitSaveLockAttempts(int attempts);
void restoreSaveLockAttempts();
}  // namespace testing

namespace detail {
// How many of `wanted` bytes the next write may hand the OS; 0 means the
// simulated disk is full and the write must fail.
std::size_t bytesAllowedToWrite(std::size_t wanted);
void countBytesWritten(std::size_t written);
int saveLockAttempts();
}  // namespace detail

#else

// The shipped library writes whatever it is asked to.
namespace detail {
inline std::size_t bytesAllowedToWrite(std::size_t wanted) { return wanted; }
inline void countBytesWritten(std::size_t) {}
inline int saveLockAttempts() { return kSaveLockAttempts; }
}  // namespace detail

#endif

}  // namespace locmap50::platform

#endif  // LOCMAP50_PLATFORM_WRITEFAILURESIMULATION_H
