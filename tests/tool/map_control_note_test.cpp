// SPDX-License-Identifier: Apache-2.0
// locmap's note on a map the search found that another user owns: named as such, and used.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "MapSource.h"
#include "support/MapTest.h"
#include "support/ScratchNodes.h"
#include "support/TestSupport.h"

namespace {

class MapControlNote : public testsupport::MapTest {};

TEST_F(MapControlNote, AFoundMapOfAnotherUserIsNamedAsTheirsAndUsed) {
    if (!testsupport::runningAsRoot()) GTEST_SKIP() << "giving a file to another user needs root";
    testsupport::ScopedEnvironment environment;
    environment.set("ZOR_LOCATION_MAP", std::nullopt);
    environment.set("HOME", "/nonexistent/home");
    environment.set("WDIR", std::nullopt);
    environment.set("CURRENT_PROJECT_PATH", std::nullopt);
    testsupport::TempDir dir;
    const std::string map = dir.write("zor_location_map", "ZOR_LOCATION_MAP_2\n$A\n/a\n");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(map.c_str(), 0644), 0);
    constexpr uid_t kUnnamedUser = 4242424;
    ASSERT_EQ(::chown(map.c_str(), kUnnamedUser, static_cast<gid_t>(-1)), 0);
    const std::unique_ptr<locmap_tool::MapSource> found = locmap_tool::MapSource::fromProject(dir.path().string());
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->notesOnWhoControlsIt(),
              std::vector<std::string>{"note: the map " + found->mainFileName() + " belongs to " +
                                       std::to_string(kUnnamedUser) + ", not to you"});
    // Named with --map, it is the caller's choice: no note.
    const std::unique_ptr<locmap_tool::MapSource> named = locmap_tool::MapSource::fromFile(map);
    ASSERT_NE(named, nullptr);
    EXPECT_TRUE(named->notesOnWhoControlsIt().empty());
}

}  // namespace

#endif  // _WIN32
