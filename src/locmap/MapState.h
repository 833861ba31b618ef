// SPDX-License-Identifier: Apache-2.0
// What the location map keeps besides its public tables.
#ifndef LOCMAP50_LOCMAP_MAPSTATE_H
#define LOCMAP50_LOCMAP_MAPSTATE_H

#include <atomic>
#include <mutex>
#include <set>
#include <shared_mutex>
#include <string>
#include <vector>

#include "locmap/LookupIndexes.h"
#include "locmap50/VnLocMapFile.h"
#include "containers/PrivateIndex.h"

namespace locmap50::locmap {

// What lets lookups through the C interface run on many threads at once
// although two of them change a table: getAbsoluteHardName adds to
// m_resolvedNameCache, which getHardName reads, and CurrentEntryFileName
// adds to the handed-out names. A copy starts with guards of its own.
struct LookupGuards {
    LookupGuards() = default;
    LookupGuards(const LookupGuards &) {}
    LookupGuards &operator=(const LookupGuards &) { return *this; }

    std::shared_mutex memo;
    // Whether m_resolvedNameCache may hold a name: while it holds none,
    // getHardName need not take the guard at all.
    std::atomic<bool> memoInUse{false};
    std::mutex handedOut;
};

struct MapState {
    // Over the owner's tables; a copy builds its own.
    PrivateIndex<LookupIndexes> indexes;
    // The last load's problems, in the order found; a copy keeps them.
    std::vector<VnLoadProblem> problems;
    // Every defining file name handed out to callers since the last load:
    // edits replace and erase the table's strings, and the text handed out
    // must outlive them until the next load.
    std::set<std::string> handedOutFileNames;
    LookupGuards guards;
};

}  // namespace locmap50::locmap

#endif  // LOCMAP50_LOCMAP_MAPSTATE_H
