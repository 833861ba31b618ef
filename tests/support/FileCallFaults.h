// SPDX-License-Identifier: Apache-2.0
// Test access to the platform's file call seam: a simulated full disk, a short save-lock wait, and plans that fail one call.
#ifndef LOCMAP50_TESTS_SUPPORT_FILECALLFAULTS_H
#define LOCMAP50_TESTS_SUPPORT_FILECALLFAULTS_H

#include <cstddef>

#include "platform/FileCallSeam.h"

namespace testsupport {

// Installs its plan while it lives and puts back the one before.
class InstalledFileCallPlan {
public:
    InstalledFileCallPlan() : m_previous(locmap50::platform::installFileCallPlan(&plan)) {}
    ~InstalledFileCallPlan() { locmap50::platform::installFileCallPlan(m_previous); }
    InstalledFileCallPlan(const InstalledFileCallPlan &) = delete;
    InstalledFileCallPlan &operator=(const InstalledFileCallPlan &) = delete;

    locmap50::platform::FileCallPlan plan;

private:
    locmap50::platform::FileCallPlan *m_previous;
};

// The plan behind the settings below, installed only while one of them is
// away from what the shipped library does.
inline locmap50::platform::FileCallPlan &simulationPlan() {
    static locmap50::platform::FileCallPlan plan;
    return plan;
}

inline void installSimulationWhileNeeded() {
    locmap50::platform::FileCallPlan &plan = simulationPlan();
    const bool needed = plan.bytesBeforeFull || plan.saveLockAttempts != locmap50::platform::kSaveLockAttempts;
    locmap50::platform::installFileCallPlan(needed ? &plan : nullptr);
}

// After this many more bytes, writes fail as on a full disk.
inline void failWritesAfter(std::size_t bytes) {
    simulationPlan().bytesBeforeFull = bytes;
    installSimulationWhileNeeded();
}

inline void stopFailingWrites() {
    simulationPlan().bytesBeforeFull.reset();
    installSimulationWhileNeeded();
}

// A save gives up on a held lock after these tries, not after ten seconds.
inline void limitSaveLockAttempts(int attempts) {
    simulationPlan().saveLockAttempts = attempts;
    installSimulationWhileNeeded();
}

inline void restoreSaveLockAttempts() {
    simulationPlan().saveLockAttempts = locmap50::platform::kSaveLockAttempts;
    installSimulationWhileNeeded();
}

}  // namespace testsupport

#endif  // LOCMAP50_TESTS_SUPPORT_FILECALLFAULTS_H
