// Pieces both platform implementations share: the simulated full disk of the
// write-failure hook and the standard-output writer.
#ifndef LOCMAP50_PLATFORM_PLATFORMSHARED_H
#define LOCMAP50_PLATFORM_PLATFORMSHARED_H

#include <cstddef>
#include <cstdio>
#include <string>

namespace locmap50::platform::detail {

// Plain scalars, so they are ready before any static constructor of the
// library runs (the platform layer is used during static initialisation).
inline bool s_failWrites = false;
inline std::size_t s_bytesBeforeFailure = 0;

// How many of `wanted` bytes the next write may hand the OS; 0 means the
// simulated disk is full and the write must fail.
inline std::size_t bytesAllowedToWrite(std::size_t wanted) {
    if (!s_failWrites) return wanted;
    return wanted < s_bytesBeforeFailure ? wanted : s_bytesBeforeFailure;
}

inline void countBytesWritten(std::size_t written) {
    if (s_failWrites) s_bytesBeforeFailure -= written;
}

inline void armWriteFailure(std::size_t bytes) {
    s_failWrites = true;
    s_bytesBeforeFailure = bytes;
}

inline void disarmWriteFailure() {
    s_failWrites = false;
    s_bytesBeforeFailure = 0;
}

inline bool writeToStandardOutput(const std::string &text) {
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    return std::fflush(stdout) == 0 && written;
}

}  // namespace locmap50::platform::detail

#endif  // LOCMAP50_PLATFORM_PLATFORMSHARED_H
