// SPDX-License-Identifier: Apache-2.0
// Tests that every call of the C interface that has the map to itself leaves built each index the lookups read.
#include <mutex>
#include <shared_mutex>
#include <string>

#include "capi/CApiSupport.h"
#include "support/CApiTest.h"

namespace {

// Whether a lookup coming now would find every index built, and so only read.
bool lookupsFindAllBuilt() {
    const std::shared_lock<locmap50::capi::MapLock> shared(locmap50::capi::mapLock());
    return locmap50::capi::lookupsReady();
}

class LookupsReadyTest : public CApiTest {};

TEST_F(LookupsReadyTest, EveryCallThatHasTheMapToItselfLeavesTheLookupIndexesBuilt) {
    // A variable holding a hard path: a reload refills the environment table.
    setEnv("LOCMAP_READY_TOOL", "D:\\ready\\tool");
    const std::string main = loadMap("$P\nC:\\p\n");
    EXPECT_TRUE(lookupsFindAllBuilt()) << "after InitLocationMap";
    ASSERT_EQ(ChangeEntry("$Q", "C:\\q`", LOCMAP50_ADD_ENTRY), LOCMAP50_OK);
    EXPECT_TRUE(lookupsFindAllBuilt()) << "after ChangeEntry";
    ASSERT_EQ(ChangeEntryInFile(main.c_str(), "$P", "C:\\p2`", LOCMAP50_REPLACE_ENTRY), LOCMAP50_OK);
    EXPECT_TRUE(lookupsFindAllBuilt()) << "after ChangeEntryInFile";
    ASSERT_EQ(SaveLocationMapKeepingLayout(), LOCMAP50_OK);
    EXPECT_TRUE(lookupsFindAllBuilt()) << "after SaveLocationMapKeepingLayout";
    ASSERT_EQ(Export(m_dir.file("export.map").c_str(), 0), LOCMAP50_OK);
    EXPECT_TRUE(lookupsFindAllBuilt()) << "after Export";
    ASSERT_EQ(InitLocationMap(main.c_str(), 1), LOCMAP50_OK);
    EXPECT_TRUE(lookupsFindAllBuilt()) << "after a second InitLocationMap";
    ASSERT_EQ(InitLocationMap(m_dir.file("missing.map").c_str(), 1), LOCMAP50_NO_MAP);
    EXPECT_TRUE(lookupsFindAllBuilt()) << "after an InitLocationMap that found no map";
}

}  // namespace
