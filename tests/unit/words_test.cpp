// SPDX-License-Identifier: Apache-2.0
// Tests of the catalogue of words: one entry per problem kind and failure reason, stable names, and the formats a load prints.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "locmap50/VnLocMap.h"
#include "locmap50/result_codes.h"
#include "catalogue/Catalogue.h"
#include "support/CodeTable.h"
#include "support/MapTest.h"

namespace {

namespace catalogue = locmap50::catalogue;

bool looksStable(const std::string &name) {
    return std::regex_match(name, std::regex("[a-z]+(-[a-z]+)*"));
}

// The catalogue's own table is walked, so a kind added to it is checked
// without a list here to keep up, and the unknown codes are those it lacks.
TEST(Words, EveryKindHasOneEntryWithAStableNameASentenceAndAFormatUnlessANote) {
    std::set<std::string> names;
    for (const catalogue::ProblemWords &entry : catalogue::allProblemWords()) {
        const catalogue::ProblemWords *words = catalogue::problemWords(entry.kind);
        ASSERT_EQ(words, &entry) << entry.kind;
        EXPECT_TRUE(looksStable(words->name)) << words->name;
        EXPECT_TRUE(names.insert(words->name).second) << words->name;
        EXPECT_STRNE(words->sentence, "") << words->name;
        EXPECT_EQ(words->severity == LOCMAP50_SEVERITY_NOTE, std::string(words->format).empty()) << words->name;
    }
    EXPECT_EQ(testsupport::catalogueKinds().size(), names.size());
    for (const int unknown : testsupport::codesOutside(testsupport::catalogueKinds())) {
        EXPECT_EQ(catalogue::problemWords(unknown), nullptr) << unknown;
        EXPECT_EQ(catalogue::plainSentence(unknown, "x"), "") << unknown;
        EXPECT_STREQ(catalogue::messageFormat(unknown), "") << unknown;
    }
}

TEST(Words, EveryReasonHasOneEntryWithAStableNameAndAPhrase) {
    std::set<std::string> names;
    for (const catalogue::ReasonWords &entry : catalogue::allReasonWords()) {
        const catalogue::ReasonWords *words = catalogue::reasonWords(entry.reason);
        ASSERT_EQ(words, &entry) << entry.reason;
        EXPECT_TRUE(looksStable(words->name)) << words->name;
        EXPECT_TRUE(names.insert(words->name).second) << words->name;
        EXPECT_EQ(std::string(words->text).empty(), entry.reason == LOCMAP50_REASON_NONE) << words->name;
    }
    const std::set<int> reasons = testsupport::catalogueReasons();
    EXPECT_EQ(reasons.size(), names.size());
    EXPECT_EQ(*reasons.begin(), LOCMAP50_REASON_NONE);
    for (const int unknown : testsupport::codesOutside(reasons)) {
        EXPECT_EQ(catalogue::reasonWords(unknown), nullptr) << unknown;
        EXPECT_EQ(catalogue::reasonText(unknown), catalogue::reasonText(LOCMAP50_REASON_OTHER)) << unknown;
    }
}

TEST(Words, ASentenceTakesTheDetailOnOneLine) {
    EXPECT_EQ(catalogue::plainSentence(LOCMAP50_PROBLEM_ENV_OVERRIDE, "$TOOLS"),
              "environment variable TOOLS overrides the hard paths of $TOOLS");
    EXPECT_EQ(catalogue::plainSentence(LOCMAP50_PROBLEM_PARSE_ERROR, "a\tb\r"), "line of no known kind, ignored: 'a\\x09b\\x0d'");
    EXPECT_EQ(catalogue::plainSentence(LOCMAP50_PROBLEM_TOO_MANY_HARD_PATHS, "$A"),
              "$A has more than " + std::to_string(LOCMAP50_MAX_HARD_PATHS) +
                  " hard paths in this file; the others are ignored");
}

// A map's line in a problem record: escaped, never past a NUL, and never
// longer than the bound, the cut marked and no escape or character split.
TEST(Words, AQuotedLineIsEscapedBoundedAndCutVisibly) {
    const std::string longLine(200, 'a');
    const std::string cutLong = std::string(catalogue::kMaxQuotedLineBytes - 3, 'a') + "...";
    const std::string euro = "\xE2\x82\xAC";
    const struct {
        std::string line;
        std::string quoted;
    } cases[] = {
        {"C:\\tools", "C:\\tools"},
        {"a\tb\x1b[2J", "a\\x09b\\x1b[2J"},
        {std::string("C:\\a\0SECRET=1", sizeof "C:\\a\0SECRET=1" - 1), "C:\\a\\0..."},
        {std::string(catalogue::kMaxQuotedLineBytes, 'a'), std::string(catalogue::kMaxQuotedLineBytes, 'a')},
        {longLine, cutLong},
        {std::string(catalogue::kMaxQuotedLineBytes - 4, 'a') + "\x1b\x1b",
         std::string(catalogue::kMaxQuotedLineBytes - 4, 'a') + "..."},
        {std::string(catalogue::kMaxQuotedLineBytes - 4, 'a') + euro + "bc",
         std::string(catalogue::kMaxQuotedLineBytes - 4, 'a') + "..."},
    };
    for (const auto &c : cases) {
        const std::string quoted = catalogue::quotedLine(c.line);
        EXPECT_EQ(quoted, c.quoted);
        EXPECT_LE(quoted.size(), catalogue::kMaxQuotedLineBytes);
    }
}

class WordsOfALoad : public testsupport::MapFileTest {};

// Each problem a real load raises is printed in its kind's format.
TEST_F(WordsOfALoad, EachProblemIsPrintedInItsKindsFormat) {
    std::string tooMany = "$MANY\n";
    for (int i = 0; i <= LOCMAP50_MAX_HARD_PATHS; ++i) tooMany += "C:\\m" + std::to_string(i) + "\n";
    const std::string path = write("main.map", "ZOR_LOCATION_MAP_2\n$1BAD\nnot a path\n$LOCMAP50_WORDS_NONE\n" +
                                                   tooMany + "INCLUDE " + m_dir.file("missing.map") + "\nC:\\stray\n");
    const VnLocMap &map = load(path);
    std::set<int> kinds;
    for (const VnLoadProblem &problem : map.loadProblems()) {
        const std::string format = catalogue::messageFormat(problem.kind);
        EXPECT_NE(map.m_errorText.find(format.substr(0, format.find("%s"))), std::string::npos) << problem.kind;
        EXPECT_EQ(problem.severity, catalogue::problemWords(problem.kind)->severity);
        kinds.insert(problem.kind);
    }
    EXPECT_EQ(kinds, (std::set<int>{LOCMAP50_PROBLEM_BAD_SOFT_PREFIX, LOCMAP50_PROBLEM_PARSE_ERROR,
                                    LOCMAP50_PROBLEM_NO_HARD_PATH, LOCMAP50_PROBLEM_TOO_MANY_HARD_PATHS,
                                    LOCMAP50_PROBLEM_BAD_INCLUDE, LOCMAP50_PROBLEM_NO_SOFT_PREFIX}));
}

}  // namespace
