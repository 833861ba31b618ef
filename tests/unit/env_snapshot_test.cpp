// The environment snapshot: what it takes from the process environment and its leading-name expansion.
#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "locmap50/VnLocMap.h"

using testsupport::ScopedEnv;

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
