// SPDX-License-Identifier: Apache-2.0
// Tests of the catalogue of words: one entry per problem kind and failure reason, stable names, and the formats a load prints.
#include <gtest/gtest.h>

#include <iterator>
#include <regex>
#include <set>
#include <string>

#include "locmap50/VnLocMap.h"
#include "locmap50/result_codes.h"
#include "catalogue/Catalogue.h"
#include "support/MapTest.h"

namespace {

namespace catalogue = locmap50::catalogue;

const int kKinds[] = {
    LOCMAP50_PROBLEM_BAD_HEADER, LOCMAP50_PROBLEM_PARSE_ERROR, LOCMAP50_PROBLEM_NO_HARD_PATH,
    LOCMAP50_PROBLEM_ENV_OVERRIDE, LOCMAP50_PROBLEM_BAD_SOFT_PREFIX, LOCMAP50_PROBLEM_BAD_INCLUDE,
    LOCMAP50_PROBLEM_NO_SOFT_PREFIX, LOCMAP50_PROBLEM_TOO_MANY_HARD_PATHS, LOCMAP50_PROBLEM_INCLUDE_CYCLE,
    LOCMAP50_PROBLEM_ENV_LINE_BREAK, LOCMAP50_PROBLEM_ENV_NOT_ABSOLUTE, LOCMAP50_PROBLEM_NUL_BYTE,
    LOCMAP50_PROBLEM_BAD_ENV_PATH,
    LOCMAP50_PROBLEM_NO_READ_ACCESS, LOCMAP50_PROBLEM_NOTE_FROM_ENV_VARIABLE, LOCMAP50_PROBLEM_NOTE_IN_PROJECT,
    LOCMAP50_PROBLEM_NOTE_IN_HOME, LOCMAP50_PROBLEM_NOTE_IN_WDIR, LOCMAP50_PROBLEM_NOTE_VARIABLE_UNSET,
    LOCMAP50_PROBLEM_NOTE_WDIR_EMPTY};

bool looksStable(const std::string &name) {
    return std::regex_match(name, std::regex("[a-z]+(-[a-z]+)*"));
}

TEST(Words, EveryKindHasOneEntryWithAStableNameASentenceAndAFormatUnlessANote) {
    std::set<std::string> names;
    for (const int kind : kKinds) {
        const catalogue::ProblemWords *words = catalogue::problemWords(kind);
        ASSERT_NE(words, nullptr) << kind;
        EXPECT_TRUE(looksStable(words->name)) << words->name;
        EXPECT_TRUE(names.insert(words->name).second) << words->name;
        EXPECT_STRNE(words->sentence, "") << words->name;
        EXPECT_EQ(words->severity == LOCMAP50_SEVERITY_NOTE, std::string(words->format).empty()) << words->name;
    }
    const catalogue::ProblemWordsRange all = catalogue::allProblemWords();
    EXPECT_EQ(static_cast<std::size_t>(std::distance(all.begin(), all.end())), names.size());
    for (const int unknown : {0, 15, 19, 26, -1}) {
        EXPECT_EQ(catalogue::problemWords(unknown), nullptr) << unknown;
        EXPECT_EQ(catalogue::plainSentence(unknown, "x"), "");
        EXPECT_STREQ(catalogue::messageFormat(unknown), "");
    }
}

TEST(Words, EveryReasonHasOneEntryWithAStableNameAndAPhrase) {
    std::set<std::string> names;
    for (int reason = LOCMAP50_REASON_NONE; reason <= LOCMAP50_REASON_WOULD_LOSE_PERMISSIONS; ++reason) {
        const catalogue::ReasonWords *words = catalogue::reasonWords(reason);
        ASSERT_NE(words, nullptr) << reason;
        EXPECT_TRUE(looksStable(words->name)) << words->name;
        EXPECT_TRUE(names.insert(words->name).second) << words->name;
        EXPECT_EQ(std::string(words->text).empty(), reason == LOCMAP50_REASON_NONE) << words->name;
    }
    EXPECT_EQ(catalogue::reasonWords(LOCMAP50_REASON_WOULD_LOSE_PERMISSIONS + 1), nullptr);
    EXPECT_EQ(catalogue::reasonText(99), catalogue::reasonText(LOCMAP50_REASON_OTHER));
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
