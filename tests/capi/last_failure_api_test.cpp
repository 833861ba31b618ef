// SPDX-License-Identifier: Apache-2.0
// Tests of GetLastFailure: what a failed save, export or edit leaves, and what a later call or a success leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "support/CApiTest.h"

namespace {

struct Reported {
    int result;
    int reason;
    std::string file;
};

bool operator==(const Reported &a, const Reported &b) {
    return a.result == b.result && a.reason == b.reason && a.file == b.file;
}

std::ostream &operator<<(std::ostream &out, const Reported &reported) {
    return out << reported.result << " " << reported.reason << " \"" << reported.file << "\"";
}

Reported lastFailure() {
    int reason = -1;
    const char *file = nullptr;
    const int result = GetLastFailure(&reason, &file);
    return {result, reason, file != nullptr ? file : "<null>"};
}

const Reported kNothing{LOCMAP50_FAILED, LOCMAP50_REASON_NONE, ""};

TEST_F(CApiTest, LastFailureDetailIsEmptyWhereTheReasonHasNoMore) {
    EXPECT_EQ(GetLastFailureDetail(nullptr), LOCMAP50_FAILED);
    loadMap("$LMT_A\nC:\\a\n");
    const char *detail = nullptr;
    EXPECT_EQ(GetLastFailureDetail(&detail), LOCMAP50_FAILED);
    EXPECT_STREQ(detail, "");
    ASSERT_EQ(ChangeEntry("$LMT_A", "C:\\b`", LOCMAP50_ADD_ENTRY), LOCMAP50_FAILED);
    EXPECT_EQ(GetLastFailureDetail(&detail), LOCMAP50_OK);
    EXPECT_STREQ(detail, "");
}

std::string hardPathList(int count) {
    std::string list;
    for (int i = 1; i <= count; ++i) list += "C:\\p" + std::to_string(i) + "`";
    return list;
}

// Every edit route refuses a list past the limit with the limit's rule as its
// detail, and takes one at it; a path refused for another rule names that one.
TEST_F(CApiTest, AnEditPastTheHardPathLimitIsRefusedNamingTheLimit) {
    const std::string path = loadMap("$LMT_A\nC:\\a\n");
    struct Route {
        const char *name;
        int (*edit)(const std::string &mapFile, const std::string &hardNames);
        const char *file;  // the failure's file: "" or the edited map file
    };
    const Route routes[] = {
        {"replace", [](const std::string &, const std::string &list) {
             return ChangeEntry("$LMT_A", list.c_str(), LOCMAP50_REPLACE_ENTRY);
         }, ""},
        {"add", [](const std::string &, const std::string &list) {
             return ChangeEntry("$LMT_NEW", list.c_str(), LOCMAP50_ADD_ENTRY);
         }, ""},
        {"replace in file", [](const std::string &mapFile, const std::string &list) {
             return ChangeEntryInFile(mapFile.c_str(), "$LMT_A", list.c_str(), LOCMAP50_REPLACE_ENTRY);
         }, "map"},
        {"add in file", [](const std::string &mapFile, const std::string &list) {
             return ChangeEntryInFile(mapFile.c_str(), "$LMT_NEW2", list.c_str(), LOCMAP50_ADD_ENTRY);
         }, "map"},
    };
    for (const Route &route : routes) {
        SCOPED_TRACE(route.name);
        const char *detail = nullptr;
        ASSERT_EQ(route.edit(path, hardPathList(LOCMAP50_MAX_HARD_PATHS + 1)), LOCMAP50_FAILED);
        const Reported refused = lastFailure();
        EXPECT_EQ(refused.reason, LOCMAP50_REASON_INVALID_INPUT);
        EXPECT_EQ(refused.file, *route.file == '\0' ? std::string() : path);
        ASSERT_EQ(GetLastFailureDetail(&detail), LOCMAP50_OK);
        EXPECT_STREQ(detail, "more than 20 hard paths");

        ASSERT_EQ(route.edit(path, "C:\\a#b`"), LOCMAP50_FAILED);
        ASSERT_EQ(GetLastFailureDetail(&detail), LOCMAP50_OK);
        EXPECT_STREQ(detail, "hard path 'C:\\a#b' holds a #, which starts a comment");

        EXPECT_EQ(route.edit(path, hardPathList(LOCMAP50_MAX_HARD_PATHS)), LOCMAP50_OK);
    }
}

TEST_F(CApiTest, LastFailureTakesEitherPointerAlone) {
    loadMap("$LMT_A\nC:\\a\n");
    ASSERT_EQ(ChangeEntry("$LMT_A", "C:\\b`", LOCMAP50_ADD_ENTRY), LOCMAP50_FAILED);

    int reason = -1;
    EXPECT_EQ(GetLastFailure(&reason, nullptr), LOCMAP50_OK);
    EXPECT_EQ(reason, LOCMAP50_REASON_ALREADY_PRESENT);
    const char *file = nullptr;
    EXPECT_EQ(GetLastFailure(nullptr, &file), LOCMAP50_OK);
    EXPECT_STREQ(file, "");
    EXPECT_EQ(GetLastFailure(nullptr, nullptr), LOCMAP50_FAILED);
}

TEST_F(CApiTest, LastFailureOfASaveNamesTheFileChangedMeanwhile) {
    const std::string path = loadMap("$LMT_A\nC:\\a\n");
    ASSERT_EQ(ChangeEntry("$LMT_A", "C:\\mine`", LOCMAP50_REPLACE_ENTRY), LOCMAP50_OK);
    EXPECT_EQ(lastFailure(), kNothing);
    writeMap("main.map", "$LMT_A\nC:\\theirs\n");

    EXPECT_EQ(SaveLocationMap(0), LOCMAP50_FAILED);
    EXPECT_EQ(lastFailure(), (Reported{LOCMAP50_OK, LOCMAP50_REASON_CHANGED_SINCE_READ, CurrentMapName()}));
    // The failure stays for the asking, until the next save, export or edit.
    EXPECT_EQ(lastFailure().reason, LOCMAP50_REASON_CHANGED_SINCE_READ);
    EXPECT_EQ(ChangeEntry("$LMT_NONE", nullptr, LOCMAP50_DELETE_ENTRY), LOCMAP50_OK);
    EXPECT_EQ(lastFailure(), kNothing);
}

TEST_F(CApiTest, LastFailureOfRefusedInputNamesTheExportTarget) {
    loadMap("$LMT_A\nC:\\a\n");
    EXPECT_EQ(Export("plain.map", 0), LOCMAP50_FAILED);
    EXPECT_EQ(lastFailure(), (Reported{LOCMAP50_OK, LOCMAP50_REASON_INVALID_INPUT, "plain.map"}));
    EXPECT_EQ(ChangeEntry("$LMT_A", "C:\\b`", 7), LOCMAP50_FAILED);
    EXPECT_EQ(lastFailure(), (Reported{LOCMAP50_OK, LOCMAP50_REASON_INVALID_INPUT, ""}));
}

// Each refusal of what a caller gave says which rule it broke.
TEST_F(CApiTest, EveryRefusedInputNamesTheRuleItBroke) {
    const std::string path = loadMap("$LMT_A\nC:\\a\n");
    const struct {
        const char *name;
        std::function<int()> call;
        const char *detail;
    } cases[] = {
        {"no prefix", [] { return ChangeEntry("", "C:\\b`", LOCMAP50_REPLACE_ENTRY); }, "no soft prefix given"},
        {"no list", [] { return ChangeEntry("$LMT_A", nullptr, LOCMAP50_ADD_ENTRY); }, "no hard path list given"},
        {"operation", [] { return ChangeEntry("$LMT_A", "C:\\b`", 7); }, "unknown operation 7"},
        {"relative", [] { return ChangeEntry("$LMT_A", "rel\\x`", LOCMAP50_REPLACE_ENTRY); },
         "hard path 'rel\\x' is relative: a hard path must be absolute"},
        {"include", [] { return ChangeEntry("$LMT_A", "INCLUDE C:\\x`", LOCMAP50_REPLACE_ENTRY); },
         "hard path 'INCLUDE C:\\x' would read as an INCLUDE line"},
        {"prefix", [] { return ChangeEntry("$LMT_A", "$LMT_B`", LOCMAP50_REPLACE_ENTRY); },
         "hard path '$LMT_B' would read as a soft prefix line"},
        {"bad prefix", [] { return ChangeEntry("$1X", "C:\\b`", LOCMAP50_ADD_ENTRY); },
         "soft prefix '$1X' is not valid: a $, a letter, then letters, digits or _"},
        {"no file", [] { return ChangeEntryInFile(nullptr, "$LMT_A", "C:\\b`", LOCMAP50_REPLACE_ENTRY); },
         "no map file name given"},
        {"in file",
         [&] { return ChangeEntryInFile(path.c_str(), "$LMT_A", "C:\\b\nC:\\c`", LOCMAP50_REPLACE_ENTRY); },
         "hard path 'C:\\b\\x0aC:\\c' holds a line break"},
        {"export", [] { return Export("plain.map", 0); },
         "'plain.map' is relative: give an absolute path or a soft name"},
        {"export soft", [] { return Export("$LMT_NONE\\x.map", 0); },
         "no soft prefix of '$LMT_NONE\\x.map' is in the map or the environment"},
        {"export empty", [] { return Export("", 0); }, "no file name given"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.call(), LOCMAP50_FAILED);
        const Reported refused = lastFailure();
        EXPECT_EQ(refused.reason, LOCMAP50_REASON_INVALID_INPUT);
        const char *detail = nullptr;
        ASSERT_EQ(GetLastFailureDetail(&detail), LOCMAP50_OK);
        EXPECT_STREQ(detail, c.detail);
    }
}

TEST_F(CApiTest, SuccessfulSaveAndCallsWithoutAMapLeaveNoFailure) {
    loadMap("$LMT_A\nC:\\a\n");
    ASSERT_EQ(Export("plain.map", 0), LOCMAP50_FAILED);
    EXPECT_EQ(SaveLocationMap(0), LOCMAP50_OK);
    EXPECT_EQ(lastFailure(), kNothing);

    ASSERT_EQ(Export("plain.map", 0), LOCMAP50_FAILED);
    testsupport::destroyMap();
    EXPECT_EQ(SaveLocationMap(0), LOCMAP50_NO_MAP);
    EXPECT_EQ(lastFailure(), kNothing);
}

}  // namespace

namespace {

TEST_F(CApiTest, OneFileEditsAndTheLayoutKeepingSaveThroughTheCFunctions) {
    const std::string path = loadMap("# kept\n$LMT_A   # a\nC:\\a\n");
    EXPECT_EQ(ChangeEntryInFile(path.c_str(), "$LMT_B", nullptr, LOCMAP50_DELETE_ENTRY), LOCMAP50_FAILED);
    EXPECT_EQ(lastFailure().reason, LOCMAP50_REASON_NO_SUCH_ENTRY);
    EXPECT_EQ(ChangeEntryInFile("no-such.map", "$LMT_A", "D:\\a`", LOCMAP50_REPLACE_ENTRY), LOCMAP50_FAILED);
    EXPECT_EQ(lastFailure().reason, LOCMAP50_REASON_NOT_FOUND);
    EXPECT_EQ(ChangeEntryInFile(path.c_str(), "$LMT_A", "D:\\a`", 7), LOCMAP50_FAILED);

    ASSERT_EQ(ChangeEntryInFile(path.c_str(), "$LMT_A", "D:\\a`", LOCMAP50_REPLACE_ENTRY), LOCMAP50_OK);
    ASSERT_EQ(SaveLocationMapKeepingLayout(), LOCMAP50_OK);
    EXPECT_NE(testsupport::readFile(path).value_or("").find("# kept\n$LMT_A   # a\nD:\\a\n"), std::string::npos);
    EXPECT_EQ(lastFailure(), kNothing);
}

}  // namespace

namespace {

// An accepted "C:/tools" over an indented path line reads back as C:\tools,
// through either edit; the list rules stay: text after the last backquote is
// ignored.
TEST_F(CApiTest, AnEditOfAnIndentedPathLineReadsBackAfterTheLayoutKeepingSave) {
    setEnv("LMT_TOOLS", std::nullopt);
    for (const bool inFile : {false, true}) {
        const std::string path = loadMap("$LMT_TOOLS\n    D:\\tools   # note\n");
        const int changed = inFile ? ChangeEntryInFile(path.c_str(), "$LMT_TOOLS", "C:/tools`x", LOCMAP50_REPLACE_ENTRY)
                                   : ChangeEntry("$LMT_TOOLS", "C:/tools`x", LOCMAP50_REPLACE_ENTRY);
        ASSERT_EQ(changed, LOCMAP50_OK);
        ASSERT_EQ(SaveLocationMapKeepingLayout(), LOCMAP50_OK);
        EXPECT_EQ(testsupport::readFile(path), "ZOR_LOCATION_MAP_2\n$LMT_TOOLS\n    C:\\tools   # note\n");
        ASSERT_EQ(InitLocationMap(path.c_str(), 1), LOCMAP50_OK);
        char hardName[64] = "";
        EXPECT_EQ(GetHardNameEx("$LMT_TOOLS", hardName, sizeof hardName), LOCMAP50_OK);
        EXPECT_STREQ(hardName, "C:\\tools");
    }
}

// On POSIX systems "/:/" is read as written, so a save with no edit leaves
// the file byte for byte.
TEST_F(CApiTest, ALayoutKeepingSaveWithoutAnEditLeavesAPosixPathWithAColon) {
    setEnv("LMT_P", std::nullopt);
    const std::string path = m_dir.write("m.map", "ZOR_LOCATION_MAP_2\n$LMT_P\n/:/");
    ASSERT_EQ(InitLocationMap(path.c_str(), 1), LOCMAP50_OK);
    EXPECT_EQ(SaveLocationMapKeepingLayout(), LOCMAP50_OK);
    EXPECT_EQ(testsupport::readFile(path), "ZOR_LOCATION_MAP_2\n$LMT_P\n/:/");
}

TEST_F(CApiTest, AnExportThatWouldNotReadBackNamesThePrefix) {
    setEnv("LMT_A", std::string("E:\\a#b"));
    loadMap("$LMT_A\nC:\\a\n");
    const auto printed = testsupport::printedBy([&] { return Export(m_dir.file("export.map").c_str(), 1); });
    EXPECT_EQ(printed.result, LOCMAP50_FAILED);
    EXPECT_EQ(printed.output, "");
    EXPECT_EQ(lastFailure(), (Reported{LOCMAP50_OK, LOCMAP50_REASON_WOULD_NOT_READ_BACK, ""}));
    const char *detail = nullptr;
    EXPECT_EQ(GetLastFailureDetail(&detail), LOCMAP50_OK);
    EXPECT_STREQ(detail, "$LMT_A");
}

}  // namespace
