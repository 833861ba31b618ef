// Writes a map file's own record back in the map file layout, and edits that record.
#include <algorithm>
#include <list>
#include <optional>
#include <utility>

#include "paths/NameRules.h"
#include "locmap50/VnLocMapFile.h"
#include "locmapfile/Format.h"
#include "locmapfile/FileState.h"
#include "locmapfile/LastFailure.h"
#include "locmapfile/ListPositions.h"
#include "locmapfile/NameOnDisk.h"
#include "platform/Platform.h"

namespace {

using locmap50::mapfile::kIncludeMarker;
namespace mapfile = locmap50::mapfile;
namespace platform = locmap50::platform;

// A record with neither version nor force (a comment-only file, or one never
// read) still needs a header that reads back.
const char kVersionOfUnversionedFiles[] = "2";

// The kept blocks that stood right after anchor, each in the entry layout.
void appendKeptBlocks(std::string &text, const mapfile::FileState *state, const mapfile::KeptBlockAnchor &anchor) {
    if (state == nullptr || state->keptBlocks.empty()) return;
    const auto kept = state->keptBlocks.find(anchor);
    if (kept == state->keptBlocks.end()) return;
    for (const mapfile::KeptBlock &block : kept->second)
        mapfile::appendEntryText(text, block.softPrefix, &block.hardPaths);
}

// The whole file text: header, then each entry in file order followed by an
// empty line, each kept block after the entry it followed. The n-th include
// marker stands for the n-th include line; a marker with no line left writes
// only its empty line.
std::string recordText(const VnLocMapFile &file, const mapfile::FileState *state) {
    const bool unversioned = file.m_version.empty() && !file.m_force;
    std::string text = mapfile::headerText(unversioned ? kVersionOfUnversionedFiles : file.m_version,
                                           file.m_force ? mapfile::ForceMode::On : mapfile::ForceMode::Off);
    appendKeptBlocks(text, state, mapfile::KeptBlockAnchor());
    auto nextIncludeLine = file.m_includeLines.begin();
    unsigned includeMarkers = 0;
    for (const std::string &entry : file.m_entryOrder) {
        if (entry == kIncludeMarker) {
            if (nextIncludeLine != file.m_includeLines.end()) text += *nextIncludeLine++ + "\n";
            text += '\n';
            appendKeptBlocks(text, state, mapfile::KeptBlockAnchor(entry, includeMarkers++));
            continue;
        }
        const auto hardPaths = file.m_entryHardPaths.find(entry);
        locmap50::mapfile::appendEntryText(
            text, entry, hardPaths != file.m_entryHardPaths.end() ? &hardPaths->second : nullptr);
        appendKeptBlocks(text, state, mapfile::KeptBlockAnchor(entry, 0));
    }
    return text;
}

// The anchor of the element before `entry` in order (the start when none).
mapfile::KeptBlockAnchor anchorBefore(const std::list<std::string> &order, const std::string &entry) {
    mapfile::KeptBlockAnchor anchor;
    unsigned includeMarkers = 0;
    for (const std::string &element : order) {
        if (element == entry) break;
        anchor = mapfile::KeptBlockAnchor(element, element == kIncludeMarker ? includeMarkers++ : 0);
    }
    return anchor;
}

}  // namespace

int VnLocMapFile::save(bool toStdout) {
    mapfile::clearLastFailure();
    const std::string text = recordText(*this, m_private.find());
    // The text is complete before anything is written, so a failed write can
    // only leave the old file in place, never half of the new one.
    if (toStdout) return mapfile::resultRecordingFailure(platform::writeStandardOutput(text), std::string());
    if (!m_loadState.read)
        return mapfile::resultRecordingFailure(platform::replaceFileWithText(m_fileName, text), m_fileName);
    // What was never read whole is never written over.
    if (m_loadState.failed) return mapfile::failedWith(LOCMAP50_REASON_NOT_LOADED, m_fileName);
    platform::ContentStamp asRead;
    asRead.size = m_loadState.contentSize;
    asRead.hash = m_loadState.contentHash;
    const platform::Result<platform::ContentStamp> written =
        platform::replaceFileIfUnchanged(mapfile::nameOnDisk(*this), text, asRead);
    if (!written) return mapfile::resultRecordingFailure(written.status(), m_fileName);
    // The next save compares against this version.
    m_loadState.contentSize = written->size;
    m_loadState.contentHash = written->hash;
    return LOCMAP50_OK;
}

int VnLocMapFile::changeEntry(std::string softPrefix, std::string hardPaths) {
    mapfile::clearLastFailure();
    std::list<std::string> newPaths = locmap50::paths::splitHardPathList(hardPaths);
    if (!mapfile::hardPathsReadBack(newPaths))
        return mapfile::failedWith(LOCMAP50_REASON_INVALID_INPUT);
    const auto entry = m_entryHardPaths.find(softPrefix);
    if (entry != m_entryHardPaths.end()) entry->second = std::move(newPaths);
    return LOCMAP50_OK;
}

int VnLocMapFile::deleteEntry(std::string softPrefix) {
    mapfile::clearLastFailure();
    // Removing an include marker would shift every later include line onto
    // the wrong marker and lose the last one, so only soft prefixes go.
    if (softPrefix == kIncludeMarker) return LOCMAP50_OK;
    forgetKeptBlocksOf(softPrefix);
    entryPositions().removeFirst(m_entryOrder, softPrefix);
    m_entryHardPaths.erase(softPrefix);
    return LOCMAP50_OK;
}

void VnLocMapFile::appendEntry(const std::string &softPrefix, std::list<std::string> hardPaths) {
    if (m_entryHardPaths.emplace(softPrefix, std::move(hardPaths)).second)
        entryPositions().append(m_entryOrder, softPrefix);
}

locmap50::mapfile::ListPositions &VnLocMapFile::entryPositions() {
    locmap50::mapfile::ListPositions &positions = m_private.get().entryPositions.get();
    if (!positions.describes(m_entryOrder)) positions.rebuild(m_entryOrder);
    return positions;
}

std::list<std::string> &VnLocMapFile::keepBlock(const std::string &softPrefix) {
    mapfile::KeptBlockAnchor anchor;
    if (!m_entryOrder.empty()) {
        anchor.first = m_entryOrder.back();
        if (anchor.first == kIncludeMarker) anchor.second = static_cast<unsigned>(m_includeLines.size() - 1);
    }
    mapfile::FileState &state = m_private.get();
    ++state.keptBlockCounts[softPrefix];
    std::list<mapfile::KeptBlock> &blocks = state.keptBlocks[anchor];
    blocks.push_back(mapfile::KeptBlock{softPrefix, {}});
    return blocks.back().hardPaths;
}

unsigned VnLocMapFile::keptBlockCount(const std::string &softPrefix) const {
    const mapfile::FileState *state = m_private.find();
    if (state == nullptr || state->keptBlockCounts.empty()) return 0;
    const auto count = state->keptBlockCounts.find(softPrefix);
    return count != state->keptBlockCounts.end() ? count->second : 0;
}

void VnLocMapFile::forgetKeptBlocksOf(const std::string &softPrefix) {
    mapfile::FileState &state = m_private.get();
    state.recordBlockOrdinals.erase(softPrefix);
    if (state.keptBlockCounts.erase(softPrefix) == 0 && state.keptBlocks.empty()) return;
    // What stood after the entry now stands after the one before it.
    const auto following = state.keptBlocks.find(mapfile::KeptBlockAnchor(softPrefix, 0));
    if (following != state.keptBlocks.end()) {
        std::list<mapfile::KeptBlock> moved = std::move(following->second);
        state.keptBlocks.erase(following);
        std::list<mapfile::KeptBlock> &before = state.keptBlocks[anchorBefore(m_entryOrder, softPrefix)];
        before.splice(before.end(), moved);
    }
    for (auto anchor = state.keptBlocks.begin(); anchor != state.keptBlocks.end();) {
        anchor->second.remove_if([&](const mapfile::KeptBlock &block) { return block.softPrefix == softPrefix; });
        anchor = anchor->second.empty() ? state.keptBlocks.erase(anchor) : std::next(anchor);
    }
}
