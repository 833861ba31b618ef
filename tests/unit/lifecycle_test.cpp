// SPDX-License-Identifier: Apache-2.0
// The location map singleton: creation, destruction, uninitialize and copying.
#include <gtest/gtest.h>

#include "locmap50/VnLocMap.h"
#include "locmap50/result_codes.h"
#include "support/MapTest.h"
#include "support/TestSupport.h"

namespace {

class Lifecycle : public testsupport::MapTest {
protected:
    // A map with something in every table that uninitialize treats.
    static void fill(VnLocMap &map) {
        map.m_resolvedNameCache["a"] = "C:\\w\\a";
        map.m_primaryHardPaths["$P"] = "C:\\p";
        map.m_softToHardMap["$P"] = {"C:\\p", "D:\\p"};
        map.m_softPrefixOrder.push_back("$P");
        map.m_envOverridden.push_back("$P");
        map.m_softToFileMap["$P"] = "C:\\m\\zor_location_map";
        map.m_mapFileName = "C:\\m\\zor_location_map";
        map.m_errorText = "errors";
        map.m_globalMapInUse = false;
        map.m_mapFiles.emplace_back();
        map.m_mapFiles.back().m_entryOrder.push_back("$P");
        map.m_mapFiles.back().m_fileName = map.m_mapFileName;
    }
};

}  // namespace

TEST_F(Lifecycle, ExistsOnlyBetweenCreateAndDestroy) {
    EXPECT_FALSE(VnLocMap::exists());
    VnLocMap *map = VnLocMap::createMap();
    ASSERT_NE(map, nullptr);
    EXPECT_TRUE(VnLocMap::exists());
    EXPECT_EQ(VnLocMap::createMap(), map);
    map->DestroyMap();
    EXPECT_FALSE(VnLocMap::exists());
}

TEST_F(Lifecycle, ANewMapIsEmptyWithItsMessages) {
    testsupport::ScopedEnv variable("LM50_LIFE_VAR", "value");
    const VnLocMap *map = VnLocMap::createMap();
    EXPECT_TRUE(map->m_softToHardMap.empty());
    EXPECT_TRUE(map->m_mapFiles.empty());
    EXPECT_TRUE(map->m_mapFileName.empty());
    EXPECT_TRUE(map->m_errorText.empty());
    EXPECT_TRUE(map->m_globalMapInUse);
    EXPECT_EQ(map->m_environment.m_variables.at("LM50_LIFE_VAR"), "value");
    EXPECT_EQ(map->m_msgBadEnvPath,
              "Error: Environment varibale ZOR_LOCATION_MAP\n is pointing to a wrong path.\n\n");
    EXPECT_EQ(map->m_msgNoReadAccess,
              "Error: Location map file %s does not\n have read read permission or does not exist.\n\n");
}

TEST_F(Lifecycle, SnapshotIsNotRefreshedAfterCreation) {
    const VnLocMap *map = VnLocMap::createMap();
    testsupport::ScopedEnv later("LM50_LIFE_LATER", "v");
    EXPECT_EQ(map->m_environment.m_variables.count("LM50_LIFE_LATER"), 0u);
}

TEST_F(Lifecycle, UninitializeEmptiesTablesAndKeepsTheListedMembers) {
    VnLocMap *old = VnLocMap::createMap();
    fill(*old);
    EXPECT_EQ(old->uninitialize(), LOCMAP50_OK);

    EXPECT_FALSE(VnLocMap::exists());
    EXPECT_TRUE(old->m_resolvedNameCache.empty());
    EXPECT_TRUE(old->m_primaryHardPaths.empty());
    EXPECT_TRUE(old->m_softToHardMap.empty());
    EXPECT_TRUE(old->m_softPrefixOrder.empty());
    EXPECT_TRUE(old->m_mapFiles.empty());
    EXPECT_TRUE(old->m_errorText.empty());
    EXPECT_TRUE(old->m_globalMapInUse);
    EXPECT_EQ(old->m_envOverridden, std::list<std::string>{"$P"});
    EXPECT_EQ(old->m_softToFileMap.at("$P"), "C:\\m\\zor_location_map");
    EXPECT_EQ(old->m_mapFileName, "C:\\m\\zor_location_map");

    VnLocMap *fresh = VnLocMap::createMap();
    EXPECT_NE(fresh, old);
    EXPECT_TRUE(fresh->m_mapFileName.empty());

    // Destroying the old object must not orphan the new singleton.
    old->DestroyMap();
    EXPECT_TRUE(VnLocMap::exists());
    EXPECT_EQ(VnLocMap::createMap(), fresh);
}

TEST_F(Lifecycle, CopiesAreDeepAndNeverTheSingleton) {
    VnLocMap *map = VnLocMap::createMap();
    fill(*map);
    // The destructor is private, so a copy too lives on the heap and ends by DestroyMap.
    VnLocMap *copy = new VnLocMap(*map);
    EXPECT_EQ(VnLocMap::createMap(), map);
    EXPECT_EQ(copy->m_softToHardMap, map->m_softToHardMap);
    EXPECT_EQ(copy->m_mapFiles.front().m_entryOrder, map->m_mapFiles.front().m_entryOrder);

    copy->uninitialize();  // must leave the singleton and its tables alone
    EXPECT_EQ(VnLocMap::createMap(), map);
    EXPECT_EQ(map->m_softToHardMap.at("$P").size(), 2u);
    EXPECT_EQ(map->m_mapFiles.front().m_entryOrder.size(), 1u);

    *copy = *map;
    const VnLocMap &same = *copy;
    *copy = same;  // self-assignment changes nothing
    EXPECT_EQ(copy->m_primaryHardPaths.at("$P"), "C:\\p");
    EXPECT_EQ(copy->m_mapFiles.size(), 1u);

    copy->DestroyMap();
    EXPECT_EQ(VnLocMap::createMap(), map);
}

TEST_F(Lifecycle, ShowOnErrorKeepsWhatCallersStore) {
    const bool before = VnLocMap::showOnError;
    VnLocMap::showOnError = true;
    VnLocMap::createMap()->DestroyMap();
    EXPECT_TRUE(VnLocMap::showOnError);
    VnLocMap::showOnError = before;
}
