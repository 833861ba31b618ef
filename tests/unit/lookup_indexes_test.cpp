// SPDX-License-Identifier: Apache-2.0
// The indexes behind the lookups and edits: list positions, and indexes that follow copies and direct changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <list>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/EnvTableTest.h"
#include "locmap50/VnLocMap.h"
#include "containers/FlatHashTable.h"
#include "locmapfile/ListPositions.h"

namespace {

using locmap50::mapfile::ListPositions;

// Values sharing a hash, erased and refilled many times over: every value
// stays findable under its own hash and only there.
TEST(FlatHashTableTest, KeepsSharedHashesThroughErasesAndGrowth) {
    locmap50::containers::FlatHashTable<int> table;
    const auto valuesUnder = [&](std::uint64_t hash) {
        std::vector<int> values;
        table.forEach(hash, [&](int value) { values.push_back(value); });
        std::sort(values.begin(), values.end());
        return values;
    };
    for (int round = 0; round < 3; ++round) {
        for (int value = 0; value < 1000; ++value) table.insert(static_cast<std::uint64_t>(value % 7), value);
        for (int value = 0; value < 1000; value += 2)
            EXPECT_TRUE(table.erase(static_cast<std::uint64_t>(value % 7), [&](int v) { return v == value; }));
        EXPECT_FALSE(table.erase(3, [](int v) { return v == 6; }));  // 6 is filed under 6
        for (int value = 0; value < 1000; value += 2) table.insert(static_cast<std::uint64_t>(value % 7), value);
        for (int value = 1; value < 1000; value += 2)
            EXPECT_TRUE(table.erase(static_cast<std::uint64_t>(value % 7), [&](int v) { return v == value; }));
        std::vector<int> evensUnder3;
        for (int value = 0; value < 1000; value += 2)
            if (value % 7 == 3) evensUnder3.push_back(value);
        EXPECT_EQ(valuesUnder(3), evensUnder3);
        table.clear();
        EXPECT_TRUE(valuesUnder(3).empty());
    }
}

// A table shrunk after filling (to a size that is no power of two) still
// finds each value it holds, and only those, and grows again from there.
TEST(FlatHashTableTest, ShrinksToFitAndKeepsEveryValue) {
    locmap50::containers::FlatHashTable<int> table;
    const auto hashOf = [](int value) { return static_cast<std::uint64_t>(value) * 0x9e3779b97f4a7c15ull; };
    const auto holds = [&](int value) {
        return table.find(hashOf(value), [&](int v) { return v == value; }) != nullptr;
    };
    for (int value = 0; value < 5000; ++value) table.insert(hashOf(value), value);
    for (int value = 0; value < 5000; value += 3) table.erase(hashOf(value), [&](int v) { return v == value; });
    table.shrinkToFit();
    for (int value = 0; value < 5000; ++value) EXPECT_EQ(holds(value), value % 3 != 0) << value;
    for (int value = 5000; value < 6000; ++value) table.insert(hashOf(value), value);
    EXPECT_TRUE(holds(4999) && holds(5999) && !holds(3));
}

std::vector<std::string> contents(const ListPositions::List &list) {
    return std::vector<std::string>(list.begin(), list.end());
}

TEST(ListPositionsTest, FollowsAppendsAndRemovalsOfRepeatedTexts) {
    ListPositions positions;
    ListPositions::List list;
    positions.rebuild(list);
    for (const char *text : {"a", "b", "a", "c"}) positions.append(list, text);
    ASSERT_NE(positions.find("a"), nullptr);
    EXPECT_EQ(positions.find("a")->count, 2u);
    EXPECT_LT(positions.find("a")->rank, positions.find("b")->rank);

    EXPECT_TRUE(positions.removeFirst(list, "a"));
    EXPECT_EQ(contents(list), (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_LT(positions.find("b")->rank, positions.find("a")->rank);  // "a" now stands after "b"
    EXPECT_FALSE(positions.removeFirst(list, "zz"));

    positions.dropLast(list);
    EXPECT_EQ(positions.find("c"), nullptr);
    EXPECT_TRUE(positions.describes(list));
}

TEST(ListPositionsTest, AppendsOnlyNewTextsWithTheNextRank) {
    ListPositions positions;
    ListPositions::List list;
    positions.rebuild(list);
    EXPECT_EQ(positions.appendIfNew(list, "a"), std::optional<std::uint32_t>(0));
    EXPECT_EQ(positions.appendIfNew(list, "b"), std::optional<std::uint32_t>(1));
    EXPECT_EQ(positions.appendIfNew(list, "a"), std::nullopt);
    EXPECT_EQ(contents(list), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(positions.find("b")->rank, 1u);
    EXPECT_TRUE(positions.describes(list));
}

TEST(ListPositionsTest, NoticesChangesMadeBehindItsBack) {
    ListPositions positions;
    ListPositions::List list{"a", "b"};
    positions.rebuild(list);
    list.push_back("c");
    EXPECT_FALSE(positions.describes(list));
    positions.rebuild(list);
    ASSERT_NE(positions.find("c"), nullptr);
    EXPECT_TRUE(positions.removeFirst(list, "b"));
    EXPECT_EQ(contents(list), (std::vector<std::string>{"a", "c"}));
}

TEST(MapFileRecordIndexTest, DeleteFindsEntriesAddedDirectlyAndKeepsIncludeMarkers) {
    VnLocMapFile file;
    file.m_entryOrder = {"$A", "INCLUDE", "$B"};
    file.m_entryHardPaths["$A"] = {"C:\\a"};
    file.m_entryHardPaths["$B"] = {"C:\\b"};
    file.deleteEntry("$A");
    file.m_entryOrder.push_back("$C");  // changed directly, after the index was made
    file.m_entryHardPaths["$C"] = {"C:\\c"};
    file.deleteEntry("$C");
    file.deleteEntry("INCLUDE");
    EXPECT_EQ(file.m_entryOrder, (std::list<std::string>{"INCLUDE", "$B"}));
    EXPECT_EQ(file.m_entryHardPaths.count("$C"), 0u);

    VnLocMapFile copy = file;  // a copy builds its own index over its own lists
    copy.deleteEntry("$B");
    EXPECT_EQ(copy.m_entryOrder, (std::list<std::string>{"INCLUDE"}));
    EXPECT_EQ(file.m_entryOrder, (std::list<std::string>{"INCLUDE", "$B"}));
}

class MapIndexTest : public testsupport::EnvTableTest {
protected:
    static VnLocMap *map() { return VnLocMap::createMap(); }
    static std::string soft(VnLocMap &map, const std::string &path) {
        std::string result = "<untouched>";
        map.getSoftName(path, result);
        return result;
    }
};

// A copy answers from its own tables, whatever happens to the source.
TEST_F(MapIndexTest, ACopyIndexesItsOwnTables) {
    map()->addEntry("$A", "C:\\a`");
    map()->addEntry("$B", "C:\\a\\b`");
    ASSERT_EQ(soft(*map(), "C:\\a\\b\\x"), "$A\\b\\x");
    VnLocMap *copy = new VnLocMap(*map());
    map()->deleteEntry("$A");
    EXPECT_EQ(soft(*map(), "C:\\a\\b\\x"), "$B\\x");
    EXPECT_EQ(soft(*copy, "C:\\a\\b\\x"), "$A\\b\\x");
    copy->DestroyMap();
}

// Edits change the answers at once; primary hard paths stay as loaded.
TEST_F(MapIndexTest, EditsAreSeenByTheNextLookup) {
    map()->addEntry("$A", "C:\\a`D:\\d`");
    map()->changeEntry("$A", "E:\\e`");
    EXPECT_EQ(soft(*map(), "C:\\a\\x"), "C:\\a\\x");
    EXPECT_EQ(soft(*map(), "e:\\E\\x"), "$A\\x");
    map()->m_primaryHardPaths["$P"] = "F:\\p\\";  // entered directly: noticed by its size
    std::string hardName;
    EXPECT_EQ(map()->getHardName("$P\\x", hardName), LOCMAP50_OK);
    EXPECT_EQ(hardName, "F:\\p\\x");
}

// Changes the tables' shapes do not show are seen once the caller reindexes.
TEST_F(MapIndexTest, ReindexShowsTablesChangedDirectly) {
    map()->addEntry("$A", "C:\\a`");
    map()->addEntry("$B", "D:\\b`");
    ASSERT_EQ(soft(*map(), "E:\\e\\x"), "E:\\e\\x");
    map()->m_softToHardMap["$A"].push_back("E:\\e");
    map()->m_softToHardMap["$B"].front() = "F:\\f";
    map()->reindex();
    EXPECT_EQ(soft(*map(), "E:\\e\\x"), "$A\\x");
    EXPECT_EQ(soft(*map(), "f:\\F\\x"), "$B\\x");
    EXPECT_EQ(soft(*map(), "D:\\b\\x"), "D:\\b\\x");
}

}  // namespace
