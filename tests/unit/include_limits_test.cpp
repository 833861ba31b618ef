// SPDX-License-Identifier: Apache-2.0
// Tests that includes of any depth, width or repetition read in bounded time, stack and handles, and that a save writes each file back whole.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "locmap/LoadRules.h"
#include "support/MapTest.h"
#include "locmap50/result_codes.h"
#include "support/ScratchNodes.h"

namespace {

using testsupport::mainFile;

namespace fs = std::filesystem;
using testsupport::mergedTables;
using testsupport::recordOf;
using testsupport::readFile;
using testsupport::ScopedCurrentDir;

class IncludeLimits : public testsupport::MapFileTest {
protected:
    // f0.map includes f1.map, ... up to f<depth-1>.map; each defines $LMT_<n>.
    // Written in the save layout, so a save writes the same bytes on POSIX.
    // Returns the path of f0.map.
    std::string writeChain(int depth) {
        for (int n = 0; n < depth; ++n) {
            std::string text = "ZOR_LOCATION_MAP_2\n\n$LMT_" + std::to_string(n) + "\nC:\\" +
                               std::to_string(n) + "\n\n";
            if (n + 1 < depth) text += "INCLUDE f" + std::to_string(n + 1) + ".map\n\n";
            write("f" + std::to_string(n) + ".map", text);
        }
        return m_dir.file("f0.map");
    }

    static bool holdsEveryLevel(VnLocMap &map, int depth) {
        for (int n = 0; n < depth; ++n)
            if (map.m_primaryHardPaths["$LMT_" + std::to_string(n)] != "C:\\" + std::to_string(n))
                return false;
        return true;
    }
};

TEST_F(IncludeLimits, DeepChainReadsOnAOneMebibyteStack) {
    const int depth = 3000;
    const std::string mainPath = writeChain(depth);
    ScopedCurrentDir here(m_dir.path());
    ASSERT_TRUE(testsupport::runOnSmallStack([&] { load(mainPath); }));
    VnLocMap &map = *VnLocMap::createMap();
    EXPECT_EQ(map.m_errorText, testsupport::successLine(mainPath));
    EXPECT_EQ(map.m_mapFiles.size(), static_cast<std::size_t>(depth));
    EXPECT_TRUE(holdsEveryLevel(map, depth));
}

#if !defined(_WIN32) && !defined(NDEBUG)
// Twenty thousand files: in the Linux Debug builds only.
TEST_F(IncludeLimits, WalkOfAChainTwiceAsDeepDoesTwiceTheWorkOnA256KiBStack) {
    const int depth = 20000;
    writeChain(depth);
    ScopedCurrentDir here(m_dir.path());
    // The work of loading the chain from f<first>.map to its end.
    const auto workOfLoadingFrom = [&](int first) -> std::uint64_t {
        std::uint64_t work = 0;
        std::size_t files = 0;
        EXPECT_TRUE(testsupport::runOnSmallStack(
            [&] {
                const std::uint64_t before = locmap50::locmap::IncludeWalk::workDone();
                files = load(m_dir.file("f" + std::to_string(first) + ".map")).m_mapFiles.size();
                work = locmap50::locmap::IncludeWalk::workDone() - before;
            },
            256 * 1024));
        EXPECT_EQ(files, static_cast<std::size_t>(depth - first));
        VnLocMap::createMap()->DestroyMap();
        return work;
    };
    const std::uint64_t half = workOfLoadingFrom(depth / 2);
    const std::uint64_t whole = workOfLoadingFrom(0);
    EXPECT_GE(half, static_cast<std::uint64_t>(depth / 2));
    // A search of the chain of open includes would make it four times.
    EXPECT_LE(whole, 2 * half + 2) << "half the chain: " << half;
}
#endif

#ifndef _WIN32
TEST_F(IncludeLimits, DeepChainReadsUnderASmallHandleLimitAndSavesWhole) {
    const int depth = 300;
    const std::string mainPath = writeChain(depth);
    const std::string deepest = readFile(m_dir.file("f" + std::to_string(depth - 1) + ".map")).value_or("");
    ScopedCurrentDir here(m_dir.path());
    {
        testsupport::ScopedHandleLimit fewHandles(64);
        ASSERT_TRUE(fewHandles.active());
        VnLocMap &map = load(mainPath);
        EXPECT_EQ(map.m_errorText, testsupport::successLine(mainPath));
        EXPECT_TRUE(holdsEveryLevel(map, depth));
        EXPECT_EQ(map.save(false), LOCMAP50_OK);
    }
    EXPECT_EQ(readFile(m_dir.file("f" + std::to_string(depth - 1) + ".map")), deepest);
    VnLocMap::createMap()->DestroyMap();
    EXPECT_TRUE(holdsEveryLevel(load(mainPath), depth));
}
#endif

TEST_F(IncludeLimits, EachFileIsReadOnceHoweverOftenItIsIncluded) {
    // Forty files, each including the next twice: 2^40 reads if repeated.
    const int levels = 40;
    for (int n = 0; n < levels; ++n) {
        std::string text = "ZOR_LOCATION_MAP_1\n$LMT_" + std::to_string(n) + "\nC:\\" + std::to_string(n) + "\n";
        if (n + 1 < levels) {
            const std::string next = "INCLUDE d" + std::to_string(n + 1) + ".map\n";
            text += next + next;
        }
        write("d" + std::to_string(n) + ".map", text);
    }
    ScopedCurrentDir here(m_dir.path());
    VnLocMap &map = load(m_dir.file("d0.map"));
    EXPECT_EQ(map.m_errorText, testsupport::successLine(m_dir.file("d0.map")));
    EXPECT_EQ(map.m_mapFiles.size(), static_cast<std::size_t>(levels));
    EXPECT_TRUE(holdsEveryLevel(map, levels));
    // Both lines stay, so a save writes each file as it was.
    EXPECT_EQ(mainFile().m_includeLines, (std::list<std::string>{"INCLUDE d1.map", "INCLUDE d1.map"}));
    ASSERT_EQ(map.save(false), LOCMAP50_OK);
    EXPECT_EQ(readFile(m_dir.file("d0.map")),
              testsupport::onWindows()
                  ? "ZOR_LOCATION_MAP_1\r\n\r\n$LMT_0\r\nC:\\0\r\n\r\nINCLUDE d1.map\r\n\r\nINCLUDE d1.map\r\n\r\n"
                  : "ZOR_LOCATION_MAP_1\n\n$LMT_0\nC:\\0\n\nINCLUDE d1.map\n\nINCLUDE d1.map\n\n");
}

TEST_F(IncludeLimits, CycleKeepsItsLineAndReadsBackAfterASave) {
    const std::string mainPath = write("a.map", "ZOR_LOCATION_MAP_2\n$LMT_A\nC:\\a\nINCLUDE b.map\n");
    write("b.map", "ZOR_LOCATION_MAP_2\n$LMT_B\nC:\\b\nINCLUDE a.map\n$LMT_C\nC:\\c\n");
    ScopedCurrentDir here(m_dir.path());

    const std::string cycleMessage = "leads back to a file that is already being read";
    EXPECT_NE(load(mainPath).m_errorText.find(cycleMessage), std::string::npos);
    ASSERT_EQ(VnLocMap::createMap()->save(false), LOCMAP50_OK);
    VnLocMap::createMap()->DestroyMap();
    VnLocMap &reloaded = load(mainPath);
    EXPECT_NE(reloaded.m_errorText.find(cycleMessage), std::string::npos);
    EXPECT_EQ(mergedTables(reloaded), "$LMT_A [C:\\a] C:\\a\n$LMT_B [C:\\b] C:\\b\n$LMT_C [C:\\c] C:\\c\n");
    EXPECT_EQ(reloaded.m_mapFiles.back().m_includeLines, std::list<std::string>{"INCLUDE a.map"});
}

TEST_F(IncludeLimits, ShadowedEntriesAreSavedWhereTheyStood) {
    const std::string mainPath =
        write("main.map", "ZOR_LOCATION_MAP_2\n$LMT_A\nC:\\a\nINCLUDE site.map\n$LMT_S\nC:\\later\n");
    const std::string site = "ZOR_LOCATION_MAP_2\n\n$LMT_A\nC:\\site_a\nC:\\site_a2\n\n$LMT_S\nC:\\s\n\n";
    write("site.map", site);
    ScopedCurrentDir here(m_dir.path());

    VnLocMap &map = load(mainPath);
    EXPECT_EQ(mergedTables(map), "$LMT_A [C:\\a] C:\\a\n$LMT_S [C:\\s] C:\\s\n");
    EXPECT_EQ(recordOf(map.m_mapFiles.back()), "$LMT_A: C:\\site_a, C:\\site_a2\n$LMT_S: C:\\s\n");
    ASSERT_EQ(map.save(false), LOCMAP50_OK);
    EXPECT_EQ(testsupport::withUnixLineEnds(readFile(m_dir.file("site.map")).value_or("")), site);
    EXPECT_EQ(testsupport::withUnixLineEnds(readFile(mainPath).value_or("")),
              "ZOR_LOCATION_MAP_2\n\n$LMT_A\nC:\\a\n\nINCLUDE site.map\n\n$LMT_S\nC:\\later\n\n");
}

TEST_F(IncludeLimits, CommentOnlyFileStillLoadsAfterASave) {
    const std::string mainPath = write("main.map", "# nothing yet\n\n# still nothing\n");
    VnLocMap &map = load(mainPath);
    EXPECT_EQ(map.m_errorText, testsupport::successLine(mainPath));
    ASSERT_EQ(map.save(false), LOCMAP50_OK);
    VnLocMap::createMap()->DestroyMap();
    VnLocMap &reloaded = load(mainPath);
    EXPECT_EQ(reloaded.m_errorText, testsupport::successLine(mainPath));
    EXPECT_EQ(m_readResult, 0);
}

}  // namespace
