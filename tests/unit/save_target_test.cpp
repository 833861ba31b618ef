// SPDX-License-Identifier: Apache-2.0
// Tests that only regular files are read as maps and replaced by saves: devices, pipes and directories as map files, includes and save or export targets.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include "support/MapTest.h"
#include "locmap50/result_codes.h"
#include "paths/DeviceNames.h"
#include "support/ScratchNodes.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

using testsupport::mainFile;

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::ScopedCurrentDir;

using SaveTargets = testsupport::MapFileTest;

// --- What is read ------------------------------------------------------------

TEST_F(SaveTargets, DirectoryIsNoMapFileNorInclude) {
    fs::create_directory(m_dir.path() / "adir");
    const std::string mainPath = write("main.map", "ZOR_LOCATION_MAP_2\nINCLUDE adir\n$LMT_A\nC:\\a\n");
    ScopedCurrentDir here(m_dir.path());

    VnLocMap &map = load(mainPath);
    EXPECT_NE(map.m_errorText.find("Bad include path  adir"), std::string::npos) << map.m_errorText;
    EXPECT_EQ(map.m_mapFiles.size(), 1u);
    EXPECT_TRUE(mainFile().m_includeLines.empty());
    EXPECT_EQ(map.save(false), LOCMAP50_OK);
    EXPECT_TRUE(fs::is_directory(m_dir.path() / "adir"));

    VnLocMap::createMap()->DestroyMap();
    VnLocMap *fresh = VnLocMap::createMap();
    EXPECT_EQ(fresh->initialize(m_dir.file("adir"), 1), 1);
    EXPECT_NE(fresh->m_errorText.find("does not\n have read read permission"), std::string::npos);
}

TEST_F(SaveTargets, DirectoryNamedByTheVariableIsABadVariable) {
    fs::create_directory(m_dir.path() / "adir");
    testsupport::ScopedEnv variable("ZOR_LOCATION_MAP", m_dir.file("adir"));
    VnLocMap *map = VnLocMap::createMap();
    EXPECT_EQ(map->initialize(m_dir.file("project"), 0), 1);
    EXPECT_EQ(map->m_errorText.find("Following Errors/Warnings"), 0u);
    EXPECT_NE(map->m_errorText.find("ZOR_LOCATION_MAP\n is pointing to a wrong path"), std::string::npos);
}

TEST_F(SaveTargets, SaveOrExportToADirectoryFails) {
    fs::create_directory(m_dir.path() / "adir");
    VnLocMap *map = VnLocMap::createMap();
    map->addEntry("$LMT_A", "C:\\a`");
    EXPECT_EQ(map->exportLocMap(testsupport::libraryFileName(m_dir.file("adir")), false), LOCMAP50_FAILED);
    EXPECT_TRUE(fs::is_directory(m_dir.path() / "adir"));
    EXPECT_TRUE(fs::is_empty(m_dir.path() / "adir"));
}

#ifndef _WIN32
TEST_F(SaveTargets, FifoIsNeitherReadNorWaitedFor) {
    ASSERT_TRUE(testsupport::makeFifo(m_dir.path() / "pipe"));
    const std::string mainPath = write("main.map", "ZOR_LOCATION_MAP_2\nINCLUDE pipe\n$LMT_A\nC:\\a\n");
    ScopedCurrentDir here(m_dir.path());

    VnLocMap &map = load(mainPath);
    EXPECT_NE(map.m_errorText.find("Bad include path  pipe"), std::string::npos) << map.m_errorText;
    EXPECT_EQ(testsupport::mergedTables(map), "$LMT_A [C:\\a] C:\\a\n");
    EXPECT_EQ(map.save(false), LOCMAP50_OK);
    EXPECT_TRUE(testsupport::isFifo(m_dir.path() / "pipe"));

    VnLocMap::createMap()->DestroyMap();
    EXPECT_EQ(VnLocMap::createMap()->initialize(m_dir.file("pipe"), 1), 1);
}

TEST_F(SaveTargets, DevicesReachedThroughIncludeAreNotReadAndNotReplaced) {
    if (!testsupport::makeNullDevice(m_dir.path() / "null") ||
        !testsupport::makeZeroDevice(m_dir.path() / "zero"))
        GTEST_SKIP() << "device nodes need root";
    const std::string mainPath =
        write("main.map", "ZOR_LOCATION_MAP_2\nINCLUDE null\nINCLUDE zero\n$LMT_A\nC:\\a\n");
    ScopedCurrentDir here(m_dir.path());

    VnLocMap &map = load(mainPath);
    EXPECT_NE(map.m_errorText.find("Bad include path  null"), std::string::npos) << map.m_errorText;
    EXPECT_NE(map.m_errorText.find("Bad include path  zero"), std::string::npos) << map.m_errorText;
    EXPECT_EQ(map.m_mapFiles.size(), 1u);
    EXPECT_EQ(map.save(false), LOCMAP50_OK);
    EXPECT_TRUE(testsupport::isCharacterDevice(m_dir.path() / "null"));
    EXPECT_TRUE(testsupport::isCharacterDevice(m_dir.path() / "zero"));
}

TEST_F(SaveTargets, ExportToADeviceWritesIntoItInPlace) {
    if (!testsupport::makeNullDevice(m_dir.path() / "null")) GTEST_SKIP() << "device nodes need root";
    VnLocMap *map = VnLocMap::createMap();
    map->addEntry("$LMT_A", "C:\\a`");
    EXPECT_EQ(map->exportLocMap(m_dir.file("null"), false), LOCMAP50_OK);
    EXPECT_TRUE(testsupport::isCharacterDevice(m_dir.path() / "null"));
    EXPECT_EQ(map->save(false), LOCMAP50_OK);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.path()), fs::directory_iterator()), 1);
}

TEST_F(SaveTargets, ExportToAPipeGoesToItsReader) {
    const fs::path pipe = m_dir.path() / "pipe";
    ASSERT_TRUE(testsupport::makeFifo(pipe));
    // The reader opens first, so the export finds it there.
    const int readEnd = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(readEnd, 0);
    auto received = std::async(std::launch::async, [readEnd] {
        std::string text;
        char buffer[256];
        for (int idle = 0; idle < 200;) {
            const ssize_t got = ::read(readEnd, buffer, sizeof buffer);
            if (got > 0) {
                text.append(buffer, static_cast<std::size_t>(got));
                if (text.find("C:\\a\n\n") != std::string::npos) break;
            } else {
                ++idle;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        ::close(readEnd);
        return text;
    });
    VnLocMap *map = VnLocMap::createMap();
    map->addEntry("$LMT_A", "C:\\a`");
    EXPECT_EQ(map->exportLocMap(pipe.string(), false), LOCMAP50_OK);
    EXPECT_NE(received.get().find("ZOR_LOCATION_MAP_2\n\n"), std::string::npos);
    EXPECT_TRUE(testsupport::isFifo(pipe));
}

TEST_F(SaveTargets, ExportToAPipeWithoutReaderFailsAtOnce) {
    const fs::path pipe = m_dir.path() / "pipe";
    ASSERT_TRUE(testsupport::makeFifo(pipe));
    VnLocMap *map = VnLocMap::createMap();
    map->addEntry("$LMT_A", "C:\\a`");
    auto result = std::async(std::launch::async, [&] { return map->exportLocMap(pipe.string(), false); });
    // A wait here would be a hang; the bound only turns it into a failure.
    ASSERT_EQ(result.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(result.get(), LOCMAP50_FAILED);
    EXPECT_TRUE(testsupport::isFifo(pipe));
}

// As /dev/stdout is while standard output is closed: replacing the link
// would take the name from every later program.
TEST_F(SaveTargets, ExportToALinkToNothingFailsAndKeepsTheLink) {
    fs::create_symlink(m_dir.path() / "closed" / "1", m_dir.path() / "stdout");
    VnLocMap *map = VnLocMap::createMap();
    map->addEntry("$LMT_A", "C:\\a`");
    EXPECT_EQ(map->exportLocMap(m_dir.file("stdout"), false), LOCMAP50_FAILED);
    EXPECT_TRUE(fs::is_symlink(m_dir.path() / "stdout"));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.path()), fs::directory_iterator()), 1);
}

TEST_F(SaveTargets, SaveKeepsTheOwnerOfAnotherUsersFile) {
    if (!testsupport::runningAsRoot()) GTEST_SKIP() << "changing a file's owner needs root";
    const std::string mainPath = write("main.map", "ZOR_LOCATION_MAP_2\n$LMT_A\nC:\\a\n");
    const uid_t otherUser = 4242;
    const gid_t otherGroup = 4343;
    ASSERT_EQ(::chown(mainPath.c_str(), otherUser, otherGroup), 0);
    ASSERT_EQ(::chmod(mainPath.c_str(), 0640), 0);

    VnLocMap &map = load(mainPath);
    ASSERT_EQ(map.changeEntry("$LMT_A", "C:\\b`"), LOCMAP50_OK);
    ASSERT_EQ(map.save(false), LOCMAP50_OK);
    struct stat status;
    ASSERT_EQ(::stat(mainPath.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, otherUser);
    EXPECT_EQ(status.st_gid, otherGroup);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_NE(readFile(mainPath).value_or("").find("C:\\b"), std::string::npos);
}
#endif

TEST(WindowsDeviceNames, AreToldApartFromFilesOnEveryLeg) {
    using locmap50::paths::isWindowsDevicePath;
    for (const char *device : {"NUL", "nul", "C:\\maps\\nul.map", "con", "CON:", "aux.txt", "PRN",
                               "COM1", "lpt9.log", "CONIN$", "conout$", "\\\\.\\pipe\\x",
                               "\\\\.\\COM10", "//./PhysicalDrive0", "dir/Com3 .txt"})
        EXPECT_TRUE(isWindowsDevicePath(device)) << device;
    for (const char *file : {"null", "nul_map", "C:\\NULL\\a.map", "COM0", "COM10", "LPT", "console",
                             "\\\\server\\share\\nul.d\\x", "\\\\?\\C:\\a.map", "main.map", ""})
        EXPECT_FALSE(isWindowsDevicePath(file)) << file;
}

#ifdef _WIN32
TEST_F(SaveTargets, ExportToAReservedDeviceNameWritesToTheDevice) {
    ScopedCurrentDir here(m_dir.path());
    VnLocMap *map = VnLocMap::createMap();
    map->addEntry("$LMT_A", "C:\\a`");
    EXPECT_EQ(map->exportLocMap("NUL", false), LOCMAP50_OK);
    EXPECT_EQ(map->exportLocMap("\\\\.\\NUL", false), LOCMAP50_OK);
    EXPECT_TRUE(fs::is_empty(m_dir.path()));
}
#endif

// --- Where and whether a save writes -------------------------------------------

TEST_F(SaveTargets, IncludedFileThatIsNoMapFileIsNeverWritten) {
    const std::string text = "just some notes\nnot a map\n";
    write("notes.txt", text);
    const std::string mainPath = write("main.map", "ZOR_LOCATION_MAP_2\nINCLUDE notes.txt\n$LMT_A\nC:\\a\n");
    ScopedCurrentDir here(m_dir.path());

    VnLocMap &map = load(mainPath);
    EXPECT_NE(map.m_errorText.find("Bad location Map format version"), std::string::npos);
    EXPECT_EQ(map.save(false), LOCMAP50_FAILED);
    EXPECT_EQ(readFile(m_dir.file("notes.txt")), text);
}

TEST_F(SaveTargets, FileCutShortByAnErrorIsNeverWritten) {
    const std::string text = "ZOR_LOCATION_MAP_2\nINCLUDE other.map\nC:\\no_prefix\n$LMT_LATER\nC:\\later\n";
    write("other.map", "ZOR_LOCATION_MAP_2\n");
    const std::string mainPath = write("main.map", text);
    ScopedCurrentDir here(m_dir.path());

    VnLocMap &map = load(mainPath);
    EXPECT_EQ(m_readResult, 1);
    EXPECT_EQ(map.save(false), LOCMAP50_FAILED);
    EXPECT_EQ(readFile(mainPath), text);
}

TEST_F(SaveTargets, FilesAreWrittenWhereTheyWereReadWhateverTheCurrentDirectory) {
    fs::create_directory(m_dir.path() / "maps");
    fs::create_directory(m_dir.path() / "elsewhere");
    write("maps/main.map", "ZOR_LOCATION_MAP_2\n$LMT_A\nC:\\a\nINCLUDE site.map\n");
    write("maps/site.map", "ZOR_LOCATION_MAP_2\n$LMT_S\nC:\\s\n");
    {
        ScopedCurrentDir inMaps(m_dir.path() / "maps");
        VnLocMap &map = load("main.map");
        ASSERT_EQ(map.m_mapFiles.size(), 2u);
        ASSERT_EQ(map.changeEntry("$LMT_A", "C:\\changed`"), LOCMAP50_OK);
        ASSERT_EQ(map.changeEntry("$LMT_S", "C:\\changed_site`"), LOCMAP50_OK);
    }
    ScopedCurrentDir inElsewhere(m_dir.path() / "elsewhere");
    EXPECT_EQ(VnLocMap::createMap()->save(false), LOCMAP50_OK);
    EXPECT_TRUE(fs::is_empty(m_dir.path() / "elsewhere"));
    EXPECT_NE(testsupport::writtenText(m_dir.file("maps/main.map")).find("C:\\changed\n"), std::string::npos);
    EXPECT_NE(readFile(m_dir.file("maps/site.map")).value_or("").find("C:\\changed_site"), std::string::npos);
}

}  // namespace
