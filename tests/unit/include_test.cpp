// SPDX-License-Identifier: Apache-2.0
// Tests of INCLUDE lines: nesting, paths relative to the current directory, unreadable files and cycles.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/MapTest.h"

namespace {

using testsupport::golden;
using testsupport::mainFile;
using testsupport::mergedTables;
using testsupport::recordOf;
using testsupport::ScopedCurrentDir;

class Include : public testsupport::MapFileTest {
protected:
    std::string fileNames(const VnLocMap &map) const {
        std::string names;
        for (const VnLocMapFile &file : map.m_mapFiles) names += file.m_fileName + "\n";
        return names;
    }
};

TEST_F(Include, NestedFilesAreReadAtTheirLineRelativeToTheCurrentDirectory) {
    std::filesystem::create_directories(m_dir.path() / "maps");
    std::filesystem::create_directories(m_dir.path() / "work");
    // Beside the including file, but not where the current directory is.
    write("maps/b.map", "ZOR_LOCATION_MAP_2\n$LMT_B\nC:\\decoy\n");
    write("work/b.map", "ZOR_LOCATION_MAP_1\n$LMT_B\nC:\\b\nINCLUDE c.map\n");
    write("work/c.map", "ZOR_LOCATION_MAP_2\n$LMT_C\nC:\\c\n");
    const std::string mainPath = write(
        "maps/main.map", "ZOR_LOCATION_MAP_2\n$LMT_A\nC:\\a\nINCLUDE b.map\n$LMT_B\nD:\\later\n$LMT_D\nD:\\d\n");
    ScopedCurrentDir inWork(m_dir.path() / "work");

    VnLocMap &map = load(mainPath);
    EXPECT_EQ(map.m_errorText, testsupport::successLine(mainPath));
    EXPECT_EQ(mergedTables(map),
              "$LMT_A [C:\\a] C:\\a\n$LMT_B [C:\\b] C:\\b\n$LMT_C [C:\\c] C:\\c\n$LMT_D [D:\\d] D:\\d\n");
    // A nested include is handed over before the file that includes it.
    EXPECT_EQ(fileNames(map), testsupport::libraryFileName(mainPath) + "\nc.map\nb.map\n");
    EXPECT_EQ(map.m_softToFileMap["$LMT_C"], "c.map");
    // The later $LMT_B block is shadowed: not merged, but kept for the save.
    EXPECT_EQ(recordOf(mainFile()), "$LMT_A: C:\\a\nINCLUDE\n$LMT_B: D:\\later\n$LMT_D: D:\\d\n");
    EXPECT_EQ(mainFile().m_includeLines, std::list<std::string>{"INCLUDE b.map"});
    EXPECT_EQ(map.m_mapFiles.back().m_version, "1");
}

TEST_F(Include, PathWithTabAndSpacesIsTrimmedAndKeptAsWritten) {
    std::filesystem::create_directories(m_dir.path() / "sub dir");
    write("sub dir/site map.txt", "ZOR_LOCATION_MAP_2\n$LMT_S\nC:\\s\n");
    const std::string mainPath =
        write("main.map", "ZOR_LOCATION_MAP_2\nINCLUDE\t  sub dir/site map.txt   # the site\n");
    ScopedCurrentDir here(m_dir.path());

    VnLocMap &map = load(mainPath);
    EXPECT_EQ(map.m_errorText, testsupport::successLine(mainPath));
    EXPECT_EQ(map.m_mapFiles.back().m_fileName, testsupport::libraryFileName("sub dir/site map.txt"));
    EXPECT_EQ(mainFile().m_includeLines, std::list<std::string>{"INCLUDE\t  sub dir/site map.txt"});
    EXPECT_EQ(mergedTables(map), "$LMT_S [C:\\s] C:\\s\n");
}

TEST_F(Include, FileIncludingItselfUnderAnotherSpellingIsNotReadAgain) {
    const std::string mainPath =
        write("main.map", "ZOR_LOCATION_MAP_2\n# includes itself\nINCLUDE ./main.map\n$LMT_A\nC:\\a\n");
    ScopedCurrentDir here(m_dir.path());

    VnLocMap &map = load(mainPath);
    EXPECT_EQ(map.m_errorText, golden("diagnostics/self_include.txt", placeholders(mainPath)));
    EXPECT_EQ(mergedTables(map), "$LMT_A [C:\\a] C:\\a\n");
    EXPECT_EQ(map.m_mapFiles.size(), 1u);
    // The line stays in the record, so a save keeps it.
    EXPECT_EQ(mainFile().m_includeLines, std::list<std::string>{"INCLUDE ./main.map"});
    EXPECT_EQ(recordOf(mainFile()), "INCLUDE\n$LMT_A: C:\\a\n");
}

TEST_F(Include, TwoFileCycleStopsAtTheLineThatLeadsBack) {
    const std::string mainPath = write("a.map", "ZOR_LOCATION_MAP_2\n$LMT_A\nC:\\a\nINCLUDE b.map\n");
    write("b.map", "ZOR_LOCATION_MAP_2\n$LMT_B\nC:\\b\nINCLUDE a.map\n$LMT_C\nC:\\c\n");
    ScopedCurrentDir here(m_dir.path());

    VnLocMap &map = load(mainPath);
    EXPECT_EQ(map.m_errorText, golden("diagnostics/two_file_cycle.txt", placeholders(mainPath)));
    EXPECT_EQ(mergedTables(map), "$LMT_A [C:\\a] C:\\a\n$LMT_B [C:\\b] C:\\b\n$LMT_C [C:\\c] C:\\c\n");
    EXPECT_EQ(fileNames(map), testsupport::libraryFileName(mainPath) + "\nb.map\n");
    EXPECT_EQ(mainFile().m_includeLines, std::list<std::string>{"INCLUDE b.map"});
    EXPECT_EQ(map.m_mapFiles.back().m_includeLines, std::list<std::string>{"INCLUDE a.map"});
}

TEST_F(Include, FileIncludedTwiceSideBySideIsReadOnce) {
    write("d.map", "ZOR_LOCATION_MAP_2\n$LMT_D\nC:\\d\n");
    write("b.map", "ZOR_LOCATION_MAP_2\nINCLUDE d.map\n");
    write("c.map", "ZOR_LOCATION_MAP_2\nINCLUDE d.map\n");
    const std::string mainPath = write("main.map", "ZOR_LOCATION_MAP_2\nINCLUDE b.map\nINCLUDE c.map\n");
    ScopedCurrentDir here(m_dir.path());

    VnLocMap &map = load(mainPath);
    EXPECT_EQ(map.m_errorText, testsupport::successLine(mainPath));
    EXPECT_EQ(fileNames(map), testsupport::libraryFileName(mainPath) + "\nd.map\nb.map\nc.map\n");
    // The second include adds nothing, but its line stays for the save.
    EXPECT_EQ(map.m_mapFiles.back().m_includeLines, std::list<std::string>{"INCLUDE d.map"});
    EXPECT_EQ(mergedTables(map), "$LMT_D [C:\\d] C:\\d\n");
}

TEST_F(Include, IncludedFileWithoutHeaderIsReportedAndTheIncluderGoesOn) {
    write("noheader.map", "$LMT_N\nC:\\n\n");
    const std::string mainPath =
        write("main.map", "ZOR_LOCATION_MAP_2\nINCLUDE noheader.map\n$LMT_A\n?bad\nC:\\a\n");
    ScopedCurrentDir here(m_dir.path());

    VnLocMap &map = load(mainPath);
    EXPECT_EQ(map.m_errorText, golden("diagnostics/included_without_header.txt", placeholders(mainPath)));
    EXPECT_EQ(mergedTables(map), "$LMT_A [C:\\a] C:\\a\n");
    EXPECT_EQ(map.m_mapFiles.size(), 2u);
}

TEST_F(Include, ForceBelongsToTheFileWhoseHeaderCarriesIt) {
    testsupport::ScopedEnv inMain("LMT_F", "E:\\f");
    testsupport::ScopedEnv inIncluded("LMT_T", "E:\\t");
    write("plain.map", "ZOR_LOCATION_MAP_2\n$LMT_T\nC:\\t\n");
    const std::string mainPath =
        write("main.map", "ZOR_LOCATION_MAP_2 force\nINCLUDE plain.map\n$LMT_F\nC:\\f\n");
    ScopedCurrentDir here(m_dir.path());

    VnLocMap &map = load(mainPath);
    EXPECT_EQ(mergedTables(map), "$LMT_T [E:\\t] E:\\t\n$LMT_F [C:\\f] C:\\f\n");
    EXPECT_EQ(map.isEnvOverridden("$LMT_T"), 1);
    EXPECT_EQ(map.isEnvOverridden("$LMT_F"), 0);
}

}  // namespace
