// SPDX-License-Identifier: Apache-2.0
// Soft-to-hard translation: getHardName through the tables and the environment,
// and getAbsoluteHardName's current-directory fallback.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <utility>

#include "locmap50/VnLocMap.h"
#include "locmap50/result_codes.h"
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
        m_map->m_primaryHardPaths["$LMTOOLS"] = "/opt/tools/";
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
    ScopedEnv m_noEnvPosix{"LMENVPOSIX", std::nullopt};
    VnLocMap *m_map = nullptr;
};

std::string currentDirectory() {
    return testsupport::libraryFileName(std::filesystem::current_path().string());
}

// name (written with "\\") under the current directory cwd, as the library gives it.
std::string under(const std::string &cwd, const std::string &name) {
    return testsupport::libraryFileName(cwd + "\\" + name);
}

// A POSIX path is a hard path on POSIX systems only; on Windows it is a
// relative name like "\\x".
const bool kPosix = !testsupport::onWindows();

}  // namespace

TEST_F(SoftToHard, GetHardNameRules) {
    const struct {
        const char *name;
        int code;
        const char *hard;
    } cases[] = {
        {"HTTP://host/a", LOCMAP50_OK, "HTTP://host/a"},  // URLs keep their slashes
        {"ftp:", LOCMAP50_OK, "ftp:"},
        {"http", LOCMAP50_FAILED, kUntouched},
        {"https://host", LOCMAP50_FAILED, kUntouched},
        {"C:/work/a", LOCMAP50_OK, "C:\\work\\a"},
        {"\\\\server\\share\\x", LOCMAP50_OK, "\\\\server\\share\\x"},
        {"\\x", LOCMAP50_FAILED, kUntouched},
        {"C:x", LOCMAP50_FAILED, kUntouched},
        {"a\\b", LOCMAP50_FAILED, kUntouched},
        {"", LOCMAP50_FAILED, kUntouched},
        {"$LMP\\sub\\f.v", LOCMAP50_OK, "D:\\p\\sub\\f.v"},
        {"$LMP/sub", LOCMAP50_OK, "D:\\p\\sub"},
        {"$LMP", LOCMAP50_OK, "D:\\p\\"},  // stored form, trailing backslash included
        {"$LMP.v", LOCMAP50_FAILED, kUntouched},  // the table holds whole prefixes
        {"$lmp\\sub", LOCMAP50_FAILED, kUntouched},  // case matters in the table
        {"$LMQ", LOCMAP50_OK, "$Q\\r"},  // never translated twice
        {"$LMQ\\s", LOCMAP50_OK, "$Q\\r\\s"},
        {"$", LOCMAP50_FAILED, kUntouched},
        {"$\\x", LOCMAP50_FAILED, kUntouched},
        // A POSIX hard path joins with its own "/", whichever the name used;
        // on Windows it is no hard path and joins as any text does.
        {"$LMTOOLS\\src\\a.v", LOCMAP50_OK, kPosix ? "/opt/tools/src/a.v" : "/opt/tools/\\src\\a.v"},
        {"$LMTOOLS/src/a.v", LOCMAP50_OK, kPosix ? "/opt/tools/src/a.v" : "/opt/tools/\\src\\a.v"},
        {"$LMTOOLS", LOCMAP50_OK, "/opt/tools/"},
        {"/opt/Tools X/a\\b", kPosix ? LOCMAP50_OK : LOCMAP50_FAILED, kPosix ? "/opt/Tools X/a\\b" : kUntouched},
        {"//server/share", LOCMAP50_OK, "\\\\server\\share"},
    };
    for (const auto &c : cases) EXPECT_EQ(hard(c.name), Result(c.code, c.hard)) << c.name;
}

// Names ignore case only where the system's do (Windows).
TEST_F(SoftToHard, PrefixWithRestFallsBackToTheLiveEnvironmentByTheSystemsNameRule) {
    ScopedEnv later("LMENVQ", "E:/q");  // set after the map was made
    ScopedEnv posix("LMENVPOSIX", "/srv/q");
    EXPECT_EQ(hard("$LMENVQ\\a"), Result(LOCMAP50_OK, "E:/q\\a"));  // the value is not converted
    EXPECT_EQ(hard("$lmenvq\\a"),
              testsupport::onWindows() ? Result(LOCMAP50_OK, "E:/q\\a") : Result(LOCMAP50_FAILED, kUntouched));
    EXPECT_EQ(hard("$LMENVPOSIX/a\\b"), Result(LOCMAP50_OK, kPosix ? "/srv/q/a/b" : "/srv/q\\a\\b"));
    // A relative value, which no load takes on a POSIX system, still joins as the system reads it.
    ScopedEnv relative("LMENVREL", "rel/q");
    EXPECT_EQ(hard("$LMENVREL/a\\b"), Result(LOCMAP50_OK, kPosix ? "rel/q/a/b" : "rel/q\\a\\b"));
    // Without a backslash only the snapshot counts, and it predates the variable.
    EXPECT_EQ(hard("$LMENVQ"), Result(LOCMAP50_FAILED, kUntouched));
}

TEST_F(SoftToHard, BareSoftNameExpandsTheShortestSnapshotVariable) {
    m_map->m_environment.m_variables = {{"A", "x"}, {"AB", "y"}};
    EXPECT_EQ(hard("$AB"), Result(LOCMAP50_OK, "xB"));
    m_map->m_environment.m_variables = {{"AB", "y"}};
    EXPECT_EQ(hard("$ABC"), Result(LOCMAP50_OK, "yC"));
    EXPECT_EQ(hard("$B"), Result(LOCMAP50_FAILED, kUntouched));
}

TEST_F(SoftToHard, TablesAnswerBeforeTheCurrentDirectory) {
    EXPECT_EQ(absolute("$LMP\\x"), Result(LOCMAP50_OK, "D:\\p\\x"));
    EXPECT_EQ(absolute("$LMREL"), Result(LOCMAP50_OK, "rel"));  // even a relative stored path
    EXPECT_EQ(absolute("$LMUNBOUND"), Result(LOCMAP50_FAILED, kUntouched));
    EXPECT_TRUE(m_map->m_resolvedNameCache.empty());
}

TEST_F(SoftToHard, RelativeNamesResolveAgainstTheCurrentDirectory) {
    TempDir dir;
    ScopedCurrentDir inDir(dir.path());
    const std::string cwd = currentDirectory();
    const std::string rootedX =
        testsupport::onWindows()
            ? std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(cwd[0])))) + ":\\x"
            : "/x";  // no drives: the root of the one tree
    const char otherDrive = std::toupper(static_cast<unsigned char>(cwd[0])) == 'Q' ? 'R' : 'Q';

    const struct {
        std::string name, absolute;
    } cases[] = {
        {".", cwd},
        {".\\a", under(cwd, "a")},
        {"a\\b", under(cwd, "a\\b")},
        {"a/c", under(cwd, "a\\c")},
        {"..\\a", under(cwd, "..\\a")},
        {"\\x", rootedX},
        {std::string(1, otherDrive) + ":x", std::string(1, otherDrive) + ":\\x"},
    };
    for (const auto &c : cases) EXPECT_EQ(absolute(c.name), Result(LOCMAP50_OK, c.absolute)) << c.name;
    if (testsupport::onWindows())
        EXPECT_EQ(absolute(cwd.substr(0, 2) + "y"), Result(LOCMAP50_OK, cwd + "\\y"));
}

TEST_F(SoftToHard, FirstResolutionIsRememberedThroughBothOperations) {
    TempDir first, second;
    std::string firstCwd;
    {
        ScopedCurrentDir inFirst(first.path());
        firstCwd = currentDirectory();
        EXPECT_EQ(absolute("a\\b"), Result(LOCMAP50_OK, under(firstCwd, "a\\b")));
        EXPECT_EQ(absolute("s/t"), Result(LOCMAP50_OK, under(firstCwd, "s\\t")));
    }
    ScopedCurrentDir inSecond(second.path());
    EXPECT_EQ(absolute("a\\b"), Result(LOCMAP50_OK, under(firstCwd, "a\\b")));
    EXPECT_EQ(hard("a\\b"), Result(LOCMAP50_OK, under(firstCwd, "a\\b")));
    EXPECT_EQ(hard("a/b"), Result(LOCMAP50_OK, under(firstCwd, "a\\b")));
    EXPECT_EQ(hard("s\\t"), Result(LOCMAP50_OK, under(firstCwd, "s\\t")));  // kept under the backslash form
    EXPECT_EQ(m_map->m_resolvedNameCache.count("s/t"), 0u);

    m_map->uninitialize();
    EXPECT_EQ(hard("a\\b"), Result(LOCMAP50_FAILED, kUntouched));
    m_map->DestroyMap();  // no longer the singleton, so TearDown would miss it
}

TEST_F(SoftToHard, UnobtainableCurrentDirectoryLeavesTheResultUntouched) {
    if (testsupport::onWindows()) GTEST_SKIP() << "a current directory cannot be removed here";
    TempDir dir;
    const auto doomed = dir.path() / "doomed";
    std::filesystem::create_directory(doomed);
    ScopedCurrentDir inDoomed(doomed);
    std::filesystem::remove(doomed);
    EXPECT_EQ(absolute("a"), Result(LOCMAP50_FAILED, kUntouched));
    EXPECT_TRUE(m_map->m_resolvedNameCache.empty());
}
