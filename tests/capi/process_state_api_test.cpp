// SPDX-License-Identifier: Apache-2.0
// Saves and exports leave the process's settings alone: the library never calls umask(), and a new file gets what creat() gives it.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include "support/CApiTest.h"
#include "support/ScratchNodes.h"

namespace {

std::atomic<int> g_umaskCalls{0};

}  // namespace

// Defined in the test program, this umask() is the one the shared library
// binds to: any call of the library's is a failure of the test that made it.
// umask(0) and back is no way to read the mask: a thread creating a file in
// between gets it without the mask.
extern "C" mode_t umask(mode_t mask) {
    ++g_umaskCalls;
    ADD_FAILURE() << "umask() was called";
    return static_cast<mode_t>(::syscall(SYS_umask, mask));
}

namespace {

using ProcessState = CApiTest;

mode_t modeOf(const std::string &path) {
    struct stat status {};
    ::stat(path.c_str(), &status);
    return status.st_mode & 07777;
}

TEST_F(ProcessState, SavesAndExportsToNewAndExistingFilesNeverCallUmask) {
    loadMap("$LMT_A\n/a\n");
    ASSERT_EQ(ChangeEntry("$LMT_A", "/b", LOCMAP50_REPLACE_ENTRY), LOCMAP50_OK);
    EXPECT_EQ(Export(m_dir.file("new.map").c_str(), 0), LOCMAP50_OK);
    EXPECT_EQ(Export(m_dir.file("new.map").c_str(), 0), LOCMAP50_OK);
    EXPECT_EQ(SaveLocationMapKeepingLayout(), LOCMAP50_OK);
    EXPECT_EQ(SaveLocationMap(0), LOCMAP50_OK);
    EXPECT_EQ(g_umaskCalls.load(), 0);
}

// In a folder whose default ACL lets a group write, a new export gets the
// mode and ACL that touch(1) gets there: the default ACL decides, not the
// umask, and no mode set afterwards narrows its mask.
TEST_F(ProcessState, ANewExportGetsWhatCreatGivesInAFolderWithADefaultAcl) {
    const std::string folder = m_dir.path().string();
    if (std::system(("setfacl -d -m g:12346:rw,o::r '" + folder + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "setfacl (the acl package) is missing, or this file system takes no ACLs";
    const std::string touched = m_dir.file("touched.map");
    ASSERT_EQ(std::system(("touch '" + touched + "'").c_str()), 0);
    loadMap("$LMT_A\n/a\n");

    const std::string exported = m_dir.file("exported.map");
    ASSERT_EQ(Export(exported.c_str(), 0), LOCMAP50_OK);
    EXPECT_EQ(modeOf(exported), modeOf(touched));
    EXPECT_EQ(testsupport::accessListOf(exported), testsupport::accessListOf(touched));
}

}  // namespace
#endif
