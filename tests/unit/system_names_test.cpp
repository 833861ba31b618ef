// SPDX-License-Identifier: Apache-2.0
// A map in a folder whose name holds "\" (POSIX only): read, edited and saved under the system's own name for it.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <tuple>

#include "locmap50/VnLocMap.h"
#include "platform/Platform.h"
#include "support/MapTest.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
namespace platform = locmap50::platform;
using testsupport::readFile;

constexpr char kMap[] = "ZOR_LOCATION_MAP_2\n$A\n/opt/real\n";

// Each entry below root but `except`, links not followed: its kind, inode
// and, for all but folders (whose entries are listed here anyway), its
// modification time and bytes.
std::map<std::string, std::string> entriesBelow(const fs::path &root, const std::string &except) {
    std::map<std::string, std::string> entries;
    for (const fs::directory_entry &entry : fs::recursive_directory_iterator(root)) {
        const std::string path = entry.path().string();
        struct stat status;
        if (path == except || ::lstat(path.c_str(), &status) != 0) continue;
        std::string state = std::to_string(status.st_mode) + " " + std::to_string(status.st_ino);
        if (!S_ISDIR(status.st_mode))
            state += " " + std::to_string(status.st_mtim.tv_sec) + "." + std::to_string(status.st_mtim.tv_nsec);
        if (S_ISREG(status.st_mode)) state += " " + readFile(path).value_or("");
        entries[path] = state;
    }
    return entries;
}

// root/a\b holds the map, reached through the link root/link; root/a/b is
// what a "\" turned into "/" would name instead.
class BackslashFolder : public testsupport::MapTest {
protected:
    void SetUp() override {
        m_real = m_dir.write("a\\b/m.map", kMap);
        fs::create_symlink("a\\b", m_dir.path() / "link");
    }
    void plantDecoy() { m_dir.write("a/b/m.map", kMap); }

    testsupport::TempDir m_dir;
    std::string m_real;
};

struct SaveCase {
    const char *name;
    std::function<int(VnLocMap &)> edit;
    std::function<int(VnLocMap &)> save;
};

void PrintTo(const SaveCase &save, std::ostream *out) { *out << save.name; }

int changeA(VnLocMap &map) { return map.changeEntry("$A", "/opt/new`"); }

const SaveCase kSaveCases[] = {
    {"standard", changeA, [](VnLocMap &map) { return map.save(false); }},
    {"keeping_layout", changeA, [](VnLocMap &map) { return map.saveKeepingLayout(); }},
    {"one_file", [](VnLocMap &map) { return map.changeEntryInFile("link/m.map", "$A", "/opt/new`"); },
     [](VnLocMap &map) { return map.saveKeepingLayout(); }},
    {"export_onto_the_map", changeA, [](VnLocMap &map) { return map.exportLocMap("link/m.map", false); }},
};

class BackslashFolderSave : public BackslashFolder, public ::testing::WithParamInterface<std::tuple<SaveCase, bool>> {};

TEST_P(BackslashFolderSave, WritesTheMapItReadAndNothingElse) {
    const auto &[save, withDecoy] = GetParam();
    if (withDecoy) plantDecoy();
    testsupport::ScopedCurrentDir inside(m_dir.path());
    const auto before = entriesBelow(m_dir.path(), m_real);
    VnLocMap &map = testsupport::loadMapFile("link/m.map").map;
    ASSERT_EQ(map.m_softToHardMap["$A"].front(), "/opt/real");
    ASSERT_EQ(save.edit(map), LOCMAP50_OK);
    ASSERT_EQ(save.save(map), LOCMAP50_OK);
    EXPECT_NE(readFile(m_real).value_or("").find("$A\n/opt/new\n"), std::string::npos);
    EXPECT_EQ(entriesBelow(m_dir.path(), m_real), before);
    // Names go back to callers as they were given.
    EXPECT_EQ(map.m_mapFileName, "link/m.map");
}

INSTANTIATE_TEST_SUITE_P(Saves, BackslashFolderSave,
                         ::testing::Combine(::testing::ValuesIn(kSaveCases), ::testing::Bool()),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "_beside_a_decoy" : "");
                         });

// A relative include resolves against the current directory, which the
// system names with its "\"; a "\" the include line writes is a separator.
TEST_F(BackslashFolder, IncludesRelativeToACurrentDirectoryWithABackslashAreEditedWhereTheyStand) {
    const std::string included = m_dir.write("a\\b/inc.map", "ZOR_LOCATION_MAP_2\n$I\n/opt/i\n");
    m_dir.write("a\\b/m.map", "ZOR_LOCATION_MAP_2\nINCLUDE inc.map\n");
    m_dir.write("a/b/inc.map", "ZOR_LOCATION_MAP_2\n$I\n/opt/decoy\n");
    testsupport::ScopedCurrentDir inside(m_dir.path() / "a\\b");
    const auto before = entriesBelow(m_dir.path(), included);
    VnLocMap &map = testsupport::loadMapFile("m.map").map;
    ASSERT_EQ(map.m_softToHardMap["$I"].front(), "/opt/i");
    ASSERT_EQ(map.changeEntryInFile("inc.map", "$I", "/opt/new`"), LOCMAP50_OK);
    ASSERT_EQ(map.saveKeepingLayout(), LOCMAP50_OK);
    EXPECT_EQ(readFile(included), "ZOR_LOCATION_MAP_2\n$I\n/opt/new\n");
    EXPECT_EQ(entriesBelow(m_dir.path(), included), before);
    std::string absolute;
    ASSERT_EQ(map.getAbsoluteHardName("x.v", absolute), LOCMAP50_OK);
    EXPECT_EQ(absolute, m_dir.file("a\\b/x.v"));
}

// The map's own name holds "\": its folder is the one it stands in, and a
// folder named like the part before the "\" is none of the save's business.
TEST_F(BackslashFolder, AMapWhoseNameHoldsABackslashIsSavedBesideItself) {
    const std::string real = m_dir.write("x\\y.map", kMap);
    m_dir.write("x\\/y.map.tmp-abc123", "not the save's\n");
    m_dir.write("x\\/y.map", kMap);
    fs::create_symlink("x\\y.map", m_dir.path() / "l.map");
    testsupport::ScopedCurrentDir inside(m_dir.path());
    const auto before = entriesBelow(m_dir.path(), real);
    VnLocMap &map = testsupport::loadMapFile("l.map").map;
    ASSERT_EQ(map.changeEntry("$A", "/opt/new`"), LOCMAP50_OK);
    ASSERT_EQ(map.save(false), LOCMAP50_OK);
    EXPECT_NE(readFile(real).value_or("").find("$A\n/opt/new\n"), std::string::npos);
    EXPECT_EQ(entriesBelow(m_dir.path(), real), before);
}

TEST_F(BackslashFolder, TheSystemsNameReachesTheSystemAsItIs) {
    plantDecoy();
    testsupport::writeFile(m_real, "real");
    testsupport::ScopedCurrentDir inside(m_dir.path());
    const platform::Result<platform::FileName> absolute = platform::absolutePath("link/m.map");
    ASSERT_TRUE(absolute);
    EXPECT_EQ(absolute->text(), m_real);
    EXPECT_EQ(platform::readRegularFile(*absolute), std::string("real"));
    // The same bytes given by a caller are in the library's form.
    EXPECT_EQ(platform::readRegularFile(m_real), std::string(kMap));
    EXPECT_EQ(platform::currentDirectory(), m_dir.path().string());
}

}  // namespace

#endif  // _WIN32
