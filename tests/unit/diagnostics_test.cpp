// Tests of the load diagnostics: formatting messages and collecting them under one heading.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/MapTest.h"
#include "locmapfile/Diagnostics.h"

namespace {

using locmap50::mapfile::formatMessage;
using locmap50::mapfile::reportLoadProblem;
using locmap50::mapfile::reportWithArguments;
using locmap50::mapfile::s_messageArgs;
using locmap50::mapfile::Severity;

struct FormatCase {
    std::string format;
    std::vector<std::string> arguments;
    std::string expected;
};

TEST(DiagnosticsFormatMessage, EachPlaceholderBecomesABlankAndItsArgument) {
    const FormatCase cases[] = {
        {"file %s.", {"C:\\a.map"}, "file  C:\\a.map."},
        {"no args %s stay", {}, "no args %s stay"},
        {"%s and %s", {"one"}, " one and %s"},  // no argument left: "%s" stays
        {"%s%s", {"a", "b"}, " a b"},
        {"only %s", {"a", "unused"}, "only  a"},
        {"100% %d %", {"x"}, "100% %d %"},
        {"", {"x"}, ""},
    };
    for (const FormatCase &c : cases)
        EXPECT_EQ(formatMessage(c.format, c.arguments), c.expected) << c.format;
}

class DiagnosticsReport : public testsupport::MapTest {};

TEST_F(DiagnosticsReport, FirstMessageGetsTheHeadingNamingTheMainFile) {
    VnLocMap *map = VnLocMap::createMap();
    map->m_mapFileName = "C:\\maps\\main.map";
    const VnLocMapFile file;
    s_messageArgs.clear();
    s_messageArgs.push_back("C:\\maps\\main.map");
    s_messageArgs.push_back("7");
    reportLoadProblem(Severity::Error, file.m_msgParseError, s_messageArgs);
    EXPECT_EQ(map->m_errorText, testsupport::golden("diagnostics/parse_error_heading.txt"));

    // A second message follows without a second heading.
    reportWithArguments(Severity::Warning, file.m_msgEnvOverride, {"$P"});
    EXPECT_EQ(map->m_errorText, testsupport::golden("diagnostics/parse_error_heading.txt") +
                                    "Warning: Environment variable override for soft \nprefix  $P.\n\n");
    EXPECT_EQ(s_messageArgs, std::vector<std::string>{"$P"});
    EXPECT_EQ(map->loadErrorCount(), 1);
    EXPECT_EQ(map->loadWarningCount(), 1);
}

TEST_F(DiagnosticsReport, HeadingWithoutAMapFileNameAndAMessageWithoutArguments) {
    VnLocMap *map = VnLocMap::createMap();
    reportWithArguments(Severity::Error, map->m_msgBadEnvPath, {});
    EXPECT_EQ(map->m_errorText, testsupport::golden("diagnostics/bad_env_path.txt", {{"@ENV@", ""}}));
    EXPECT_TRUE(s_messageArgs.empty());
}

}  // namespace
