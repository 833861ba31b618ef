// A simulated full disk for the write path, compiled in only for test builds (LOCMAP50_TEST_HOOKS).
#ifndef LOCMAP50_PLATFORM_WRITEFAILURESIMULATION_H
#define LOCMAP50_PLATFORM_WRITEFAILURESIMULATION_H

#include <cstddef>

namespace locmap50::platform {

#ifdef LOCMAP50_TEST_HOOKS

// After this many more bytes, writes made by replaceFileWithText fail as a
// full disk would; stopFailingWrites ends that.
namespace testing {
void failWritesAfter(std::size_t bytes);
void stopFailingWrites();
}  // namespace testing

namespace detail {
// How many of `wanted` bytes the next write may hand the OS; 0 means the
// simulated disk is full and the write must fail.
std::size_t bytesAllowedToWrite(std::size_t wanted);
void countBytesWritten(std::size_t written);
}  // namespace detail

#else

// The shipped library writes whatever it is asked to.
namespace detail {
inline std::size_t bytesAllowedToWrite(std::size_t wanted) { return wanted; }
inline void countBytesWritten(std::size_t) {}
}  // namespace detail

#endif

}  // namespace locmap50::platform

#endif  // LOCMAP50_PLATFORM_WRITEFAILURESIMULATION_H
