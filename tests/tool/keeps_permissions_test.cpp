// SPDX-License-Identifier: Apache-2.0
// locmap's edits by a user whom an ACL or a group lets write a map owned by another: what the replacement keeps, what it refuses, and what the tool says.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "EditCommands.h"
#include "MapSource.h"
#include "ToolSupport.h"
#include "support/FolderSnapshot.h"
#include "support/MapTest.h"
#include "support/ScratchNodes.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

// Numeric ids that need no entry in /etc/passwd or /etc/group.
constexpr uid_t kEditor = 12345;
constexpr gid_t kEditorsGroup = 12345;
constexpr gid_t kMapGroup = 12346;
constexpr uid_t kReader = 12347;

constexpr char kMap[] = "ZOR_LOCATION_MAP_2\n$LMT_A\nC:\\a\n";

// Runs a shell command; true when it exits 0.
bool shell(const std::string &command) {
    return std::system(command.c_str()) == 0;
}

// What getfacl prints for path, without the header naming owner and group.
std::string accessList(const std::string &path) {
    std::string text;
    const std::unique_ptr<FILE, int (*)(FILE *)> output(::popen(("getfacl -c -- '" + path + "' 2>&1").c_str(), "r"),
                                                        ::pclose);
    if (!output) return "<getfacl did not run>";
    std::array<char, 256> chunk;
    while (std::fgets(chunk.data(), static_cast<int>(chunk.size()), output.get()) != nullptr) text += chunk.data();
    return text;
}

std::string attribute(const std::string &path, const char *name) {
    std::string value(256, '\0');
    const ssize_t size = ::getxattr(path.c_str(), name, value.data(), value.size());
    return size < 0 ? "<none>" : value.substr(0, static_cast<std::size_t>(size));
}

struct stat statusOf(const std::string &path) {
    struct stat status {};
    ::stat(path.c_str(), &status);
    return status;
}

class KeepsPermissions : public testsupport::MapTest {
protected:
    void SetUp() override {
        if (!testsupport::runningAsRoot()) GTEST_SKIP() << "acting as another user needs root";
        if (!shell("command -v setfacl >/dev/null && command -v getfacl >/dev/null"))
            GTEST_SKIP() << "setfacl and getfacl (the acl package) are not installed";
        // Anyone may make and replace files here (not sticky: there only a
        // file's owner may replace it).
        fs::permissions(m_dir.path(), fs::perms::all);
        ASSERT_EQ(::chown(m_map.c_str(), 0, kMapGroup), 0);
        ASSERT_EQ(::chmod(m_map.c_str(), 0640), 0);
        const std::string acl = "u:" + std::to_string(kEditor) + ":rw,u:" + std::to_string(kReader) + ":r";
        if (!shell("setfacl -m " + acl + " '" + m_map + "'"))
            GTEST_SKIP() << "this file system takes no ACLs";
    }

    // `locmap set $LMT_A E:\b` as kEditor with the given groups, in a child
    // process; its exit code. Its standard error goes to m_errors.
    int setAs(const std::vector<gid_t> &groups) {
        const pid_t child = ::fork();
        if (child == 0) {
            const int errors = ::open(m_errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (errors < 0 || ::dup2(errors, 2) < 0) ::_exit(100);
            if (::setgroups(groups.size(), groups.data()) != 0 ||
                ::setresgid(kEditorsGroup, kEditorsGroup, kEditorsGroup) != 0 ||
                ::setresuid(kEditor, kEditor, kEditor) != 0)
                ::_exit(101);
            locmap_tool::EditRequest request;
            request.softPrefix = "$LMT_A";
            request.paths = {"E:\\b"};
            request.quiet = true;
            const auto load = [&] { return locmap_tool::MapSource::fromFile(m_map); };
            const std::unique_ptr<locmap_tool::MapSource> source = load();
            ::_exit(source ? locmap_tool::runEdit(*source, request, load) : 102);
        }
        int status = 0;
        if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status);
    }

    std::string errors() const { return testsupport::readFile(m_errors).value_or(""); }

    testsupport::TempDir m_dir;
    testsupport::TempDir m_errorDir;
    const std::string m_map = m_dir.write("site.map", kMap);
    const std::string m_errors = m_errorDir.file("errors.txt");
};

// Root's map, mode 640, that an ACL lets the editor write and another user
// read: after the edit the other user still reads it, through the same ACL.
TEST_F(KeepsPermissions, AnEditAllowedByAnAclKeepsTheAclGroupModeAndAttributes) {
    ASSERT_EQ(::setxattr(m_map.c_str(), "user.origin", "site", 4, 0), 0);
    const std::string aclBefore = accessList(m_map);
    const struct stat before = statusOf(m_map);

    EXPECT_EQ(setAs({kMapGroup}), locmap_tool::kExitOk) << errors();
    EXPECT_NE(testsupport::readFile(m_map).value_or("").find("E:\\b"), std::string::npos);
    EXPECT_EQ(accessList(m_map), aclBefore);
    const struct stat after = statusOf(m_map);
    EXPECT_EQ(after.st_gid, kMapGroup);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, kEditor);  // only root may give a file away
    EXPECT_EQ(attribute(m_map, "user.origin"), "site");
    EXPECT_EQ(errors(), "locmap: warning: " + m_map + ": the owner changed from root to " + std::to_string(kEditor) +
                            " (its group and mode are kept)\n");
    EXPECT_EQ(testsupport::namesIn(m_dir.path()), std::vector<std::string>{"site.map"});
}

// What cannot be kept makes the save write nothing, and the tool names it.
TEST_F(KeepsPermissions, WhatTheEditorCannotKeepIsNamedAndNothingIsWritten) {
    // Only a process that may set file capabilities can put this one back.
    const std::array<std::uint32_t, 5> capability = {0x02000000u, 1u << 10, 0, 0, 0};
    const struct {
        const char *what;
        std::vector<gid_t> groups;
        std::function<bool()> prepare;
    } cases[] = {
        {"group", {}, [] { return true; }},
        {"extended attribute security.capability", {kMapGroup}, [&] {
             return ::setxattr(m_map.c_str(), "security.capability", capability.data(),
                               capability.size() * sizeof(std::uint32_t), 0) == 0;
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.prepare()) {
            std::printf("skipped: %s cannot be set here\n", c.what);
            continue;
        }
        const auto before = testsupport::folderSnapshot(m_dir.path(), "");
        EXPECT_EQ(setAs(c.groups), locmap_tool::kExitCannotWrite);
        EXPECT_EQ(errors(), "locmap: cannot save " + m_map +
                                ": replacing it would lose its group, access list, attributes or links (" + c.what +
                                ")\n");
        EXPECT_EQ(testsupport::folderSnapshot(m_dir.path(), ""), before);
    }
}

// A folder's default ACL is no part of a map saved in it: the replacement
// has the ACL the file had, and root keeps the owner too.
TEST_F(KeepsPermissions, RootKeepsTheOwnerAndGivesTheFileNoAclItDidNotHave) {
    const std::string plain = m_dir.write("plain.map", kMap);
    ASSERT_EQ(::chown(plain.c_str(), kEditor, kMapGroup), 0);
    ASSERT_TRUE(shell("setfacl -d -m u:" + std::to_string(kReader) + ":rwx '" + m_dir.path().string() + "'"));
    for (const std::string &map : {plain, m_map}) {
        SCOPED_TRACE(map);
        const std::string aclBefore = accessList(map);
        const struct stat before = statusOf(map);
        const std::unique_ptr<locmap_tool::MapSource> source = locmap_tool::MapSource::fromFile(map);
        ASSERT_NE(source, nullptr);
        locmap_tool::EditRequest request;
        request.softPrefix = "$LMT_A";
        request.paths = {"E:\\root"};
        request.quiet = true;
        EXPECT_EQ(locmap_tool::runEdit(*source, request, [] { return nullptr; }), locmap_tool::kExitOk);
        EXPECT_EQ(accessList(map), aclBefore);
        const struct stat after = statusOf(map);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
        EXPECT_EQ(after.st_mode, before.st_mode);
    }
}

}  // namespace
#endif
