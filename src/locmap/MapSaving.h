// SPDX-License-Identifier: Apache-2.0
// Saves and the export of the whole map, with their record steps run through a RecordAccess (see FileSaving.h).
#ifndef LOCMAP50_LOCMAP_MAPSAVING_H
#define LOCMAP50_LOCMAP_MAPSAVING_H

#include <list>
#include <string>

#include "locmap50/VnLocMap.h"
#include "locmapfile/FileSaving.h"

namespace locmap50::locmap {

// VnLocMap::save, saveKeepingLayout and exportLocMap. The list of map files
// is walked outside access: only a load changes it, and none may run
// meanwhile.
int saveMap(VnLocMap &map, bool toStdout, const mapfile::RecordAccess &access);
int saveMapKeepingLayout(VnLocMap &map, std::list<std::string> &writtenFiles, const mapfile::RecordAccess &access);
int exportMap(VnLocMap &map, const std::string &fileName, bool toStdout, const mapfile::RecordAccess &access);

}  // namespace locmap50::locmap

#endif  // LOCMAP50_LOCMAP_MAPSAVING_H
