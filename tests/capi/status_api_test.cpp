// SPDX-License-Identifier: Apache-2.0
// Tests of GetLoadStatus and ReturnAllSoftPrefixes: how the last load went, and the soft prefixes in map order.
#include "support/CApiTest.h"

namespace {

// What GetLoadStatus reports, compared as one value.
struct LoadStatus {
    int result;
    int outcome;
    int errors;
    int warnings;
};

bool operator==(const LoadStatus &a, const LoadStatus &b) {
    return a.result == b.result && a.outcome == b.outcome && a.errors == b.errors && a.warnings == b.warnings;
}

std::ostream &operator<<(std::ostream &out, const LoadStatus &s) {
    return out << "{result " << s.result << ", outcome " << s.outcome << ", errors " << s.errors
               << ", warnings " << s.warnings << "}";
}

// Starts the out-values at a value no answer has, so an unset one shows.
LoadStatus loadStatus() {
    LoadStatus status{-1, -1, -1, -1};
    status.result = GetLoadStatus(&status.outcome, &status.errors, &status.warnings);
    return status;
}

// The text of a list string, which is released here; "(null)" for null.
std::string takeList(char *list) {
    const std::string text = list != nullptr ? list : "(null)";
    FreeHardPathList(list);
    return text;
}

struct LoadCase {
    const char *name;
    const char *entries;
    const char *overridingVariable;  // set to "D:\other" before the load; may be null
    LoadStatus expected;
};

// CTest lists the cases by name instead of by their bytes.
void PrintTo(const LoadCase &loadCase, std::ostream *out) {
    *out << loadCase.name;
}

class LoadStatusTest : public CApiTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadStatusTest, CountsTheDiagnosticsOfTheLastLoad) {
    if (GetParam().overridingVariable != nullptr) setEnv(GetParam().overridingVariable, "D:\\other");
    loadMap(GetParam().entries);
    EXPECT_EQ(loadStatus(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Loads, LoadStatusTest,
    ::testing::Values(
        LoadCase{"Clean", "$A\nC:\\a\n", nullptr, {LOCMAP50_OK, LOCMAP50_LOAD_CLEAN, 0, 0}},
        LoadCase{"OverrideIsAWarning", "$LMSTATUS_A\nC:\\a\n", "LMSTATUS_A",
                 {LOCMAP50_OK, LOCMAP50_LOAD_WARNINGS, 0, 1}},
        LoadCase{"ParseErrors", "$A\nC:\\a\nnot an entry\nnor this\n", nullptr,
                 {LOCMAP50_OK, LOCMAP50_LOAD_ERRORS, 2, 0}},
        LoadCase{"ErrorsWinOverWarnings", "$LMSTATUS_B\nC:\\b\n$1BAD\n", "LMSTATUS_B",
                 {LOCMAP50_OK, LOCMAP50_LOAD_ERRORS, 1, 1}}),
    [](const ::testing::TestParamInfo<LoadCase> &info) { return std::string(info.param.name); });

TEST_F(CApiTest, LoadStatusWithoutAMapIsNoMapAndZero) {
    EXPECT_EQ(loadStatus(), (LoadStatus{LOCMAP50_NO_MAP, LOCMAP50_LOAD_CLEAN, 0, 0}));
    EXPECT_EQ(InitLocationMap(m_dir.file("missing.map").c_str(), 1), LOCMAP50_NO_MAP);
    EXPECT_EQ(loadStatus(), (LoadStatus{LOCMAP50_NO_MAP, LOCMAP50_LOAD_CLEAN, 0, 0}));
}

TEST_F(CApiTest, LoadStatusTakesNullOutPointers) {
    loadMap("bad line\n");
    EXPECT_EQ(GetLoadStatus(nullptr, nullptr, nullptr), LOCMAP50_OK);
    int errors = 0;
    EXPECT_EQ(GetLoadStatus(nullptr, &errors, nullptr), LOCMAP50_OK);
    EXPECT_EQ(errors, 1);
}

TEST_F(CApiTest, LoadStatusDescribesTheLatestLoadOnly) {
    loadMap("bad line\n");
    ASSERT_EQ(loadStatus().outcome, LOCMAP50_LOAD_ERRORS);
    loadMap("$A\nC:\\a\n");
    EXPECT_EQ(loadStatus(), (LoadStatus{LOCMAP50_OK, LOCMAP50_LOAD_CLEAN, 0, 0}));
}

// Every record of the last load, one "severity kind line detail" line each.
std::string problemLines() {
    std::string text;
    for (int index = 0; index < GetLoadProblemCount(); ++index) {
        int severity = -1, kind = -1, line = -1;
        const char *file = nullptr, *detail = nullptr;
        if (GetLoadProblem(index, &severity, &kind, &file, &line, &detail) != LOCMAP50_OK) return "no record";
        text += std::to_string(severity) + " " + std::to_string(kind) + " " + std::to_string(line) + " " +
                detail + "\n";
    }
    return text;
}

TEST_F(CApiTest, LoadProblemsGiveKindLineAndTheTextAtFault) {
    setEnv("LMPROB_O", "D:\\other");
    std::string twentyOnePaths;
    for (int i = 1; i <= 21; ++i) twentyOnePaths += "C:\\m" + std::to_string(i) + "\n";
    // The include at the end reads the file itself again: a cycle.
    loadMap("$LMPROB_O\nC:\\o\nnot an entry  # note\n$1BAD\nC:\\x\n$LMPROB_NONE\nINCLUDE missing.map\n"
            "$LMPROB_MANY\n" + twentyOnePaths + "INCLUDE " + m_dir.file("main.map") + "\n");
    EXPECT_EQ(problemLines(), "1 4 2 $LMPROB_O\n"
                              "0 2 4 not an entry\n"
                              "0 5 5 $1BAD\n"
                              "0 3 7 $LMPROB_NONE\n"
                              "0 6 8 missing.map\n"
                              "0 8 9 $LMPROB_MANY\n"
                              "0 9 31 " + m_dir.file("main.map") + "\n");
    int severity = 0, kind = 0, line = 0;
    const char *file = nullptr;
    EXPECT_EQ(GetLoadProblem(0, &severity, &kind, &file, &line, nullptr), LOCMAP50_FAILED);
    EXPECT_EQ(GetLoadProblem(-1, &severity, &kind, &file, &line, &file), LOCMAP50_FAILED);
    EXPECT_EQ(GetLoadProblem(7, &severity, &kind, &file, &line, &file), LOCMAP50_FAILED);
}

// Included files that are no maps (a password file, a process's environment
// block) are described, never quoted; a map's own long line is quoted bounded
// in its record and whole in the message text, as that text always was.
TEST_F(CApiTest, FilesThatAreNoMapsAreNeverQuoted) {
    const std::string secret = m_dir.write("shadow", "root:SECRET-HASH:19000:0:99999:7:::\n");
    static const char kEnvironmentBlock[] = "SECRET_TOKEN=SECRET-VALUE\0HOME=/root\0";
    const std::string block = m_dir.write("environ", std::string(kEnvironmentBlock, sizeof kEnvironmentBlock - 1));
    const std::string longBadPrefix = "$1" + std::string(200, 'x') + "\x1b";
    loadMap("INCLUDE " + secret + "\nINCLUDE " + block + "\n" + longBadPrefix + "\nC:\\x\n");
    EXPECT_EQ(problemLines(), "0 1 1 is not a map header\n"
                              "0 1 1 holds a NUL byte\n"
                              "0 5 4 $1" + std::string(115, 'x') + "...\n");
    for (int index = 0; index < GetLoadProblemCount(); ++index) {
        std::string sentence(512, '\0');
        ASSERT_EQ(GetLoadProblemText(index, &sentence[0], sentence.size()), LOCMAP50_OK);
        EXPECT_EQ(sentence.find("SECRET"), std::string::npos) << sentence;
    }
    const std::string messages = GetErrorString();
    EXPECT_EQ(messages.find("SECRET"), std::string::npos) << messages;
    EXPECT_NE(messages.find(longBadPrefix), std::string::npos) << messages;
}

TEST_F(CApiTest, AFailedSearchKeepsItsNotesUntilTheNextInit) {
    setEnv("HOME", m_dir.path().string());
    setEnv("WDIR", ";" + m_dir.path().string() + ";");
    ASSERT_EQ(InitLocationMap(m_dir.path().string().c_str(), 0), LOCMAP50_NO_MAP);
    EXPECT_EQ(problemLines(), "2 24 0 ZOR_LOCATION_MAP\n"
                              "2 21 0 no such file or directory\n"
                              "2 22 0 no such file or directory\n"
                              "2 23 0 no such file or directory\n");
    loadMap("$A\nC:\\a\n");
    EXPECT_EQ(problemLines(), "");
}

// A personal entry before the include of a site map that defines the prefix
// too overrides it on purpose: one note at the site's first block, and no
// message text or count; a second block within one file gets no record.
TEST_F(CApiTest, AnEarlierFilesOverrideIsOnlyANote) {
    const std::string site = writeMap("site.map", "$TOOLS\nC:\\tools\n$LIBS\nC:\\libs\n$TOOLS\nC:\\again\n");
    loadMap("$TOOLS\nC:\\mine\n$TOOLS\nC:\\mine2\nINCLUDE " + site + "\n");
    EXPECT_EQ(problemLines(), "2 " + std::to_string(LOCMAP50_PROBLEM_NOTE_OVERRIDDEN) + " 2 $TOOLS\n");
    int severity = 0, kind = 0, line = 0;
    const char *file = nullptr, *detail = nullptr;
    ASSERT_EQ(GetLoadProblem(0, &severity, &kind, &file, &line, &detail), LOCMAP50_OK);
    EXPECT_EQ(text(file), testsupport::libraryFileName(site));
    EXPECT_EQ(loadStatus(), (LoadStatus{LOCMAP50_OK, LOCMAP50_LOAD_CLEAN, 0, 0}));
    EXPECT_EQ(text(GetErrorString()), testsupport::successLine(m_dir.file("main.map")));
}

TEST_F(CApiTest, SoftPrefixesComeInOrderOfFirstDefinitionAcrossIncludes) {
    const std::string included = writeMap("included.map", "$INNER\nC:\\inner\n$FIRST\nC:\\ignored\n");
    loadMap("$FIRST\nC:\\first\nINCLUDE " + included + "\n$LAST\nC:\\last\n");
    EXPECT_EQ(takeList(ReturnAllSoftPrefixes()), "$FIRST`$INNER`$LAST`");
}

TEST_F(CApiTest, SoftPrefixListFollowsEdits) {
    loadMap("$A\nC:\\a\n$B\nC:\\b\n");
    ASSERT_EQ(ChangeEntry("$C", "C:\\c`", LOCMAP50_ADD_ENTRY), LOCMAP50_OK);
    ASSERT_EQ(ChangeEntry("$A", nullptr, LOCMAP50_DELETE_ENTRY), LOCMAP50_OK);
    EXPECT_EQ(takeList(ReturnAllSoftPrefixes()), "$B`$C`");
}

TEST_F(CApiTest, SoftPrefixListIsEmptyForAnEmptyMapAndNullWithoutOne) {
    EXPECT_EQ(takeList(ReturnAllSoftPrefixes()), "(null)");
    loadMap("");
    EXPECT_EQ(takeList(ReturnAllSoftPrefixes()), "");
}

}  // namespace
