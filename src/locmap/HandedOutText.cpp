// SPDX-License-Identifier: Apache-2.0
// Defining file names handed out once and kept until the next load.
#include "locmap/HandedOutText.h"

#include "locmap/MapState.h"

namespace locmap50::locmap {

const char *HandedOutText::definingFileName(VnLocMap &map, const std::string &softPrefix) {
    const auto definedBy = map.m_softToFileMap.find(softPrefix);
    if (definedBy == map.m_softToFileMap.end()) return nullptr;
    // One copy per distinct name: a set's elements never move.
    locmap50::locmap::MapState &state = map.m_private.get();
    const std::lock_guard<std::mutex> guard(state.guards.handedOut);
    return state.handedOutFileNames.insert(definedBy->second).first->c_str();
}

}  // namespace locmap50::locmap
