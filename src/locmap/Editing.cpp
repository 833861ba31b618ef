// SPDX-License-Identifier: Apache-2.0
// Editing of the merged location map and its files, saving every file, and export as one file.
#include <algorithm>
#include <list>
#include <optional>

#include "paths/NameRules.h"
#include "locmap50/VnLocMap.h"
#include "locmap/LoadedFileName.h"
#include "locmap/LookupIndexes.h"
#include "locmap/MapSaving.h"
#include "locmapfile/Format.h"
#include "locmapfile/LastFailure.h"
#include "locmapfile/NameOnDisk.h"
#include "locmapfile/ReadBack.h"
#include "platform/Platform.h"

namespace {

namespace mapfile = locmap50::mapfile;

const char kExportComment[] = "#This file is generated as a result of EXPORT command from the tool.";

// Prefix and paths must read back from the files that save and export write
// as what they are, never as another entry, an include or a cut-short path:
// LOCMAP50_OK when they do, the refusal recorded otherwise.
int refusalUnlessFitsInAMapFile(const std::string &softPrefix, const std::string &hardNames) {
    const std::list<std::string> hardPaths = locmap50::paths::splitHardPathList(hardNames);
    const std::string broken = mapfile::entryRuleBroken(softPrefix, hardPaths);
    return broken.empty() ? LOCMAP50_OK : mapfile::refuseEntry(broken);
}

// The merged map as the export writes it: every prefix in order, with the
// hard paths it has now.
mapfile::MeantContent mergedContent(const std::list<std::string> &softPrefixOrder,
                                    const std::map<std::string, std::list<std::string>> &softToHardMap) {
    mapfile::MeantContent meant;
    meant.version = "2";
    meant.items.reserve(softPrefixOrder.size());
    for (const std::string &softPrefix : softPrefixOrder) {
        const auto hardPaths = softToHardMap.find(softPrefix);
        meant.items.push_back(mapfile::MeantItem{mapfile::MeantItem::Kind::Entry, &softPrefix,
                                                 hardPaths != softToHardMap.end() ? &hardPaths->second : nullptr});
    }
    return meant;
}

}  // namespace

int VnLocMap::addEntry(std::string softPrefix, std::string hardNames) {
    mapfile::clearLastFailure();
    // A second definition would be listed twice by save and export while its
    // paths were silently dropped, so a known prefix is refused instead.
    if (m_softToHardMap.count(softPrefix) != 0 || holdsSoftPrefix(softPrefix))
        return mapfile::failedWith(LOCMAP50_REASON_ALREADY_PRESENT);
    if (const int refused = refusalUnlessFitsInAMapFile(softPrefix, hardNames); refused != LOCMAP50_OK) return refused;
    enterMergedHardPaths(softPrefix, locmap50::paths::splitHardPathList(hardNames));
    appendSoftPrefix(softPrefix);
    if (m_mapFiles.empty()) return LOCMAP50_NO_MAP;

    // New entries always go to the main file, after its own entries.
    m_mapFiles.front().appendEntry(softPrefix, locmap50::paths::splitHardPathList(hardNames));
    return LOCMAP50_OK;
}

int VnLocMap::changeEntry(std::string softPrefix, std::string hardNames) {
    mapfile::clearLastFailure();
    if (const int refused = refusalUnlessFitsInAMapFile(softPrefix, hardNames); refused != LOCMAP50_OK) return refused;
    indexes().replaceMergedHardPaths(*this, softPrefix, locmap50::paths::splitHardPathList(hardNames));
    for (VnLocMapFile &file : m_mapFiles) file.changeEntry(softPrefix, hardNames);
    return LOCMAP50_OK;
}

int VnLocMap::deleteEntry(std::string softPrefix) {
    mapfile::clearLastFailure();
    removeFirstSoftPrefix(softPrefix);
    indexes().eraseMergedHardPaths(*this, softPrefix);
    for (VnLocMapFile &file : m_mapFiles) file.deleteEntry(softPrefix);
    return LOCMAP50_OK;
}

int VnLocMap::save(bool toStdout) {
    return locmap50::locmap::saveMap(*this, toStdout, mapfile::accessAtOnce());
}

int VnLocMap::exportLocMap(std::string fileName, bool toStdout) {
    return locmap50::locmap::exportMap(*this, fileName, toStdout, mapfile::accessAtOnce());
}

int locmap50::locmap::saveMap(VnLocMap &map, bool toStdout, const mapfile::RecordAccess &access) {
    mapfile::clearLastFailure();
    // A file that did not load whole is never written; then none is, so the
    // files never end up half from this save and half from before.
    const auto notLoaded = std::find_if(map.m_mapFiles.begin(), map.m_mapFiles.end(),
                                        [](const VnLocMapFile &file) { return mapfile::loadStateOf(file).failed; });
    if (!toStdout && notLoaded != map.m_mapFiles.end())
        return mapfile::failedWith(LOCMAP50_REASON_NOT_LOADED, notLoaded->m_fileName);
    for (VnLocMapFile &file : map.m_mapFiles)
        if (mapfile::FileSaving::save(file, toStdout, access) != LOCMAP50_OK) return LOCMAP50_FAILED;
    return LOCMAP50_OK;
}

namespace {

// What an export writes, copied from the map: the text, and when the target
// is a loaded map file, its name on disk and what it held when read.
struct ExportWork {
    std::string text;
    std::optional<locmap50::platform::FileName> loadedFile;
    locmap50::platform::ContentStamp asRead;
};

int takeExport(VnLocMap &map, const locmap50::locmap::LoadedFileName *target, ExportWork &work) {
    const mapfile::MeantContent meant = mergedContent(map.m_softPrefixOrder, map.m_softToHardMap);
    work.text = mapfile::textOf(meant, std::string(kExportComment) + "\n\n");
    // A value taken from the environment may hold what no map file line can.
    if (const std::optional<std::string> concerned = mapfile::whatWouldNotReadBack(work.text, meant))
        return mapfile::failedWith(LOCMAP50_REASON_WOULD_NOT_READ_BACK,
                                   target != nullptr ? target->given() : std::string(), *concerned);
    if (target == nullptr) return LOCMAP50_OK;
    const VnLocMapFile *loaded = target->findIn(map.m_mapFiles);
    if (loaded == nullptr || mapfile::loadStateOf(*loaded).absolutePath.empty()) return LOCMAP50_OK;
    work.loadedFile = mapfile::nameOnDisk(*loaded);
    work.asRead.size = mapfile::loadStateOf(*loaded).contentSize;
    work.asRead.hash = mapfile::loadStateOf(*loaded).contentHash;
    return LOCMAP50_OK;
}

}  // namespace

int locmap50::locmap::exportMap(VnLocMap &map, const std::string &fileName, bool toStdout,
                                const mapfile::RecordAccess &access) {
    namespace platform = locmap50::platform;
    mapfile::clearLastFailure();
    std::optional<LoadedFileName> target;
    if (!toStdout) {
        // Whether the target is a loaded map file, as far as its spelling
        // tells; when it does not, the disk is asked outside access.
        target.emplace(fileName);
        bool worthIdentifying = false;
        access([&] { worthIdentifying = target->worthIdentifying(target->findIn(map.m_mapFiles)); });
        if (worthIdentifying) target->identify();
    }
    ExportWork work;
    int taken = LOCMAP50_OK;
    access([&] { taken = takeExport(map, target ? &*target : nullptr, work); });
    if (taken != LOCMAP50_OK) return taken;
    if (toStdout) return mapfile::resultRecordingFailure(platform::writeStandardOutput(work.text), std::string());
    // Over a loaded map file, as over a save: only while it holds what was read.
    if (!work.loadedFile)
        return mapfile::resultRecordingFailure(platform::replaceFileWithText(fileName, work.text), fileName);
    return mapfile::resultRecordingFailure(
        platform::replaceFileIfUnchanged(*work.loadedFile, work.text, work.asRead).status(), fileName);
}

int VnLocMap::lastFailure(int &reason, std::string &file) {
    const mapfile::FailureRecord &record = mapfile::lastFailure();
    reason = record.reason;
    file = record.file;
    return record.reason != LOCMAP50_REASON_NONE ? LOCMAP50_OK : LOCMAP50_FAILED;
}
