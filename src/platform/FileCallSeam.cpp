// SPDX-License-Identifier: Apache-2.0
// The file call seam's plan: counting the calls and failing the one a test chose.
#include "platform/FileCallSeam.h"

#include <mutex>

namespace locmap50::platform {
namespace {

// Saves may run on several threads while a plan is installed.
std::mutex &planLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

// Constant-initialised, so it is ready before any static constructor of the
// library makes a file call.
std::atomic<FileCallPlan *> detail::g_fileCallPlan{nullptr};

FileCallPlan *installFileCallPlan(FileCallPlan *plan) {
    const std::lock_guard<std::mutex> guard(planLock());
    return detail::g_fileCallPlan.exchange(plan);
}

int detail::plannedError(FileCall call) {
    const std::lock_guard<std::mutex> guard(planLock());
    FileCallPlan *plan = g_fileCallPlan.load();
    if (plan == nullptr) return 0;
    const std::size_t number = ++plan->calls[static_cast<std::size_t>(call)];
    return plan->failAt != 0 && plan->failKind == call && plan->failAt == number ? plan->failError : 0;
}

std::size_t detail::plannedWriteSize(std::size_t wanted) {
    const std::lock_guard<std::mutex> guard(planLock());
    FileCallPlan *plan = g_fileCallPlan.load();
    if (plan == nullptr || !plan->bytesBeforeFull) return wanted;
    const std::size_t allowed = wanted < *plan->bytesBeforeFull ? wanted : *plan->bytesBeforeFull;
    *plan->bytesBeforeFull -= allowed;
    return allowed;
}

int detail::plannedSaveLockAttempts() {
    const std::lock_guard<std::mutex> guard(planLock());
    const FileCallPlan *plan = g_fileCallPlan.load();
    return plan == nullptr ? kSaveLockAttempts : plan->saveLockAttempts;
}

}  // namespace locmap50::platform
