// The layout-keeping save of one map file: only the lines its record's changes concern are written.
#include "locmap50/VnLocMapFile.h"

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
    mapfile::clearLastFailure();
    written = false;
    if (!m_loadState.read) return mapfile::failedWith(LOCMAP50_REASON_NOT_LOADED, m_fileName);
    if (m_loadState.failed) {
        // What was never read whole is never written over; with no change it
        // needs no writing either.
        const platform::Result<std::string> text = platform::readRegularFile(mapfile::nameOnDisk(*this));
        if (!text || mapfile::layoutChanges(*this, m_private.find(), *text).empty()) return LOCMAP50_OK;
        return mapfile::failedWith(LOCMAP50_REASON_NOT_LOADED, m_fileName);
    }
    platform::ContentStamp asRead;
    asRead.size = m_loadState.contentSize;
    asRead.hash = m_loadState.contentHash;
    // The spans are those of the bytes read under the lock, never of the load.
    std::optional<std::string> concerned;
    const platform::Result<std::optional<platform::ContentStamp>> saved = platform::editFileIfUnchanged(
        mapfile::nameOnDisk(*this), asRead,
        [&](const std::string &current) -> platform::Result<std::optional<std::string>> {
            const std::vector<mapfile::LineChange> changes = mapfile::layoutChanges(*this, m_private.find(), current);
            if (changes.empty()) return std::optional<std::string>();
            std::string text = mapfile::withChanges(current, changes);
            concerned = notReadingBack(*this, m_private.find(), text);
            if (concerned) return platform::Failure::WouldNotReadBack;
            return std::optional<std::string>(std::move(text));
        });
    if (!saved)
        return concerned ? mapfile::failedWith(LOCMAP50_REASON_WOULD_NOT_READ_BACK, m_fileName, *concerned)
                         : mapfile::resultRecordingFailure(saved.status(), m_fileName);
    if (saved->has_value()) {
        m_loadState.contentSize = (*saved)->size;
        m_loadState.contentHash = (*saved)->hash;
        // The file now holds the added and changed entries as the record has them.
        m_private.get().addedSinceWritten.clear();
        m_private.get().changedSinceWritten.clear();
        written = true;
    }
    return LOCMAP50_OK;
}

int VnLocMapFile::previewKeepingLayout(std::string &currentText, std::vector<VnLineChange> &changes) {
    mapfile::clearLastFailure();
    changes.clear();
    if (!m_loadState.read) return mapfile::failedWith(LOCMAP50_REASON_NOT_LOADED, m_fileName);
    platform::Result<std::string> text = platform::readRegularFile(mapfile::nameOnDisk(*this));
    if (!text) {
        if (m_loadState.failed) return LOCMAP50_OK;
        return mapfile::resultRecordingFailure(text.status(), m_fileName);
    }
    const platform::ContentStamp now = platform::stampOf(*text);
    if (!m_loadState.failed && (now.size != m_loadState.contentSize || now.hash != m_loadState.contentHash))
        return mapfile::failedWith(LOCMAP50_REASON_CHANGED_SINCE_READ, m_fileName);
    currentText = std::move(*text);
    const std::vector<mapfile::LineChange> planned = mapfile::layoutChanges(*this, m_private.find(), currentText);
    for (const mapfile::LineChange &change : planned) changes.push_back(publicChange(change));
    if (m_loadState.failed && !changes.empty()) return mapfile::failedWith(LOCMAP50_REASON_NOT_LOADED, m_fileName);
    if (planned.empty()) return LOCMAP50_OK;
    if (const std::optional<std::string> concerned =
            notReadingBack(*this, m_private.find(), mapfile::withChanges(currentText, planned)))
        return mapfile::failedWith(LOCMAP50_REASON_WOULD_NOT_READ_BACK, m_fileName, *concerned);
    return LOCMAP50_OK;
}

int VnLocMapFile::previewSave(std::string &currentText, std::string &newText) {
    mapfile::clearLastFailure();
    currentText.clear();
    const mapfile::MeantContent meant = mapfile::recordContent(*this, m_private.find());
    newText = mapfile::textOf(meant);
    if (m_loadState.read && m_loadState.failed) return mapfile::failedWith(LOCMAP50_REASON_NOT_LOADED, m_fileName);
    if (const std::optional<std::string> concerned = mapfile::whatWouldNotReadBack(newText, meant))
        return mapfile::failedWith(LOCMAP50_REASON_WOULD_NOT_READ_BACK, m_fileName, *concerned);
    if (!m_loadState.read) return LOCMAP50_OK;
    platform::Result<std::string> text = platform::readRegularFile(mapfile::nameOnDisk(*this));
    if (!text) return mapfile::resultRecordingFailure(text.status(), m_fileName);
    const platform::ContentStamp now = platform::stampOf(*text);
    if (now.size != m_loadState.contentSize || now.hash != m_loadState.contentHash)
        return mapfile::failedWith(LOCMAP50_REASON_CHANGED_SINCE_READ, m_fileName);
    currentText = std::move(*text);
    return LOCMAP50_OK;
}
