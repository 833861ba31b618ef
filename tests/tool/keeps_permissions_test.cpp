// SPDX-License-Identifier: Apache-2.0
// locmap's edits of maps that others share through an ACL or a group: what the replacement keeps, what it refuses (a map's owner among it), and what the tool says.
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
#include "locmap50/locmap50.h"
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
constexpr uid_t kOwner = 12348;

constexpr char kMap[] = "ZOR_LOCATION_MAP_2\n$LMT_A\nC:\\a\n";

// Runs a shell command; true when it exits 0.
bool shell(const std::string &command) {
    return std::system(command.c_str()) == 0;
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
        ASSERT_EQ(::chown(m_map.c_str(), kEditor, kMapGroup), 0);
        ASSERT_EQ(::chmod(m_map.c_str(), 0640), 0);
        const std::string acl = "u:" + std::to_string(kEditor) + ":rw,u:" + std::to_string(kReader) + ":r";
        if (!shell("setfacl -m " + acl + " '" + m_map + "'"))
            GTEST_SKIP() << "this file system takes no ACLs";
    }

    // `locmap set $LMT_A E:\b` on map as kEditor with the given groups, in a
    // child process; its exit code. Its standard error goes to m_errors.
    int setAs(const std::vector<gid_t> &groups, const std::string &map = "") {
        const std::string target = map.empty() ? m_map : map;
        return runAs(kEditor, kEditorsGroup, groups, [&] {
            locmap_tool::EditRequest request;
            request.softPrefix = "$LMT_A";
            request.paths = {"E:\\b"};
            request.quiet = true;
            const auto load = [&] { return locmap_tool::MapSource::fromFile(target); };
            const std::unique_ptr<locmap_tool::MapSource> source = load();
            return source ? locmap_tool::runEdit(*source, request, load) : 102;
        });
    }

    // What work returns, done in a child process as user and group with the
    // given other groups, its standard error going to m_errors.
    int runAs(uid_t user, gid_t group, const std::vector<gid_t> &groups, const std::function<int()> &work) {
        // Opened here, as root: the child inherits it.
        const int errors = ::open(m_errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int code = testsupport::exitCodeAs(user, group, groups,
                                                 [&] { return errors >= 0 && ::dup2(errors, 2) >= 0 ? work() : 100; });
        if (errors >= 0) ::close(errors);
        return code;
    }

    std::string errors() const { return testsupport::readFile(m_errors).value_or(""); }

    testsupport::TempDir m_dir;
    testsupport::TempDir m_errorDir;
    const std::string m_map = m_dir.write("site.map", kMap);
    const std::string m_errors = m_errorDir.file("errors.txt");
};

// The editor's own map, mode 640 in a group the editor is in, that an ACL
// lets another user read: after the edit the other user still reads it,
// through the same ACL, and nothing needs telling.
TEST_F(KeepsPermissions, AnEditByTheOwnerKeepsTheAclGroupModeAndAttributes) {
    ASSERT_EQ(::setxattr(m_map.c_str(), "user.origin", "site", 4, 0), 0);
    const std::string aclBefore = testsupport::accessListOf(m_map);
    const struct stat before = statusOf(m_map);

    EXPECT_EQ(setAs({kMapGroup}), locmap_tool::kExitOk) << errors();
    EXPECT_NE(testsupport::readFile(m_map).value_or("").find("E:\\b"), std::string::npos);
    EXPECT_EQ(testsupport::accessListOf(m_map), aclBefore);
    const struct stat after = statusOf(m_map);
    EXPECT_EQ(after.st_gid, kMapGroup);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, kEditor);
    EXPECT_EQ(attribute(m_map, "user.origin"), "site");
    EXPECT_EQ(errors(), "");
    EXPECT_EQ(testsupport::namesIn(m_dir.path()), std::vector<std::string>{"site.map"});
}

// In a 2775 root:proj folder, another user's map, mode 600, that an ACL lets
// the editor write: the editor's save would make the editor its owner and
// shut its owner out, so it is refused before anything is written, the tool
// says whose map it is, and the owner still owns and reads it.
TEST_F(KeepsPermissions, AnEditThatWouldTakeTheMapFromItsOwnerIsRefused) {
    ASSERT_EQ(::chown(m_dir.path().c_str(), 0, kMapGroup), 0);
    ASSERT_EQ(::chmod(m_dir.path().c_str(), 02775), 0);
    const std::string map = m_dir.write("a.map", kMap);
    ASSERT_EQ(::chown(map.c_str(), kOwner, kMapGroup), 0);
    ASSERT_EQ(::chmod(map.c_str(), 0600), 0);
    ASSERT_TRUE(shell("setfacl -m u:" + std::to_string(kEditor) + ":rw '" + map + "'"));
    const auto before = testsupport::folderSnapshot(m_dir.path(), "");

    EXPECT_EQ(setAs({kMapGroup}, map), locmap_tool::kExitCannotWrite);
    const std::string owner = std::to_string(kOwner);
    EXPECT_EQ(errors(), "locmap: cannot save " + map + ": it belongs to " + owner +
                            ", and a save by another user would take it from them; " + owner +
                            " (or root) can make this change\n");
    EXPECT_EQ(testsupport::folderSnapshot(m_dir.path(), ""), before);
    EXPECT_EQ(statusOf(map).st_uid, kOwner);
    EXPECT_EQ(runAs(kOwner, kOwner, {}, [&] { return testsupport::readFile(map) == std::string(kMap) ? 0 : 1; }),
              0);
    // Through the C interface the refusal says what would be lost.
    EXPECT_EQ(runAs(kEditor, kEditorsGroup, {kMapGroup}, [&] {
                  if (InitLocationMap(map.c_str(), 1) != LOCMAP50_OK) return 10;
                  if (ChangeEntry("$LMT_A", "E:\\c", LOCMAP50_REPLACE_ENTRY) != LOCMAP50_OK) return 11;
                  const char *detail = nullptr;
                  int reason = LOCMAP50_REASON_NONE;
                  if (SaveLocationMap(0) != LOCMAP50_FAILED || GetLastFailure(&reason, nullptr) != LOCMAP50_OK ||
                      GetLastFailureDetail(&detail) != LOCMAP50_OK)
                      return 12;
                  return reason == LOCMAP50_REASON_WOULD_LOSE_PERMISSIONS && std::string(detail) == "owner" ? 0 : 13;
              }),
              0);
    EXPECT_EQ(testsupport::folderSnapshot(m_dir.path(), ""), before);
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
                                ": replacing it would lose its owner, group, access list, attributes or links (" + c.what +
                                ")\n");
        EXPECT_EQ(testsupport::folderSnapshot(m_dir.path(), ""), before);
    }
}

// A folder's default ACL is no part of a map saved in it: the replacement
// has the ACL the file had, and root keeps the owner too.
TEST_F(KeepsPermissions, RootKeepsTheOwnerAndGivesTheFileNoAclItDidNotHave) {
    const std::string plain = m_dir.write("plain.map", kMap);
    ASSERT_EQ(::chown(plain.c_str(), kReader, kMapGroup), 0);
    ASSERT_TRUE(shell("setfacl -d -m u:" + std::to_string(kReader) + ":rwx '" + m_dir.path().string() + "'"));
    for (const std::string &map : {plain, m_map}) {
        SCOPED_TRACE(map);
        const std::string aclBefore = testsupport::accessListOf(map);
        const struct stat before = statusOf(map);
        const std::unique_ptr<locmap_tool::MapSource> source = locmap_tool::MapSource::fromFile(map);
        ASSERT_NE(source, nullptr);
        locmap_tool::EditRequest request;
        request.softPrefix = "$LMT_A";
        request.paths = {"E:\\root"};
        request.quiet = true;
        EXPECT_EQ(locmap_tool::runEdit(*source, request, [] { return nullptr; }), locmap_tool::kExitOk);
        EXPECT_EQ(testsupport::accessListOf(map), aclBefore);
        const struct stat after = statusOf(map);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
        EXPECT_EQ(after.st_mode, before.st_mode);
    }
}

// A lock file another user left that the editor cannot open (mode 000, in a
// sticky folder, where only its owner may remove it) stays a refusal, and the
// tool names the lock file and its owner rather than the map.
TEST_F(KeepsPermissions, ALockFileTheEditorCannotOpenIsNamedWithItsOwner) {
    fs::permissions(m_dir.path(), fs::perms::all | fs::perms::sticky_bit);
    const std::string lock = m_map + ".save-lock";
    testsupport::writeFile(lock, "");
    ASSERT_EQ(::chown(lock.c_str(), kReader, kReader), 0);
    ASSERT_EQ(::chmod(lock.c_str(), 0), 0);
    const auto before = testsupport::folderSnapshot(m_dir.path(), "");

    EXPECT_EQ(setAs({kMapGroup}), locmap_tool::kExitCannotWrite);
    EXPECT_EQ(errors(), "locmap: cannot save " + m_map + ": permission denied on its save lock " + lock +
                            ", which belongs to " + std::to_string(kReader) + "\n");
    EXPECT_EQ(testsupport::folderSnapshot(m_dir.path(), ""), before);
}

}  // namespace
#endif
