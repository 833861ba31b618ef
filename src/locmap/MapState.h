// What the location map keeps besides its public tables.
#ifndef LOCMAP50_LOCMAP_MAPSTATE_H
#define LOCMAP50_LOCMAP_MAPSTATE_H

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
};

}  // namespace locmap50::locmap

#endif  // LOCMAP50_LOCMAP_MAPSTATE_H
