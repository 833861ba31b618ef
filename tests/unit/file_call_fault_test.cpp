// SPDX-License-Identifier: Apache-2.0
// Tests that a save, an export or a load meeting a failing file call, at each call it makes, loses nothing and says why.
#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <cerrno>
#endif

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "locmap50/VnLocMap.h"
#include "locmap50/result_codes.h"
#include "support/FileCallFaults.h"
#include "support/MapTest.h"
#include "support/TestSupport.h"

namespace {

using locmap50::platform::FileCall;
using testsupport::namesIn;
using testsupport::readFile;

constexpr char kOldText[] = "ZOR_LOCATION_MAP_2\n$LMT_A\nC:\\a\n$LMT_B\nC:\\b\n";

// A kind of file call made to fail, the error the system would give, and the
// reason the library must report for it.
struct Injection {
    FileCall kind;
    const char *name;
    int error;
    int reason;
};

// The errors each system gives: access refused, a failing disk, a full
// disk, and a lock the system will not give.
#ifdef _WIN32
constexpr int kRefused = ERROR_ACCESS_DENIED;
constexpr int kDiskError = ERROR_CRC;
constexpr int kDiskFull = ERROR_DISK_FULL;
constexpr int kNoLock = ERROR_WRITE_PROTECT;
constexpr int kNoLockReason = LOCMAP50_REASON_PERMISSION_DENIED;
#else
constexpr int kRefused = EACCES;
constexpr int kDiskError = EIO;
constexpr int kDiskFull = ENOSPC;
constexpr int kNoLock = ENOLCK;
constexpr int kNoLockReason = LOCMAP50_REASON_OTHER;
#endif

const Injection kInjections[] = {
    {FileCall::Open, "open", kRefused, LOCMAP50_REASON_PERMISSION_DENIED},
    {FileCall::Read, "read", kDiskError, LOCMAP50_REASON_READ_ERROR},
    {FileCall::Write, "write", kDiskFull, LOCMAP50_REASON_NO_SPACE},
    {FileCall::Sync, "sync", kDiskError, LOCMAP50_REASON_WRITE_ERROR},
    {FileCall::Rename, "rename", kRefused, LOCMAP50_REASON_PERMISSION_DENIED},
    {FileCall::Stat, "stat", kRefused, LOCMAP50_REASON_PERMISSION_DENIED},
    {FileCall::Lock, "lock", kNoLock, kNoLockReason},
};

// Where failing every call takes too long (under memcheck), only renames and
// locks fail.
bool failedHere(FileCall kind) {
    return LOCMAP50_FAULT_EVERY_KIND || kind == FileCall::Rename || kind == FileCall::Lock;
}

// What an operation came to: success, or the reason it gave.
struct Outcome {
    bool succeeded;
    int reason;
};

Outcome saveOutcome(int result) {
    int reason = LOCMAP50_REASON_NONE;
    std::string file;
    VnLocMap::lastFailure(reason, file);
    return {result == LOCMAP50_OK, reason};
}

// A load succeeded when it read the whole file; otherwise its first problem with a reason says why.
Outcome loadOutcome(const VnLocMap &map, int result) {
    for (const VnLoadProblem &problem : map.loadProblems())
        if (problem.reason != LOCMAP50_REASON_NONE) return {false, problem.reason};
    return {result == LOCMAP50_OK, LOCMAP50_REASON_NONE};
}

enum class Operation { Save, SaveKeepingLayout, Export, Load };

class FileCallFaults : public testsupport::MapFileTest, public ::testing::WithParamInterface<Operation> {
protected:
    bool isLoad() const { return GetParam() == Operation::Load; }

    // The files as before the operation, the map loaded from them and, for a save, edited.
    void prepare() {
        for (const std::string &name : namesIn(m_dir.path())) std::filesystem::remove(m_dir.path() / name);
        m_main = write("main.map", kOldText);
        m_target = GetParam() == Operation::Export ? write("export.map", kOldText) : m_main;
        if (isLoad()) return;
        VnLocMap &map = load(m_main);
        ASSERT_EQ(map.changeEntry("$LMT_A", "C:\\mine"), LOCMAP50_OK);
    }

    Outcome run() {
        VnLocMap &map = *VnLocMap::createMap();
        switch (GetParam()) {
        case Operation::Save: return saveOutcome(map.save(false));
        case Operation::SaveKeepingLayout: return saveOutcome(map.saveKeepingLayout());
        case Operation::Export: return saveOutcome(map.exportLocMap(m_target, false));
        case Operation::Load: break;
        }
        VnLocMap &loaded = load(m_main);
        return loadOutcome(loaded, m_readResult);
    }

    // What the operation leaves when every call succeeds.
    std::optional<std::string> m_newText;
    std::string m_newTables;
    std::vector<std::string> m_names;

    std::string m_main;
    std::string m_target;
};

TEST_P(FileCallFaults, EachFailingCallLosesNothingAndSaysWhy) {
    std::vector<std::size_t> callCounts;
    {
        prepare();
        testsupport::InstalledFileCallPlan counting;
        ASSERT_TRUE(run().succeeded);
        for (const Injection &injection : kInjections) callCounts.push_back(counting.plan.callsOf(injection.kind));
    }
    m_newText = readFile(m_target);
    m_newTables = testsupport::mergedTables(*VnLocMap::createMap());
    m_names = namesIn(m_dir.path());
    ASSERT_TRUE(m_newText);
    ASSERT_NE(*m_newText, isLoad() ? "" : kOldText);
    // Every operation opens files and looks at them through the seam.
    EXPECT_GT(callCounts[0], 0u);
    EXPECT_GT(callCounts[5], 0u);

    for (std::size_t kind = 0; kind < std::size(kInjections); ++kind) {
        const Injection &injection = kInjections[kind];
        if (!failedHere(injection.kind)) continue;
        for (std::size_t call = 1; call <= callCounts[kind]; ++call) {
            SCOPED_TRACE(std::string(injection.name) + " call " + std::to_string(call));
            prepare();
            Outcome outcome;
            {
                testsupport::InstalledFileCallPlan failing;
                failing.plan.failKind = injection.kind;
                failing.plan.failAt = call;
                failing.plan.failError = injection.error;
                outcome = run();
            }
            EXPECT_EQ(readFile(m_target), outcome.succeeded ? m_newText : std::string(kOldText));
            if (outcome.succeeded)
                EXPECT_EQ(testsupport::mergedTables(*VnLocMap::createMap()), m_newTables);
            else
                EXPECT_EQ(outcome.reason, injection.reason);
            EXPECT_EQ(namesIn(m_dir.path()), m_names);
            // The map in memory goes on: the same operation, now undisturbed, does all it should.
            ASSERT_TRUE(run().succeeded);
            EXPECT_EQ(readFile(m_target), m_newText);
            EXPECT_EQ(testsupport::mergedTables(*VnLocMap::createMap()), m_newTables);
        }
    }
}

std::string operationName(const ::testing::TestParamInfo<Operation> &info) {
    const char *const names[] = {"Save", "SaveKeepingLayout", "Export", "Load"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Operations, FileCallFaults,
                         ::testing::Values(Operation::Save, Operation::SaveKeepingLayout, Operation::Export,
                                           Operation::Load),
                         operationName);

}  // namespace
