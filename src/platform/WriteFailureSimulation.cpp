// SPDX-License-Identifier: Apache-2.0
// The write path's test hooks (simulated full disk, shorter lock wait); empty in the shipped library.
#include "platform/WriteFailureSimulation.h"

#ifdef LOCMAP50_TEST_HOOKS

namespace locmap50::platform {
namespace {

// Plain scalars, so they are ready before any static constructor of the
// library runs (the platform layer is used during static initialisation).
bool s_failWrites = false;
std::size_t s_bytesBeforeFailure = 0;
int s_saveLockAttempts = detail::kSaveLockAttempts;

}  // namespace

namespace testing {

void failWritesAfter(std::size_t bytes) {
    s_failWrites = true;
    s_bytesBeforeFailure = bytes;
}

void stopFailingWrites() {
    s_failWrites = false;
    s_bytesBeforeFailure = 0;
}

void limitSaveLockAttempts(int attempts) {
    s_saveLockAttempts = attempts;
}

void restoreSaveLockAttempts() {
    s_saveLockAttempts = detail::kSaveLockAttempts;
}

}  // namespace testing

namespace detail {

std::size_t bytesAllowedToWrite(std::size_t wanted) {
    if (!s_failWrites) return wanted;
    return wanted < s_bytesBeforeFailure ? wanted : s_bytesBeforeFailure;
}

void countBytesWritten(std::size_t written) {
    if (s_failWrites) s_bytesBeforeFailure -= written;
}

int saveLockAttempts() {
    return s_saveLockAttempts;
}

}  // namespace detail
}  // namespace locmap50::platform

#endif  // LOCMAP50_TEST_HOOKS
