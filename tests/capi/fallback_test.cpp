// Tests of the translation functions with no map: the environment fallbacks.
#include <cctype>

#include "support/CApiTest.h"

using testsupport::backslashed;
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
        refreshLibraryEnvironment();
    }

    static void expectAll(int (*function)(const char *, char *), const std::vector<Case> &cases) {
        for (const Case &c : cases)
            EXPECT_EQ(translate(function, c.input), c.expected) << "input: " << (c.input ? c.input : "(null)");
    }
};

TEST_F(NoMapFallbackTest, GetHardNameExpandsMergesAndPassesThrough) {
    expectAll(GetHardName, {
        {"$LMTEST_A\\x", {2, "C:\\a\\x"}},        // one trailing "\" dropped by mergePaths
        {"$LMTEST_A/x/y", {2, "C:\\a\\x\\y"}},
        {"$LMTEST_A", {2, "C:\\a\\"}},
        {"$LMTEST_NONE\\x", {1, ""}},
        {"$LMTEST_NONE", {1, ""}},
        {"$", {1, ""}},
        {"http://h/x", {2, "http:\\\\h\\x"}},  // slashes converted before the URL test
        {"FTP:/x", {2, "FTP:\\x"}},
        {"C:x", {2, "C:x"}},                   // letter and colon suffice here
        {"c:/w/a", {2, "c:\\w\\a"}},
        {"//srv/share", {2, "\\\\srv\\share"}},
        {"\\x", {2, ""}},
        {"rel\\f", {2, ""}},
        {"1:x", {2, ""}},
        {"", {1, ""}},
        {nullptr, {1, ""}},
    });
}

TEST_F(NoMapFallbackTest, SnapshotIsTheEnvironmentOfTheLastInit) {
    setEnv("LMTEST_LATE", "C:\\late");
    EXPECT_EQ(translate(GetHardName, "$LMTEST_LATE"), (Translated{1, ""}));
    refreshLibraryEnvironment();
    EXPECT_EQ(translate(GetHardName, "$LMTEST_LATE"), (Translated{2, "C:\\late"}));
}

TEST_F(NoMapFallbackTest, GetAbsoluteHardNameConcatenatesAndPassesThrough) {
    expectAll(GetAbsoluteHardName, {
        {"$LMTEST_A\\x", {2, "C:\\a\\\\x"}},  // plain concatenation keeps both separators
        {"$LMTEST_A", {2, "C:\\a\\"}},
        {"$LMTEST_NONE\\x", {1, ""}},
        {"http://h/x", {2, "http:\\\\h\\x"}},
        {"C:x", {2, "C:x"}},
        {"\\\\srv\\share", {2, "\\\\srv\\share"}},
        {"", {1, ""}},
        {nullptr, {1, ""}},
    });
}

TEST_F(NoMapFallbackTest, GetAbsoluteHardNameResolvesAgainstTheCurrentDirectory) {
    testsupport::ScopedCurrentDir here(m_dir.path());
    const std::string cwd = backslashed(std::filesystem::current_path().string());
    // Linux has no drives, so "\x" stays as it is; under Wine it gets the
    // current drive's letter.
    const std::string onDrive =
        onWindows() ? std::string(1, static_cast<char>(std::toupper(cwd[0]))) + ":\\x" : "\\x";
    expectAll(GetAbsoluteHardName, {
        {".", {2, cwd}},
        {".\\f", {2, cwd + "\\f"}},
        {"./f", {2, cwd + "\\f"}},
        {"a\\b", {2, cwd + "\\a\\b"}},
        {"..\\a", {2, cwd + "\\..\\a"}},
        {"\\x", {2, onDrive}},
    });
}

TEST_F(NoMapFallbackTest, GetAbsoluteHardNameAtARootDoublesTheSeparator) {
    testsupport::ScopedCurrentDir root(m_dir.path().root_path());
    const std::string cwd = backslashed(std::filesystem::current_path().string());
    ASSERT_EQ(cwd.back(), '\\');
    expectAll(GetAbsoluteHardName, {
        {".", {2, cwd}},
        {".\\a", {2, cwd + "\\a"}},
        {"a", {2, cwd + "\\a"}},
    });
}

TEST_F(NoMapFallbackTest, GetSoftNameUsesTheEnvironmentPathTable) {
    expectAll(GetSoftName, {
        {"Q:/lmtools/bin", {2, "$LMTEST_TOOLS\\bin"}},
        {"q:\\LMTOOLS", {2, "$LMTEST_TOOLS"}},
        {"Q:\\lmtoolsx", {1, ""}},
        {"http://h/x", {2, "http://h/x"}},  // URL test before the slash conversion
        {"$P/a", {2, "$P\\a"}},
        {"//", {2, "\\\\"}},
        {"rel", {1, ""}},
        {"", {1, ""}},
        {nullptr, {1, ""}},
    });
}

}  // namespace
