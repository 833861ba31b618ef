// SPDX-License-Identifier: Apache-2.0
// The public rules (locmap50/rules.h) through the shared library: a tool that uses them reads map files as a load does.
#include <gtest/gtest.h>

#include <list>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/ScratchNodes.h"
#endif

#include "locmap50/result_codes.h"
#include "locmap50/rules.h"
#include "support/TestSupport.h"

namespace rules = locmap50::rules;
using testsupport::onWindows;

namespace {

TEST(PublicRulesTest, NamesAndPathsByTheHostsRules) {
    struct Case {
        const char *path;
        bool absolute;    // on this system
        bool readsBack;   // as a hard path line of its own
    };
    const bool posix = !onWindows();
    for (const Case &c : std::initializer_list<Case>{{"C:\\x", true, true},
                                                    {"C:/x", false, true},
                                                    {"\\\\srv\\share", true, true},
                                                    {"/opt/x", posix, posix},
                                                    {"C:\\a#b", true, false},
                                                    {"tools\\bin", false, false},
                                                    {"$P", false, false},
                                                    {"C:x", false, false}}) {
        EXPECT_EQ(rules::isAbsolute(c.path), c.absolute) << c.path;
        EXPECT_EQ(rules::readsBackAsHardPath(c.path), c.readsBack) << c.path;
    }
    EXPECT_TRUE(rules::isPosixPath("/opt/x"));
    EXPECT_FALSE(rules::isPosixPath("//srv/x"));
    EXPECT_TRUE(rules::isAbsolute(rules::toHardPathForm("C:/x")));
    EXPECT_FALSE(rules::fitsOnOneLine("C:\\a\nINCLUDE b"));

    EXPECT_TRUE(rules::isValidSoftPrefix("$A_1"));
    EXPECT_FALSE(rules::isValidSoftPrefix("$1A"));
    const rules::SoftNameParts parts = rules::splitSoftName("$P\\a\\b");
    EXPECT_EQ(parts.softPrefix, "$P");
    EXPECT_EQ(parts.rest, "\\a\\b");
    const std::list<std::string> paths{"C:\\a", "", "\\\\s\\b"};
    EXPECT_EQ(rules::splitHardPathList(rules::joinHardPathList(paths)), paths);
}

// A file of one's own that no one else may write is under one's control
// alone; a file that cannot be examined says nothing.
TEST(PublicRulesTest, AFileOfOnesOwnIsNotControlledByOthers) {
    testsupport::TempDir dir;
    const std::string file = dir.write("own.map", "ZOR_LOCATION_MAP_2\n");
#ifndef _WIN32
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
#endif
    const rules::FileControl own = rules::fileControl(file);
    EXPECT_TRUE(own.known);
    EXPECT_FALSE(own.ownedByOther);
    EXPECT_FALSE(own.owner.empty());
    EXPECT_FALSE(own.othersMayWrite);
    const rules::FileControl missing = rules::fileControl(dir.file("missing.map"));
    EXPECT_FALSE(missing.known);
    EXPECT_TRUE(missing.owner.empty());
}

#ifndef _WIN32
// Other users may change a map through a group or other write bit on it, or
// on its folder unless the folder is sticky (where no one may replace
// another's file).
TEST(PublicRulesTest, WriteBitsForOthersOnTheFileOrItsFolderAreSeen) {
    testsupport::TempDir dir;
    const std::string file = dir.write("team/site.map", "ZOR_LOCATION_MAP_2\n");
    const std::string folder = dir.file("team");
    const struct {
        mode_t fileMode;
        mode_t folderMode;
        bool othersMayWrite;
    } cases[] = {
        {0644, 0755, false}, {0664, 0755, true}, {0646, 0755, true},
        {0644, 0775, true},  {0644, 0757, true}, {0644, 01777, false},
    };
    for (const auto &c : cases) {
        ASSERT_EQ(::chmod(file.c_str(), c.fileMode), 0);
        ASSERT_EQ(::chmod(folder.c_str(), c.folderMode), 0);
        EXPECT_EQ(rules::fileControl(file).othersMayWrite, c.othersMayWrite) << std::oct << c.fileMode << " "
                                                                             << c.folderMode;
    }
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
}

// A map another user owns is theirs; root's maps and one's own are not.
TEST(PublicRulesTest, AMapOwnedByAnotherUserIsSeen) {
    if (!testsupport::runningAsRoot()) GTEST_SKIP() << "giving a file to another user needs root";
    testsupport::TempDir dir;
    const std::string file = dir.write("theirs.map", "ZOR_LOCATION_MAP_2\n");
    constexpr uid_t kUnnamedUser = 4242424;
    ASSERT_EQ(::chown(file.c_str(), kUnnamedUser, static_cast<gid_t>(-1)), 0);
    const rules::FileControl theirs = rules::fileControl(file);
    EXPECT_TRUE(theirs.ownedByOther);
    EXPECT_EQ(theirs.owner, std::to_string(kUnnamedUser));
    ASSERT_EQ(::chown(file.c_str(), 0, static_cast<gid_t>(-1)), 0);
    const rules::FileControl roots = rules::fileControl(file);
    EXPECT_FALSE(roots.ownedByOther);
    EXPECT_EQ(roots.owner, "root");
}

// Seen by a user who is not root: root's map and one's own are not another
// user's; a third user's is.
TEST(PublicRulesTest, AnotherUsersMapIsSeenByAUserWhoIsNotRoot) {
    if (!testsupport::runningAsRoot()) GTEST_SKIP() << "acting as another user needs root";
    testsupport::TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    constexpr uid_t kCaller = 4242425;
    constexpr uid_t kThirdUser = 4242426;
    const struct {
        const char *name;
        uid_t owner;
        bool ownedByOther;
    } cases[] = {{"roots.map", 0, false}, {"callers.map", kCaller, false}, {"thirds.map", kThirdUser, true}};
    for (const auto &c : cases) {
        const std::string file = dir.write(c.name, "ZOR_LOCATION_MAP_2\n");
        ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
        ASSERT_EQ(::chown(file.c_str(), c.owner, static_cast<gid_t>(-1)), 0);
    }
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setresgid(kCaller, kCaller, kCaller) != 0 || ::setresuid(kCaller, kCaller, kCaller) != 0) ::_exit(100);
        int wrong = 0;
        for (const auto &c : cases)
            if (rules::fileControl(dir.file(c.name)).ownedByOther != c.ownedByOther) ++wrong;
        ::_exit(wrong);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "100: the child could not become the caller; else the cases answered wrong";
}
#endif

}  // namespace
