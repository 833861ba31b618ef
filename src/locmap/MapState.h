// What the location map keeps besides its public tables.
#ifndef LOCMAP50_LOCMAP_MAPSTATE_H
#define LOCMAP50_LOCMAP_MAPSTATE_H

#include <set>
#include <string>
#include <vector>

#include "locmap/LookupIndexes.h"
#include "locmap50/VnLocMapFile.h"
#include "containers/PrivateIndex.h"

namespace locmap50::locmap {

struct MapState {
    // Over the owner's tables; a copy builds its own.
    PrivateIndex<LookupIndexes> indexes;
    // The last load's problems, in the order found; a copy keeps them.
    std::vector<VnLoadProblem> problems;
    // Every defining file name handed out to callers since the last load:
    // edits replace and erase the table's strings, and the text handed out
    // must outlive them until the next load.
    std::set<std::string> handedOutFileNames;
};

}  // namespace locmap50::locmap

#endif  // LOCMAP50_LOCMAP_MAPSTATE_H
