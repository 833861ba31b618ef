// Editing of the merged location map and its files, saving every file, and export as one file.
#include "paths/NameRules.h"
#include "locmap50/VnLocMap.h"
#include "locmap/LookupIndexes.h"
#include "locmapfile/Format.h"
#include "platform/Platform.h"

namespace {

namespace mapfile = locmap50::mapfile;

const char kExportComment[] = "#This file is generated as a result of EXPORT command from the tool.";

// Prefix and paths must each stay one line in the files that save writes.
bool fitsInAMapFile(const std::string &softPrefix, const std::string &hardNames) {
    return mapfile::fitsOnOneLine(softPrefix) && mapfile::fitsOnOneLine(hardNames);
}

}  // namespace

int VnLocMap::addEntry(std::string softPrefix, std::string hardNames) {
    // A second definition would be listed twice by save and export while its
    // paths were silently dropped, so a known prefix is refused instead.
    if (m_softToHardMap.count(softPrefix) != 0 || holdsSoftPrefix(softPrefix))
        return LOCMAP50_FAILED;
    if (!fitsInAMapFile(softPrefix, hardNames)) return LOCMAP50_FAILED;
    enterMergedHardPaths(softPrefix, locmap50::paths::splitHardPathList(hardNames));
    appendSoftPrefix(softPrefix);
    if (m_mapFiles.empty()) return LOCMAP50_NO_MAP;

    // New entries always go to the main file, after its own entries.
    m_mapFiles.front().appendEntry(softPrefix, locmap50::paths::splitHardPathList(hardNames));
    return LOCMAP50_OK;
}

int VnLocMap::changeEntry(std::string softPrefix, std::string hardNames) {
    if (!fitsInAMapFile(softPrefix, hardNames)) return LOCMAP50_FAILED;
    indexes().replaceMergedHardPaths(*this, softPrefix, locmap50::paths::splitHardPathList(hardNames));
    for (VnLocMapFile &file : m_mapFiles) file.changeEntry(softPrefix, hardNames);
    return LOCMAP50_OK;
}

int VnLocMap::deleteEntry(std::string softPrefix) {
    removeFirstSoftPrefix(softPrefix);
    indexes().eraseMergedHardPaths(*this, softPrefix);
    for (VnLocMapFile &file : m_mapFiles) file.deleteEntry(softPrefix);
    return LOCMAP50_OK;
}

int VnLocMap::save(bool toStdout) {
    for (VnLocMapFile &file : m_mapFiles)
        if (file.save(toStdout) != LOCMAP50_OK) return LOCMAP50_FAILED;
    return LOCMAP50_OK;
}

int VnLocMap::exportLocMap(std::string fileName, bool toStdout) {
    namespace platform = locmap50::platform;
    std::string text = mapfile::headerText("2", mapfile::ForceMode::Off);
    text += kExportComment;
    text += "\n\n";
    for (const std::string &softPrefix : m_softPrefixOrder) {
        const auto hardPaths = m_softToHardMap.find(softPrefix);
        mapfile::appendEntryText(text, softPrefix,
                                 hardPaths != m_softToHardMap.end() ? &hardPaths->second : nullptr);
    }
    const bool written = toStdout ? platform::writeStandardOutput(text)
                                  : platform::replaceFileWithText(fileName, text);
    return written ? LOCMAP50_OK : LOCMAP50_FAILED;
}
