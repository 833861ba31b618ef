// SPDX-License-Identifier: Apache-2.0
// Tests of VnLocMap::explain: the facts behind each kind of translation, with lines read again from the files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "locmap50/VnExplanation.h"
#include "locmap50/result_codes.h"
#include "support/MapTest.h"

namespace {

using Kind = VnExplanation::Kind;
using Environment = VnExplanation::Environment;
using WhyNot = VnExplanation::WhyNot;

const char *standingName(VnExplainedEntry::Standing standing) {
    switch (standing) {
    case VnExplainedEntry::Standing::Used: return "used";
    case VnExplainedEntry::Standing::LaterEntry: return "later";
    case VnExplainedEntry::Standing::ShadowedRedefinition: return "shadowed";
    case VnExplainedEntry::Standing::OverriddenByEnvironment: return "overridden";
    case VnExplainedEntry::Standing::EnvironmentTable: return "environment";
    }
    return "";
}

// "standing prefix line/hard path line hard path; " per holder.
std::string holdersOf(const VnExplanation &explanation) {
    std::string text;
    for (const VnExplainedEntry &holder : explanation.holders)
        text += std::string(standingName(holder.standing)) + " " + holder.softPrefix + " " +
                std::to_string(holder.line) + "/" + std::to_string(holder.hardPathLine) + " " + holder.hardPath + "; ";
    return text;
}

struct ExplainCase {
    const char *name;
    Kind kind;
    const char *result;  // "" when it does not translate
    WhyNot whyNot;
    int line;            // of the entry, for "$" names with one
    Environment environment;
    const char *variable;
    const char *holders;
};
void PrintTo(const ExplainCase &c, std::ostream *out) { *out << c.name; }

const ExplainCase kCases[] = {
    {"$LMT_A\\x", Kind::SoftName, "C:\\a\\x", WhyNot::Translated, 2, Environment::None, "LMT_A", ""},
    {"$LMT_O", Kind::SoftName, "E:\\o", WhyNot::Translated, 6, Environment::Overrode, "LMT_O", ""},
    {"$LMT_S\\y", Kind::SoftName, "E:\\s\\y", WhyNot::Translated, 8, Environment::Supplied, "LMT_S", ""},
    {"$LMT_VX", Kind::LeadingName, "E:\\vX", WhyNot::Translated, 0, Environment::None, "LMT_V", ""},
    {"$LMT_V\\z", Kind::LiveVariable, "E:\\v\\z", WhyNot::Translated, 0, Environment::None, "LMT_V", ""},
    {"$LMT_NONE\\z", Kind::NotTranslated, "", WhyNot::NoEntry, 0, Environment::None, "LMT_NONE", ""},
    {"$LMT_NONE", Kind::NotTranslated, "", WhyNot::NoLeadingName, 0, Environment::None, "", ""},
    {"relative\\name", Kind::NotTranslated, "", WhyNot::RelativeName, 0, Environment::None, "", ""},
    // C:\a holds it first; $LMT_B's C:\a\b comes later; the overridden C:\ too.
    {"C:\\a\\b\\f", Kind::HardPath, "$LMT_A\\b\\f", WhyNot::Translated, 0, Environment::None, "",
     "used $LMT_A 2/3 C:\\a; later $LMT_B 4/5 C:\\a\\b; overridden $LMT_O 6/7 C:\\; "},
    // Only the second block of $LMT_A holds D:\a; the map never took it.
    {"D:\\a\\g", Kind::NotTranslated, "", WhyNot::NoEntryHoldsPath, 0, Environment::None, "",
     "shadowed $LMT_A 10/11 D:\\a; "},
};

class Explain : public testsupport::MapFileTest, public ::testing::WithParamInterface<ExplainCase> {
protected:
    void SetUp() override {
        m_environment.set("LMT_O", "E:\\o");
        m_environment.set("LMT_S", "E:\\s");
        m_environment.set("LMT_V", "E:\\v");
        m_environment.set("LMT_NONE", std::nullopt);
        m_path = write("main.map",
                       "ZOR_LOCATION_MAP_2\n$LMT_A\nC:\\a\n$LMT_B\nC:\\a\\b\n$LMT_O\nC:\\\n$LMT_S\n"
                       "# $LMT_A again: ignored\n$LMT_A\nD:\\a\n");
        load(m_path);
    }

    testsupport::ScopedEnvironment m_environment;
    std::string m_path;
};

TEST_P(Explain, GivesTheFactsOfTheTranslation) {
    const ExplainCase &c = GetParam();
    VnExplanation explanation;
    const int status = VnLocMap::createMap()->explain(c.name, explanation);
    EXPECT_EQ(status, c.result[0] != '\0' ? LOCMAP50_OK : LOCMAP50_FAILED);
    EXPECT_EQ(explanation.kind, c.kind);
    EXPECT_EQ(explanation.result, c.result);
    EXPECT_EQ(explanation.whyNot, c.whyNot);
    EXPECT_EQ(explanation.line, c.line);
    if (c.line > 0) EXPECT_EQ(explanation.file, testsupport::libraryFileName(m_path));
    EXPECT_EQ(explanation.environment, c.environment);
    if (c.name[0] == '$') EXPECT_EQ(explanation.variable, c.variable);
    EXPECT_EQ(holdersOf(explanation), c.holders);
}

INSTANTIATE_TEST_SUITE_P(Cases, Explain, ::testing::ValuesIn(kCases));

TEST_F(Explain, TheListFormGivesOneExplanationPerNameInOrder) {
    std::vector<VnExplanation> explanations;
    VnLocMap::createMap()->explain({"$LMT_B", "$LMT_A"}, explanations);
    ASSERT_EQ(explanations.size(), 2u);
    EXPECT_EQ(explanations[0].line, 4);
    EXPECT_EQ(explanations[1].hardPaths, std::vector<std::string>{"C:\\a"});
}

}  // namespace
