// SPDX-License-Identifier: Apache-2.0
// The layout-keeping save of one map file: only the lines its record's changes concern are written.
#include "locmap50/VnLocMapFile.h"

#include <set>

#include "locmapfile/FileSaving.h"
#include "locmapfile/FileState.h"
#include "locmapfile/LastFailure.h"
#include "locmapfile/Layout.h"
#include "locmapfile/NameOnDisk.h"
#include "locmapfile/ReadBack.h"
#include "platform/Platform.h"

namespace {

namespace mapfile = locmap50::mapfile;
namespace platform = locmap50::platform;

VnLineChange publicChange(const mapfile::LineChange &change) {
    VnLineChange line;
    line.firstLine = static_cast<int>(change.firstLine);
    line.lineCount = static_cast<int>(change.lineCount);
    line.newText = change.text;
    return line;
}

// What of the file's record the changed text would not read back as.
std::optional<std::string> notReadingBack(const VnLocMapFile &file, const mapfile::FileState *state,
                                          const std::string &text) {
    return mapfile::whatWouldNotReadBack(text, mapfile::recordContent(file, state));
}

}  // namespace

int VnLocMapFile::saveKeepingLayout() {
    bool written = false;
    return saveKeepingLayout(written);
}

int VnLocMapFile::saveKeepingLayout(bool &written) {
    return mapfile::FileSaving::saveKeepingLayout(*this, written, mapfile::accessAtOnce());
}

namespace locmap50::mapfile {

int FileSaving::refuseChangesToUnloaded(const VnLocMapFile &file, const RecordAccess &access) {
    // What was never read whole is never written over; with no change it
    // needs no writing either.
    const platform::Result<std::string> text = platform::readRegularFile(nameOnDisk(file));
    if (!text) return LOCMAP50_OK;
    bool unchanged = false;
    access([&] { unchanged = layoutChanges(file, file.m_private.find(), *text).empty(); });
    return unchanged ? LOCMAP50_OK : failedWith(LOCMAP50_REASON_NOT_LOADED, file.m_fileName);
}

// The file is read under its save lock and outside the map's lock; the
// record is consulted, under it, only to turn those bytes into new ones.
int FileSaving::saveKeepingLayout(VnLocMapFile &file, bool &written, const RecordAccess &access) {
    clearLastFailure();
    written = false;
    // A load, which alone changes these, never runs during a save.
    const LoadState &loadState = loadStateOf(file);
    if (!loadState.read) return failedWith(LOCMAP50_REASON_NOT_LOADED, file.m_fileName);
    if (loadState.failed) return refuseChangesToUnloaded(file, access);
    const platform::FileName onDisk = nameOnDisk(file);
    platform::ContentStamp asRead;
    asRead.size = loadState.contentSize;
    asRead.hash = loadState.contentHash;
    // The spans are those of the bytes read under the lock, never of the load.
    std::optional<std::string> concerned;
    std::set<std::string> addedSinceWritten;
    std::set<std::string> changedSinceWritten;
    const platform::Result<std::optional<platform::ContentStamp>> saved = platform::editFileIfUnchanged(
        onDisk, asRead, [&](const std::string &current) -> platform::Result<std::optional<std::string>> {
            std::optional<std::string> text;
            access([&] {
                const FileState *state = file.m_private.find();
                const std::vector<LineChange> changes = layoutChanges(file, state, current);
                if (changes.empty()) return;
                text = withChanges(current, changes);
                concerned = notReadingBack(file, state, *text);
                if (state == nullptr) return;
                addedSinceWritten = state->addedSinceWritten;
                changedSinceWritten = state->changedSinceWritten;
            });
            if (concerned) return platform::Failure::WouldNotReadBack;
            return text;
        });
    if (!saved)
        return concerned ? failedWith(LOCMAP50_REASON_WOULD_NOT_READ_BACK, file.m_fileName, *concerned)
                         : resultRecordingFailure(saved.status(), file.m_fileName);
    if (!saved->has_value()) return LOCMAP50_OK;
    const std::optional<std::string> identity = platform::fileIdentity(onDisk);
    access([&] {
        mapfile::loadStateOf(file).contentSize = (*saved)->size;
        mapfile::loadStateOf(file).contentHash = (*saved)->hash;
        file.m_private.get().identity = identity;
        // The file now holds the added and changed entries as the record has them.
        std::set<std::string> &added = file.m_private.get().addedSinceWritten;
        for (const std::string &softPrefix : addedSinceWritten) added.erase(softPrefix);
        std::set<std::string> &changed = file.m_private.get().changedSinceWritten;
        for (const std::string &softPrefix : changedSinceWritten) changed.erase(softPrefix);
    });
    written = true;
    return LOCMAP50_OK;
}

}  // namespace locmap50::mapfile

int VnLocMapFile::previewKeepingLayout(std::string &currentText, std::vector<VnLineChange> &changes) {
    mapfile::clearLastFailure();
    changes.clear();
    if (!mapfile::loadStateOf(*this).read) return mapfile::failedWith(LOCMAP50_REASON_NOT_LOADED, m_fileName);
    platform::Result<std::string> text = platform::readRegularFile(mapfile::nameOnDisk(*this));
    if (!text) {
        if (mapfile::loadStateOf(*this).failed) return LOCMAP50_OK;
        return mapfile::resultRecordingFailure(text.status(), m_fileName);
    }
    const platform::ContentStamp now = platform::stampOf(*text);
    if (!mapfile::loadStateOf(*this).failed && (now.size != mapfile::loadStateOf(*this).contentSize || now.hash != mapfile::loadStateOf(*this).contentHash))
        return mapfile::failedWith(LOCMAP50_REASON_CHANGED_SINCE_READ, m_fileName);
    currentText = std::move(*text);
    const std::vector<mapfile::LineChange> planned = mapfile::layoutChanges(*this, m_private.find(), currentText);
    for (const mapfile::LineChange &change : planned) changes.push_back(publicChange(change));
    if (mapfile::loadStateOf(*this).failed && !changes.empty()) return mapfile::failedWith(LOCMAP50_REASON_NOT_LOADED, m_fileName);
    if (planned.empty()) return LOCMAP50_OK;
    if (const std::optional<std::string> concerned =
            notReadingBack(*this, m_private.find(), mapfile::withChanges(currentText, planned)))
        return mapfile::failedWith(LOCMAP50_REASON_WOULD_NOT_READ_BACK, m_fileName, *concerned);
    return LOCMAP50_OK;
}

int VnLocMapFile::checkWritable() {
    mapfile::clearLastFailure();
    return mapfile::resultRecordingFailure(platform::checkReplaceable(mapfile::nameOnDisk(*this)), m_fileName);
}

int VnLocMapFile::previewSave(std::string &currentText, std::string &newText) {
    mapfile::clearLastFailure();
    currentText.clear();
    const mapfile::MeantContent meant = mapfile::recordContent(*this, m_private.find());
    newText = mapfile::textOf(meant);
    if (mapfile::loadStateOf(*this).read && mapfile::loadStateOf(*this).failed) return mapfile::failedWith(LOCMAP50_REASON_NOT_LOADED, m_fileName);
    if (const std::optional<std::string> concerned = mapfile::whatWouldNotReadBack(newText, meant))
        return mapfile::failedWith(LOCMAP50_REASON_WOULD_NOT_READ_BACK, m_fileName, *concerned);
    // The bytes the save writes: CR LF line ends on Windows.
    newText = platform::withTextLineEnds(newText);
    if (!mapfile::loadStateOf(*this).read) return LOCMAP50_OK;
    platform::Result<std::string> text = platform::readRegularFile(mapfile::nameOnDisk(*this));
    if (!text) return mapfile::resultRecordingFailure(text.status(), m_fileName);
    const platform::ContentStamp now = platform::stampOf(*text);
    if (now.size != mapfile::loadStateOf(*this).contentSize || now.hash != mapfile::loadStateOf(*this).contentHash)
        return mapfile::failedWith(LOCMAP50_REASON_CHANGED_SINCE_READ, m_fileName);
    currentText = std::move(*text);
    return LOCMAP50_OK;
}
