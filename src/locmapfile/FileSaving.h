// SPDX-License-Identifier: Apache-2.0
// Saves of one map file in steps: what to write is taken from the record under the map's lock, the file work is done outside it.
#ifndef LOCMAP50_LOCMAPFILE_FILESAVING_H
#define LOCMAP50_LOCMAPFILE_FILESAVING_H

#include <functional>

#include "locmap50/VnLocMapFile.h"

namespace locmap50::mapfile {

// Runs a step that reads or changes the records (the map's and its files'):
// at once for a caller of the classes, under the map's exclusive lock for the
// C interface, whose lookups run on other threads meanwhile. Nothing passed
// to it waits for a file lock or writes to a disk.
using RecordAccess = std::function<void(const std::function<void()> &step)>;
const RecordAccess &accessAtOnce();

// VnLocMapFile::save and saveKeepingLayout, with their record steps run
// through access: the text (and the read-back check) before the file work,
// the stamp of what was written after it. The file work runs with no lock
// of the map held.
class FileSaving {
public:
    static int save(VnLocMapFile &file, bool toStdout, const RecordAccess &access);
    static int saveKeepingLayout(VnLocMapFile &file, bool &written, const RecordAccess &access);
    // For a file whose load failed: LOCMAP50_FAILED (recorded) when the
    // layout-keeping save would change it, which it never may.
    static int refuseChangesToUnloaded(const VnLocMapFile &file, const RecordAccess &access);
};

}  // namespace locmap50::mapfile

#endif  // LOCMAP50_LOCMAPFILE_FILESAVING_H
