// SPDX-License-Identifier: Apache-2.0
// Tests of map file discovery (initialize, WDIR), the environment's hard-to-soft table and isEnvOverridden.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "locmap50/result_codes.h"
#include "support/MapTest.h"
#include "platform/Environment.h"

namespace {

using testsupport::libraryFileName;
using testsupport::ScopedEnv;

// Each test starts with none of the variables that steer the search set.
class Discovery : public testsupport::MapFileTest {
protected:
    void SetUp() override { testsupport::unsetMapSearchVariables(m_env); }

    // Creates dir (inside the temporary directory) holding a map file; returns dir's path.
    std::string directoryWithMap(const std::string &dir) {
        write(dir + "/zor_location_map", "ZOR_LOCATION_MAP_2\n");
        return m_dir.file(dir);
    }

    static std::string mapFileIn(const std::string &dir) { return libraryFileName(dir + "/zor_location_map"); }

    VnLocMap &map() { return *VnLocMap::createMap(); }

    testsupport::ScopedEnvironment m_env;
};

TEST_F(Discovery, ExplicitFileIsTakenWithBackslashesWhateverTheVariableSays) {
    ScopedEnv variable("ZOR_LOCATION_MAP", m_dir.file("missing.map"));
    std::string slashed = write("my.map", "ZOR_LOCATION_MAP_2\n");
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    EXPECT_EQ(map().initialize(slashed, 1), LOCMAP50_OK);
    EXPECT_EQ(map().m_mapFileName, libraryFileName(slashed));
    EXPECT_FALSE(map().m_globalMapInUse);
    EXPECT_EQ(map().m_errorText, "");
}

TEST_F(Discovery, UnreadableExplicitFileIsReportedUnderItsOwnName) {
    const std::string missing = m_dir.file("none/x.map");
    EXPECT_EQ(map().initialize(missing, 1), LOCMAP50_FAILED);
    EXPECT_EQ(map().m_mapFileName, "");
    EXPECT_EQ(map().m_errorText, testsupport::golden("diagnostics/no_read_access.txt", placeholders(missing)));
}

TEST_F(Discovery, VariableNamingNoFileEndsTheSearch) {
    const std::string project = directoryWithMap("project");
    ScopedEnv home("HOME", directoryWithMap("home"));
    ScopedEnv wdir("WDIR", directoryWithMap("wdir"));
    const std::string missing = m_dir.file("missing.map");
    ScopedEnv variable("ZOR_LOCATION_MAP", missing);
    EXPECT_EQ(map().initialize(project, 0), LOCMAP50_FAILED);
    EXPECT_EQ(map().m_mapFileName, "");
    // The heading names the variable's value as it was given.
    EXPECT_EQ(map().m_errorText, testsupport::golden("diagnostics/bad_env_path.txt", {{"@ENV@", missing}}));
}

// As on Windows, where "ZOR_LOCATION_MAP=" removes the variable.
TEST_F(Discovery, VariableSetToTheEmptyTextCountsAsUnset) {
    ScopedEnv variable("ZOR_LOCATION_MAP", "");
    const std::string project = directoryWithMap("project");
    EXPECT_EQ(map().initialize(project, 0), LOCMAP50_OK);
    EXPECT_EQ(map().m_mapFileName, mapFileIn(project));
    EXPECT_EQ(map().m_errorText, "");
}

TEST_F(Discovery, VariableNamingAFileIsTakenAndTheMapStaysGlobal) {
    const std::string named = write("named.map", "ZOR_LOCATION_MAP_2\n");
    ScopedEnv variable("ZOR_LOCATION_MAP", named);
    EXPECT_EQ(map().initialize(directoryWithMap("project"), 0), LOCMAP50_OK);
    EXPECT_EQ(map().m_mapFileName, libraryFileName(named));
    EXPECT_TRUE(map().m_globalMapInUse);
}

TEST_F(Discovery, ProjectDirectoryComesBeforeHome) {
    const std::string project = directoryWithMap("project");
    ScopedEnv home("HOME", m_dir.file("home"));
    directoryWithMap("home/zor");
    EXPECT_EQ(map().initialize(project, 0), LOCMAP50_OK);
    EXPECT_EQ(map().m_mapFileName, mapFileIn(project));
    EXPECT_FALSE(map().m_globalMapInUse);
}

TEST_F(Discovery, HomeComesBeforeWdirAndKeepsTheMapGlobal) {
    const std::string home = m_dir.file("home");
    directoryWithMap("home/zor");
    ScopedEnv homeVariable("HOME", home);
    ScopedEnv wdir("WDIR", directoryWithMap("wdir"));
    EXPECT_EQ(map().initialize(m_dir.file("project"), 0), LOCMAP50_OK);
    EXPECT_EQ(map().m_mapFileName, mapFileIn(home + "/zor"));
    EXPECT_TRUE(map().m_globalMapInUse);
}

TEST_F(Discovery, EmptyHomeIsSkippedForWdir) {
    ScopedEnv home("HOME", "");
    const std::string wdir = directoryWithMap("wdir");
    ScopedEnv wdirVariable("WDIR", wdir);
    EXPECT_EQ(map().initialize(m_dir.file("project"), 0), LOCMAP50_OK);
    EXPECT_EQ(map().m_mapFileName, mapFileIn(wdir));
}

TEST_F(Discovery, WdirDirectoriesAreTriedInOrderBetweenSemicolons) {
    const std::string first = m_dir.file("first");
    const std::string second = directoryWithMap("second");
    {
        ScopedEnv wdir("WDIR", ";;" + first + ";;" + second + ";");
        EXPECT_EQ(map().initialize(m_dir.file("project"), 0), LOCMAP50_OK);
        EXPECT_EQ(map().m_mapFileName, mapFileIn(second));
        map().DestroyMap();
    }
    directoryWithMap("first");
    ScopedEnv wdir("WDIR", first + ";" + second);
    EXPECT_EQ(map().initialize(m_dir.file("project"), 0), LOCMAP50_OK);
    EXPECT_EQ(map().m_mapFileName, mapFileIn(first));
    EXPECT_TRUE(map().m_globalMapInUse);
}

TEST_F(Discovery, NothingFoundReturnsOneSilently) {
    ScopedEnv home("HOME", m_dir.file("home"));
    ScopedEnv wdir("WDIR", ";;;");
    EXPECT_EQ(map().initialize(m_dir.file("project"), 0), LOCMAP50_FAILED);
    EXPECT_EQ(map().m_mapFileName, "");
    EXPECT_EQ(map().m_errorText, "");
}

class EnvHardToSoft : public ::testing::Test {
protected:
    void TearDown() override { VnLocMap::s_envHardToSoftMap = m_saved; }
    const std::map<std::string, std::string> m_saved = VnLocMap::s_envHardToSoftMap;
};

// Which of two variables comes later in the process environment table.
std::string laterInTable(const std::string &one, const std::string &other) {
    const auto table = locmap50::platform::environmentTable().value();
    for (auto entry = table.rbegin(); entry != table.rend(); ++entry) {
        if (entry->rfind(one + "=", 0) == 0) return one;
        if (entry->rfind(other + "=", 0) == 0) return other;
    }
    return "";
}

TEST_F(EnvHardToSoft, AbsoluteValuesMapToTheirVariable) {
    VnLocMap::s_envHardToSoftMap["C:\\stale"] = "STALE";
    ScopedEnv same1("LMT_SAME1", "C:\\lmt\\Same");
    ScopedEnv same2("LMT_SAME2", "C:\\lmt\\Same");
    ScopedEnv unc("LMT_UNC", "\\\\srv\\share");
    ScopedEnv relative("LMT_REL", "tools\\bin");
    ScopedEnv slashed("LMT_SLASH", "C:/lmt/slash");
    ScopedEnv projects("CADRIX_PROJECTS", "C:\\lmt\\projects");
    VnLocMap::fetchEnvVariables();
    const auto &table = VnLocMap::s_envHardToSoftMap;
    EXPECT_EQ(table.count("C:\\stale"), 0u);
    EXPECT_EQ(table.at("C:\\lmt\\Same"), laterInTable("LMT_SAME1", "LMT_SAME2"));
    EXPECT_EQ(table.at("\\\\srv\\share"), "LMT_UNC");
    EXPECT_EQ(table.count("tools\\bin"), 0u);
    EXPECT_EQ(table.count("C:/lmt/slash"), 0u);
    EXPECT_EQ(table.count("C:\\lmt\\projects"), 0u);
}

TEST_F(Discovery, IsEnvOverriddenComparesTheWholePrefixExactly) {
    map().m_envOverridden.push_back("$LMT_T");
    EXPECT_EQ(map().isEnvOverridden("$LMT_T"), 1);
    EXPECT_EQ(map().isEnvOverridden("LMT_T"), 0);
    EXPECT_EQ(map().isEnvOverridden("$lmt_t"), 0);
    EXPECT_EQ(map().isEnvOverridden("$LMT"), 0);
}

}  // namespace
