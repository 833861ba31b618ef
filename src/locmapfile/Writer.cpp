// Writes a map file's own record back in the map file layout, and edits that record.
#include <algorithm>
#include <utility>

#include "paths/NameRules.h"
#include "locmap50/VnLocMapFile.h"
#include "locmapfile/Format.h"
#include "locmapfile/ListPositions.h"
#include "platform/Platform.h"

namespace {

using locmap50::mapfile::kIncludeMarker;

// The whole file text: header, then each entry in file order followed by an
// empty line. The n-th include marker stands for the n-th include line; a
// marker with no line left writes only its empty line.
std::string recordText(const VnLocMapFile &file) {
    std::string text = locmap50::mapfile::headerText(
        file.m_version, file.m_force ? locmap50::mapfile::ForceMode::On : locmap50::mapfile::ForceMode::Off);
    auto nextIncludeLine = file.m_includeLines.begin();
    for (const std::string &entry : file.m_entryOrder) {
        if (entry == kIncludeMarker) {
            if (nextIncludeLine != file.m_includeLines.end()) text += *nextIncludeLine++ + "\n";
            text += '\n';
            continue;
        }
        const auto hardPaths = file.m_entryHardPaths.find(entry);
        locmap50::mapfile::appendEntryText(
            text, entry, hardPaths != file.m_entryHardPaths.end() ? &hardPaths->second : nullptr);
    }
    return text;
}

}  // namespace

int VnLocMapFile::save(bool toStdout) {
    namespace platform = locmap50::platform;
    const std::string text = recordText(*this);
    // The text is complete before anything is written, so a failed write can
    // only leave the old file in place, never half of the new one.
    const bool written = toStdout ? platform::writeStandardOutput(text)
                                  : platform::replaceFileWithText(m_fileName, text);
    return written ? LOCMAP50_OK : LOCMAP50_FAILED;
}

int VnLocMapFile::changeEntry(std::string softPrefix, std::string hardPaths) {
    if (!locmap50::mapfile::fitsOnOneLine(hardPaths)) return LOCMAP50_FAILED;
    const auto entry = m_entryHardPaths.find(softPrefix);
    if (entry != m_entryHardPaths.end())
        entry->second = locmap50::paths::splitHardPathList(hardPaths);
    return LOCMAP50_OK;
}

int VnLocMapFile::deleteEntry(std::string softPrefix) {
    // Removing an include marker would shift every later include line onto
    // the wrong marker and lose the last one, so only soft prefixes go.
    if (softPrefix == kIncludeMarker) return 0;
    entryPositions().removeFirst(m_entryOrder, softPrefix);
    m_entryHardPaths.erase(softPrefix);
    return 0;
}

void VnLocMapFile::appendEntry(const std::string &softPrefix, std::list<std::string> hardPaths) {
    if (m_entryHardPaths.emplace(softPrefix, std::move(hardPaths)).second)
        entryPositions().append(m_entryOrder, softPrefix);
}

locmap50::mapfile::ListPositions &VnLocMapFile::entryPositions() {
    locmap50::mapfile::ListPositions &positions = m_entryPositions.get();
    if (!positions.describes(m_entryOrder)) positions.rebuild(m_entryOrder);
    return positions;
}
