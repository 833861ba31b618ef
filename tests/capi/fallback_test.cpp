// SPDX-License-Identifier: Apache-2.0
// Tests of the translation functions with no map: the environment fallbacks.
#include <cctype>
#include <vector>

#include "support/CApiTest.h"

using testsupport::libraryFileName;
using testsupport::onWindows;

namespace {

struct Case {
    const char *input;
    Translated expected;
};

class NoMapFallbackTest : public CApiTest {
protected:
    void SetUp() override {
        CApiTest::SetUp();
        setEnv("LMTEST_A", "C:\\a\\");
        setEnv("LMTEST_TOOLS", "Q:\\lmtools");
        setEnv("LMTEST_POSIX", "/opt/p/");
        refreshLibraryEnvironment();
    }

    static void expectAll(int (*function)(const char *, char *), const std::vector<Case> &cases) {
        for (const Case &c : cases)
            EXPECT_EQ(translate(function, c.input), c.expected) << "input: " << (c.input ? c.input : "(null)");
    }
};

TEST_F(NoMapFallbackTest, GetHardNameExpandsMergesAndPassesThrough) {
    expectAll(GetHardName, {
        {"$LMTEST_A\\x", {LOCMAP50_FROM_ENVIRONMENT, "C:\\a\\x"}},  // one trailing "\" dropped by mergePaths
        {"$LMTEST_A/x/y", {LOCMAP50_FROM_ENVIRONMENT, "C:\\a\\x\\y"}},
        {"$LMTEST_A", {LOCMAP50_FROM_ENVIRONMENT, "C:\\a\\"}},
        {"$LMTEST_NONE\\x", {LOCMAP50_FAILED, ""}},
        {"$LMTEST_NONE", {LOCMAP50_FAILED, ""}},
        {"$", {LOCMAP50_FAILED, ""}},
        {"http://h/x", {LOCMAP50_FROM_ENVIRONMENT, "http:\\\\h\\x"}},  // slashes converted before the URL test
        {"FTP:/x", {LOCMAP50_FROM_ENVIRONMENT, "FTP:\\x"}},
        {"C:x", {LOCMAP50_FROM_ENVIRONMENT, "C:x"}},  // letter and colon suffice here
        {"c:/w/a", {LOCMAP50_FROM_ENVIRONMENT, "c:\\w\\a"}},
        {"//srv/share", {LOCMAP50_FROM_ENVIRONMENT, "\\\\srv\\share"}},
        {"\\x", {LOCMAP50_FROM_ENVIRONMENT, ""}},
        {"/opt/x", {LOCMAP50_FROM_ENVIRONMENT, onWindows() ? "" : "/opt/x"}},  // a hard path on POSIX only
        {"$LMTEST_POSIX\\x\\y", {LOCMAP50_FROM_ENVIRONMENT, onWindows() ? "/opt/p/\\x\\y" : "/opt/p/x/y"}},
        {"rel\\f", {LOCMAP50_FROM_ENVIRONMENT, ""}},
        {"1:x", {LOCMAP50_FROM_ENVIRONMENT, ""}},
        {"", {LOCMAP50_FAILED, ""}},
        {nullptr, {LOCMAP50_FAILED, ""}},
    });
}

// A translation from the environment carries a text too, so the N form tells its room.
TEST_F(NoMapFallbackTest, TheNeededFormTellsTheRoomOfAnAnswerFromTheEnvironment) {
    std::size_t needed = 0;
    EXPECT_EQ(GetHardNameExN("$LMTEST_A\\x", nullptr, 0, &needed), LOCMAP50_BUFFER_TOO_SMALL);
    EXPECT_EQ(needed, sizeof "C:\\a\\x");
    std::vector<char> buffer(needed);
    EXPECT_EQ(GetHardNameExN("$LMTEST_A\\x", buffer.data(), buffer.size(), &needed), LOCMAP50_FROM_ENVIRONMENT);
    EXPECT_STREQ(buffer.data(), "C:\\a\\x");
    EXPECT_EQ(GetHardNameExN("$LMTEST_NONE", buffer.data(), buffer.size(), &needed), LOCMAP50_FAILED);
    EXPECT_EQ(needed, 0u);
}

TEST_F(NoMapFallbackTest, SnapshotIsTheEnvironmentOfTheLastInit) {
    setEnv("LMTEST_LATE", "C:\\late");
    EXPECT_EQ(translate(GetHardName, "$LMTEST_LATE"), (Translated{LOCMAP50_FAILED, ""}));
    refreshLibraryEnvironment();
    EXPECT_EQ(translate(GetHardName, "$LMTEST_LATE"), (Translated{LOCMAP50_FROM_ENVIRONMENT, "C:\\late"}));
}

TEST_F(NoMapFallbackTest, GetAbsoluteHardNameConcatenatesAndPassesThrough) {
    expectAll(GetAbsoluteHardName, {
        {"$LMTEST_A\\x", {LOCMAP50_FROM_ENVIRONMENT, "C:\\a\\\\x"}},  // plain concatenation keeps both separators
        {"$LMTEST_A", {LOCMAP50_FROM_ENVIRONMENT, "C:\\a\\"}},
        {"$LMTEST_POSIX\\x", {LOCMAP50_FROM_ENVIRONMENT, onWindows() ? "/opt/p/\\x" : "/opt/p//x"}},
        {"$LMTEST_NONE\\x", {LOCMAP50_FAILED, ""}},
        {"http://h/x", {LOCMAP50_FROM_ENVIRONMENT, "http:\\\\h\\x"}},
        {"C:x", {LOCMAP50_FROM_ENVIRONMENT, "C:x"}},
        {"\\\\srv\\share", {LOCMAP50_FROM_ENVIRONMENT, "\\\\srv\\share"}},
        {"", {LOCMAP50_FAILED, ""}},
        {nullptr, {LOCMAP50_FAILED, ""}},
    });
}

TEST_F(NoMapFallbackTest, GetAbsoluteHardNameResolvesAgainstTheCurrentDirectory) {
    testsupport::ScopedCurrentDir here(m_dir.path());
    const std::string cwd = libraryFileName(std::filesystem::current_path().string());
    // Linux has no drives, so "\x" is "/x" there; under Wine it gets the
    // current drive's letter.
    const std::string onDrive =
        onWindows() ? std::string(1, static_cast<char>(std::toupper(cwd[0]))) + ":\\x" : "/x";
    expectAll(GetAbsoluteHardName, {
        {".", {LOCMAP50_FROM_ENVIRONMENT, cwd}},
        {".\\f", {LOCMAP50_FROM_ENVIRONMENT, libraryFileName(cwd + "\\f")}},
        {"./f", {LOCMAP50_FROM_ENVIRONMENT, libraryFileName(cwd + "\\f")}},
        {"a\\b", {LOCMAP50_FROM_ENVIRONMENT, libraryFileName(cwd + "\\a\\b")}},
        {"..\\a", {LOCMAP50_FROM_ENVIRONMENT, libraryFileName(cwd + "\\..\\a")}},
        {"\\x", {LOCMAP50_FROM_ENVIRONMENT, onDrive}},
    });
}

// A drive root keeps its doubled separator; the POSIX root "/" takes no second "/".
TEST_F(NoMapFallbackTest, GetAbsoluteHardNameAtARootDoublesTheSeparatorOnlyOnWindows) {
    testsupport::ScopedCurrentDir root(m_dir.path().root_path());
    const std::string cwd = libraryFileName(std::filesystem::current_path().string());
    ASSERT_EQ(cwd.back(), onWindows() ? '\\' : '/');
    const std::string underRoot = onWindows() ? cwd + "\\a" : "/a";
    expectAll(GetAbsoluteHardName, {
        {".", {LOCMAP50_FROM_ENVIRONMENT, cwd}},
        {".\\a", {LOCMAP50_FROM_ENVIRONMENT, underRoot}},
        {"a", {LOCMAP50_FROM_ENVIRONMENT, underRoot}},
    });
}

TEST_F(NoMapFallbackTest, GetSoftNameUsesTheEnvironmentPathTable) {
    expectAll(GetSoftName, {
        {"Q:/lmtools/bin", {LOCMAP50_FROM_ENVIRONMENT, "$LMTEST_TOOLS\\bin"}},
        {"q:\\LMTOOLS", {LOCMAP50_FROM_ENVIRONMENT, "$LMTEST_TOOLS"}},
        {"Q:\\lmtoolsx", {LOCMAP50_FAILED, ""}},
        {"/opt/p/bin/cc", onWindows() ? Translated{LOCMAP50_FAILED, ""}
                                      : Translated{LOCMAP50_FROM_ENVIRONMENT, "$LMTEST_POSIX/bin/cc"}},
        {"/opt/P/bin", {LOCMAP50_FAILED, ""}},
        {"http://h/x", {LOCMAP50_FROM_ENVIRONMENT, "http://h/x"}},  // URL test before the slash conversion
        {"$P/a", {LOCMAP50_FROM_ENVIRONMENT, "$P\\a"}},
        {"//", {LOCMAP50_FROM_ENVIRONMENT, "\\\\"}},
        {"rel", {LOCMAP50_FAILED, ""}},
        {"", {LOCMAP50_FAILED, ""}},
        {nullptr, {LOCMAP50_FAILED, ""}},
    });
}

}  // namespace
