// SPDX-License-Identifier: Apache-2.0
// The one name under which a loaded map file's bytes are read, locked and written.
#ifndef LOCMAP50_LOCMAPFILE_NAMEONDISK_H
#define LOCMAP50_LOCMAPFILE_NAMEONDISK_H

#include "locmap50/VnLocMapFile.h"
#include "locmapfile/FileState.h"
#include "platform/Platform.h"

namespace locmap50::mapfile {

// The system's name for file, resolved once when it was read, so that every
// later read and write reaches the file the load read (its given name may
// meanwhile mean another); the given name for a file never resolved.
inline platform::FileName nameOnDisk(const VnLocMapFile &file) {
    if (mapfile::loadStateOf(file).absolutePath.empty()) return platform::FileName(file.m_fileName);
    return platform::FileName::ofSystem(mapfile::loadStateOf(file).absolutePath);
}

}  // namespace locmap50::mapfile

#endif  // LOCMAP50_LOCMAPFILE_NAMEONDISK_H
