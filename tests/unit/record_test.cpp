// SPDX-License-Identifier: Apache-2.0
// Tests of the map file record: construction, message texts, clearing and copying.
#include <gtest/gtest.h>

#include <string>

#include "catalogue/Catalogue.h"
#include "locmap50/result_codes.h"
#include "support/MapTest.h"

namespace {

class Record : public testsupport::MapFileTest {};

TEST_F(Record, NewObjectIsEmptyAndHoldsTheMessageTexts) {
    const VnLocMapFile file;
    EXPECT_TRUE(file.m_version.empty());
    EXPECT_FALSE(file.m_force);
    EXPECT_TRUE(file.m_fileName.empty());
    EXPECT_TRUE(file.m_entryOrder.empty() && file.m_includeLines.empty() &&
                file.m_entryHardPaths.empty());
    EXPECT_EQ(file.m_msgBadVersion + file.m_msgParseError + file.m_msgNoHardPath +
                  file.m_msgEnvOverride + file.m_msgBadSoftPrefix + file.m_msgBadInclude +
                  file.m_msgNoSoftPrefix + file.m_msgTooManyHardPaths +
                  locmap50::catalogue::messageFormat(LOCMAP50_PROBLEM_INCLUDE_CYCLE) +
                  locmap50::catalogue::messageFormat(LOCMAP50_PROBLEM_NUL_BYTE),
              testsupport::golden("diagnostics/message_texts.txt"));
}

TEST_F(Record, ClearMapKeepsNameVersionAndForce) {
    write("inc.map", "ZOR_LOCATION_MAP_1\n$LMT_I\nC:\\i\n");
    const std::string path =
        write("main.map", "ZOR_LOCATION_MAP_2 force\n$LMT_A\nC:\\a\nINCLUDE " + m_dir.file("inc.map") + "\n");
    load(path);
    VnLocMapFile &file = testsupport::mainFile();
    const VnLocMapFile copy = file;
    EXPECT_EQ(testsupport::recordOf(file), "$LMT_A: C:\\a\nINCLUDE\n");

    EXPECT_EQ(file.clearMap(), LOCMAP50_OK);
    EXPECT_TRUE(file.m_entryOrder.empty() && file.m_includeLines.empty() &&
                file.m_entryHardPaths.empty());
    EXPECT_EQ(file.m_fileName, testsupport::libraryFileName(path));
    EXPECT_TRUE(file.m_force);
    EXPECT_EQ(file.m_version, "");
    EXPECT_EQ(file.clearMap(), LOCMAP50_OK);
    EXPECT_EQ(file.m_fileName, testsupport::libraryFileName(path));

    // The copy made before kept everything of its own.
    EXPECT_EQ(testsupport::recordOf(copy), "$LMT_A: C:\\a\nINCLUDE\n");
    EXPECT_EQ(copy.m_includeLines.front(), "INCLUDE " + m_dir.file("inc.map"));
    EXPECT_EQ(copy.m_msgTooManyHardPaths, file.m_msgTooManyHardPaths);
}

TEST_F(Record, AssignmentCopiesEveryMemberAndSelfAssignmentChangesNothing) {
    VnLocMapFile source;
    source.m_version = "1";
    source.m_fileName = "C:\\m.map";
    source.m_entryOrder = {"$B", "INCLUDE", "$A"};
    source.m_includeLines = {"INCLUDE  x.map"};
    source.m_entryHardPaths = {{"$A", {"C:\\a"}}, {"$B", {"D:\\b", "D:\\b"}}};
    VnLocMapFile target;
    target.m_force = true;
    target = source;
    EXPECT_EQ(testsupport::recordOf(target), "$B: D:\\b, D:\\b\nINCLUDE\n$A: C:\\a\n");
    EXPECT_EQ(target.m_includeLines, source.m_includeLines);
    EXPECT_FALSE(target.m_force);
    EXPECT_EQ(target.m_version, "1");
    EXPECT_EQ(target.m_fileName, "C:\\m.map");

    VnLocMapFile &alias = target;
    target = alias;
    EXPECT_EQ(testsupport::recordOf(target), "$B: D:\\b, D:\\b\nINCLUDE\n$A: C:\\a\n");
}

}  // namespace
