// SPDX-License-Identifier: Apache-2.0
// Tests that a failed save, export or edit leaves its reason and its file for the caller, and a later call forgets it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>

#include "locmap50/VnLocMap.h"
#include "locmap50/result_codes.h"
#include "platform/SaveSteps.h"
#include "support/FileCallFaults.h"
#include "support/MapTest.h"

namespace {

namespace fs = std::filesystem;
namespace platform = locmap50::platform;
using testsupport::mainFile;

struct Recorded {
    int reason;
    std::string file;
};

bool operator==(const Recorded &a, const Recorded &b) {
    return a.reason == b.reason && a.file == b.file;
}

std::ostream &operator<<(std::ostream &out, const Recorded &recorded) {
    return out << recorded.reason << " \"" << recorded.file << "\"";
}

Recorded lastFailure() {
    Recorded recorded{-1, "<untouched>"};
    VnLocMap::lastFailure(recorded.reason, recorded.file);
    return recorded;
}

const Recorded kNothing{LOCMAP50_REASON_NONE, ""};

class FailureReasons : public testsupport::MapFileTest {
protected:
    void TearDown() override {
        testsupport::stopFailingWrites();
        testsupport::restoreSaveLockAttempts();
        if (m_readOnly) fs::permissions(*m_readOnly, fs::perms::owner_all, fs::perm_options::add);
        testsupport::MapFileTest::TearDown();
    }

    // Loads a fresh main.map holding one entry and changes it, ready to save.
    VnLocMap &loadEditedMap() {
        m_mainPath = write("main.map", "ZOR_LOCATION_MAP_2\n$LMT_A\nC:\\a\n");
        VnLocMap &map = load(m_mainPath);
        EXPECT_EQ(map.changeEntry("$LMT_A", "C:\\mine`"), LOCMAP50_OK);
        return map;
    }

    // Takes write permission from directory; false where this process
    // writes into it all the same (as root does).
    bool makeReadOnly(const fs::path &directory) {
        fs::permissions(directory, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        m_readOnly = directory;
        std::ofstream probe(directory / "probe");
        return !probe.is_open();
    }

    std::string m_mainPath;
    std::optional<fs::path> m_readOnly;
};

// One row per way a save of a loaded file fails: what happens to the file
// between load and save, and the reason the save must give.
TEST_F(FailureReasons, SaveOfALoadedFileSaysWhyItFailed) {
    const struct {
        const char *what;
        std::function<void(const std::string &mainPath)> disturb;
        int reason;
    } cases[] = {
        {"another process changed it",
         [](const std::string &mainPath) {
             testsupport::writeFile(mainPath, "ZOR_LOCATION_MAP_2\n$LMT_A\nC:\\theirs\n");
         },
         LOCMAP50_REASON_CHANGED_SINCE_READ},
        {"it was removed", [](const std::string &mainPath) { fs::remove(mainPath); }, LOCMAP50_REASON_NOT_FOUND},
        {"a directory took its place",
         [](const std::string &mainPath) {
             fs::remove(mainPath);
             fs::create_directory(mainPath);
         },
         LOCMAP50_REASON_IS_DIRECTORY},
        {"the disk is full", [](const std::string &) { testsupport::failWritesAfter(0); },
         LOCMAP50_REASON_NO_SPACE},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        VnLocMap &map = loadEditedMap();
        const std::string fileName = mainFile().m_fileName;
        c.disturb(m_mainPath);
        EXPECT_EQ(map.save(false), LOCMAP50_FAILED);
        EXPECT_EQ(lastFailure(), (Recorded{c.reason, fileName}));
        testsupport::stopFailingWrites();
        testsupport::destroyMap();
        fs::remove_all(m_mainPath);
    }
}

TEST_F(FailureReasons, SaveGivesUpOnALockHeldAllTheTime) {
    VnLocMap &map = loadEditedMap();
    platform::detail::SaveLockFile otherSave(platform::detail::replacedFileOf(m_mainPath));
    ASSERT_EQ(otherSave.tryToTake(), platform::detail::SaveLockFile::Attempt::Taken);
    testsupport::limitSaveLockAttempts(2);

    EXPECT_EQ(map.save(false), LOCMAP50_FAILED);
    EXPECT_EQ(lastFailure(), (Recorded{LOCMAP50_REASON_LOCK_TIMED_OUT, mainFile().m_fileName}));
}

TEST_F(FailureReasons, SaveIntoAFolderWithoutWritePermissionIsRefused) {
    VnLocMap &map = loadEditedMap();
    if (!makeReadOnly(m_dir.path())) GTEST_SKIP() << "this process writes into read-only folders";
    testsupport::limitSaveLockAttempts(2);
    EXPECT_EQ(map.save(false), LOCMAP50_FAILED);
    EXPECT_EQ(lastFailure(), (Recorded{LOCMAP50_REASON_PERMISSION_DENIED, mainFile().m_fileName}));
}

TEST_F(FailureReasons, FileThatDidNotLoadWholeIsNamed) {
    m_mainPath = write("main.map", "ZOR_LOCATION_MAP_2\nC:\\stray\n$LMT_A\nC:\\a\n");
    VnLocMap &map = load(m_mainPath);
    EXPECT_EQ(map.save(false), LOCMAP50_FAILED);
    EXPECT_EQ(lastFailure(), (Recorded{LOCMAP50_REASON_NOT_LOADED, mainFile().m_fileName}));
}

TEST_F(FailureReasons, ExportNamesItsTarget) {
    fs::create_directory(m_dir.path() / "adir");
    const struct {
        std::string target;
        int reason;
    } cases[] = {
        {m_dir.file("adir"), LOCMAP50_REASON_IS_DIRECTORY},
        {m_dir.file("missing/all.map"), LOCMAP50_REASON_NOT_FOUND},
        {m_dir.file(std::string(300, 'x') + ".map"), LOCMAP50_REASON_NAME_TOO_LONG},
    };
    VnLocMap &map = loadEditedMap();
    for (const auto &c : cases) {
        EXPECT_EQ(map.exportLocMap(c.target, false), LOCMAP50_FAILED) << c.target;
        EXPECT_EQ(lastFailure(), (Recorded{c.reason, c.target}));
    }
}

TEST_F(FailureReasons, RefusedEditsSayWhyAndTheNextCallForgets) {
    VnLocMap &map = loadEditedMap();
    EXPECT_EQ(map.addEntry("$LMT_A", "C:\\b`"), LOCMAP50_FAILED);
    EXPECT_EQ(lastFailure(), (Recorded{LOCMAP50_REASON_ALREADY_PRESENT, ""}));
    EXPECT_EQ(map.changeEntry("$LMT_A", "C:\\b # not a comment`"), LOCMAP50_FAILED);
    EXPECT_EQ(lastFailure(), (Recorded{LOCMAP50_REASON_INVALID_INPUT, ""}));

    EXPECT_EQ(map.deleteEntry("$LMT_NONE"), LOCMAP50_OK);
    EXPECT_EQ(lastFailure(), kNothing);
    fs::remove(m_mainPath);
    EXPECT_EQ(map.save(false), LOCMAP50_FAILED);
    write("main.map", "ZOR_LOCATION_MAP_2\n$LMT_A\nC:\\a\n");
    EXPECT_EQ(map.save(false), LOCMAP50_OK);
    EXPECT_EQ(lastFailure(), kNothing);
}

}  // namespace
