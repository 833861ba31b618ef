// Soft-to-hard translation: getHardName through the tables and the environment,
// and getAbsoluteHardName's current-directory fallback.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <utility>

#include "locmap50/VnLocMap.h"
#include "support/MapTest.h"
#include "support/TestSupport.h"

using testsupport::kUntouched;
using testsupport::outcomeOf;
using Result = testsupport::Outcome;
using testsupport::ScopedCurrentDir;
using testsupport::ScopedEnv;
using testsupport::TempDir;

namespace {

class SoftToHard : public testsupport::MapTest {
protected:
    void SetUp() override {
        m_map = VnLocMap::createMap();
        ASSERT_NE(m_map, nullptr);
        m_map->m_primaryHardPaths["$LMP"] = "D:\\p\\";
        m_map->m_primaryHardPaths["$LMQ"] = "$Q\\r";
        m_map->m_primaryHardPaths["$LMREL"] = "rel";
    }

    Result hard(const std::string &name) {
        return outcomeOf([&](std::string &result) { return m_map->getHardName(name, result); });
    }
    Result absolute(const std::string &name) {
        return outcomeOf([&](std::string &result) { return m_map->getAbsoluteHardName(name, result); });
    }

    // Nothing of these names may leak in from the environment the tests run in.
    ScopedEnv m_noP{"LMP", std::nullopt};
    ScopedEnv m_noEnvQ{"LMENVQ", std::nullopt};
    VnLocMap *m_map = nullptr;
};

std::string currentDirectory() {
    return testsupport::backslashed(std::filesystem::current_path().string());
}

}  // namespace

TEST_F(SoftToHard, GetHardNameRules) {
    const struct {
        const char *name;
        int code;
        const char *hard;
    } cases[] = {
        {"HTTP://host/a", 0, "HTTP://host/a"},  // URLs keep their slashes
        {"ftp:", 0, "ftp:"},
        {"http", 1, kUntouched},
        {"https://host", 1, kUntouched},
        {"C:/work/a", 0, "C:\\work\\a"},
        {"\\\\server\\share\\x", 0, "\\\\server\\share\\x"},
        {"\\x", 1, kUntouched},
        {"C:x", 1, kUntouched},
        {"a\\b", 1, kUntouched},
        {"", 1, kUntouched},
        {"$LMP\\sub\\f.v", 0, "D:\\p\\sub\\f.v"},
        {"$LMP/sub", 0, "D:\\p\\sub"},
        {"$LMP", 0, "D:\\p\\"},  // stored form, trailing backslash included
        {"$LMP.v", 1, kUntouched},  // the table holds whole prefixes
        {"$lmp\\sub", 1, kUntouched},  // case matters in the table
        {"$LMQ", 0, "$Q\\r"},  // never translated twice
        {"$LMQ\\s", 0, "$Q\\r\\s"},
        {"$", 1, kUntouched},
        {"$\\x", 1, kUntouched},
    };
    for (const auto &c : cases) EXPECT_EQ(hard(c.name), Result(c.code, c.hard)) << c.name;
}

TEST_F(SoftToHard, PrefixWithRestFallsBackToTheLiveEnvironmentIgnoringCase) {
    ScopedEnv later("LMENVQ", "E:/q");  // set after the map was made
    EXPECT_EQ(hard("$LMENVQ\\a"), Result(0, "E:/q\\a"));  // the value is not converted
    EXPECT_EQ(hard("$lmenvq\\a"), Result(0, "E:/q\\a"));
    // Without a backslash only the snapshot counts, and it predates the variable.
    EXPECT_EQ(hard("$LMENVQ"), Result(1, kUntouched));
}

TEST_F(SoftToHard, BareSoftNameExpandsTheShortestSnapshotVariable) {
    m_map->m_environment.m_variables = {{"A", "x"}, {"AB", "y"}};
    EXPECT_EQ(hard("$AB"), Result(0, "xB"));
    m_map->m_environment.m_variables = {{"AB", "y"}};
    EXPECT_EQ(hard("$ABC"), Result(0, "yC"));
    EXPECT_EQ(hard("$B"), Result(1, kUntouched));
}

TEST_F(SoftToHard, TablesAnswerBeforeTheCurrentDirectory) {
    EXPECT_EQ(absolute("$LMP\\x"), Result(0, "D:\\p\\x"));
    EXPECT_EQ(absolute("$LMREL"), Result(0, "rel"));  // even a relative stored path
    EXPECT_EQ(absolute("$LMUNBOUND"), Result(1, kUntouched));
    EXPECT_TRUE(m_map->m_resolvedNameCache.empty());
}

TEST_F(SoftToHard, RelativeNamesResolveAgainstTheCurrentDirectory) {
    TempDir dir;
    ScopedCurrentDir inDir(dir.path());
    const std::string cwd = currentDirectory();
    const std::string rootedX =
        testsupport::onWindows()
            ? std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(cwd[0])))) + ":\\x"
            : "\\x";  // no drives: the name is already as absolute as it gets
    const char otherDrive = std::toupper(static_cast<unsigned char>(cwd[0])) == 'Q' ? 'R' : 'Q';

    const struct {
        std::string name, absolute;
    } cases[] = {
        {".", cwd},
        {".\\a", cwd + "\\a"},
        {"a\\b", cwd + "\\a\\b"},
        {"a/c", cwd + "\\a\\c"},
        {"..\\a", cwd + "\\..\\a"},
        {"\\x", rootedX},
        {std::string(1, otherDrive) + ":x", std::string(1, otherDrive) + ":\\x"},
    };
    for (const auto &c : cases) EXPECT_EQ(absolute(c.name), Result(0, c.absolute)) << c.name;
    if (testsupport::onWindows())
        EXPECT_EQ(absolute(cwd.substr(0, 2) + "y"), Result(0, cwd + "\\y"));
}

TEST_F(SoftToHard, FirstResolutionIsRememberedThroughBothOperations) {
    TempDir first, second;
    std::string firstCwd;
    {
        ScopedCurrentDir inFirst(first.path());
        firstCwd = currentDirectory();
        EXPECT_EQ(absolute("a\\b"), Result(0, firstCwd + "\\a\\b"));
        EXPECT_EQ(absolute("s/t"), Result(0, firstCwd + "\\s\\t"));
    }
    ScopedCurrentDir inSecond(second.path());
    EXPECT_EQ(absolute("a\\b"), Result(0, firstCwd + "\\a\\b"));
    EXPECT_EQ(hard("a\\b"), Result(0, firstCwd + "\\a\\b"));
    EXPECT_EQ(hard("a/b"), Result(0, firstCwd + "\\a\\b"));
    EXPECT_EQ(hard("s\\t"), Result(0, firstCwd + "\\s\\t"));  // kept under the backslash form
    EXPECT_EQ(m_map->m_resolvedNameCache.count("s/t"), 0u);

    m_map->uninitialize();
    EXPECT_EQ(hard("a\\b"), Result(1, kUntouched));
    m_map->DestroyMap();  // no longer the singleton, so TearDown would miss it
}

TEST_F(SoftToHard, UnobtainableCurrentDirectoryLeavesTheResultUntouched) {
    if (testsupport::onWindows()) GTEST_SKIP() << "a current directory cannot be removed here";
    TempDir dir;
    const auto doomed = dir.path() / "doomed";
    std::filesystem::create_directory(doomed);
    ScopedCurrentDir inDoomed(doomed);
    std::filesystem::remove(doomed);
    EXPECT_EQ(absolute("a"), Result(1, kUntouched));
    EXPECT_TRUE(m_map->m_resolvedNameCache.empty());
}
