// SPDX-License-Identifier: Apache-2.0
// Tests of editing, saving and exporting the merged location map, by hand and on real map files.
#include <gtest/gtest.h>

#include <filesystem>
#include <list>
#include <map>
#include <string>

#include "locmap50/VnLocMap.h"
#include "locmap50/result_codes.h"
#include "support/Golden.h"
#include "support/MapTest.h"
#include "support/TestSupport.h"

namespace {

using testsupport::golden;
using testsupport::readFile;
using testsupport::writtenText;
using Paths = std::list<std::string>;

VnLocMapFile fileRecord(const std::string &fileName, const std::string &prefix, const Paths &paths) {
    VnLocMapFile file;
    file.m_fileName = fileName;
    file.m_version = "2";
    file.m_entryOrder = {prefix};
    file.m_entryHardPaths[prefix] = paths;
    return file;
}

class EditingTest : public testsupport::MapFileTest {
protected:
    // A map of two files, main then included, with the merged tables to match.
    VnLocMap *mapOfTwoFiles() {
        VnLocMap *map = VnLocMap::createMap();
        map->addEntry("$MAIN", "C:\\main`");
        map->addEntry("$INC", "D:\\inc`");
        map->m_mapFiles.push_back(fileRecord(m_dir.file("main.map"), "$MAIN", {"C:\\main"}));
        map->m_mapFiles.push_back(fileRecord(m_dir.file("inc.map"), "$INC", {"D:\\inc"}));
        return map;
    }

    std::string exported(VnLocMap *map) {
        const std::string target = m_dir.file("export.map");
        EXPECT_EQ(map->exportLocMap(target, false), LOCMAP50_OK);
        return writtenText(target);
    }
};

TEST_F(EditingTest, AddEntryWithoutMapFileEntersTheMergedTables) {
    VnLocMap *map = VnLocMap::createMap();
    EXPECT_EQ(map->addEntry("$NEW", "C:/a`D:\\b`"), LOCMAP50_NO_MAP);
    EXPECT_EQ(map->m_softToHardMap["$NEW"], (Paths{"C:/a", "D:\\b"}));
    EXPECT_EQ(map->m_softPrefixOrder, Paths{"$NEW"});
}

TEST_F(EditingTest, AddEntryOfAKnownPrefixChangesNothing) {
    VnLocMap *map = mapOfTwoFiles();
    const auto mergedBefore = map->m_softToHardMap;
    const auto orderBefore = map->m_softPrefixOrder;
    for (const char *known : {"$MAIN", "$INC"}) {
        EXPECT_EQ(map->addEntry(known, "X:\\other`"), LOCMAP50_FAILED) << known;
        EXPECT_EQ(map->m_softToHardMap, mergedBefore);
        EXPECT_EQ(map->m_softPrefixOrder, orderBefore);
        EXPECT_EQ(map->m_mapFiles.front().m_entryOrder, Paths{"$MAIN"});
    }
}

TEST_F(EditingTest, AddEntryGoesLastIntoTheMainFile) {
    VnLocMap *map = mapOfTwoFiles();
    EXPECT_EQ(map->addEntry("$NEW", "X:/new`"), LOCMAP50_OK);
    const VnLocMapFile &mainFile = map->m_mapFiles.front();
    EXPECT_EQ(mainFile.m_entryOrder, (Paths{"$MAIN", "$NEW"}));
    EXPECT_EQ(mainFile.m_entryHardPaths.at("$NEW"), Paths{"X:/new"});
    EXPECT_EQ(map->m_mapFiles.back().m_entryOrder, Paths{"$INC"});
    EXPECT_EQ(map->m_softPrefixOrder, (Paths{"$MAIN", "$INC", "$NEW"}));
}

TEST_F(EditingTest, ChangeEntryReachesTheMergedTablesAndTheFileHoldingIt) {
    VnLocMap *map = mapOfTwoFiles();
    EXPECT_EQ(map->changeEntry("$INC", "E:\\p`F:/q`G"), LOCMAP50_OK);
    EXPECT_EQ(map->m_softToHardMap["$INC"], (Paths{"E:\\p", "F:/q"}));
    EXPECT_EQ(map->m_mapFiles.back().m_entryHardPaths.at("$INC"), (Paths{"E:\\p", "F:/q"}));
    EXPECT_EQ(map->m_mapFiles.front().m_entryHardPaths.count("$INC"), 0u);
    EXPECT_EQ(map->m_softPrefixOrder, (Paths{"$MAIN", "$INC"}));
}

TEST_F(EditingTest, ChangeEntryOfAnAbsentPrefixAddsNothing) {
    VnLocMap *map = mapOfTwoFiles();
    const auto mergedBefore = map->m_softToHardMap;
    EXPECT_EQ(map->changeEntry("$ABSENT", "X:\\x`"), LOCMAP50_OK);
    EXPECT_EQ(map->m_softToHardMap, mergedBefore);
}

TEST_F(EditingTest, EditsThatWouldSplitASavedLineAreRefused) {
    VnLocMap *map = mapOfTwoFiles();
    const auto mergedBefore = map->m_softToHardMap;
    const auto mainBefore = map->m_mapFiles.front().m_entryHardPaths;
    for (const char *lineBreak : {"\n", "\r"}) {
        const std::string injected = std::string("C:\\a") + lineBreak + "INCLUDE C:\\evil.map`";
        EXPECT_EQ(map->changeEntry("$MAIN", injected), LOCMAP50_FAILED);
        EXPECT_EQ(map->addEntry("$NEW", injected), LOCMAP50_FAILED);
        EXPECT_EQ(map->addEntry(std::string("$NEW") + lineBreak + "$X", "C:\\a`"), LOCMAP50_FAILED);
        EXPECT_EQ(map->m_mapFiles.front().changeEntry("$MAIN", injected), LOCMAP50_FAILED);
    }
    EXPECT_EQ(map->m_softToHardMap, mergedBefore);
    EXPECT_EQ(map->m_mapFiles.front().m_entryHardPaths, mainBefore);
    EXPECT_EQ(map->m_softPrefixOrder, (Paths{"$MAIN", "$INC"}));
}

TEST_F(EditingTest, DeleteEntryRemovesThePrefixEverywhere) {
    VnLocMap *map = mapOfTwoFiles();
    for (int call = 0; call < 2; ++call) {
        EXPECT_EQ(map->deleteEntry("$INC"), LOCMAP50_OK);
        EXPECT_EQ(map->m_softToHardMap.count("$INC"), 0u);
        EXPECT_EQ(map->m_softPrefixOrder, Paths{"$MAIN"});
        EXPECT_TRUE(map->m_mapFiles.back().m_entryOrder.empty());
        EXPECT_EQ(map->m_mapFiles.front().m_entryOrder, Paths{"$MAIN"});
    }
}

TEST_F(EditingTest, ExportWritesTheEditedMergedMap) {
    VnLocMap *map = VnLocMap::createMap();
    map->addEntry("$TOOLS", "C:/fwd/tools`D:\\tools`");
    map->addEntry("$GONE", "E:\\gone`");
    map->addEntry("$EMPTY", "no backquote");
    map->changeEntry("$TOOLS", "C:/fwd/tools`` tail");
    map->deleteEntry("$GONE");
    map->addEntry("$LAST", "\\\\srv\\share`");
    EXPECT_EQ(exported(map), golden("export/edited.txt"));
}

TEST_F(EditingTest, ExportOfAnEmptyMapWritesTheFourHeaderLines) {
    EXPECT_EQ(exported(VnLocMap::createMap()), golden("export/empty.txt"));
}

TEST_F(EditingTest, ExportToStandardOutputTouchesNoFile) {
    VnLocMap *map = VnLocMap::createMap();
    const std::string target = m_dir.file("export.map");
    const auto printed = testsupport::printedBy([&] { return map->exportLocMap(target, true); });
    EXPECT_EQ(printed.result, LOCMAP50_OK);
    EXPECT_EQ(printed.output, golden("export/empty.txt"));
    EXPECT_FALSE(readFile(target).has_value());
}

TEST_F(EditingTest, SaveToStandardOutputWritesEveryFileMainFirst) {
    VnLocMap *map = mapOfTwoFiles();
    const auto printed = testsupport::printedBy([&] { return map->save(true); });
    EXPECT_EQ(printed.result, LOCMAP50_OK);
    EXPECT_EQ(printed.output, "ZOR_LOCATION_MAP_2\n\n$MAIN\nC:\\main\n\n"
                                         "ZOR_LOCATION_MAP_2\n\n$INC\nD:\\inc\n\n");
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.path()));
}

// Map files read from disk, as InitLocationMap loads them. The fixtures are
// copied into a temporary directory, which is also the current directory so
// that the relative include lines find their files.
class RoundTripTest : public EditingTest {
protected:
    void SetUp() override {
        for (const char *name : {"main.map", "site.map", "env.map"})
            std::filesystem::copy_file(testsupport::dataFile(std::string("roundtrip/") + name), m_dir.path() / name);
    }

    VnLocMap *loadCopy(const std::string &name) { return &load(m_dir.file(name)); }

    std::string fileText(const std::string &name) { return writtenText(m_dir.file(name)); }

    testsupport::ScopedCurrentDir m_currentDir{m_dir.path()};
    testsupport::ScopedEnv m_noTools{"LM50_TOOLS", std::nullopt};
    testsupport::ScopedEnv m_noProj{"LM50_PROJ", std::nullopt};
    testsupport::ScopedEnv m_noPath{"LM50_NO_PATH", std::nullopt};
};

TEST_F(RoundTripTest, SaveOfAnUneditedMapWritesEachFileInTheLayout) {
    VnLocMap *map = loadCopy("main.map");
    ASSERT_EQ(map->m_mapFiles.size(), 2u);
    EXPECT_EQ(map->save(false), LOCMAP50_OK);
    EXPECT_EQ(fileText("main.map"), golden("save/roundtrip_main.txt"));
    EXPECT_EQ(fileText("site.map"), golden("save/roundtrip_site.txt"));
    EXPECT_EQ(exported(map), golden("export/roundtrip.txt"));
}

TEST_F(RoundTripTest, SavingTwiceWritesIdenticalFiles) {
    VnLocMap *map = loadCopy("main.map");
    map->changeEntry("$LM50_SITE", "E:\\changed`");
    ASSERT_EQ(map->save(false), LOCMAP50_OK);
    const auto mainText = readFile(m_dir.file("main.map"));
    const auto siteText = readFile(m_dir.file("site.map"));
    ASSERT_EQ(map->save(false), LOCMAP50_OK);
    EXPECT_EQ(readFile(m_dir.file("main.map")), mainText);
    EXPECT_EQ(readFile(m_dir.file("site.map")), siteText);
}

TEST_F(RoundTripTest, EditedMapReadsBackAsEdited) {
    VnLocMap *map = loadCopy("main.map");
    map->changeEntry("$LM50_TOOLS", "X:\\new\\tools`");
    map->changeEntry("$LM50_SITE", "E:\\site`E:\\site\\second`");
    map->deleteEntry("$LM50_PROJ");
    ASSERT_EQ(map->addEntry("$LM50_ADDED", "Y:\\added`"), LOCMAP50_OK);
    ASSERT_EQ(map->save(false), LOCMAP50_OK);

    map = loadCopy("main.map");
    const std::map<std::string, Paths> expected = {
        {"$LM50_TOOLS", {"X:\\new\\tools"}},
        {"$LM50_SITE", {"E:\\site", "E:\\site\\second"}},
        {"$LM50_ADDED", {"Y:\\added"}},
    };
    EXPECT_EQ(map->m_softToHardMap, expected);
    EXPECT_EQ(map->m_softPrefixOrder, (Paths{"$LM50_TOOLS", "$LM50_SITE", "$LM50_ADDED"}));
}

// The environment changes only the merged map: the file keeps its own paths,
// and a prefix only the environment completed is saved without hard paths.
TEST_F(RoundTripTest, EnvironmentNeverRewritesAMapFile) {
    testsupport::ScopedEnv overriding("LM50_OVERRIDDEN", "F:\\from\\env");
    testsupport::ScopedEnv supplying("LM50_ENV_ONLY", "G:\\env\\only");
    testsupport::ScopedEnv plain("LM50_PLAIN", std::nullopt);
    VnLocMap *map = loadCopy("env.map");
    const auto mergedBefore = map->m_softToHardMap;
    const VnLocMapFile recordBefore = map->m_mapFiles.front();

    ASSERT_EQ(map->save(false), LOCMAP50_OK);
    EXPECT_EQ(fileText("env.map"), golden("save/env_override.txt"));
    EXPECT_EQ(exported(map), golden("export/env_override.txt"));

    map = loadCopy("env.map");
    EXPECT_EQ(map->m_softToHardMap, mergedBefore);
    EXPECT_EQ(map->m_mapFiles.front().m_entryHardPaths, recordBefore.m_entryHardPaths);
    EXPECT_EQ(map->m_mapFiles.front().m_entryOrder, recordBefore.m_entryOrder);
}

}  // namespace
