// SPDX-License-Identifier: Apache-2.0
// Tests that a save changes no file it did not make: decoys beside the target, the save lock's protocol, lock paths that are no regular file, and files with other names.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "locmap50/locmap50.h"
#include "locmap50/result_codes.h"
#include "platform/SaveSteps.h"
#include "support/FolderSnapshot.h"
#include "support/MapTest.h"
#include "support/ScratchNodes.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using testsupport::folderSnapshot;
using testsupport::readFile;

constexpr char kMap[] = "ZOR_LOCATION_MAP_2\n$LMT_A\nC:\\a\n";

using SaveLeavesOthers = testsupport::MapTest;

std::string writeIn(const fs::path &dir, const std::string &name, const std::string &text) {
    const std::string path = (dir / name).string();
    testsupport::writeFile(path, text);
    return path;
}

// Files beside <base> that look like what a save makes, and are not: names
// of older versions of the library, the user's own text in a file named like
// the lock, names of the new shape that are no regular file of this user's.
void placeDecoys(const fs::path &dir, const std::string &base) {
    writeIn(dir, base + ".tmp-backup", "precious\n");
    writeIn(dir, base + ".tmp-2024v1", "x\n");
    writeIn(dir, base + ".tmp-Ab3xYz", "old shape on POSIX\n");
    writeIn(dir, base + ".tmp-12-345-6", "old shape on Windows\n");
    writeIn(dir, base + ".save-lock", "notes\n");
    writeIn(dir, base + ".locmap50-Ab3xYz09.tmp", "not hidden\n");
    fs::create_directory(dir / ("." + base + ".locmap50-Folder00.tmp"));
#ifndef _WIN32
    ASSERT_TRUE(testsupport::makeFifo(dir / ("." + base + ".locmap50-Fifo0000.tmp")));
    fs::create_symlink(base + ".tmp-backup", dir / ("." + base + ".locmap50-Link0000.tmp"));
    fs::create_hard_link(dir / (base + ".tmp-2024v1"), dir / ("." + base + ".locmap50-Hard0000.tmp"));
    if (!testsupport::runningAsRoot()) return;
    // Another user's, in a folder anyone may write, as /tmp is.
    const uid_t otherUser = 12345;
    for (const std::string &name : {"." + base + ".locmap50-Other000.tmp", base + ".tmp-Other0"}) {
        writeIn(dir, name, "another user's\n");
        ASSERT_EQ(::chown((dir / name).c_str(), otherUser, otherUser), 0);
    }
    fs::permissions(dir, fs::perms::all | fs::perms::sticky_bit);
#endif
}

struct SaveCase {
    const char *name;
    const char *target;  // the file written, in the case's folder
    bool targetExists;
    std::function<int(VnLocMap &, const fs::path &)> save;
};

TEST_F(SaveLeavesOthers, EveryEntryBesideTheTargetStaysAsItWas) {
    const SaveCase cases[] = {
        {"standard save", "site.map", true, [](VnLocMap &map, const fs::path &) { return map.save(false); }},
        {"layout-keeping save", "site.map", true,
         [](VnLocMap &map, const fs::path &) { return map.saveKeepingLayout(); }},
        {"export to a new file", "out.map", false,
         [](VnLocMap &map, const fs::path &dir) { return map.exportLocMap((dir / "out.map").string(), false); }},
        {"export over a file", "out.map", true,
         [](VnLocMap &map, const fs::path &dir) { return map.exportLocMap((dir / "out.map").string(), false); }},
    };
    testsupport::TempDir root;
    int folders = 0;
    for (const SaveCase &c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path dir = root.path() / ("case" + std::to_string(++folders));
        fs::create_directory(dir);
        const std::string site = writeIn(dir, "site.map", kMap);
        if (c.targetExists && std::string(c.target) != "site.map") writeIn(dir, c.target, kMap);
        placeDecoys(dir, c.target);
        const auto before = folderSnapshot(dir, c.target);

        VnLocMap &map = testsupport::loadMapFile(site).map;
        ASSERT_EQ(map.changeEntry("$LMT_A", "C:\\b`"), LOCMAP50_OK);
        EXPECT_EQ(c.save(map, dir), LOCMAP50_OK);
        EXPECT_NE(testsupport::writtenText((dir / c.target).string()).find("C:\\b"), std::string::npos);
        EXPECT_EQ(folderSnapshot(dir, c.target), before);
    }
}

// The lock of one process: a lock file the save made goes when the save
// lets go; one that stood there stays, with its bytes.
TEST_F(SaveLeavesOthers, TheLockFileGoesOnlyWithTheSaveThatMadeIt) {
    using locmap50::platform::detail::SaveLockFile;
    testsupport::TempDir dir;
    const std::string target = dir.file("site.map");
    const fs::path lockFile = target + ".save-lock";
    for (const bool stoodThere : {false, true}) {
        SCOPED_TRACE(stoodThere ? "a lock file stood there" : "no lock file");
        if (stoodThere) dir.write("site.map.save-lock", "notes\n");
        auto first = std::make_unique<SaveLockFile>(target);
        ASSERT_EQ(first->tryToTake(), SaveLockFile::Attempt::Taken);
        SaveLockFile second(target);
        EXPECT_EQ(second.tryToTake(), SaveLockFile::Attempt::Busy);
        first.reset();
        EXPECT_EQ(fs::exists(lockFile), stoodThere);
        // A waiter that won a lock file on its way out tries the next one.
        SaveLockFile::Attempt attempt = SaveLockFile::Attempt::Busy;
        for (int tries = 0; tries < 3 && attempt == SaveLockFile::Attempt::Busy; ++tries) attempt = second.tryToTake();
        EXPECT_EQ(attempt, SaveLockFile::Attempt::Taken);
        EXPECT_TRUE(fs::exists(lockFile));
        SaveLockFile third(target);
        EXPECT_EQ(third.tryToTake(), SaveLockFile::Attempt::Busy);
    }
    EXPECT_EQ(readFile(lockFile.string()), "notes\n");
}

// What may stand where the lock file goes and is no file: each makes the
// save fail at once, naming the lock, and nothing is written.
TEST_F(SaveLeavesOthers, ALockPathThatIsNoRegularFileFailsTheSaveAtOnce) {
    std::vector<std::pair<const char *, std::function<bool(const fs::path &)>>> kinds = {
        {"folder", [](const fs::path &lock) { return fs::create_directory(lock); }},
    };
#ifndef _WIN32
    kinds.push_back({"FIFO", [](const fs::path &lock) { return testsupport::makeFifo(lock); }});
    kinds.push_back({"link to a FIFO", [](const fs::path &lock) {
                         fs::create_symlink("pipe", lock);
                         return testsupport::makeFifo(lock.parent_path() / "pipe");
                     }});
    if (testsupport::runningAsRoot())
        kinds.push_back({"device", [](const fs::path &lock) { return testsupport::makeNullDevice(lock); }});
#endif
    for (const auto &[kind, make] : kinds) {
        SCOPED_TRACE(kind);
        testsupport::TempDir dir;
        const std::string site = dir.write("site.map", kMap);
        const fs::path lock = site + ".save-lock";
        ASSERT_TRUE(make(lock));
        const auto before = folderSnapshot(dir.path(), "");
        VnLocMap &map = testsupport::loadMapFile(site).map;
        ASSERT_EQ(map.changeEntry("$LMT_A", "C:\\b`"), LOCMAP50_OK);
        for (const bool keepingLayout : {true, false}) {
            // The failure is told to the thread that saved.
            int reason = 0;
            std::string detail;
            auto saved = std::async(std::launch::async, [&] {
                const int result = keepingLayout ? map.saveKeepingLayout() : map.save(false);
                const char *text = nullptr;
                if (GetLastFailure(&reason, nullptr) == LOCMAP50_OK && GetLastFailureDetail(&text) == LOCMAP50_OK)
                    detail = text;
                return result;
            });
            // A wait here is the fault; opening the FIFO's other end ends it.
            const bool atOnce = saved.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
#ifndef _WIN32
            if (!atOnce) ::close(::open(lock.c_str(), O_WRONLY | O_NONBLOCK));
#endif
            EXPECT_TRUE(atOnce);
            EXPECT_EQ(saved.get(), LOCMAP50_FAILED);
            EXPECT_EQ(reason, LOCMAP50_REASON_NOT_REGULAR_FILE);
            EXPECT_NE(detail.find("site.map.save-lock"), std::string::npos) << detail;
        }
        EXPECT_EQ(folderSnapshot(dir.path(), ""), before);
    }
}

// The other names of a file would go on naming the old text.
TEST_F(SaveLeavesOthers, AFileWithAnotherNameIsNotReplaced) {
    testsupport::TempDir dir;
    const std::string site = dir.write("site.map", kMap);
    fs::create_hard_link(site, dir.path() / "other-name.map");
    const auto before = folderSnapshot(dir.path(), "");
    VnLocMap &map = testsupport::loadMapFile(site).map;
    ASSERT_EQ(map.changeEntry("$LMT_A", "C:\\b`"), LOCMAP50_OK);
    for (const bool keepingLayout : {true, false}) {
        EXPECT_EQ(keepingLayout ? map.saveKeepingLayout() : map.save(false), LOCMAP50_FAILED);
        int reason = 0;
        const char *detail = nullptr;
        GetLastFailure(&reason, nullptr);
        GetLastFailureDetail(&detail);
        EXPECT_EQ(reason, LOCMAP50_REASON_WOULD_LOSE_PERMISSIONS);
        EXPECT_STREQ(detail, "hard links");
    }
    EXPECT_EQ(folderSnapshot(dir.path(), ""), before);
}

}  // namespace
