// SPDX-License-Identifier: Apache-2.0
// Tests of the C calls that word load problems and reasons: names, sentences, the system's reason of a record.
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "support/CApiTest.h"
#include "support/CodeTable.h"

namespace {

TEST(WordsApi, KnownCodesHaveStaticWordsAndUnknownOnesNull) {
    EXPECT_STREQ(GetProblemKindName(LOCMAP50_PROBLEM_BAD_HEADER), "bad-header");
    EXPECT_STREQ(GetProblemKindName(LOCMAP50_PROBLEM_NUL_BYTE), "nul-byte");
    EXPECT_STREQ(GetProblemKindName(LOCMAP50_PROBLEM_NOTE_IN_HOME), "search-home");
    EXPECT_STREQ(GetFailureReasonText(LOCMAP50_REASON_NONE), "");
    EXPECT_STREQ(GetFailureReasonText(LOCMAP50_REASON_NOT_FOUND), "no such file or directory");
    EXPECT_STREQ(GetProblemKindName(LOCMAP50_PROBLEM_ENV_NOT_ABSOLUTE), "env-not-absolute");
    EXPECT_STREQ(GetProblemKindName(LOCMAP50_PROBLEM_NOTE_OVERRIDDEN), "overridden-by-earlier-file");
}

// The C calls answer from the catalogue for every code its table holds, and
// null for every code around and between them.
TEST(WordsApi, TheCallsAnswerEveryCodeOfTheCatalogueAndNoOther) {
    for (const locmap50::catalogue::ProblemWords &words : locmap50::catalogue::allProblemWords())
        EXPECT_STREQ(GetProblemKindName(words.kind), words.name) << words.kind;
    for (const locmap50::catalogue::ReasonWords &words : locmap50::catalogue::allReasonWords())
        EXPECT_STREQ(GetFailureReasonText(words.reason), words.text) << words.reason;
    for (const int unknown : testsupport::codesOutside(testsupport::catalogueKinds()))
        EXPECT_EQ(GetProblemKindName(unknown), nullptr) << unknown;
    for (const int unknown : testsupport::codesOutside(testsupport::catalogueReasons()))
        EXPECT_EQ(GetFailureReasonText(unknown), nullptr) << unknown;
}

class WordsApiTest : public CApiTest {};

// The sentence of record 0 (a prefix with no hard path), buffer by buffer.
TEST_F(WordsApiTest, ProblemTextFollowsTheExConvention) {
    loadMap("$LOCMAP50_WORDS_NONE\n");
    const std::string sentence = "soft prefix $LOCMAP50_WORDS_NONE has no hard path and is dropped";
    std::vector<char> buffer(sentence.size() + 1, 'x');
    EXPECT_EQ(GetLoadProblemText(0, buffer.data(), buffer.size()), LOCMAP50_OK);
    EXPECT_EQ(std::string(buffer.data()), sentence);

    buffer.assign(buffer.size(), 'x');
    EXPECT_EQ(GetLoadProblemText(0, buffer.data(), sentence.size()), LOCMAP50_BUFFER_TOO_SMALL);
    EXPECT_EQ(buffer[0], '\0');
    buffer[0] = 'x';
    EXPECT_EQ(GetLoadProblemText(0, buffer.data(), 0), LOCMAP50_BUFFER_TOO_SMALL);
    EXPECT_EQ(buffer[0], 'x');  // size 0 writes nothing
    for (const int index : {-1, GetLoadProblemCount()}) {
        EXPECT_EQ(GetLoadProblemText(index, buffer.data(), buffer.size()), LOCMAP50_FAILED) << index;
        EXPECT_EQ(buffer[0], '\0');
    }
    EXPECT_EQ(GetLoadProblemText(0, nullptr, 10), LOCMAP50_FAILED);
}

TEST_F(WordsApiTest, ProblemTextWithNeededTellsTheRoomTheSentenceNeeds) {
    loadMap("$LOCMAP50_WORDS_NONE\n");
    const std::string sentence = "soft prefix $LOCMAP50_WORDS_NONE has no hard path and is dropped";
    std::size_t needed = 0;
    EXPECT_EQ(GetLoadProblemTextN(0, nullptr, 0, &needed), LOCMAP50_BUFFER_TOO_SMALL);
    EXPECT_EQ(needed, sentence.size() + 1);
    std::vector<char> buffer(needed, 'x');
    EXPECT_EQ(GetLoadProblemTextN(0, buffer.data(), buffer.size(), &needed), LOCMAP50_OK);
    EXPECT_EQ(std::string(buffer.data()), sentence);
    EXPECT_EQ(needed, sentence.size() + 1);
    EXPECT_EQ(GetLoadProblemTextN(GetLoadProblemCount(), buffer.data(), buffer.size(), &needed), LOCMAP50_FAILED);
    EXPECT_EQ(needed, 0u);
    EXPECT_EQ(GetLoadProblemTextN(0, buffer.data(), buffer.size(), nullptr), LOCMAP50_FAILED);
}

TEST_F(WordsApiTest, ProblemReasonIsNoneWhereARecordHasNoneAndRefusesBadArguments) {
    loadMap("$LOCMAP50_WORDS_NONE\n");
    int reason = -1;
    EXPECT_EQ(GetLoadProblemReason(0, &reason), LOCMAP50_OK);
    EXPECT_EQ(reason, LOCMAP50_REASON_NONE);
    reason = -1;
    EXPECT_EQ(GetLoadProblemReason(GetLoadProblemCount(), &reason), LOCMAP50_FAILED);
    EXPECT_EQ(reason, LOCMAP50_REASON_NONE);
    EXPECT_EQ(GetLoadProblemReason(0, nullptr), LOCMAP50_FAILED);
}

// A main map file that cannot be read: given, or named by ZOR_LOCATION_MAP.
TEST_F(WordsApiTest, TheRecordOfAnUnreadableMapFileKeepsTheSystemsReason) {
    const std::string folder = m_dir.file("folder");
    std::filesystem::create_directory(folder);
    setEnv("ZOR_LOCATION_MAP", folder);
    const struct {
        std::string path;
        int isMapFile, kind, reason;
    } cases[] = {
        {m_dir.file("missing.map"), 1, LOCMAP50_PROBLEM_NO_READ_ACCESS, LOCMAP50_REASON_NOT_FOUND},
        {folder, 1, LOCMAP50_PROBLEM_NO_READ_ACCESS, LOCMAP50_REASON_IS_DIRECTORY},
        {m_dir.file("project"), 0, LOCMAP50_PROBLEM_BAD_ENV_PATH, LOCMAP50_REASON_IS_DIRECTORY},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(InitLocationMap(c.path.c_str(), c.isMapFile), LOCMAP50_NO_MAP);
        int found = -1;
        for (int index = 0; index < GetLoadProblemCount(); ++index) {
            int severity = 0, kind = 0, line = 0, reason = -1;
            const char *file = nullptr, *detail = nullptr;
            ASSERT_EQ(GetLoadProblem(index, &severity, &kind, &file, &line, &detail), LOCMAP50_OK);
            if (kind == c.kind && GetLoadProblemReason(index, &reason) == LOCMAP50_OK) found = reason;
        }
        EXPECT_EQ(found, c.reason) << c.path;
    }
}

// An include the system would not let the loader read: what it said is kept with the record.
struct UnreadableInclude {
    const char *name;
    int expected;
    void (*make)(const std::string &path);  // null: nothing is made
};

void PrintTo(const UnreadableInclude &include, std::ostream *out) {
    *out << include.name;
}

class IncludeReasonTest : public WordsApiTest, public ::testing::WithParamInterface<UnreadableInclude> {};

TEST_P(IncludeReasonTest, TheRecordKeepsTheSystemsReason) {
#ifndef _WIN32
    if (GetParam().expected == LOCMAP50_REASON_PERMISSION_DENIED && ::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
#else
    if (GetParam().expected == LOCMAP50_REASON_PERMISSION_DENIED) GTEST_SKIP() << "a POSIX permission";
#endif
    const std::string include = m_dir.file("included");
    if (GetParam().make != nullptr) GetParam().make(include);
    loadMap("INCLUDE " + include + "\n");
    ASSERT_EQ(GetLoadProblemCount(), 1);
    int severity = 0, kind = 0, line = 0;
    const char *file = nullptr, *detail = nullptr;
    ASSERT_EQ(GetLoadProblem(0, &severity, &kind, &file, &line, &detail), LOCMAP50_OK);
    EXPECT_EQ(kind, LOCMAP50_PROBLEM_BAD_INCLUDE);
    int reason = -1;
    EXPECT_EQ(GetLoadProblemReason(0, &reason), LOCMAP50_OK);
    EXPECT_EQ(reason, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Includes, IncludeReasonTest,
    ::testing::Values(
        UnreadableInclude{"Missing", LOCMAP50_REASON_NOT_FOUND, nullptr},
        UnreadableInclude{"Folder", LOCMAP50_REASON_IS_DIRECTORY,
                          [](const std::string &path) { std::filesystem::create_directory(path); }},
        UnreadableInclude{"Unreadable", LOCMAP50_REASON_PERMISSION_DENIED,
                          [](const std::string &path) {
                              testsupport::writeFile(path, "ZOR_LOCATION_MAP_2\n");
                              std::filesystem::permissions(path, std::filesystem::perms::none);
                          }}),
    [](const ::testing::TestParamInfo<UnreadableInclude> &info) { return std::string(info.param.name); });

}  // namespace

// The variable a record is about, and its value whole: what a caller would
// otherwise take apart from the detail, which cuts a long value short.
TEST_F(WordsApiTest, ProblemVariableGivesTheVariableAndItsWholeValue) {
    const std::string longValue = "C:\\" + std::string(200, 'v') + "=x";
    setEnv("LOCMAP50_WORDS_OVER", longValue);
    loadMap("$LOCMAP50_WORDS_OVER\nC:\\map\n$LOCMAP50_WORDS_NONE\n");
    const char *variable = nullptr, *value = nullptr;
    std::vector<std::string> seen;
    for (int index = 0; index < GetLoadProblemCount(); ++index) {
        int severity = 0, kind = 0, line = 0;
        const char *file = nullptr, *detail = nullptr;
        ASSERT_EQ(GetLoadProblem(index, &severity, &kind, &file, &line, &detail), LOCMAP50_OK);
        ASSERT_EQ(GetLoadProblemVariable(index, &variable, &value), LOCMAP50_OK);
        seen.push_back(std::string(GetProblemKindName(kind)) + " " + variable + " " + value);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"env-override LOCMAP50_WORDS_OVER " + longValue,
                                              "no-hard-path  "}));
    variable = value = "untouched";
    EXPECT_EQ(GetLoadProblemVariable(GetLoadProblemCount(), &variable, &value), LOCMAP50_FAILED);
    EXPECT_EQ(GetLoadProblemVariable(0, nullptr, &value), LOCMAP50_FAILED);
    EXPECT_EQ(GetLoadProblemVariable(0, &variable, nullptr), LOCMAP50_FAILED);
    EXPECT_STREQ(variable, "untouched");
}

// ZOR_LOCATION_MAP naming no readable file: the error and the search's note carry it.
TEST_F(WordsApiTest, ProblemVariableNamesTheMapVariable) {
    const std::string missing = m_dir.file("missing.map");
    setEnv("ZOR_LOCATION_MAP", missing);
    EXPECT_EQ(InitLocationMap(m_dir.path().string().c_str(), 0), LOCMAP50_NO_MAP);
    ASSERT_GT(GetLoadProblemCount(), 0);
    for (int index = 0; index < GetLoadProblemCount(); ++index) {
        const char *variable = nullptr, *value = nullptr;
        ASSERT_EQ(GetLoadProblemVariable(index, &variable, &value), LOCMAP50_OK);
        EXPECT_STREQ(variable, "ZOR_LOCATION_MAP") << index;
        EXPECT_EQ(value, missing) << index;
    }
}
