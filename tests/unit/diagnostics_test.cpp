// SPDX-License-Identifier: Apache-2.0
// Tests of the load diagnostics: formatting messages and collecting them under one heading.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/MapTest.h"
#include "locmap/ProblemReport.h"
#include "locmapfile/Diagnostics.h"

namespace {

using locmap50::locmap::ProblemReport;
using locmap50::mapfile::formatMessage;
using locmap50::mapfile::s_messageArgs;

VnLoadProblem problemOf(int severity, int kind, std::string file, int line, std::string detail) {
    VnLoadProblem problem;
    problem.severity = severity;
    problem.kind = kind;
    problem.file = std::move(file);
    problem.line = line;
    problem.detail = std::move(detail);
    return problem;
}

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
    ProblemReport::reportLoadProblem(problemOf(LOCMAP50_SEVERITY_ERROR, LOCMAP50_PROBLEM_PARSE_ERROR, "C:\\maps\\main.map", 7,
                                    "what"),
                          file.m_msgParseError);
    EXPECT_EQ(map->m_errorText, testsupport::golden("diagnostics/parse_error_heading.txt"));
    EXPECT_EQ(s_messageArgs, (std::vector<std::string>{"C:\\maps\\main.map", "7"}));

    // A second message follows without a second heading; notes add no text.
    ProblemReport::reportLoadProblem(problemOf(LOCMAP50_SEVERITY_WARNING, LOCMAP50_PROBLEM_ENV_OVERRIDE, "C:\\maps\\main.map",
                                    3, "$P"),
                          file.m_msgEnvOverride);
    ProblemReport::note(problemOf(LOCMAP50_SEVERITY_NOTE, LOCMAP50_PROBLEM_NOTE_VARIABLE_UNSET, "", 0, "WDIR"));
    EXPECT_EQ(map->m_errorText, testsupport::golden("diagnostics/parse_error_heading.txt") +
                                    "Warning: Environment variable override for soft \nprefix  $P.\n\n");
    EXPECT_EQ(s_messageArgs, std::vector<std::string>{"$P"});
    EXPECT_EQ(map->loadErrorCount(), 1);
    EXPECT_EQ(map->loadWarningCount(), 1);
    ASSERT_EQ(map->loadProblems().size(), 3u);
    EXPECT_EQ(map->loadProblems()[1].line, 3);
    EXPECT_EQ(map->loadProblems()[2].severity, LOCMAP50_SEVERITY_NOTE);
}

TEST_F(DiagnosticsReport, HeadingWithoutAMapFileNameAndAMessageWithoutArguments) {
    VnLocMap *map = VnLocMap::createMap();
    ProblemReport::reportLoadProblem(problemOf(LOCMAP50_SEVERITY_ERROR, LOCMAP50_PROBLEM_BAD_ENV_PATH, "x", 0, "x"),
                          map->m_msgBadEnvPath);
    EXPECT_EQ(map->m_errorText, testsupport::golden("diagnostics/bad_env_path.txt", {{"@ENV@", ""}}));
    EXPECT_TRUE(s_messageArgs.empty());
}

}  // namespace
