// SPDX-License-Identifier: Apache-2.0
// Hard-to-soft translation: getSoftName through the map's hard path index, then the environment table's.
#include "locmap/LookupIndexes.h"
#include "locmap/MapState.h"
#include "locmap/Translations.h"
#include "locmap50/VnLocMap.h"
#include "paths/NameRules.h"
#include "paths/PathRules.h"

namespace paths = locmap50::paths;
using locmap50::locmap::EnvironmentEntry;
using locmap50::locmap::EnvironmentTableIndex;
using locmap50::locmap::MergedEntry;
using locmap50::locmap::TranslatedName;
using locmap50::locmap::Translations;

namespace {

// The index finds the earliest entry holding a hard path over the path, and
// the tail under that entry's first such hard path: the first-match answer.
std::string_view headFor(const std::string &softPrefix) {
    // The current project is written relative: "." instead of its soft prefix.
    return paths::isCurrentProjectPrefix(softPrefix) ? std::string_view(".") : std::string_view(softPrefix);
}

}  // namespace

int Translations::softName(VnLocMap &map, std::string &path, TranslatedName &result) {
    if (paths::isUrl(path)) {
        result.set(path);
        return LOCMAP50_OK;
    }
    path = paths::toHardPathForm(std::move(path));
    if (paths::passesThroughAsSoftName(path)) {
        result.set(path);
        return LOCMAP50_OK;
    }
    // A relative path lies under no hard path.
    if (VnLocMap::isPathRelative(path)) return LOCMAP50_FAILED;

    // Definition order decides, not the longest match.
    std::size_t tail = 0;
    if (const MergedEntry *entry = map.indexes().earliestEntryOver(map, path, tail)) {
        result.set(headFor(entry->first), std::string_view(path).substr(tail));
        return LOCMAP50_OK;
    }
    // Every hard path tried and failed leaves the path as the result.
    if (map.indexes().anyHardPathExamined(map)) result.set(path);
    return softNameFromEnvironmentTable(path, result);
}

int Translations::softNameFromEnvironmentTable(const std::string &path, TranslatedName &result) {
    if (VnLocMap::isPathRelative(path)) return LOCMAP50_FAILED;
    std::size_t tailPosition = 0;
    const EnvironmentEntry *entry = EnvironmentTableIndex::instance().earliestEntryOver(path, tailPosition);
    if (entry == nullptr) {
        if (!VnLocMap::s_envHardToSoftMap.empty()) result.set(path);
        return LOCMAP50_FAILED;
    }
    const std::string_view tail = std::string_view(path).substr(tailPosition);
    if (entry->second == paths::kCurrentProjectVariable)
        result.set(".", tail);
    else
        result.set("$", entry->second, tail);
    return LOCMAP50_OK;
}

int VnLocMap::getSoftName(std::string path, std::string &softName) {
    TranslatedName result;
    const int code = Translations::softName(*this, path, result);
    if (result.isSet()) result.assignTo(softName);
    return code;
}

int VnLocMap::getSoftNameFromEnv(std::string path, std::string &softName) {
    TranslatedName result;
    const int code = Translations::softNameFromEnvironmentTable(path, result);
    if (result.isSet()) result.assignTo(softName);
    return code;
}

bool Translations::readyForSharedLookups(const VnLocMap *map) {
    if (!EnvironmentTableIndex::instance().describesTable()) return false;
    if (map == nullptr) return true;
    const locmap50::locmap::MapState *state = map->m_private.find();
    if (state == nullptr) return false;
    const locmap50::locmap::LookupIndexes *indexes = state->indexes.find();
    return indexes != nullptr && indexes->describes(*map);
}

void Translations::prepareSharedLookups(VnLocMap *map) {
    EnvironmentTableIndex::instance().syncWithTable();
    if (map == nullptr) return;
    map->indexes().syncWith(*map);
    noteMemoContents(*map);
}
