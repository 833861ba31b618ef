// SPDX-License-Identifier: Apache-2.0
// Tests of the loader at the public level: its states and transitions, overrides, the 20-path limit, problem records and messages.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "locmap/LoadRules.h"
#include "locmap50/locmap50.h"
#include "locmap50/result_codes.h"
#include "support/MapTest.h"

namespace {

using testsupport::golden;
using testsupport::mainFile;
using testsupport::mergedTables;
using testsupport::recordOf;
using testsupport::ScopedEnv;

struct FixtureCase {
    const char *name;     // tests/data/reader/<name>.map, tests/golden/diagnostics/<name>.txt
    bool hasMessages;
    int result;           // of the load
    const char *version;
    const char *tables;   // mergedTables() after loading
};
// Keeps the test names CTest shows readable.
void PrintTo(const FixtureCase &fixture, std::ostream *out) { *out << fixture.name; }

const FixtureCase kFixtureCases[] = {
    {"comments_only", false, LOCMAP50_OK, "", ""},
    {"header_trailing_comment", false, LOCMAP50_OK, "2", "$LMT_A [C:\\a] C:\\a\n"},
    {"bad_header_indented_comment", true, LOCMAP50_FAILED, "", ""},
    {"indented_comment_after_header", true, LOCMAP50_OK, "1", "$LMT_A [C:\\a] C:\\a\n"},
    {"crlf_line_ends", false, LOCMAP50_OK, "2", "$LMT_A [C:\\a] C:\\a\n$LMT_B [D:\\b with blank] D:\\b with blank\n"},
    {"hard_path_after_header", true, LOCMAP50_FAILED, "2", ""},
    {"soft_prefix_without_hard_path", true, LOCMAP50_OK, "2", "$LMT_B [C:\\b] C:\\b\n$LMT_A [C:\\a] C:\\a\n"},
    {"bad_soft_prefix", true, LOCMAP50_OK, "2", "$LMT_A [C:\\a] C:\\a\n"},
    {"duplicate_soft_prefix", false, LOCMAP50_OK, "2", "$LMT_A [C:\\first] C:\\first\n$LMT_B [C:\\b] C:\\b\n"},
    {"parse_error_inside_entry", true, LOCMAP50_OK, "2", "$LMT_A [C:\\one] C:\\one, C:\\two, C:\\one\n"},
    {"too_many_hard_paths", true, LOCMAP50_OK, "2",
     "$LMT_A [C:\\a1] C:\\a1, C:\\a2, C:\\a3, C:\\a4, C:\\a5, C:\\a6, C:\\a7, C:\\a8, C:\\a9, C:\\a10, "
     "C:\\a11, C:\\a12, C:\\a13, C:\\a14, C:\\a15, C:\\a16, C:\\a17, C:\\a18, C:\\a19, C:\\a20\n"
     "$LMT_B [D:\\b1] D:\\b1, D:\\b2, D:\\b3, D:\\b4, D:\\b5, D:\\b6, D:\\b7, D:\\b8, D:\\b9, D:\\b10, "
     "D:\\b11, D:\\b12, D:\\b13, D:\\b14, D:\\b15, D:\\b16, D:\\b17, D:\\b18, D:\\b19, D:\\b20\n"},
    {"drive_slash_and_unc", true, LOCMAP50_OK, "2",
     "$LMT_A [C:\\tools\\bin] C:\\tools\\bin, \\\\server\\share\\x, D:\\with blanks\\in it\n"},
    {"force_header", true, LOCMAP50_OK, "", "$LMT_A [C:\\a] C:\\a\n"},
    {"bad_include_then_hard_path", true, LOCMAP50_FAILED, "2", "$LMT_A [C:\\a] C:\\a\n"},
    // A NUL byte loses its line: the entry it opens, the hard path, the include.
    {"nul_bytes", true, LOCMAP50_OK, "2", "$LMT_A [C:\\a] C:\\a\n$LMT_C [C:\\c] C:\\c\n"},
    {"nul_in_header", true, LOCMAP50_FAILED, "", ""},
};

// The load's problem records, one line each, with the fixture's path as @MAP@.
std::string problemRecords(const VnLocMap &map, const std::string &mainPath) {
    std::string text;
    for (const VnLoadProblem &problem : map.loadProblems()) {
        const std::string file = problem.file == testsupport::libraryFileName(mainPath) ? "@MAP@" : problem.file;
        text += std::to_string(problem.severity) + " kind " + std::to_string(problem.kind) + " " + file + ":" +
                std::to_string(problem.line) + " \"" + problem.detail + "\"\n";
    }
    return text;
}

class ReaderFixtures : public testsupport::MapFileTest,
                       public ::testing::WithParamInterface<FixtureCase> {};

TEST_P(ReaderFixtures, TablesRecordsAndMessagesMatchTheGolden) {
    const FixtureCase &c = GetParam();
    const std::string path = testsupport::dataFile("reader/" + std::string(c.name) + ".map");
    VnLocMap &map = load(path);
    EXPECT_EQ(m_readResult, c.result);
    EXPECT_EQ(mainFile().m_version, c.version);
    EXPECT_EQ(mergedTables(map), c.tables);
    const std::string expected =
        c.hasMessages ? golden("diagnostics/" + std::string(c.name) + ".txt", placeholders(path))
                      : testsupport::successLine(path);
    EXPECT_EQ(map.m_errorText, expected);
    const std::string records = problemRecords(map, path);
    EXPECT_EQ(records, testsupport::goldenOrUpdate("loader/" + std::string(c.name) + ".txt", records));
    // The file's record and the map agree on which prefixes this file defined.
    std::string defined;
    for (const std::string &softPrefix : map.m_softPrefixOrder) {
        defined += softPrefix + "\n";
        EXPECT_EQ(map.m_softToFileMap[softPrefix], testsupport::libraryFileName(path));
    }
    std::string recorded;
    for (const std::string &entry : mainFile().m_entryOrder) recorded += entry + "\n";
    EXPECT_EQ(recorded, defined);
}

INSTANTIATE_TEST_SUITE_P(Edges, ReaderFixtures, ::testing::ValuesIn(kFixtureCases),
                         [](const auto &info) { return std::string(info.param.name); });

class Reader : public testsupport::MapFileTest {};

TEST_F(Reader, ForceHeaderRecordsForceAndAnEmptyVersion) {
    load(testsupport::dataFile("reader/force_header.map"));
    EXPECT_TRUE(mainFile().m_force);
}

TEST_F(Reader, PrefixFollowedByIncludeIsSettledFirstAndHardPathAfterIncludeStops) {
    const std::string path = write("main.map",
                                   "ZOR_LOCATION_MAP_2\n$LMT_A\nINCLUDE missing dir/x.map\nC:\\x\n"
                                   "$LMT_B\nC:\\b\n");
    VnLocMap &map = load(path);
    EXPECT_EQ(m_readResult, LOCMAP50_FAILED);
    EXPECT_EQ(mergedTables(map), "");
    EXPECT_EQ(map.m_errorText, golden("diagnostics/unreadable_include.txt", placeholders(path)));
    EXPECT_TRUE(mainFile().m_includeLines.empty());
}

TEST_F(Reader, MissingFileReadsNothingAndSaysNothing) {
    VnLocMapFile file;
    file.m_fileName = testsupport::libraryFileName(m_dir.file("absent.map"));
    EXPECT_EQ(file.readMap(), LOCMAP50_OK);
    EXPECT_EQ(VnLocMap::createMap()->m_errorText, "");
    EXPECT_TRUE(VnLocMap::createMap()->m_softPrefixOrder.empty());
}

// Without force: the environment variable of a prefix's name supplies or
// overrides it in the merged tables; the file's record keeps what the file says.
struct OverrideCase {
    const char *label;
    std::optional<std::string> variable;
    const char *hardPathLines;
    const char *tables;
    const char *record;
    const char *golden;  // or nullptr for no message
    bool overridden;
};
void PrintTo(const OverrideCase &overrideCase, std::ostream *out) { *out << overrideCase.label; }

const OverrideCase kOverrideCases[] = {
    {"unset_with_paths", std::nullopt, "C:\\tools\nD:\\more\n", "$LMT_TOOLS [C:\\tools] C:\\tools, D:\\more\n",
     "$LMT_TOOLS: C:\\tools, D:\\more\n", nullptr, false},
    {"unset_without_paths", std::nullopt, "", "", "", "no_hard_path_tools.txt", false},
    {"equal_after_slash_conversion", "C:/tools", "C:\\tools\nD:\\more\n",
     "$LMT_TOOLS [C:\\tools] C:\\tools, D:\\more\n", "$LMT_TOOLS: C:\\tools, D:\\more\n", nullptr, false},
    {"different", "E:/x", "C:\\tools\nD:\\more\n", "$LMT_TOOLS [E:\\x] E:\\x\n",
     "$LMT_TOOLS: C:\\tools, D:\\more\n", "env_override.txt", true},
    {"differs_only_in_case", "c:\\tools", "C:\\tools\n", "$LMT_TOOLS [c:\\tools] c:\\tools\n",
     "$LMT_TOOLS: C:\\tools\n", "env_override.txt", true},
    {"supplies_a_prefix_without_paths", "E:/x", "", "$LMT_TOOLS [E:\\x] E:\\x\n", "$LMT_TOOLS:\n", nullptr,
     false},
    // On POSIX systems a POSIX value is a hard path kept as written; on Windows it is "\\opt\\...".
    {"posix_value_overrides", "/opt/Eda Tools/", "C:\\tools\n",
     testsupport::onWindows() ? "$LMT_TOOLS [\\opt\\Eda Tools\\] \\opt\\Eda Tools\\\n"
                              : "$LMT_TOOLS [/opt/Eda Tools/] /opt/Eda Tools/\n",
     "$LMT_TOOLS: C:\\tools\n", "env_override.txt", true},
    {"posix_value_supplies", "/opt/t", "", testsupport::onWindows() ? "$LMT_TOOLS [\\opt\\t] \\opt\\t\n" : "$LMT_TOOLS [/opt/t] /opt/t\n",
     "$LMT_TOOLS:\n", nullptr, false},
    // An empty value is no value: it neither overrides nor supplies (Windows cannot even hold one).
    {"empty_value_overrides_nothing", "", "C:\\tools\nD:\\more\n", "$LMT_TOOLS [C:\\tools] C:\\tools, D:\\more\n",
     "$LMT_TOOLS: C:\\tools, D:\\more\n", nullptr, false},
    {"empty_value_supplies_nothing", "", "", "", "", "no_hard_path_tools.txt", false},
};

class ReaderOverride : public testsupport::MapFileTest,
                       public ::testing::WithParamInterface<OverrideCase> {};

TEST_P(ReaderOverride, FollowsTheOverrideTable) {
    const OverrideCase &c = GetParam();
    ScopedEnv variable("LMT_TOOLS", c.variable);
    const std::string path =
        write("main.map", std::string("ZOR_LOCATION_MAP_2\n$LMT_TOOLS\n") + c.hardPathLines);
    VnLocMap &map = load(path);
    EXPECT_EQ(mergedTables(map), c.tables);
    EXPECT_EQ(recordOf(mainFile()), c.record);
    EXPECT_EQ(map.m_errorText, c.golden ? golden(std::string("diagnostics/") + c.golden, placeholders(path))
                                      : testsupport::successLine(path));
    EXPECT_EQ(map.isEnvOverridden("$LMT_TOOLS"), c.overridden ? 1 : 0);
    if (!map.m_softPrefixOrder.empty())
        EXPECT_EQ(map.m_softToFileMap["$LMT_TOOLS"], testsupport::libraryFileName(path));
}

INSTANTIATE_TEST_SUITE_P(Table, ReaderOverride, ::testing::ValuesIn(kOverrideCases),
                         [](const auto &info) { return std::string(info.param.label); });

TEST_F(Reader, ForceFileIgnoresTheEnvironment) {
    ScopedEnv variable("LMT_TOOLS", "E:\\x");
    ScopedEnv supplier("LMT_NONE", "E:\\none");
    const std::string path =
        write("main.map", "ZOR_LOCATION_MAP_2 force\n$LMT_TOOLS\nC:\\tools\nD:\\more\n$LMT_NONE\n");
    VnLocMap &map = load(path);
    EXPECT_EQ(mergedTables(map), "$LMT_TOOLS [C:\\tools] C:\\tools, D:\\more\n");
    EXPECT_EQ(map.m_errorText, golden("diagnostics/force_header.txt", placeholders(path)));
    EXPECT_EQ(map.isEnvOverridden("$LMT_TOOLS"), 0);
}

// Under the POSIX style a value that is no absolute hard path stands for
// nothing; under the Windows style it is used as it stands.
TEST(OverrideRule, APosixValueMustBeAnAbsoluteHardPath) {
    using locmap50::locmap::EnvironmentVerdict;
    using Style = locmap50::paths::PathStyle;
    const std::string first = "C:\\tools";
    const struct {
        const char *value;
        Style style;
        EnvironmentVerdict::Effect effect;
        bool notAbsolute;
    } cases[] = {
        {"relative/path", Style::Posix, EnvironmentVerdict::Effect::None, true},
        {"~/tools", Style::Posix, EnvironmentVerdict::Effect::None, true},
        {"C:tools", Style::Posix, EnvironmentVerdict::Effect::None, true},
        {"/opt/tools", Style::Posix, EnvironmentVerdict::Effect::Overrides, false},
        {"C:/tools", Style::Posix, EnvironmentVerdict::Effect::None, false},
        {"//srv/share", Style::Posix, EnvironmentVerdict::Effect::Overrides, false},
        {"relative/path", Style::Windows, EnvironmentVerdict::Effect::Overrides, false},
    };
    for (const auto &c : cases) {
        const EnvironmentVerdict verdict = locmap50::locmap::environmentVerdict(false, c.value, &first, c.style);
        EXPECT_EQ(verdict.effect, c.effect) << c.value;
        EXPECT_EQ(verdict.notAbsolute, c.notAbsolute) << c.value;
        // Nor does it supply a block without hard paths.
        const EnvironmentVerdict supplying = locmap50::locmap::environmentVerdict(false, c.value, nullptr, c.style);
        EXPECT_EQ(supplying.effect == EnvironmentVerdict::Effect::None, c.notAbsolute) << c.value;
    }
}

// The record, the message text and the load status tell the same.
TEST_F(Reader, OnPosixARelativeValueIsAWarningAndTheFileStands) {
    ScopedEnv relative("LMT_TOOLS", "relative/path");
    ScopedEnv home("LMT_NONE", "~/none");
    const std::string path = write("main.map", "ZOR_LOCATION_MAP_2\n$LMT_TOOLS\nC:\\tools\n$LMT_NONE\n");
    VnLocMap &map = load(path);
    int outcome = -1, errors = -1, warnings = -1;
    ASSERT_EQ(GetLoadStatus(&outcome, &errors, &warnings), LOCMAP50_OK);
    if (testsupport::onWindows()) {
        EXPECT_EQ(mergedTables(map),
                  "$LMT_TOOLS [relative\\path] relative\\path\n$LMT_NONE [~\\none] ~\\none\n");
        EXPECT_EQ(warnings, 1);  // the override
        return;
    }
    EXPECT_EQ(mergedTables(map), "$LMT_TOOLS [C:\\tools] C:\\tools\n");
    EXPECT_EQ(map.isEnvOverridden("$LMT_TOOLS"), 0);
    EXPECT_EQ(problemRecords(map, path),
              "1 kind 14 @MAP@:2 \"$LMT_TOOLS=relative/path\"\n1 kind 14 @MAP@:4 \"$LMT_NONE=~/none\"\n"
              "0 kind 3 @MAP@:4 \"$LMT_NONE\"\n");
    EXPECT_EQ(map.m_errorText, golden("diagnostics/env_not_absolute.txt", placeholders(path)));
    EXPECT_EQ(outcome, LOCMAP50_LOAD_ERRORS);
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(warnings, 2);
}

TEST_F(Reader, OverriddenEntryKeepsTwentyFileHardPathsInTheRecord) {
    ScopedEnv variable("LMT_TOOLS", "E:\\x");
    std::string text = "ZOR_LOCATION_MAP_2\n$LMT_TOOLS\n";
    for (int i = 1; i <= 21; ++i) text += "C:\\p" + std::to_string(i) + "\n";
    VnLocMap &map = load(write("main.map", text));
    EXPECT_EQ(mergedTables(map), "$LMT_TOOLS [E:\\x] E:\\x\n");
    EXPECT_EQ(mainFile().m_entryHardPaths["$LMT_TOOLS"].size(), 20u);
    EXPECT_EQ(mainFile().m_entryHardPaths["$LMT_TOOLS"].back(), "C:\\p20");
    // Only the override is reported, as for any overridden entry.
    EXPECT_EQ(map.m_errorText.find("more than 20"), std::string::npos);
    EXPECT_NE(map.m_errorText.find("Environment variable override"), std::string::npos);
}

TEST_F(Reader, HundredThousandPrefixesLoadWithFirstDefinitionWinning) {
    const int count = 100000;
    std::string text = "ZOR_LOCATION_MAP_2\n";
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        text += "$LMT_P" + n + "\nC:\\p" + n + "\n";
    }
    text += "$LMT_P500\nD:\\late\n$LMT_EMPTY\n$LMT_LAST\nC:\\last\n";
    VnLocMap &map = load(write("big.map", text));
    ASSERT_EQ(map.m_softPrefixOrder.size(), static_cast<std::size_t>(count + 1));
    EXPECT_EQ(map.m_softPrefixOrder.front(), "$LMT_P0");
    EXPECT_EQ(map.m_softPrefixOrder.back(), "$LMT_LAST");
    EXPECT_EQ(map.m_primaryHardPaths["$LMT_P500"], "C:\\p500");
    EXPECT_EQ(map.m_softToHardMap["$LMT_P99999"], std::list<std::string>{"C:\\p99999"});
    EXPECT_EQ(mainFile().m_entryOrder.size(), static_cast<std::size_t>(count + 1));
    EXPECT_EQ(mainFile().m_entryHardPaths["$LMT_P500"], std::list<std::string>{"C:\\p500"});
    EXPECT_EQ(mainFile().m_entryHardPaths.count("$LMT_EMPTY"), 0u);
}

}  // namespace
