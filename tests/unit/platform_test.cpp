// SPDX-License-Identifier: Apache-2.0
// Tests of the platform layer: environment, access test, current directory, file streams, safe saving and long paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/ExtendedLengthPath.h"
#include "support/FileCallFaults.h"
#include "support/TestSupport.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace platform = locmap50::platform;
namespace fs = std::filesystem;
using testsupport::libraryFileName;
using testsupport::namesIn;
using testsupport::onWindows;

namespace {

std::string platformText(const std::string &unixText) {
    if (!onWindows()) return unixText;
    std::string text;
    for (char c : unixText) text += (c == '\n') ? std::string("\r\n") : std::string(1, c);
    return text;
}

// A chain of directories under base whose full path is over 300 characters.
// Windows makes it through the extended-length form; at the end every level is
// renamed short from the top, so that means bound to the classic limit can remove it.
class LongDirectoryChain {
public:
    explicit LongDirectoryChain(const fs::path &base) : m_base(base), m_path(base) {
        for (; m_path.string().size() <= 300; ++m_depth) {
            m_path /= s_level;
#ifdef _WIN32
            fs::create_directory(fs::path(L"\\\\?\\" + m_path.wstring()));
#else
            fs::create_directory(m_path);
#endif
        }
    }
    ~LongDirectoryChain() { shortened(); }
    LongDirectoryChain(const LongDirectoryChain &) = delete;
    LongDirectoryChain &operator=(const LongDirectoryChain &) = delete;

    const fs::path &path() const { return m_path; }
    // Renames the levels not yet renamed; returns the deepest directory's short path.
    fs::path shortened() {
        fs::path path = m_base;
        for (int level = 0; level < m_depth; ++level, path /= "s") {
            std::error_code error;
            if (level >= m_renamed) fs::rename(path / s_level, path / "s", error);
            if (error) break;
            m_renamed = std::max(m_renamed, level + 1);
        }
        return path;
    }

private:
    inline static const std::string s_level = std::string(40, 'd');
    fs::path m_base;
    fs::path m_path;
    int m_depth = 0;
    int m_renamed = 0;
};

}  // namespace

// --- Files ---------------------------------------------------------------

class PlatformFiles : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir.write("dir/a.map", "line 1\r\nline 2\n");
        m_dir.write("dir/b.map", "other\n");
    }
    testsupport::TempDir m_dir;
};

TEST_F(PlatformFiles, CanReadTestsExistence) {
    EXPECT_TRUE(platform::canRead(m_dir.file("dir/a.map")));
    EXPECT_TRUE(platform::canRead(libraryFileName(m_dir.file("dir/a.map"))));
    EXPECT_FALSE(platform::canRead(m_dir.file("dir/missing.map")));
    EXPECT_FALSE(platform::canRead(""));
}

TEST_F(PlatformFiles, ReadRegularFileKeepsBytes) {
    const auto bytes = platform::readRegularFile(libraryFileName(m_dir.file("dir/a.map")));
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, "line 1\r\nline 2\n");
    EXPECT_FALSE(platform::readRegularFile(m_dir.file("dir/missing.map")));
    EXPECT_FALSE(platform::readRegularFile(m_dir.file("dir")));
}

TEST_F(PlatformFiles, FileIdentityIgnoresSpelling) {
    const auto identity = platform::fileIdentity(m_dir.file("dir/a.map"));
    ASSERT_TRUE(identity);
    EXPECT_EQ(platform::fileIdentity(libraryFileName(m_dir.file("dir/./a.map"))), identity);
    EXPECT_EQ(platform::fileIdentity(m_dir.file("dir/../dir/a.map")), identity);
    {
        testsupport::ScopedCurrentDir inside(m_dir.path() / "dir");
        EXPECT_EQ(platform::fileIdentity("a.map"), identity);
        EXPECT_EQ(platform::fileIdentity(".\\a.map"), identity);
    }
    EXPECT_NE(platform::fileIdentity(m_dir.file("dir/b.map")), identity);
    EXPECT_EQ(platform::fileIdentity(m_dir.file("dir/missing.map")), std::nullopt);
}

// --- Current directory and drive -----------------------------------------

class PlatformCurrentDirectory : public ::testing::Test {
protected:
    testsupport::TempDir m_dir;
};

TEST_F(PlatformCurrentDirectory, ReportedInTheSystemsOwnForm) {
    testsupport::ScopedCurrentDir inside(m_dir.path());
    const auto current = platform::currentDirectory();
    ASSERT_TRUE(current);
    EXPECT_EQ(*current, libraryFileName(fs::current_path().string()));
    EXPECT_EQ(current->find(testsupport::onWindows() ? '/' : '\\'), std::string::npos);
}

TEST_F(PlatformCurrentDirectory, LongDirectoryReturnedWhole) {
    LongDirectoryChain chain(m_dir.path());
    testsupport::ScopedCurrentDir start(m_dir.path());
    const std::string below = chain.path().string().substr(m_dir.path().string().size());
    const std::string expected = platform::currentDirectory().value_or("") + libraryFileName(below);
    testsupport::ScopedCurrentDir inside(fs::path(".") / below.substr(1));
    EXPECT_EQ(platform::currentDirectory(), expected);
}

TEST_F(PlatformCurrentDirectory, DriveFollowsCurrentDirectory) {
    testsupport::ScopedCurrentDir inside(m_dir.path());
    if (!onWindows()) {
        EXPECT_EQ(platform::currentDriveRoot(), "");
        return;
    }
    const std::string current = platform::currentDirectory().value_or("");
    ASSERT_GE(current.size(), 2u);
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(current[0])));
    EXPECT_EQ(platform::currentDriveRoot(), std::string(1, letter) + ":");
}

// --- Saving --------------------------------------------------------------

class PlatformSave : public ::testing::Test {
protected:
    void TearDown() override { testsupport::stopFailingWrites(); }
    std::string target() const { return libraryFileName(m_dir.file("saved.map")); }
    testsupport::TempDir m_dir;
};

TEST_F(PlatformSave, CreatesThenReplacesWithPlatformLineEnds) {
    ASSERT_TRUE(platform::replaceFileWithText(target(), "a\nb\n"));
    EXPECT_EQ(testsupport::readFile(m_dir.file("saved.map")), platformText("a\nb\n"));
    ASSERT_TRUE(platform::replaceFileWithText(target(), "c\n"));
    EXPECT_EQ(testsupport::readFile(m_dir.file("saved.map")), platformText("c\n"));
    EXPECT_EQ(namesIn(m_dir.path()), std::vector<std::string>{"saved.map"});
}

TEST_F(PlatformSave, FailedWriteLeavesOldFileIntact) {
    const std::string old = "ZOR_LOCATION_MAP_1\r\n$A\r\nC:\\a\r\n";
    for (std::size_t budget : {std::size_t{0}, std::size_t{5}, std::size_t{4096 + 7}}) {
        testsupport::writeFile(m_dir.file("saved.map"), old);
        testsupport::failWritesAfter(budget);
        EXPECT_FALSE(platform::replaceFileWithText(target(), std::string(20000, 'x') + "\n"))
            << "budget " << budget;
        testsupport::stopFailingWrites();
        EXPECT_EQ(testsupport::readFile(m_dir.file("saved.map")), old);
        EXPECT_EQ(namesIn(m_dir.path()), std::vector<std::string>{"saved.map"});
    }
}

TEST_F(PlatformSave, FailsWhereNoFileCanBeMade) {
    EXPECT_FALSE(platform::replaceFileWithText(libraryFileName(m_dir.file("nodir/x.map")), "a\n"));
    fs::create_directory(m_dir.path() / "adir");
    EXPECT_FALSE(platform::replaceFileWithText(libraryFileName(m_dir.file("adir")), "a\n"));
    EXPECT_EQ(namesIn(m_dir.path()), std::vector<std::string>{"adir"});
    EXPECT_TRUE(fs::is_empty(m_dir.path() / "adir"));
}

#ifndef _WIN32
TEST_F(PlatformSave, KeepsPermissionBitsAndGivesNewFilesTheUsualOnes) {
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(platform::replaceFileWithText(target(), "new\n"));
    struct stat status;
    ASSERT_EQ(::stat(m_dir.file("saved.map").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0644u);
    ASSERT_EQ(::chmod(m_dir.file("saved.map").c_str(), 0640), 0);
    ASSERT_TRUE(platform::replaceFileWithText(target(), "again\n"));
    ASSERT_EQ(::stat(m_dir.file("saved.map").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    ::umask(mask);
}

TEST_F(PlatformSave, WritesThroughSymbolicLink) {
    testsupport::writeFile(m_dir.file("real.map"), "old\n");
    fs::create_symlink(m_dir.path() / "real.map", m_dir.path() / "saved.map");
    ASSERT_TRUE(platform::replaceFileWithText(target(), "new\n"));
    EXPECT_TRUE(fs::is_symlink(m_dir.path() / "saved.map"));
    EXPECT_EQ(testsupport::readFile(m_dir.file("real.map")), "new\n");
    EXPECT_EQ(namesIn(m_dir.path()), (std::vector<std::string>{"real.map", "saved.map"}));
}
#endif

// Paths beyond the classic Windows limit are written, replaced, tested and read like any other.
TEST_F(PlatformSave, LongPathsWork) {
    LongDirectoryChain chain(m_dir.path());
    const std::string file = libraryFileName(chain.path().string()) + "\\saved.map";
    ASSERT_TRUE(platform::replaceFileWithText(file, "a\n"));
    ASSERT_TRUE(platform::replaceFileWithText(file, "b\nc\n"));
    EXPECT_TRUE(platform::canRead(file));
    const auto bytes = platform::readRegularFile(file);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, platformText("b\nc\n"));
    const auto identity = platform::fileIdentity(file);
    EXPECT_TRUE(identity);
    const fs::path shortened = chain.shortened();
    EXPECT_EQ(namesIn(shortened), std::vector<std::string>{"saved.map"});
    EXPECT_EQ(platform::fileIdentity(libraryFileName((shortened / "saved.map").string())), identity);
}

TEST(PlatformExtendedLengthForm, PrefixesDriveAndUncPathsOnly) {
    using locmap50::platform::detail::extendedLengthForm;
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"C:\\a\\b.map", L"\\\\?\\C:\\a\\b.map"},
        {L"\\\\server\\share\\a.map", L"\\\\?\\UNC\\server\\share\\a.map"},
        {L"\\\\?\\C:\\a.map", L"\\\\?\\C:\\a.map"},
        {L"\\\\?\\UNC\\server\\share", L"\\\\?\\UNC\\server\\share"},
        {L"\\\\.\\pipe\\x", L"\\\\.\\pipe\\x"},
    };
    for (const auto &[full, expected] : cases) EXPECT_EQ(extendedLengthForm(full), expected);
}

TEST(PlatformExtendedLengthForm, NamesLongerThanAFileSystemHoldsAreTold) {
    using locmap50::platform::detail::hasOverlongComponent;
    const std::wstring longest(255, L'x');
    EXPECT_FALSE(hasOverlongComponent(L"C:\\a\\" + longest + L"\\b"));
    EXPECT_FALSE(hasOverlongComponent(L"\\\\?\\C:\\" + longest + L"/" + longest));
    EXPECT_TRUE(hasOverlongComponent(L"C:\\a\\" + longest + L"x.map"));
    EXPECT_TRUE(hasOverlongComponent(longest + L"x"));
}

TEST(PlatformStandardOutput, WritesText) {
    const auto printed = testsupport::printedBy([] { return platform::writeStandardOutput("one\ntwo\n"); });
    EXPECT_EQ(printed.output, "one\ntwo\n");
    EXPECT_TRUE(printed.result);
}
