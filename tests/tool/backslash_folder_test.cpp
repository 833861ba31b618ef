// SPDX-License-Identifier: Apache-2.0
// locmap's edits of a map whose real folder name holds "\" (POSIX only), reached through a link.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "EditCommands.h"
#include "MapSource.h"
#include "ToolSupport.h"
#include "support/MapTest.h"
#include "support/TestSupport.h"

namespace {

constexpr char kMap[] = "ZOR_LOCATION_MAP_2\n$A\n/opt/real\n";

class BackslashFolderEdit : public testsupport::MapTest, public ::testing::WithParamInterface<bool> {};

// set --all-files '$A' /opt/new on --map link/m.map, link -> a\b.
TEST_P(BackslashFolderEdit, SetWritesTheRealMapAndLeavesTheDecoyAlone) {
    testsupport::TempDir dir;
    const std::string real = dir.write("a\\b/m.map", kMap);
    const std::string decoy = dir.file("a/b/m.map");
    if (GetParam()) dir.write("a/b/m.map", kMap);
    std::filesystem::create_symlink("a\\b", dir.path() / "link");
    testsupport::ScopedCurrentDir inside(dir.path());

    const std::unique_ptr<locmap_tool::MapSource> source = locmap_tool::MapSource::fromFile("link/m.map");
    ASSERT_NE(source, nullptr);
    locmap_tool::EditRequest request;
    request.softPrefix = "$A";
    request.paths = {"/opt/new"};
    request.allFiles = true;
    request.quiet = true;
    EXPECT_EQ(locmap_tool::runEdit(*source, request, [] { return std::unique_ptr<locmap_tool::MapSource>(); }), locmap_tool::kExitOk);
    EXPECT_EQ(testsupport::readFile(real), "ZOR_LOCATION_MAP_2\n$A\n/opt/new\n");
    EXPECT_EQ(testsupport::readFile(decoy), GetParam() ? std::optional<std::string>(kMap) : std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Decoy, BackslashFolderEdit, ::testing::Bool(),
                         [](const auto &info) { return info.param ? "beside_a_decoy" : "alone"; });

}  // namespace

#endif  // _WIN32
