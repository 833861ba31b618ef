// SPDX-License-Identifier: Apache-2.0
// Edits of one loaded map file, and the layout-keeping save of every file.
#include <algorithm>
#include <optional>
#include <vector>

#include "paths/NameRules.h"
#include "paths/PathRules.h"
#include "locmap50/VnLocMap.h"
#include "locmap/LoadAccount.h"
#include "locmap/LookupIndexes.h"
#include "locmap/MapSaving.h"
#include "locmap/OneFileEdit.h"
#include "locmapfile/Format.h"
#include "locmapfile/LastFailure.h"
#include "locmapfile/NameOnDisk.h"
#include "platform/Platform.h"

namespace {

namespace mapfile = locmap50::mapfile;
namespace paths = locmap50::paths;

bool holdsInRecord(const VnLocMapFile &file, const std::string &softPrefix) {
    return file.m_entryHardPaths.count(softPrefix) != 0;
}

}  // namespace

int VnLocMap::saveKeepingLayout() {
    std::list<std::string> writtenFiles;
    return saveKeepingLayout(writtenFiles);
}

int VnLocMap::saveKeepingLayout(std::list<std::string> &writtenFiles) {
    return locmap50::locmap::saveMapKeepingLayout(*this, writtenFiles, mapfile::accessAtOnce());
}

int locmap50::locmap::saveMapKeepingLayout(VnLocMap &map, std::list<std::string> &writtenFiles,
                                           const mapfile::RecordAccess &access) {
    mapfile::clearLastFailure();
    writtenFiles.clear();
    // A refusal comes before any file is written.
    for (const VnLocMapFile &file : map.m_mapFiles)
        if (mapfile::loadStateOf(file).failed && mapfile::FileSaving::refuseChangesToUnloaded(file, access) != LOCMAP50_OK)
            return LOCMAP50_FAILED;
    for (VnLocMapFile &file : map.m_mapFiles) {
        bool written = false;
        if (mapfile::FileSaving::saveKeepingLayout(file, written, access) != LOCMAP50_OK) return LOCMAP50_FAILED;
        if (written) writtenFiles.push_back(file.m_fileName);
    }
    return LOCMAP50_OK;
}

VnLocMapFile *VnLocMap::loadedMapFile(const std::string &mapFile) {
    return locmap50::locmap::LoadedFileName(mapFile).identifyingFindIn(m_mapFiles);
}

int VnLocMap::changeEntryInFile(std::string mapFile, std::string softPrefix, std::string hardNames) {
    using locmap50::locmap::OneFileEdit;
    return OneFileEdit::run(*this, mapFile, OneFileEdit::Kind::Change, softPrefix, hardNames);
}

int VnLocMap::addEntryToFile(std::string mapFile, std::string softPrefix, std::string hardNames) {
    using locmap50::locmap::OneFileEdit;
    return OneFileEdit::run(*this, mapFile, OneFileEdit::Kind::Add, softPrefix, hardNames);
}

int VnLocMap::deleteEntryFromFile(std::string mapFile, std::string softPrefix) {
    using locmap50::locmap::OneFileEdit;
    return OneFileEdit::run(*this, mapFile, OneFileEdit::Kind::Delete, softPrefix, std::string());
}

namespace locmap50::locmap {

std::optional<int> OneFileEdit::tryOn(VnLocMap &map, const LoadedFileName &name, Kind kind,
                                      const std::string &softPrefix, const std::string &hardNames) {
    mapfile::clearLastFailure();
    VnLocMapFile *file = name.findIn(map.m_mapFiles);
    if (name.worthIdentifying(file)) return std::nullopt;
    if (file == nullptr) return mapfile::failedWith(LOCMAP50_REASON_NOT_FOUND, name.given());
    switch (kind) {
    case Kind::Change:
        return change(map, *file, softPrefix, hardNames);
    case Kind::Add:
        return add(map, *file, softPrefix, hardNames);
    case Kind::Delete:
        break;
    }
    return remove(map, *file, softPrefix);
}

int OneFileEdit::run(VnLocMap &map, const std::string &mapFile, Kind kind, const std::string &softPrefix,
                     const std::string &hardNames) {
    LoadedFileName name(mapFile);
    if (const std::optional<int> result = tryOn(map, name, kind, softPrefix, hardNames)) return *result;
    name.identify();
    return *tryOn(map, name, kind, softPrefix, hardNames);
}

int OneFileEdit::change(VnLocMap &map, VnLocMapFile &file, const std::string &softPrefix,
                        const std::string &hardNames) {
    if (!holdsInRecord(file, softPrefix)) return mapfile::failedWith(LOCMAP50_REASON_NO_SUCH_ENTRY, file.m_fileName);
    const std::list<std::string> hardPaths = paths::splitHardPathList(hardNames);
    const std::string broken = mapfile::entryRuleBroken(softPrefix, hardPaths);
    if (!broken.empty()) return mapfile::refuseEntry(broken, file.m_fileName);
    file.changeEntry(softPrefix, hardNames);
    map.settleFromRecords(softPrefix);
    return LOCMAP50_OK;
}

int OneFileEdit::add(VnLocMap &map, VnLocMapFile &file, const std::string &softPrefix, const std::string &hardNames) {
    // An add must not change which definition wins.
    const bool heldAnywhere = std::any_of(map.m_mapFiles.begin(), map.m_mapFiles.end(), [&](const VnLocMapFile &loaded) {
        return holdsInRecord(loaded, softPrefix);
    });
    if (heldAnywhere || map.m_softToHardMap.count(softPrefix) != 0 || map.holdsSoftPrefix(softPrefix))
        return mapfile::failedWith(LOCMAP50_REASON_ALREADY_PRESENT, file.m_fileName);
    std::list<std::string> hardPaths = paths::splitHardPathList(hardNames);
    const std::string broken = mapfile::entryRuleBroken(softPrefix, hardPaths);
    if (!broken.empty()) return mapfile::refuseEntry(broken, file.m_fileName);
    file.appendEntry(softPrefix, std::move(hardPaths));
    map.settleFromRecords(softPrefix);
    return LOCMAP50_OK;
}

int OneFileEdit::remove(VnLocMap &map, VnLocMapFile &file, const std::string &softPrefix) {
    if (!holdsInRecord(file, softPrefix)) return mapfile::failedWith(LOCMAP50_REASON_NO_SUCH_ENTRY, file.m_fileName);
    file.deleteEntry(softPrefix);
    map.settleFromRecords(softPrefix);
    return LOCMAP50_OK;
}

}  // namespace locmap50::locmap

void VnLocMap::settleFromRecords(const std::string &softPrefix) {
    namespace locmap = locmap50::locmap;
    // The prefix's block in effect, and the first prefix in effect after it
    // that the map lists: the one it stands before.
    class Settled : public locmap::ResolutionSink {
    public:
        Settled(VnLocMap &map, const std::string &softPrefix) : m_map(map), m_softPrefix(softPrefix) {}
        void inEffect(const locmap::RecordBlock &block, const std::vector<std::string> &hardPaths,
                      const locmap::EnvironmentVerdict &verdict) override {
            if (*block.softPrefix == m_softPrefix) {
                file = block.file;
                this->hardPaths.assign(hardPaths.begin(), hardPaths.end());
                this->verdict = verdict;
            } else if (file != nullptr && before == nullptr && m_map.holdsSoftPrefix(*block.softPrefix)) {
                before = block.softPrefix;
            }
        }
        bool wantsHardPaths(const std::string &prefix) const override { return prefix == m_softPrefix; }
        const VnLocMapFile *file = nullptr;
        std::list<std::string> hardPaths;
        locmap::EnvironmentVerdict verdict;
        const std::string *before = nullptr;

    private:
        VnLocMap &m_map;
        const std::string &m_softPrefix;
    };
    Settled settled(*this, softPrefix);
    locmap::resolveRecords(m_mapFiles, settled);
    m_envOverridden.remove(softPrefix);
    if (settled.file == nullptr) {
        removeFirstSoftPrefix(softPrefix);
        indexes().eraseMergedHardPaths(*this, softPrefix);
        indexes().resetPrimaryHardPath(*this, softPrefix, nullptr);
        m_softToFileMap.erase(softPrefix);
        return;
    }
    using Effect = locmap::EnvironmentVerdict::Effect;
    if (settled.verdict.effect != Effect::None) settled.hardPaths = {settled.verdict.hardPath};
    if (settled.verdict.effect == Effect::Overrides) m_envOverridden.push_back(softPrefix);
    placeInOrder(softPrefix, settled.before);
    indexes().resetPrimaryHardPath(*this, softPrefix, &settled.hardPaths.front());
    if (!indexes().replaceMergedHardPaths(*this, softPrefix, settled.hardPaths))
        enterMergedHardPaths(softPrefix, std::move(settled.hardPaths));
    m_softToFileMap[softPrefix] = settled.file->m_fileName;
}

void VnLocMap::placeInOrder(const std::string &softPrefix, const std::string *before) {
    if (indexes().isFollowedBy(*this, softPrefix, before)) return;
    removeFirstSoftPrefix(softPrefix);
    if (before == nullptr)
        appendSoftPrefix(softPrefix);
    else
        indexes().insertSoftPrefixBefore(*this, softPrefix, *before);
}
