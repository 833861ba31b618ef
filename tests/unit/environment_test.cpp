// SPDX-License-Identifier: Apache-2.0
// The environment's views: what each takes from the table, its rules for case and repeated names, and the snapshot's expansion.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "locmap50/VnLocMap.h"
#include "platform/Environment.h"
#include "platform/Platform.h"

#ifndef _WIN32
extern char **environ;
#endif

namespace {

namespace platform = locmap50::platform;
using Style = locmap50::paths::PathStyle;
using testsupport::ScopedEnv;
using Variables = std::map<std::string, std::string>;

// One table for every view: names differing only in case, repeats, empty
// values, a nameless Windows drive entry, an entry without "=".
const std::vector<std::string> kEntries = {
    "Path=/a",  "PATH=/b", "path=/c",  "=C:=C:\\x", "NOEQUALS", "EMPTY=",     "X=1",
    "X=2",      "V=a=b",   "R=",       "R=r",       "S=s",      "S=",         "E2=",
    "e2=lower", "A=C:\\same", "B=C:\\same", "CADRIX_PROJECTS=C:\\p", "REL=tools", "SL=C:/x",
    "UNC=\\\\srv\\s",
};

TEST(EnvironmentViews, SnapshotTakesExactNamesAndTheLaterEntry) {
    const Variables expected = {
        {"", "C:=C:\\x"},  // split at the first "=" only
        {"PATH", "/b"}, {"Path", "/a"}, {"path", "/c"},
        {"X", "2"}, {"V", "a=b"},
        {"R", "r"}, {"S", "s"},  // an empty entry is no entry, before or after
        {"e2", "lower"},
        {"A", "C:\\same"}, {"B", "C:\\same"}, {"CADRIX_PROJECTS", "C:\\p"}, {"REL", "tools"},
        {"SL", "C:/x"}, {"UNC", "\\\\srv\\s"},
    };
    EXPECT_EQ(platform::snapshotVariables(kEntries), expected);
}

// Windows finds a name ignoring case when no entry has it exactly; POSIX
// systems only ever by the exact name.
TEST(EnvironmentViews, IndexTakesExactCaseFirstThenOnWindowsTheFirstMatchIgnoringCase) {
    const platform::EnvironmentIndex windows{std::vector<std::string>(kEntries), Style::Windows};
    const platform::EnvironmentIndex posix{std::vector<std::string>(kEntries), Style::Posix};
    const struct {
        const char *name;
        std::optional<std::string> windows, posix;
    } cases[] = {
        {"PATH", "/b", "/b"}, {"path", "/c", "/c"},
        {"PaTh", "/a", std::nullopt},              // exact first, then the first in table order
        {"X", "1", "1"}, {"x", "1", std::nullopt},  // a repeated name: its first entry
        {"V", "a=b", "a=b"},                       // split at the first "="
        {"EMPTY", std::nullopt, std::nullopt},     // empty is unset
        {"R", "r", "r"}, {"S", "s", "s"},          // the empty entry is passed over
        {"E2", "lower", std::nullopt},             // ... even when it is the exact-case one
        {"", std::nullopt, std::nullopt}, {"A=B", std::nullopt, std::nullopt},
        {"NOEQUALS", std::nullopt, std::nullopt}, {"MISSING", std::nullopt, std::nullopt},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(windows.value(c.name), c.windows) << c.name;
        EXPECT_EQ(posix.value(c.name), c.posix) << c.name;
    }
}

// On POSIX systems POSIX paths enter too, but never under a name that is no
// soft prefix, nor the shell's PWD and OLDPWD.
TEST(EnvironmentViews, AbsolutePathsMapToTheLaterVariable) {
    std::vector<std::string> entries = kEntries;
    entries.insert(entries.end(), {"PWD=/w", "OLDPWD=/o", "_=/usr/bin/env", "MY-VAR=/m", "9X=/n", "TOOLS=/opt/t"});
    EXPECT_EQ(platform::variablesByAbsolutePath(entries, Style::Windows),
              (Variables{{"C:\\same", "B"}, {"\\\\srv\\s", "UNC"}}));  // "/w" is relative there
    const Variables posix = {{"C:\\same", "B"}, {"\\\\srv\\s", "UNC"}, {"/a", "Path"},
                             {"/b", "PATH"},    {"/c", "path"},          {"/opt/t", "TOOLS"}};
    EXPECT_EQ(platform::variablesByAbsolutePath(entries, Style::Posix), posix);
}

// The live lookup and an index of the live table answer alike, and the
// lookup sees a change at once.
TEST(EnvironmentViews, LiveLookupAnswersAsAnIndexOfTheTableNow) {
    ScopedEnv first("LM50_ENV_First", "one");
    ScopedEnv equals("LM50_ENV_EQ", "a=b");
    ScopedEnv empty("LM50_ENV_EMPTY", "");
    ScopedEnv absent("LM50_ENV_ABSENT", std::nullopt);
    const struct {
        const char *name;
        std::optional<std::string> value;
    } cases[] = {
        {"LM50_ENV_First", "one"},
        {"lm50_env_first", testsupport::onWindows() ? std::optional<std::string>("one") : std::nullopt},
        {"LM50_ENV_eq", testsupport::onWindows() ? std::optional<std::string>("a=b") : std::nullopt},
        {"LM50_ENV_EMPTY", std::nullopt}, {"LM50_ENV_ABSENT", std::nullopt}, {"", std::nullopt},
    };
    const platform::EnvironmentIndex index;
    for (const auto &c : cases) {
        EXPECT_EQ(platform::getEnvironmentVariable(c.name), c.value) << c.name;
        EXPECT_EQ(index.value(c.name), c.value) << c.name;
    }
    ScopedEnv later("LM50_ENV_ABSENT", "now");
    EXPECT_EQ(platform::getEnvironmentVariable("LM50_ENV_ABSENT"), "now");
    EXPECT_EQ(index.value("LM50_ENV_ABSENT"), std::nullopt);
}

TEST(EnvironmentViews, LiveLookupTakesOnlyTheExactNameWhereNamesDifferOnlyInCase) {
    if (testsupport::onWindows()) GTEST_SKIP() << "names differing only in case are one variable here";
    ScopedEnv first("LM50_ENV_First", "one");
    ScopedEnv lower("lm50_env_first", "lower");
    ScopedEnv emptyExact("LM50_ENV_Second", "");
    ScopedEnv otherCase("lm50_env_second", "two");
    const platform::EnvironmentIndex index;
    const struct {
        const char *name;
        std::optional<std::string> value;
    } cases[] = {
        {"lm50_env_first", "lower"}, {"LM50_ENV_First", "one"},
        {"LM50_ENV_Second", std::nullopt},  // the empty exact-case variable is unset, the other not it
    };
    for (const auto &c : cases) {
        EXPECT_EQ(platform::getEnvironmentVariable(c.name), c.value) << c.name;
        EXPECT_EQ(index.value(c.name), c.value) << c.name;
    }
    EXPECT_EQ(platform::getEnvironmentVariable("Lm50_Env_First"), std::nullopt);
    EXPECT_EQ(index.value("Lm50_Env_First"), std::nullopt);
}

TEST(EnvironmentViews, TableKeepsOrderAndNames) {
    ScopedEnv first("LM50_ENV_First", "one");
    ScopedEnv second("LM50_ENV_SECOND", "two=2");
    const auto table = platform::environmentTable();
    ASSERT_TRUE(table);
    const auto firstEntry = std::find(table->begin(), table->end(), "LM50_ENV_First=one");
    const auto secondEntry = std::find(table->begin(), table->end(), "LM50_ENV_SECOND=two=2");
    ASSERT_NE(firstEntry, table->end());
    ASSERT_NE(secondEntry, table->end());
    EXPECT_LT(firstEntry, secondEntry);
}

TEST(EnvironmentViews, PutSetsAndEmptyValueRemoves) {
    ScopedEnv restore("LM50_ENV_PUT", std::nullopt);
    EXPECT_EQ(platform::putEnvironmentEntry("LM50_ENV_PUT=C:\\a b"), 0);
    EXPECT_EQ(platform::getEnvironmentVariable("LM50_ENV_PUT"), "C:\\a b");
    EXPECT_EQ(platform::putEnvironmentEntry("LM50_ENV_PUT=x=y"), 0);
    EXPECT_EQ(platform::getEnvironmentVariable("LM50_ENV_PUT"), "x=y");
    EXPECT_EQ(platform::putEnvironmentEntry("LM50_ENV_PUT="), 0);
    EXPECT_EQ(testsupport::getEnv("LM50_ENV_PUT"), std::nullopt);
    EXPECT_EQ(platform::putEnvironmentEntry("LM50_ENV_PUT"), -1);
    EXPECT_EQ(platform::putEnvironmentEntry("=value"), -1);
}

TEST(EnvSnapshot, TakesNonEmptyVariablesSplitAtTheFirstEquals) {
    ScopedEnv plain("LM50_SNAP_PLAIN", "C:\\x");
    ScopedEnv withEquals("LM50_SNAP_EQ", "a=b=c");
    ScopedEnv empty("LM50_SNAP_EMPTY", "");  // Windows cannot even store it
    ScopedEnv absent("LM50_SNAP_ABSENT", std::nullopt);

    const VnEnvSnapshot snapshot;
    EXPECT_EQ(snapshot.m_variables.at("LM50_SNAP_PLAIN"), "C:\\x");
    EXPECT_EQ(snapshot.m_variables.at("LM50_SNAP_EQ"), "a=b=c");
    EXPECT_EQ(snapshot.m_variables.count("LM50_SNAP_EMPTY"), 0u);
    EXPECT_EQ(snapshot.m_variables.count("LM50_SNAP_ABSENT"), 0u);
}

TEST(EnvSnapshot, SeesLaterChangesOnlyOnReload) {
    VnEnvSnapshot snapshot;
    ScopedEnv later("LM50_SNAP_LATER", "v1");
    EXPECT_EQ(snapshot.m_variables.count("LM50_SNAP_LATER"), 0u);
    snapshot.reload();
    EXPECT_EQ(snapshot.m_variables.at("LM50_SNAP_LATER"), "v1");
}

TEST(EnvSnapshot, ReloadDropsWhatIsNoLongerSet) {
    VnEnvSnapshot snapshot;
    snapshot.m_variables["LM50_SNAP_STALE"] = "old";
    snapshot.reload();
    EXPECT_EQ(snapshot.m_variables.count("LM50_SNAP_STALE"), 0u);
}

TEST(EnvSnapshot, ExpandLeadingNameTakesTheShortestVariable) {
    VnEnvSnapshot snapshot;
    snapshot.m_variables = {{"A", "x"}, {"AB", "y"}, {"E", ""}, {"q", "lower"}};
    const struct {
        const char *name, *expansion;
    } cases[] = {
        {"AB", "xB"},     // "A" is shorter than "AB"
        {"A", "x"},
        {"A\\d", "x\\d"},  // no separator is put in
        {"B", ""},
        {"E", ""},        // an empty value does not qualify
        {"Q", ""},        // case matters
        {"qr", "lowerr"},
        {"", ""},
    };
    for (const auto &c : cases) EXPECT_EQ(snapshot.expandLeadingName(c.name), c.expansion) << c.name;

    snapshot.m_variables = {{"AB", "y"}};
    EXPECT_EQ(snapshot.expandLeadingName("ABC"), "yC");
    EXPECT_EQ(snapshot.m_variables.size(), 1u);  // lookups add nothing
}

}  // namespace

// A process with no environment table at all (on Windows neither the narrow
// nor the wide one), as a host may leave it: nothing faults, and each reader
// takes it as a program with no table would.
TEST(EnvironmentWithoutTable, ReadersTakeNothingAndNothingFaults) {
    struct TablesRemoved {
#ifdef _WIN32
        char **narrow = _environ;
        wchar_t **wide = _wenviron;
        TablesRemoved() { _environ = nullptr, _wenviron = nullptr; }
        ~TablesRemoved() { _environ = narrow, _wenviron = wide; }
#else
        char **table = environ;
        TablesRemoved() { environ = nullptr; }
        ~TablesRemoved() { environ = table; }
#endif
    };
    const Variables savedTable = VnLocMap::s_envHardToSoftMap;
    VnEnvSnapshot reloaded;
    reloaded.m_variables = {{"KEPT", "C:\\kept"}};
    VnLocMap::s_envHardToSoftMap = {{"C:\\stale", "STALE"}};
    std::optional<VnEnvSnapshot> fresh;
    {
        const TablesRemoved removed;
        reloaded.reload();
        fresh.emplace();
        VnLocMap::fetchEnvVariables();
    }
    EXPECT_EQ(reloaded.m_variables, (Variables{{"KEPT", "C:\\kept"}}));
    EXPECT_TRUE(fresh->m_variables.empty());
    EXPECT_TRUE(VnLocMap::s_envHardToSoftMap.empty());
    VnLocMap::s_envHardToSoftMap = savedTable;
}
