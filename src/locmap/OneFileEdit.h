// SPDX-License-Identifier: Apache-2.0
// The edits of one loaded map file, on the file a LoadedFileName names.
#ifndef LOCMAP50_LOCMAP_ONEFILEEDIT_H
#define LOCMAP50_LOCMAP_ONEFILEEDIT_H

#include <optional>
#include <string>

#include "locmap/LoadedFileName.h"
#include "locmap50/VnLocMap.h"

namespace locmap50::locmap {

// VnLocMap::changeEntryInFile, addEntryToFile and deleteEntryFromFile, in
// two steps for the C interface: the name's identity, when it is needed, is
// looked up between them with the map's lock let go.
class OneFileEdit {
public:
    enum class Kind { Change, Add, Delete };

    // The edit's result; nothing, changing nothing, when the name found no
    // file and is worth identifying: identify it and ask again.
    static std::optional<int> tryOn(VnLocMap &map, const LoadedFileName &name, Kind kind,
                                    const std::string &softPrefix, const std::string &hardNames);
    // The edit in one go, identifying the name on the way when need be.
    static int run(VnLocMap &map, const std::string &mapFile, Kind kind, const std::string &softPrefix,
                   const std::string &hardNames);

private:
    static int change(VnLocMap &map, VnLocMapFile &file, const std::string &softPrefix, const std::string &hardNames);
    static int add(VnLocMap &map, VnLocMapFile &file, const std::string &softPrefix, const std::string &hardNames);
    static int remove(VnLocMap &map, VnLocMapFile &file, const std::string &softPrefix);
};

}  // namespace locmap50::locmap

#endif  // LOCMAP50_LOCMAP_ONEFILEEDIT_H
