// SPDX-License-Identifier: Apache-2.0
// Hard-to-soft translation: map entries in definition order, then the environment table.
#include <gtest/gtest.h>

#include <list>
#include <map>
#include <string>
#include <utility>

#include "locmap50/VnLocMap.h"
#include "locmap50/result_codes.h"
#include "support/MapTest.h"
#include "support/TestSupport.h"

namespace {

using testsupport::kUntouched;
using testsupport::outcomeOf;
using Result = testsupport::Outcome;

class HardToSoft : public testsupport::MapTest {
protected:
    void SetUp() override {
        m_savedEnvTable = VnLocMap::s_envHardToSoftMap;
        VnLocMap::s_envHardToSoftMap.clear();
        m_map = VnLocMap::createMap();
        ASSERT_NE(m_map, nullptr);
    }
    void TearDown() override {
        testsupport::MapTest::TearDown();
        VnLocMap::s_envHardToSoftMap = m_savedEnvTable;
    }

    // Defines softPrefix after every prefix defined so far, as the reader would.
    void define(const std::string &softPrefix, std::list<std::string> hardPaths) {
        m_map->m_softToHardMap[softPrefix] = std::move(hardPaths);
        m_map->m_softPrefixOrder.push_back(softPrefix);
    }
    static void environmentHolds(const std::string &hardPath, const std::string &variable) {
        VnLocMap::s_envHardToSoftMap[hardPath] = variable;
    }

    Result soft(const std::string &path) {
        return outcomeOf([&](std::string &result) { return m_map->getSoftName(path, result); });
    }
    static Result softFromEnv(const std::string &path) {
        return outcomeOf([&](std::string &result) { return VnLocMap::getSoftNameFromEnv(path, result); });
    }

    VnLocMap *m_map = nullptr;
    std::map<std::string, std::string> m_savedEnvTable;
};

}  // namespace

TEST_F(HardToSoft, FirstDefinedPrefixWinsOverALongerMatch) {
    define("$A", {"C:\\proj"});
    define("$B", {"C:\\proj\\lib"});
    EXPECT_EQ(soft("c:\\PROJ\\lib\\x.v"), Result(LOCMAP50_OK, "$A\\lib\\x.v"));
}

TEST_F(HardToSoft, LaterDefinitionLosesEvenWhenMoreSpecific) {
    define("$B", {"C:\\proj\\lib"});
    define("$A", {"C:\\proj"});
    EXPECT_EQ(soft("c:\\PROJ\\lib\\x.v"), Result(LOCMAP50_OK, "$B\\x.v"));
}

TEST_F(HardToSoft, MatchesOnlyOnComponentBoundaries) {
    define("$A", {"C:\\proj"});
    define("$T", {"D:\\t\\"});
    define("$M", {"X:\\a", "Y:\\b"});
    define("$P", {"/opt/tools/"});
    // POSIX paths are hard paths on POSIX systems only (on Windows "/opt" is
    // "\opt", a relative path), matched byte for byte at "/".
    const bool posix = !testsupport::onWindows();
    const int posixOk = posix ? LOCMAP50_OK : LOCMAP50_FAILED;
    const struct {
        const char *path;
        int code;
        const char *soft;
    } cases[] = {
        {"/opt/tools/src/a.v", posixOk, posix ? "$P/src/a.v" : kUntouched},
        {"/opt/tools", posixOk, posix ? "$P" : kUntouched},
        {"/opt/toolsX/a", LOCMAP50_FAILED, posix ? "/opt/toolsX/a" : kUntouched},
        {"/opt/Tools/a", LOCMAP50_FAILED, posix ? "/opt/Tools/a" : kUntouched},
        {"/opt/tools\\a", LOCMAP50_FAILED, posix ? "/opt/tools\\a" : kUntouched},
        {"C:\\proj", LOCMAP50_OK, "$A"},
        {"C:\\proj\\", LOCMAP50_OK, "$A\\"},
        {"C:/proj/lib", LOCMAP50_OK, "$A\\lib"},
        {"C:\\project\\x", LOCMAP50_FAILED, "C:\\project\\x"},  // every failed try leaves the path
        {"E:/x", LOCMAP50_FAILED, "E:\\x"},
        {"D:\\t", LOCMAP50_OK, "$T"},  // a stored trailing backslash changes nothing
        {"d:\\T\\u", LOCMAP50_OK, "$T\\u"},
        {"y:\\b\\c", LOCMAP50_OK, "$M\\c"},  // the second hard path of a prefix
    };
    for (const auto &c : cases) EXPECT_EQ(soft(c.path), Result(c.code, c.soft)) << c.path;
}

TEST_F(HardToSoft, CurrentProjectIsWrittenAsDot) {
    define("$CURRENT_PROJECT_PATH", {"C:\\w\\p1"});
    environmentHolds("E:\\cp", "CURRENT_PROJECT_PATH");
    EXPECT_EQ(soft("C:\\w\\p1\\src\\a.v"), Result(LOCMAP50_OK, ".\\src\\a.v"));
    EXPECT_EQ(soft("C:\\w\\p1"), Result(LOCMAP50_OK, "."));
    EXPECT_EQ(soft("E:\\cp\\a"), Result(LOCMAP50_OK, ".\\a"));
}

TEST_F(HardToSoft, EnvironmentTableComesAfterTheMapInByteOrder) {
    define("$M", {"D:\\tools\\bin"});
    environmentHolds("D:\\tools", "TOOLS");
    environmentHolds("D:\\r", "R");
    environmentHolds("D:\\r\\s", "S");
    environmentHolds("F:\\Q", "UPPER");
    environmentHolds("F:\\q", "LOWER");
    const struct {
        const char *path, *soft;
    } cases[] = {
        {"D:\\tools\\bin\\x", "$M\\x"},
        {"D:\\tools\\y", "$TOOLS\\y"},
        {"D:\\r\\s\\x", "$R\\s\\x"},  // the outer path sorts first
        {"f:\\q\\x", "$UPPER\\x"},    // upper case sorts before lower case
    };
    for (const auto &c : cases) EXPECT_EQ(soft(c.path), Result(LOCMAP50_OK, c.soft)) << c.path;
}

TEST_F(HardToSoft, PassThroughs) {
    define("$A", {"C:\\proj"});
    const struct {
        const char *path, *soft;
    } cases[] = {
        {"HTTP://C:/proj", "HTTP://C:/proj"},
        {"ftp:x", "ftp:x"},
        {"$X/y", "$X\\y"},
        {"//", "\\\\"},
        {"\\\\", "\\\\"},
    };
    for (const auto &c : cases) EXPECT_EQ(soft(c.path), Result(LOCMAP50_OK, c.soft)) << c.path;
}

TEST_F(HardToSoft, RelativePathsAreRefusedUntouched) {
    define("$A", {"C:\\proj"});
    environmentHolds("C:\\proj", "PROJ");
    for (const char *path : {"a\\b", "\\x", "C:x", "", "."}) {
        EXPECT_EQ(soft(path), Result(LOCMAP50_FAILED, kUntouched)) << path;
        EXPECT_EQ(softFromEnv(path), Result(LOCMAP50_FAILED, kUntouched)) << path;
    }
}

TEST_F(HardToSoft, NoCandidateLeavesTheResultUntouched) {
    EXPECT_EQ(soft("E:/x"), Result(LOCMAP50_FAILED, kUntouched));
}

TEST_F(HardToSoft, EmptyOrLoneBackslashHardPathsNeverMatch) {
    define("$E", {"", "\\"});
    environmentHolds("", "EMPTY");
    environmentHolds("\\", "SLASH");
    EXPECT_EQ(soft("\\\\srv\\x"), Result(LOCMAP50_FAILED, "\\\\srv\\x"));
}

TEST_F(HardToSoft, FromEnvNeitherConvertsSlashesNorSeesTheMap) {
    define("$M", {"D:\\tools"});
    environmentHolds("D:\\tools", "TOOLS");
    EXPECT_EQ(softFromEnv("D:/tools/bin"), Result(LOCMAP50_FAILED, kUntouched));  // "D:/" is relative
    EXPECT_EQ(softFromEnv("D:\\tools\\bin"), Result(LOCMAP50_OK, "$TOOLS\\bin"));
}
