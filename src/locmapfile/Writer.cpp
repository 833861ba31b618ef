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
#include "locmapfile/ReadBack.h"
#include "platform/Platform.h"

namespace {

using locmap50::mapfile::kIncludeMarker;
namespace mapfile = locmap50::mapfile;
namespace platform = locmap50::platform;

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
    // What was never read whole is never written over.
    if (!toStdout && m_loadState.read && m_loadState.failed)
        return mapfile::failedWith(LOCMAP50_REASON_NOT_LOADED, m_fileName);
    const mapfile::MeantContent meant = mapfile::recordContent(*this, m_private.find());
    const std::string text = mapfile::textOf(meant);
    if (const std::optional<std::string> concerned = mapfile::whatWouldNotReadBack(text, meant))
        return mapfile::failedWith(LOCMAP50_REASON_WOULD_NOT_READ_BACK, toStdout ? std::string() : m_fileName,
                                   *concerned);
    // The text is complete before anything is written, so a failed write can
    // only leave the old file in place, never half of the new one.
    if (toStdout) return mapfile::resultRecordingFailure(platform::writeStandardOutput(text), std::string());
    if (!m_loadState.read)
        return mapfile::resultRecordingFailure(platform::replaceFileWithText(m_fileName, text), m_fileName);
    platform::ContentStamp asRead;
    asRead.size = m_loadState.contentSize;
    asRead.hash = m_loadState.contentHash;
    const platform::Result<platform::ContentStamp> written =
        platform::replaceFileIfUnchanged(mapfile::nameOnDisk(*this), text, asRead);
    if (!written) return mapfile::resultRecordingFailure(written.status(), m_fileName);
    // The next save compares against this version.
    m_loadState.contentSize = written->size;
    m_loadState.contentHash = written->hash;
    // The file now holds them where the record has them.
    if (m_private.find() != nullptr) m_private.get().addedSinceWritten.clear();
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
    m_private.get().addedSinceWritten.erase(softPrefix);
    entryPositions().removeFirst(m_entryOrder, softPrefix);
    m_entryHardPaths.erase(softPrefix);
    return LOCMAP50_OK;
}

void VnLocMapFile::appendEntry(const std::string &softPrefix, std::list<std::string> hardPaths) {
    if (!m_entryHardPaths.emplace(softPrefix, std::move(hardPaths)).second) return;
    entryPositions().append(m_entryOrder, softPrefix);
    mapfile::FileState &state = m_private.get();
    state.addedSinceWritten.insert(softPrefix);
    // Once written, it follows every block of the prefix that the file keeps apart.
    if (const unsigned kept = keptBlockCount(softPrefix); kept > 0) state.recordBlockOrdinals[softPrefix] = kept;
}

// Built by the first delete, not by the load: a map that is only read pays
// nothing for it.
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
