// Edits of one loaded map file, and the layout-keeping save of every file.
#include <algorithm>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "paths/NameRules.h"
#include "paths/PathRules.h"
#include "locmap50/VnLocMap.h"
#include "locmap/LookupIndexes.h"
#include "locmapfile/Format.h"
#include "locmapfile/LastFailure.h"
#include "locmapfile/NameOnDisk.h"
#include "platform/Environment.h"
#include "platform/Platform.h"

namespace {

namespace mapfile = locmap50::mapfile;
namespace platform = locmap50::platform;

bool holdsInRecord(const VnLocMapFile &file, const std::string &softPrefix) {
    return file.m_entryHardPaths.count(softPrefix) != 0;
}

// The file whose record defines softPrefix first when the files are read as
// a load reads them: each file's entries in order, an included file at its
// include line. Null when none does.
const VnLocMapFile *firstDefinitionIn(const std::list<VnLocMapFile> &files, const std::string &softPrefix) {
    if (files.empty()) return nullptr;
    std::unordered_map<std::string, const VnLocMapFile *> byName;
    for (const VnLocMapFile &file : files) byName.emplace(file.m_fileName, &file);
    struct Reading {
        const VnLocMapFile *file;
        std::list<std::string>::const_iterator entry;
        std::list<std::string>::const_iterator includeLine;
    };
    std::unordered_set<const VnLocMapFile *> read{&files.front()};
    std::vector<Reading> stack{{&files.front(), files.front().m_entryOrder.begin(), files.front().m_includeLines.begin()}};
    while (!stack.empty()) {
        Reading &reading = stack.back();
        if (reading.entry == reading.file->m_entryOrder.end()) {
            stack.pop_back();
            continue;
        }
        const std::string &entry = *reading.entry++;
        if (entry == mapfile::kIncludeMarker) {
            if (reading.includeLine == reading.file->m_includeLines.end()) continue;
            const std::string name = locmap50::paths::toHostFileName(mapfile::includePath(*reading.includeLine++));
            const auto included = byName.find(name);
            if (included != byName.end() && read.insert(included->second).second)
                stack.push_back({included->second, included->second->m_entryOrder.begin(),
                                 included->second->m_includeLines.begin()});
            continue;
        }
        if (entry == softPrefix) return reading.file;
    }
    return nullptr;
}

}  // namespace

int VnLocMap::saveKeepingLayout() {
    std::list<std::string> writtenFiles;
    return saveKeepingLayout(writtenFiles);
}

int VnLocMap::saveKeepingLayout(std::list<std::string> &writtenFiles) {
    mapfile::clearLastFailure();
    writtenFiles.clear();
    // A refusal comes before any file is written.
    for (VnLocMapFile &file : m_mapFiles) {
        if (!file.m_loadState.failed) continue;
        std::string text;
        std::vector<VnLineChange> changes;
        if (file.previewKeepingLayout(text, changes) != LOCMAP50_OK) return LOCMAP50_FAILED;
    }
    for (VnLocMapFile &file : m_mapFiles) {
        bool written = false;
        if (file.saveKeepingLayout(written) != LOCMAP50_OK) return LOCMAP50_FAILED;
        if (written) writtenFiles.push_back(file.m_fileName);
    }
    return LOCMAP50_OK;
}

VnLocMapFile *VnLocMap::loadedMapFile(const std::string &mapFile) {
    const platform::Result<std::string> wanted = platform::fileIdentity(mapFile);
    if (!wanted) return nullptr;
    for (VnLocMapFile &file : m_mapFiles)
        if (platform::fileIdentity(mapfile::nameOnDisk(file)) == wanted) return &file;
    return nullptr;
}

int VnLocMap::changeEntryInFile(std::string mapFile, std::string softPrefix, std::string hardNames) {
    mapfile::clearLastFailure();
    VnLocMapFile *file = loadedMapFile(mapFile);
    if (file == nullptr) return mapfile::failedWith(LOCMAP50_REASON_NOT_FOUND, mapFile);
    if (!holdsInRecord(*file, softPrefix)) return mapfile::failedWith(LOCMAP50_REASON_NO_SUCH_ENTRY, file->m_fileName);
    std::list<std::string> hardPaths = locmap50::paths::splitHardPathList(hardNames);
    if (!mapfile::entryReadsBack(softPrefix, hardPaths)) return mapfile::failedWith(LOCMAP50_REASON_INVALID_INPUT);
    file->changeEntry(softPrefix, hardNames);
    const auto definedBy = m_softToFileMap.find(softPrefix);
    if (definedBy != m_softToFileMap.end() && definedBy->second == file->m_fileName)
        indexes().replaceMergedHardPaths(*this, softPrefix, std::move(hardPaths));
    return LOCMAP50_OK;
}

int VnLocMap::addEntryToFile(std::string mapFile, std::string softPrefix, std::string hardNames) {
    mapfile::clearLastFailure();
    VnLocMapFile *file = loadedMapFile(mapFile);
    if (file == nullptr) return mapfile::failedWith(LOCMAP50_REASON_NOT_FOUND, mapFile);
    // An add must not change which definition wins.
    const bool heldAnywhere = std::any_of(m_mapFiles.begin(), m_mapFiles.end(), [&](const VnLocMapFile &loaded) {
        return holdsInRecord(loaded, softPrefix);
    });
    if (heldAnywhere || m_softToHardMap.count(softPrefix) != 0 || holdsSoftPrefix(softPrefix))
        return mapfile::failedWith(LOCMAP50_REASON_ALREADY_PRESENT, file->m_fileName);
    std::list<std::string> hardPaths = locmap50::paths::splitHardPathList(hardNames);
    if (!mapfile::entryReadsBack(softPrefix, hardPaths)) return mapfile::failedWith(LOCMAP50_REASON_INVALID_INPUT);
    file->appendEntry(softPrefix, hardPaths);
    enterMergedHardPaths(softPrefix, std::move(hardPaths));
    appendSoftPrefix(softPrefix);
    m_softToFileMap[softPrefix] = file->m_fileName;
    return LOCMAP50_OK;
}

int VnLocMap::deleteEntryFromFile(std::string mapFile, std::string softPrefix) {
    mapfile::clearLastFailure();
    VnLocMapFile *file = loadedMapFile(mapFile);
    if (file == nullptr) return mapfile::failedWith(LOCMAP50_REASON_NOT_FOUND, mapFile);
    if (!holdsInRecord(*file, softPrefix)) return mapfile::failedWith(LOCMAP50_REASON_NO_SUCH_ENTRY, file->m_fileName);
    file->deleteEntry(softPrefix);
    const auto definedBy = m_softToFileMap.find(softPrefix);
    if (definedBy != m_softToFileMap.end() && definedBy->second == file->m_fileName) takeNextDefinition(softPrefix);
    return LOCMAP50_OK;
}

void VnLocMap::takeNextDefinition(const std::string &softPrefix) {
    const VnLocMapFile *next = firstDefinitionIn(m_mapFiles, softPrefix);
    if (next == nullptr) {
        removeFirstSoftPrefix(softPrefix);
        indexes().eraseMergedHardPaths(*this, softPrefix);
        indexes().resetPrimaryHardPath(*this, softPrefix, nullptr);
        m_softToFileMap.erase(softPrefix);
        return;
    }
    std::list<std::string> hardPaths = next->m_entryHardPaths.at(softPrefix);
    // As a load would: the environment overrides or supplies a file without
    // force, its variable found by the system's name rule, as the loader finds it.
    if (!next->m_force) {
        const std::optional<std::string> value =
            locmap50::platform::getEnvironmentVariable(std::string_view(softPrefix).substr(1));
        if (value && mapfile::fitsOnOneLine(*value)) hardPaths = {locmap50::paths::toHardPathForm(*value)};
    }
    const std::string *primary = hardPaths.empty() ? nullptr : &hardPaths.front();
    indexes().resetPrimaryHardPath(*this, softPrefix, primary);
    if (!indexes().replaceMergedHardPaths(*this, softPrefix, hardPaths)) enterMergedHardPaths(softPrefix, hardPaths);
    m_softToFileMap[softPrefix] = next->m_fileName;
}
