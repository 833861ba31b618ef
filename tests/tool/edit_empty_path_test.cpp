// SPDX-License-Identifier: Apache-2.0
// locmap's edits take an empty or blank hard path as the library does: kept, and written as no line.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "EditCommands.h"
#include "MapSource.h"
#include "ToolSupport.h"
#include "support/MapTest.h"
#include "support/TestSupport.h"

namespace {

constexpr char kMap[] = "ZOR_LOCATION_MAP_2\n$A\nC:\\old\n";

class EditEmptyPath : public testsupport::MapTest, public ::testing::WithParamInterface<const char *> {};

// The tool asks no rule of its own first: "" and "  " alike reach the library.
TEST_P(EditEmptyPath, GivesNoLineBesideARealPath) {
    testsupport::TempDir dir;
    const std::string map = dir.write("m.map", kMap);
    const std::unique_ptr<locmap_tool::MapSource> source = locmap_tool::MapSource::fromFile(map);
    ASSERT_NE(source, nullptr);
    locmap_tool::EditRequest request;
    request.softPrefix = "$A";
    request.paths = {GetParam(), "C:\\new"};
    request.quiet = true;
    EXPECT_EQ(locmap_tool::runEdit(*source, request, [] { return std::unique_ptr<locmap_tool::MapSource>(); }),
              locmap_tool::kExitOk);
    EXPECT_EQ(testsupport::readFile(map), "ZOR_LOCATION_MAP_2\n$A\nC:\\new\n");
}

INSTANTIATE_TEST_SUITE_P(Paths, EditEmptyPath, ::testing::Values("", "  ", "\t"),
                         [](const auto &info) { return info.index == 0 ? std::string("empty") : "blank" + std::to_string(info.index); });

}  // namespace
