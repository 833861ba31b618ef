// SPDX-License-Identifier: Apache-2.0
// Loading a location map: choosing the main map file and reading it with everything it includes.
#include <utility>

#include "locmap50/VnLocMap.h"

namespace {

std::string successLine(const std::string &mapFileName) {
    return "Location map file " + mapFileName + " loaded successfully.\n";
}

}  // namespace

int VnLocMap::load(const std::string &path, int isMapFile) {
    // The reader fills the singleton's tables, so only the singleton loads.
    if (this != _instance) return LOCMAP50_FAILED;
    // A map loaded before would otherwise mix its entries with the new ones.
    if (!m_mapFiles.empty() || !m_mapFileName.empty()) clearLoadedMap(MapReset::NewLoad);
    if (initialize(path, isMapFile) != LOCMAP50_OK) return LOCMAP50_NO_MAP;
    return loadMainMapFile();
}

int VnLocMap::loadMainMapFile() {
    if (this != _instance) return LOCMAP50_FAILED;
    if (m_mapFileName.empty()) return LOCMAP50_NO_MAP;
    VnLocMapFile file;
    file.m_fileName = m_mapFileName;
    // Problems found while reading reach m_errorText through the diagnostics.
    const int result = file.readMap();
    m_mapFiles.push_front(std::move(file));
    if (m_errorText.empty()) m_errorText = successLine(m_mapFileName);
    return result;
}
