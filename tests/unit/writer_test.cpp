// SPDX-License-Identifier: Apache-2.0
// Tests of the map file writer and of editing one map file's record, on records built by hand.
#include <gtest/gtest.h>

#include <functional>
#include <list>
#include <string>

#include "locmap50/VnLocMapFile.h"
#include "locmap50/result_codes.h"
#include "support/Golden.h"
#include "support/TestSupport.h"

namespace {

using testsupport::golden;
using testsupport::readFile;

// The record the reader makes of "ZOR_LOCATION_MAP_1", "$A", "C:/x",
// "# note", "INCLUDE  B.map", "$B", "D:\y", "D:\z".
void fillVersion1WithInclude(VnLocMapFile &file) {
    file.m_version = "1";
    file.m_entryOrder = {"$A", "INCLUDE", "$B"};
    file.m_includeLines = {"INCLUDE  B.map"};
    file.m_entryHardPaths["$A"] = {"C:\\x"};
    file.m_entryHardPaths["$B"] = {"D:\\y", "D:\\z"};
}

// Include lines are placed at their markers in turn; a prefix without a table
// entry and a marker without an include line left are tolerated.
void fillIncludesAtMarkers(VnLocMapFile &file) {
    file.m_version = "2";
    file.m_entryOrder = {"INCLUDE", "$A", "$NO_PATHS", "INCLUDE", "INCLUDE"};
    file.m_includeLines = {"INCLUDE first.map", "INCLUDE\tC:/maps/site map.txt"};
    file.m_entryHardPaths["$A"] = {"\\\\server\\share\\a"};
}

void fillForce(VnLocMapFile &file) {
    file.m_force = true;
    file.m_entryOrder = {"$F"};
    file.m_entryHardPaths["$F"] = {"C:\\f"};
}

class WriterTest : public ::testing::Test {
protected:
    std::string savedText(VnLocMapFile &file) {
        file.m_fileName = m_dir.file("saved.map");
        EXPECT_EQ(file.save(false), LOCMAP50_OK);
        return testsupport::writtenText(file.m_fileName);
    }

    testsupport::TempDir m_dir;
};

struct LayoutCase {
    const char *golden;
    std::function<void(VnLocMapFile &)> fill;
};

TEST_F(WriterTest, SaveWritesTheLayoutOfTheRecord) {
    const LayoutCase cases[] = {
        {"save/version1_with_include.txt", fillVersion1WithInclude},
        {"save/includes_at_markers.txt", fillIncludesAtMarkers},
        {"save/force.txt", fillForce},
        {"save/never_read.txt", [](VnLocMapFile &) {}},
    };
    for (const LayoutCase &layout : cases) {
        SCOPED_TRACE(layout.golden);
        VnLocMapFile file;
        layout.fill(file);
        EXPECT_EQ(savedText(file), golden(layout.golden));
    }
}

TEST_F(WriterTest, SaveToStandardOutputTouchesNoFile) {
    VnLocMapFile file;
    fillVersion1WithInclude(file);
    file.m_fileName = m_dir.file("untouched.map");
    const auto printed = testsupport::printedBy([&] { return file.save(true); });
    EXPECT_EQ(printed.result, LOCMAP50_OK);
    EXPECT_EQ(printed.output, golden("save/version1_with_include.txt"));
    EXPECT_FALSE(readFile(file.m_fileName).has_value());
}

struct SplitCase {
    const char *hardPaths;
    std::list<std::string> expected;
};

TEST(WriterEditTest, ChangeEntrySplitsTheHardPathListString) {
    const SplitCase cases[] = {
        {"E:\\p`F:/q`G", {"E:\\p", "F:/q"}},  // the unterminated tail is dropped
        {"C:\\a``C:\\b`", {"C:\\a", "", "C:\\b"}},  // adjacent backquotes give an empty path
        {"C:/spaced dir/x`", {"C:/spaced dir/x"}},     // stored as given
        {"no backquote", {}},
        {"", {}},
    };
    for (const SplitCase &split : cases) {
        SCOPED_TRACE(split.hardPaths);
        VnLocMapFile file;
        fillVersion1WithInclude(file);
        EXPECT_EQ(file.changeEntry("$B", split.hardPaths), LOCMAP50_OK);
        EXPECT_EQ(file.m_entryHardPaths["$B"], split.expected);
        EXPECT_EQ(file.m_entryOrder, (std::list<std::string>{"$A", "INCLUDE", "$B"}));
    }
}

TEST_F(WriterTest, ChangedEntryIsSavedWhereItStood) {
    VnLocMapFile file;
    fillVersion1WithInclude(file);
    file.changeEntry("$A", "E:\\p`F:/q`G");
    EXPECT_EQ(savedText(file), "ZOR_LOCATION_MAP_1\n\n$A\nE:\\p\nF:/q\n\nINCLUDE  B.map\n\n"
                               "$B\nD:\\y\nD:\\z\n\n");
}

TEST_F(WriterTest, DeleteEntryRemovesThePrefixOnce) {
    VnLocMapFile file;
    fillVersion1WithInclude(file);
    EXPECT_EQ(file.deleteEntry("$A"), LOCMAP50_OK);
    const std::string afterFirst = savedText(file);
    EXPECT_EQ(afterFirst, "ZOR_LOCATION_MAP_1\n\nINCLUDE  B.map\n\n$B\nD:\\y\nD:\\z\n\n");
    EXPECT_EQ(file.deleteEntry("$A"), LOCMAP50_OK);
    EXPECT_EQ(savedText(file), afterFirst);
}

TEST(WriterEditTest, DeleteEntryLeavesIncludeMarkersInPlace) {
    VnLocMapFile file;
    fillIncludesAtMarkers(file);
    const auto order = file.m_entryOrder;
    EXPECT_EQ(file.deleteEntry("INCLUDE"), LOCMAP50_OK);
    EXPECT_EQ(file.m_entryOrder, order);
}

}  // namespace
