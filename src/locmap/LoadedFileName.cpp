// SPDX-License-Identifier: Apache-2.0
// Finding a loaded map file by a name a caller gives: its recorded names first, then its identity.
#include "locmap/LoadedFileName.h"

#include "locmapfile/FileState.h"
#include "platform/Platform.h"

namespace locmap50::locmap {

LoadedFileName::LoadedFileName(const std::string &given)
    : m_given(given), m_spelled(platform::absoluteSpelling(given)) {}

bool LoadedFileName::isRecordedAs(const VnLocMapFile &file) const {
    if (!m_spelled) return false;
    if (mapfile::loadStateOf(file).absolutePath == *m_spelled) return true;
    const mapfile::FileState *state = file.m_private.find();
    if (state != nullptr && !state->loadedAs.empty()) return state->loadedAs == *m_spelled;
    // A file no load read is known by its name alone.
    return platform::absoluteSpelling(file.m_fileName) == m_spelled;
}

VnLocMapFile *LoadedFileName::findIn(std::list<VnLocMapFile> &files) const {
    for (VnLocMapFile &file : files)
        if (isRecordedAs(file)) return &file;
    if (!m_identity) return nullptr;
    for (VnLocMapFile &file : files) {
        const mapfile::FileState *state = file.m_private.find();
        if (state != nullptr && state->identity == m_identity) return &file;
    }
    return nullptr;
}

void LoadedFileName::identify() {
    m_identity = platform::fileIdentity(m_given);
    m_identified = true;
}

VnLocMapFile *LoadedFileName::identifyingFindIn(std::list<VnLocMapFile> &files) {
    VnLocMapFile *found = findIn(files);
    if (!worthIdentifying(found)) return found;
    identify();
    return findIn(files);
}

}  // namespace locmap50::locmap
