// SPDX-License-Identifier: Apache-2.0
// locmap's edits when another process writes the map between the load and the save, or holds its save lock.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "EditCommands.h"
#include "MapSource.h"
#include "ToolSupport.h"
#include "locmap50/result_codes.h"
#include "support/MapTest.h"
#include "support/TestSupport.h"

namespace {

using locmap_tool::MapSource;

constexpr char kAsLoaded[] = "ZOR_LOCATION_MAP_2\n$TOOLS\nC:\\tools\n";

class EditRetry : public testsupport::MapTest {
protected:
    static locmap_tool::EditRequest setTools() {
        locmap_tool::EditRequest request;
        request.kind = locmap_tool::EditKind::Set;
        request.softPrefix = "$TOOLS";
        request.paths = {"E:\\tools"};
        request.quiet = true;
        return request;
    }

    std::unique_ptr<MapSource> loadSource() const { return MapSource::fromFile(m_path); }

    testsupport::TempDir m_dir;
    const std::string m_path = m_dir.write("site.map", kAsLoaded);
};

TEST_F(EditRetry, AMapWrittenSinceTheLoadIsReadAgainAndTheEditMadeOnWhatItNowHolds) {
    const std::unique_ptr<MapSource> source = loadSource();
    ASSERT_NE(source, nullptr);
    testsupport::writeFile(m_path, "ZOR_LOCATION_MAP_2\n$TOOLS\nC:\\tools\n$LIBS\nC:\\libs\n");
    int reloads = 0;
    testing::internal::CaptureStderr();
    const int exitCode = locmap_tool::runEdit(*source, setTools(), [&] {
        ++reloads;
        return loadSource();
    });
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // the retry succeeded: there is no error to tell
    EXPECT_EQ(exitCode, locmap_tool::kExitOk);
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(testsupport::readFile(m_path), "ZOR_LOCATION_MAP_2\n$TOOLS\nE:\\tools\n$LIBS\nC:\\libs\n");
}

TEST_F(EditRetry, AMapWrittenAgainDuringTheRetryIsLeftAsTheOtherWriterLeftIt) {
    const std::unique_ptr<MapSource> source = loadSource();
    ASSERT_NE(source, nullptr);
    testsupport::writeFile(m_path, "ZOR_LOCATION_MAP_2\n$TOOLS\nD:\\first\n");
    const std::string theirs = "ZOR_LOCATION_MAP_2\n$TOOLS\nD:\\second\n";
    int reloads = 0;
    const int exitCode = locmap_tool::runEdit(*source, setTools(), [&] {
        ++reloads;
        std::unique_ptr<MapSource> again = loadSource();
        testsupport::writeFile(m_path, theirs);
        return again;
    });
    EXPECT_EQ(exitCode, locmap_tool::kExitChanged);
    EXPECT_EQ(reloads, 1);  // once only: two writers must not take turns for ever
    EXPECT_EQ(testsupport::readFile(m_path), theirs);
}

TEST_F(EditRetry, ADryRunNeitherWritesNorReadsAgain) {
    const std::unique_ptr<MapSource> source = loadSource();
    ASSERT_NE(source, nullptr);
    const std::string theirs = "ZOR_LOCATION_MAP_2\n$TOOLS\nD:\\theirs\n";
    testsupport::writeFile(m_path, theirs);
    locmap_tool::EditRequest request = setTools();
    request.dryRun = true;
    int reloads = 0;
    locmap_tool::runEdit(*source, request, [&] {
        ++reloads;
        return loadSource();
    });
    EXPECT_EQ(reloads, 0);
    EXPECT_EQ(testsupport::readFile(m_path), theirs);
}

// The retry's refusal tells what it met: a lock that another save held all
// the time allowed is no change of the map.
TEST(EditRetryGivesUp, SayingWhetherAnotherSaveHeldTheLockOrTheMapChanged) {
    EXPECT_EQ(locmap_tool::whyTheRetryFailed(LOCMAP50_REASON_LOCK_TIMED_OUT, "/m/site.map.save-lock"),
              "another save held the save lock /m/site.map.save-lock all the time a save waits, twice");
    EXPECT_EQ(locmap_tool::whyTheRetryFailed(LOCMAP50_REASON_CHANGED_SINCE_READ, ""),
              "the map changed on disk again while it was being saved");
}

}  // namespace
