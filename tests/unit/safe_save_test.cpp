// SPDX-License-Identifier: Apache-2.0
// Tests that saving and export never leave a truncated file, a stray temporary file, or a false success.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "locmap50/VnLocMap.h"
#include "locmap50/result_codes.h"
#include "platform/Platform.h"
#include "support/FileCallFaults.h"
#include "support/MapTest.h"
#include "support/TestSupport.h"

namespace {

using testsupport::namesIn;
using testsupport::readFile;

const char kOldText[] = "ZOR_LOCATION_MAP_2\r\n\r\n$OLD\r\nC:\\old\r\n\r\n";

VnLocMapFile recordWithManyEntries(const std::string &fileName) {
    VnLocMapFile file;
    file.m_fileName = fileName;
    file.m_version = "2";
    for (int i = 0; i < 50; ++i) {
        const std::string prefix = "$P" + std::to_string(i);
        file.m_entryOrder.push_back(prefix);
        file.m_entryHardPaths[prefix] = {"C:\\some\\longer\\hard\\path\\" + std::to_string(i)};
    }
    return file;
}

class SafeSaveTest : public testsupport::MapFileTest {
protected:
    void TearDown() override {
        testsupport::stopFailingWrites();
        testsupport::MapFileTest::TearDown();
    }

    // A map whose export is long enough to fail half-way.
    VnLocMap *mapWithEntries() {
        VnLocMap *map = VnLocMap::createMap();
        for (int i = 0; i < 50; ++i)
            map->addEntry("$P" + std::to_string(i), "C:\\some\\longer\\hard\\path`");
        return map;
    }

    std::string existingTarget() {
        return write("target.map", kOldText);
    }

    void expectOnlyTheOldTarget(const std::string &target) {
        EXPECT_EQ(readFile(target), std::string(kOldText));
        EXPECT_EQ(namesIn(m_dir.path()), std::vector<std::string>{"target.map"});
    }

    std::string missingDirectoryTarget() const { return m_dir.file("missing/target.map"); }
};

TEST_F(SafeSaveTest, FileSaveFailingHalfWayKeepsTheOldFile) {
    const std::string target = existingTarget();
    VnLocMapFile file = recordWithManyEntries(target);
    testsupport::failWritesAfter(600);
    EXPECT_EQ(file.save(false), LOCMAP50_FAILED);
    expectOnlyTheOldTarget(target);
}

TEST_F(SafeSaveTest, FileSaveIntoAMissingDirectoryFails) {
    VnLocMapFile file = recordWithManyEntries(missingDirectoryTarget());
    EXPECT_EQ(file.save(false), LOCMAP50_FAILED);
    EXPECT_TRUE(namesIn(m_dir.path()).empty());
}

TEST_F(SafeSaveTest, ExportFailingHalfWayKeepsTheOldFile) {
    const std::string target = existingTarget();
    VnLocMap *map = mapWithEntries();
    testsupport::failWritesAfter(600);
    EXPECT_EQ(map->exportLocMap(target, false), LOCMAP50_FAILED);
    expectOnlyTheOldTarget(target);
}

TEST_F(SafeSaveTest, ExportIntoAMissingDirectoryFails) {
    EXPECT_EQ(mapWithEntries()->exportLocMap(missingDirectoryTarget(), false), LOCMAP50_FAILED);
    EXPECT_TRUE(namesIn(m_dir.path()).empty());
}

TEST_F(SafeSaveTest, MapSaveStopsAtTheFirstFileThatFails) {
    VnLocMap *map = VnLocMap::createMap();
    const std::string last = existingTarget();
    map->m_mapFiles.push_back(recordWithManyEntries(m_dir.file("first.map")));
    map->m_mapFiles.push_back(recordWithManyEntries(missingDirectoryTarget()));
    map->m_mapFiles.push_back(recordWithManyEntries(last));

    EXPECT_EQ(map->save(false), LOCMAP50_FAILED);
    EXPECT_TRUE(readFile(m_dir.file("first.map")).has_value());
    EXPECT_EQ(readFile(last), std::string(kOldText));
}

TEST_F(SafeSaveTest, MapSaveWithoutFilesSucceeds) {
    EXPECT_EQ(VnLocMap::createMap()->save(false), LOCMAP50_OK);
}

}  // namespace
