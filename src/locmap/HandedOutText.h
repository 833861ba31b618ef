// SPDX-License-Identifier: Apache-2.0
// Text of the map that the C functions hand out, kept where no edit or save can free it.
#ifndef LOCMAP50_LOCMAP_HANDEDOUTTEXT_H
#define LOCMAP50_LOCMAP_HANDEDOUTTEXT_H

#include <string>

#include "locmap50/VnLocMap.h"

namespace locmap50::locmap {

class HandedOutText {
public:
    // The map file that defines softPrefix (m_softToFileMap), as text that
    // stays valid until the map is loaded again or destroyed, whatever edits
    // and saves do to the table meanwhile. Null when no file defines it.
    static const char *definingFileName(VnLocMap &map, const std::string &softPrefix);
};

}  // namespace locmap50::locmap

#endif  // LOCMAP50_LOCMAP_HANDEDOUTTEXT_H
