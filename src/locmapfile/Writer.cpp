// SPDX-License-Identifier: Apache-2.0
// Writes a map file's own record back in the map file layout, and edits that record.
#include <algorithm>
#include <list>
#include <optional>
#include <set>
#include <utility>

#include "paths/NameRules.h"
#include "locmap50/VnLocMapFile.h"
#include "locmapfile/Format.h"
#include "locmapfile/FileSaving.h"
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
    return mapfile::FileSaving::save(*this, toStdout, mapfile::accessAtOnce());
}

namespace locmap50::mapfile {

namespace {

// What a standard save of a file writes, copied from its record.
struct StandardSave {
    std::string fileName;                // as failures name it
    platform::FileName onDisk{std::string()};
    bool read = false;                   // else a new file at fileName
    platform::ContentStamp asRead;
    std::string text;
    std::set<std::string> addedSinceWritten;
    std::set<std::string> changedSinceWritten;
};

// Takes what save writes from the record; LOCMAP50_FAILED (recorded) when
// the file may not be written or the text would not read back.
int takeStandardSave(const VnLocMapFile &file, const FileState *state, bool toStdout, StandardSave &save) {
    // What was never read whole is never written over.
    if (!toStdout && mapfile::loadStateOf(file).read && mapfile::loadStateOf(file).failed)
        return failedWith(LOCMAP50_REASON_NOT_LOADED, file.m_fileName);
    const MeantContent meant = recordContent(file, state);
    save.text = textOf(meant);
    if (const std::optional<std::string> concerned = whatWouldNotReadBack(save.text, meant))
        return failedWith(LOCMAP50_REASON_WOULD_NOT_READ_BACK, toStdout ? std::string() : file.m_fileName,
                          *concerned);
    save.fileName = file.m_fileName;
    save.onDisk = nameOnDisk(file);
    save.read = mapfile::loadStateOf(file).read;
    save.asRead.size = mapfile::loadStateOf(file).contentSize;
    save.asRead.hash = mapfile::loadStateOf(file).contentHash;
    if (state != nullptr) {
        save.addedSinceWritten = state->addedSinceWritten;
        save.changedSinceWritten = state->changedSinceWritten;
    }
    return LOCMAP50_OK;
}

}  // namespace

const RecordAccess &accessAtOnce() {
    static const RecordAccess atOnce = [](const std::function<void()> &step) { step(); };
    return atOnce;
}

int FileSaving::save(VnLocMapFile &file, bool toStdout, const RecordAccess &access) {
    clearLastFailure();
    StandardSave save;
    int taken = LOCMAP50_OK;
    access([&] { taken = takeStandardSave(file, file.m_private.find(), toStdout, save); });
    if (taken != LOCMAP50_OK) return taken;
    // The text is complete before anything is written, so a failed write can
    // only leave the old file in place, never half of the new one.
    if (toStdout) return resultRecordingFailure(platform::writeStandardOutput(save.text), std::string());
    if (!save.read) return resultRecordingFailure(platform::replaceFileWithText(save.fileName, save.text), save.fileName);
    const platform::Result<platform::ContentStamp> written =
        platform::replaceFileIfUnchanged(save.onDisk, save.text, save.asRead);
    if (!written) return resultRecordingFailure(written.status(), save.fileName);
    const std::optional<std::string> identity = platform::fileIdentity(save.onDisk);
    access([&] {
        // The next save compares against this version.
        mapfile::loadStateOf(file).contentSize = written->size;
        mapfile::loadStateOf(file).contentHash = written->hash;
        file.m_private.get().identity = identity;
        // The file now holds them where the record has them; what was added
        // since the text was taken is still to be written.
        std::set<std::string> &added = file.m_private.get().addedSinceWritten;
        for (const std::string &softPrefix : save.addedSinceWritten) added.erase(softPrefix);
        std::set<std::string> &changed = file.m_private.get().changedSinceWritten;
        for (const std::string &softPrefix : save.changedSinceWritten) changed.erase(softPrefix);
    });
    return LOCMAP50_OK;
}

}  // namespace locmap50::mapfile

int VnLocMapFile::changeEntry(std::string softPrefix, std::string hardPaths) {
    mapfile::clearLastFailure();
    std::list<std::string> newPaths = locmap50::paths::splitHardPathList(hardPaths);
    const std::string broken = mapfile::hardPathsRuleBroken(newPaths);
    if (!broken.empty()) return mapfile::refuseEntry(broken);
    const auto entry = m_entryHardPaths.find(softPrefix);
    if (entry != m_entryHardPaths.end()) {
        entry->second = std::move(newPaths);
        m_private.get().changedSinceWritten.insert(softPrefix);
    }
    return LOCMAP50_OK;
}

int VnLocMapFile::deleteEntry(std::string softPrefix) {
    mapfile::clearLastFailure();
    // Removing an include marker would shift every later include line onto
    // the wrong marker and lose the last one, so only soft prefixes go.
    if (softPrefix == kIncludeMarker) return LOCMAP50_OK;
    forgetKeptBlocksOf(softPrefix);
    m_private.get().addedSinceWritten.erase(softPrefix);
    m_private.get().changedSinceWritten.erase(softPrefix);
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
