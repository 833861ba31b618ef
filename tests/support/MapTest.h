// SPDX-License-Identifier: Apache-2.0
// Map test fixtures and helpers: a fresh singleton per test, loading a main map file, the tables as text.
#ifndef LOCMAP50_TESTS_SUPPORT_MAPTEST_H
#define LOCMAP50_TESTS_SUPPORT_MAPTEST_H

#include <gtest/gtest.h>

#include <list>
#include <string>
#include <utility>

#include "locmap50/VnLocMap.h"
#include "support/Golden.h"
#include "support/TestSupport.h"

namespace testsupport {

// Destroys the singleton, if there is one.
inline void destroyMap() {
    if (VnLocMap::exists()) VnLocMap::createMap()->DestroyMap();
}

struct LoadedMap {
    VnLocMap &map;
    int result;  // of VnLocMap::load
};

// Loads path as the main map file into a fresh singleton, through the
// library's one load operation.
inline LoadedMap loadMapFile(const std::string &path) {
    destroyMap();
    VnLocMap &map = *VnLocMap::createMap();
    const int result = map.load(path, 1);
    return {map, result};
}

// The main map file's record of the loaded map.
inline VnLocMapFile &mainFile() { return VnLocMap::createMap()->m_mapFiles.front(); }

// The message text of a load of mainPath that reported nothing.
inline std::string successLine(const std::string &mainPath) {
    return "Location map file " + libraryFileName(mainPath) + " loaded successfully.\n";
}

// " path, path": the hard paths of one entry as the table texts below show them.
inline std::string hardPathsText(const std::list<std::string> &hardPaths) {
    std::string text;
    for (const std::string &hardPath : hardPaths) text += (text.empty() ? " " : ", ") + hardPath;
    return text;
}

// The merged map, one line per soft prefix in order of definition:
// "$P [primary] path, path".
inline std::string mergedTables(const VnLocMap &map) {
    std::string text;
    for (const std::string &softPrefix : map.m_softPrefixOrder) {
        text += softPrefix + " [";
        const auto primary = map.m_primaryHardPaths.find(softPrefix);
        if (primary != map.m_primaryHardPaths.end()) text += primary->second;
        text += "]";
        const auto hardPaths = map.m_softToHardMap.find(softPrefix);
        if (hardPaths != map.m_softToHardMap.end()) text += hardPathsText(hardPaths->second);
        text += "\n";
    }
    return text;
}

// One file's record, one line per entry in file order: "$P: path, path" or "INCLUDE".
inline std::string recordOf(const VnLocMapFile &file) {
    std::string text;
    for (const std::string &entry : file.m_entryOrder) {
        text += entry;
        const auto hardPaths = file.m_entryHardPaths.find(entry);
        if (hardPaths != file.m_entryHardPaths.end()) text += ":" + hardPathsText(hardPaths->second);
        text += "\n";
    }
    return text;
}

// A translation's result code and what it left in its result string. The
// string starts as kUntouched, so that a result that must stay alone shows.
using Outcome = std::pair<int, std::string>;
inline constexpr char kUntouched[] = "<untouched>";

template <typename Translation>
Outcome outcomeOf(Translation translation) {
    std::string result = kUntouched;
    const int code = translation(result);
    return {code, result};
}

// A test that may create the singleton: none is left behind.
class MapTest : public ::testing::Test {
protected:
    void TearDown() override { destroyMap(); }
};

// A map test with map files in a temporary directory.
class MapFileTest : public MapTest {
protected:
    // Writes text (bytes as given) into the temporary directory; returns its path.
    std::string write(const std::string &name, const std::string &text) { return m_dir.write(name, text); }

    // Loads path as the main map file; the result code stays in m_readResult.
    VnLocMap &load(const std::string &path) {
        const LoadedMap loaded = loadMapFile(path);
        m_readResult = loaded.result;
        return loaded.map;
    }

    // Placeholders of the diagnostics goldens: @MAP@ the main map file,
    // @DIR@ the temporary directory, both as the library names them.
    Substitutions placeholders(const std::string &mainPath) const {
        return {{"@MAP@", libraryFileName(mainPath)}, {"@DIR@", libraryFileName(m_dir.path().string())}};
    }

    TempDir m_dir;
    int m_readResult = -1;
};

}  // namespace testsupport

#endif  // LOCMAP50_TESTS_SUPPORT_MAPTEST_H
