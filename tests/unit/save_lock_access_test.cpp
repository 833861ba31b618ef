// SPDX-License-Identifier: Apache-2.0
// Save locks shared by several users: a lock left by a killed save keeps out no one who may write the map, and one that cannot be opened or that is held too long is named.
#include <gtest/gtest.h>

#include <string>

#include "locmap50/result_codes.h"
#include "platform/Platform.h"
#include "platform/SaveSteps.h"
#include "support/FileCallFaults.h"
#include "support/MapTest.h"
#include "support/ScratchNodes.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <vector>
#endif

namespace {

namespace platform = locmap50::platform;
using platform::detail::SaveLockFile;

constexpr char kMap[] = "ZOR_LOCATION_MAP_2\n$LMT_A\nC:\\a\n";
constexpr char kEdited[] = "ZOR_LOCATION_MAP_2\n$LMT_A\nC:\\b\n";

TEST(SaveLockTimeout, IsReportedAsSuchAndNamesTheLockFile) {
    testsupport::TempDir dir;
    const std::string map = dir.write("site.map", kMap);
    const std::string target = platform::detail::replacedFileOf(map);
    SaveLockFile otherSave(target);
    ASSERT_EQ(otherSave.tryToTake(), SaveLockFile::Attempt::Taken);
    testsupport::limitSaveLockAttempts(2);
    const platform::Status saved = platform::replaceFileWithText(map, kEdited);
    testsupport::restoreSaveLockAttempts();
    EXPECT_EQ(saved.failure(), platform::Failure::LockTimedOut);
    EXPECT_EQ(saved.detail(), target + ".save-lock");
    EXPECT_EQ(testsupport::readFile(map), kMap);
}

#ifndef _WIN32
namespace fs = std::filesystem;

// Numeric ids that need no entry in /etc/passwd or /etc/group.
constexpr uid_t kAlice = 12360;
constexpr uid_t kBob = 12361;
constexpr gid_t kProject = 12362;

// Each user's own group has the user's number.
int runAs(uid_t user, const std::vector<gid_t> &groups, const std::function<int()> &work) {
    return testsupport::exitCodeAs(user, user, groups, work);
}

class SharedSaveLock : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testsupport::runningAsRoot()) GTEST_SKIP() << "acting as two users needs root";
        fs::permissions(m_dir.path(), fs::perms::all);
        // Bob's map, which alice may write through its group.
        ASSERT_EQ(::chown(m_map.c_str(), kBob, kProject), 0);
        ASSERT_EQ(::chmod(m_map.c_str(), 0660), 0);
    }

    // A save of the map as user: 0 when it saved, else 10 + its failure.
    int saveAs(uid_t user, const std::vector<gid_t> &groups) {
        return runAs(user, groups, [&] {
            const platform::Status saved = platform::replaceFileWithText(m_map, kEdited);
            return saved ? 0 : 10 + static_cast<int>(saved.failure());
        });
    }

    // What a save as user with umask 077, killed right after it made and took
    // the lock, leaves: the lock file's status.
    struct stat lockLeftBy(uid_t user, const std::vector<gid_t> &groups) {
        const int killed = runAs(user, groups, [&] {
            ::umask(077);
            SaveLockFile lock(platform::detail::replacedFileOf(m_map));
            if (lock.tryToTake() != SaveLockFile::Attempt::Taken) return 1;
            ::kill(::getpid(), SIGKILL);
            return 2;
        });
        EXPECT_EQ(killed, -1);
        struct stat lock {};
        EXPECT_EQ(::stat(m_lock.c_str(), &lock), 0) << "the killed save left no lock file";
        return lock;
    }

    // Kept by the fixture, not a temporary: a forked child's memory checker
    // would take a temporary's block, out of the parent's frame, as lost.
    const std::vector<gid_t> m_project{kProject};
    testsupport::TempDir m_dir;
    const std::string m_map = m_dir.write("g.map", kMap);
    const std::string m_lock = platform::detail::replacedFileOf(m_map) + ".save-lock";
};

// Alice saves with umask 077 and is killed holding the lock she made; bob,
// who owns the map and is in its group, still saves: the lock file has the
// map's bits and group. (Only the owner or root may replace a map, so bob
// is its owner here.)
TEST_F(SharedSaveLock, ALockLeftByAKilledSaveKeepsOutNoUserWhoMayWriteTheMap) {
    const struct stat lock = lockLeftBy(kAlice, m_project);
    EXPECT_EQ(lock.st_uid, kAlice);
    EXPECT_EQ(lock.st_gid, kProject);
    EXPECT_EQ(lock.st_mode & 07777, 0660u);

    EXPECT_EQ(saveAs(kBob, m_project), 0);
    EXPECT_EQ(testsupport::readFile(m_map), kEdited);
}

// A save by root that is killed holding its lock leaves the lock file to the
// map's owner, group and bits: it strands no one either.
TEST_F(SharedSaveLock, ALockLeftByRootBelongsToTheMapsOwner) {
    const struct stat lock = lockLeftBy(0, {});
    EXPECT_EQ(lock.st_uid, kBob);
    EXPECT_EQ(lock.st_gid, kProject);
    EXPECT_EQ(lock.st_mode & 07777, 0660u);
    EXPECT_EQ(saveAs(kBob, m_project), 0);
}

// A lock file the saver cannot open, such as one of mode 000 that another
// user planted in a sticky folder, is a refusal that names it.
TEST_F(SharedSaveLock, ALockFileTheSaverCannotOpenIsNamed) {
    fs::permissions(m_dir.path(), fs::perms::all | fs::perms::sticky_bit);
    testsupport::writeFile(m_lock, "");
    ASSERT_EQ(::chown(m_lock.c_str(), kAlice, kAlice), 0);
    ASSERT_EQ(::chmod(m_lock.c_str(), 0), 0);
    const int failed = runAs(kBob, {}, [&] {
        const platform::Status saved = platform::replaceFileWithText(m_map, kEdited);
        if (saved.failure() != platform::Failure::PermissionDenied) return 1;
        return saved.detail() == m_lock ? 0 : 2;
    });
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(testsupport::readFile(m_map), kMap);
}
#endif

}  // namespace
