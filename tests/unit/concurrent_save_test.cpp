// SPDX-License-Identifier: Apache-2.0
// Tests of saves that meet other saves: changes made meanwhile, leftovers of crashed saves, stale locks and racing processes.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "locmap50/result_codes.h"
#include "support/FileCallFaults.h"
#include "support/MapTest.h"

#ifndef _WIN32
#include <sys/file.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

using testsupport::mainFile;

namespace fs = std::filesystem;
namespace platform = locmap50::platform;
using testsupport::mergedTables;
using testsupport::namesIn;
using testsupport::readFile;
using testsupport::ScopedCurrentDir;

class ConcurrentSave : public testsupport::MapFileTest {
protected:
    void SetUp() override { m_mainPath = write("main.map", "ZOR_LOCATION_MAP_2\n$LMT_A\nC:\\a\n"); }
    void TearDown() override {
        testsupport::restoreSaveLockAttempts();
        testsupport::MapFileTest::TearDown();
    }
    std::string m_mainPath;
};

TEST_F(ConcurrentSave, ChangeMadeByAnotherProcessAfterLoadingIsNotOverwritten) {
    VnLocMap &map = load(m_mainPath);
    ASSERT_EQ(map.changeEntry("$LMT_A", "C:\\mine`"), LOCMAP50_OK);
    // What another process's save leaves behind.
    const std::string theirs = "ZOR_LOCATION_MAP_2\n\n$LMT_A\nC:\\theirs\n\n";
    write("main.map", theirs);

    EXPECT_EQ(map.save(false), LOCMAP50_FAILED);
    EXPECT_EQ(readFile(m_mainPath), theirs);
    EXPECT_EQ(namesIn(m_dir.path()), std::vector<std::string>{"main.map"});
}

TEST_F(ConcurrentSave, RemovedFileIsNotCreatedAgain) {
    VnLocMap &map = load(m_mainPath);
    fs::remove(m_mainPath);
    EXPECT_EQ(map.save(false), LOCMAP50_FAILED);
    EXPECT_FALSE(fs::exists(m_mainPath));
}

TEST_F(ConcurrentSave, OwnSavesFollowEachOther) {
    VnLocMap &map = load(m_mainPath);
    for (const char *path : {"C:\\one`", "C:\\two`", "C:\\three`"}) {
        ASSERT_EQ(map.changeEntry("$LMT_A", path), LOCMAP50_OK);
        EXPECT_EQ(map.save(false), LOCMAP50_OK) << path;
    }
    VnLocMap::createMap()->DestroyMap();
    EXPECT_EQ(mergedTables(load(m_mainPath)), "$LMT_A [C:\\three] C:\\three\n");
}

TEST_F(ConcurrentSave, LeftoversOfCrashedSavesAreRemovedByTheNextSave) {
    // Names as a crashed save of main.map leaves them; the others are not
    // ours, and neither is a lock file that was there before the save.
    const std::vector<std::string> leftovers = {".main.map.locmap50-Ab3xYz09.tmp", ".main.map.locmap50-00000000.tmp"};
    const std::vector<std::string> strangers = {"main.map.tmp-notours", "main.map.tmp-Ab3xYz", "main.map.tmp-12-345-6",
                                                ".other.map.locmap50-Ab3xYz09.tmp", ".main.map.locmap50-Ab3xYz0.tmp",
                                                "main.map.locmap50-Ab3xYz09.tmp", "main.map.save-lock"};
    for (const std::string &name : leftovers) write(name, "half a map");
    for (const std::string &name : strangers) write(name, "keep me");

    VnLocMap &map = load(m_mainPath);
    ASSERT_EQ(map.changeEntry("$LMT_A", "C:\\b`"), LOCMAP50_OK);
    EXPECT_EQ(map.save(false), LOCMAP50_OK);
    std::vector<std::string> expected = strangers;
    expected.push_back("main.map");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(namesIn(m_dir.path()), expected);
}

#ifndef _WIN32
// The holder is another process, held at the lock until the test lets it die:
// no sleep decides the order. A save that may try only a few times gives up
// while the lock is held; a save that waits ends only after the holder let go.
TEST_F(ConcurrentSave, SaveWaitsForTheLockAndTheHolderDyingReleasesIt) {
    VnLocMap &map = load(m_mainPath);
    ASSERT_EQ(map.changeEntry("$LMT_A", "C:\\b`"), LOCMAP50_OK);
    const std::optional<std::string> before = readFile(m_mainPath);
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        // A save in progress that is killed before it can let go.
        ::close(release[1]);
        const int lock = ::open((m_mainPath + ".save-lock").c_str(), O_RDONLY | O_CREAT, 0644);
        if (lock < 0 || ::flock(lock, LOCK_EX) != 0) ::_exit(1);
        (void)::write(ready[1], "x", 1);
        char go;
        (void)::read(release[0], &go, 1);
        ::_exit(0);  // as if killed: the lock goes, the lock file it made stays
    }
    ::close(release[0]);
    char signal;
    ASSERT_EQ(::read(ready[0], &signal, 1), 1);

    testsupport::limitSaveLockAttempts(3);
    EXPECT_EQ(map.save(false), LOCMAP50_FAILED);
    testsupport::restoreSaveLockAttempts();
    EXPECT_EQ(readFile(m_mainPath), before);

    std::atomic<bool> released{false};
    bool savedAfterRelease = false;
    int saved = LOCMAP50_FAILED;
    std::thread saver([&] {
        saved = map.save(false);
        savedAfterRelease = released.load();
    });
    released = true;
    (void)::write(release[1], "x", 1);
    saver.join();
    int status = 0;
    ::waitpid(holder, &status, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    ::close(release[1]);
    EXPECT_EQ(saved, LOCMAP50_OK);
    EXPECT_TRUE(savedAfterRelease) << "the save ended while another process held the lock";
    EXPECT_NE(readFile(m_mainPath).value_or("").find("C:\\b"), std::string::npos);
    // A save removes only a lock file it made itself.
    EXPECT_EQ(namesIn(m_dir.path()), (std::vector<std::string>{"main.map", "main.map.save-lock"}));
}

// Processes that each load, add an entry and save, over and over: every save
// that reports success must keep its entry, whatever the others did.
TEST_F(ConcurrentSave, RacingProcessesLoseNoReportedUpdate) {
    const int processes = 3;
    const int rounds = 15;
    std::vector<pid_t> children;
    for (int p = 0; p < processes; ++p) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child != 0) {
            children.push_back(child);
            continue;
        }
        int saved = 0;
        for (int round = 0; round < rounds; ++round) {
            if (VnLocMap::exists()) VnLocMap::createMap()->DestroyMap();
            VnLocMap &map = load(m_mainPath);
            const std::string prefix = "$LMT_P" + std::to_string(p) + "_" + std::to_string(round);
            if (map.addEntry(prefix, "C:\\p`") == LOCMAP50_OK && map.save(false) == LOCMAP50_OK) ++saved;
        }
        ::_exit(saved);
    }
    int savedInAll = 0;
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        savedInAll += WEXITSTATUS(status);
    }
    VnLocMap &final = load(m_mainPath);
    EXPECT_EQ(final.m_errorText, testsupport::successLine(m_mainPath));
    EXPECT_GE(savedInAll, 1);
    EXPECT_EQ(final.m_softPrefixOrder.size(), static_cast<std::size_t>(1 + savedInAll));
    EXPECT_EQ(namesIn(m_dir.path()), std::vector<std::string>{"main.map"});
}
#endif

}  // namespace
