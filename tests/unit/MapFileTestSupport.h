// The map file tests' fixture: a temporary directory, loading a map file as the library's callers do, and golden texts.
#ifndef LOCMAP50_TESTS_UNIT_MAPFILETESTSUPPORT_H
#define LOCMAP50_TESTS_UNIT_MAPFILETESTSUPPORT_H

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "locmap50/VnLocMap.h"
#include "support/TestSupport.h"

namespace maptest {

using Substitutions = std::vector<std::pair<std::string, std::string>>;

// tests/golden/<name> with every placeholder replaced by its value.
inline std::string golden(const std::string &name, const Substitutions &substitutions = {}) {
    std::string text = testsupport::readFile(std::string(LOCMAP50_GOLDEN_DIR) + "/" + name)
                           .value_or("<no golden " + name + ">");
    for (const auto &[placeholder, value] : substitutions)
        for (std::size_t at = text.find(placeholder); at != std::string::npos;
             at = text.find(placeholder, at + value.size()))
            text.replace(at, placeholder.size(), value);
    return text;
}

inline std::string fixture(const std::string &name) {
    return std::string(LOCMAP50_TEST_DATA_DIR) + "/reader/" + name;
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
        if (hardPaths != map.m_softToHardMap.end())
            for (const std::string &hardPath : hardPaths->second)
                text += (&hardPath == &hardPaths->second.front() ? " " : ", ") + hardPath;
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
        if (hardPaths != file.m_entryHardPaths.end()) {
            text += ":";
            for (const std::string &hardPath : hardPaths->second)
                text += (&hardPath == &hardPaths->second.front() ? " " : ", ") + hardPath;
        }
        text += "\n";
    }
    return text;
}

class MapFileTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (VnLocMap::exists()) VnLocMap::createMap()->DestroyMap();
    }

    // Writes text (bytes as given) into the temporary directory; returns its path.
    std::string write(const std::string &name, const std::string &text) {
        const std::string path = m_dir.file(name);
        testsupport::writeFile(path, text);
        return path;
    }

    // Loads path as the main map file, as every caller of the library does.
    VnLocMap &load(const std::string &path) {
        VnLocMap *map = VnLocMap::createMap();
        m_readResult = map->load(path, 1);
        return *map;
    }

    // The message text of a load that reported nothing.
    static std::string loadedSuccessfully(const std::string &mainPath) {
        return "Location map file " + testsupport::backslashed(mainPath) + " loaded successfully.\n";
    }

    static VnLocMapFile &mainFile() { return VnLocMap::createMap()->m_mapFiles.front(); }

    // Placeholders of the diagnostics goldens: @MAP@ the main map file,
    // @DIR@ the temporary directory, both as the library names them.
    Substitutions placeholders(const std::string &mainPath) const {
        return {{"@MAP@", testsupport::backslashed(mainPath)},
                {"@DIR@", testsupport::backslashed(m_dir.path().string())}};
    }

    testsupport::TempDir m_dir;
    int m_readResult = -1;
};

}  // namespace maptest

#endif  // LOCMAP50_TESTS_UNIT_MAPFILETESTSUPPORT_H
