// What a map file object keeps besides its public record.
#ifndef LOCMAP50_LOCMAPFILE_FILESTATE_H
#define LOCMAP50_LOCMAPFILE_FILESTATE_H

#include "locmapfile/ListPositions.h"
#include "containers/PrivateIndex.h"

namespace locmap50::mapfile {

struct FileState {
    // Over the owner's m_entryOrder; a copy builds its own.
    PrivateIndex<ListPositions> entryPositions;
};

}  // namespace locmap50::mapfile

#endif  // LOCMAP50_LOCMAPFILE_FILESTATE_H
