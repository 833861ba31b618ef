// SPDX-License-Identifier: Apache-2.0
// What a map file object keeps besides its public record.
#ifndef LOCMAP50_LOCMAPFILE_FILESTATE_H
#define LOCMAP50_LOCMAPFILE_FILESTATE_H

#include <cstddef>
#include <list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "containers/PrivateIndex.h"
#include "locmap50/VnLocMapFile.h"
#include "locmapfile/ListPositions.h"

namespace locmap50::mapfile {

// A block of a soft prefix that the file says but the public record has no
// place for: a second block of a prefix, or a prefix line with no hard path
// that nothing supplied (the record drops it, as the map does).
struct KeptBlock {
    std::string softPrefix;
    std::list<std::string> hardPaths;
};

// Where kept blocks stood: right after the entry-order element `first`, at
// its `second`-th appearance (which counts only for include markers); an
// empty element stands for the start of the file.
using KeptBlockAnchor = std::pair<std::string, unsigned>;

// How readMap left a file; the save rules rest on it, so only the library
// sets it.
struct LoadState {
    bool read = false;             // readMap ran on this object
    bool failed = false;           // not opened, not a map file, or reading stopped early
    std::string absolutePath;      // where it was read from, as the system names it (saves write there)
    unsigned long long contentSize = 0;  // length of what it held when read or last saved
    unsigned long long contentHash = 0;  // hash of those bytes
};

struct FileState {
    LoadState load;
    // Over the owner's m_entryOrder; a copy builds its own.
    PrivateIndex<ListPositions> entryPositions;
    // Written back at their places by the standard save; empty for most files.
    std::map<KeptBlockAnchor, std::list<KeptBlock>> keptBlocks;
    // How many kept blocks each prefix has, so that a load asks without a walk.
    std::map<std::string, unsigned> keptBlockCounts;
    // Which block of a prefix in the file the record holds, counted from 0,
    // where it is not the first (a first block without hard path that
    // counted as undefined).
    std::map<std::string, unsigned> recordBlockOrdinals;
    // Entries added since the file was last written: the layout-keeping save
    // appends them, as the standard save writes them, whatever blocks of their
    // prefix the file still holds.
    std::set<std::string> addedSinceWritten;
    // Entries changed since the file was last written: the layout-keeping
    // save writes their blocks whole, surplus hard path lines included.
    std::set<std::string> changedSinceWritten;
    // How a load found the file, for callers that name it again
    // (locmap/LoadedFileName.h): the absolute spelling of its name then, and
    // the file's identity (platform::fileIdentity), renewed by the saves
    // that replace the file.
    std::string loadedAs;
    std::optional<std::string> identity;
    // The load's walk, so that an account of the load follows it instead of
    // finding files again: the place of this file in the order the load began
    // reading files (the main file 0), and for each readable include line the
    // place of the file it read, or kReadNothing (a cycle, a file read before).
    static constexpr std::size_t kReadNothing = static_cast<std::size_t>(-1);
    std::size_t readOrdinal = 0;
    std::vector<std::size_t> includeReads;
};

// The library's door to a file object's private state.
class FileStateAccess {
public:
    static const LoadState &loadState(const VnLocMapFile &file) {
        static const LoadState neverRead;
        const FileState *state = file.m_private.find();
        return state != nullptr ? state->load : neverRead;
    }
    static LoadState &loadState(VnLocMapFile &file) { return file.m_private.get().load; }
};

inline const LoadState &loadStateOf(const VnLocMapFile &file) {
    return FileStateAccess::loadState(file);
}
inline LoadState &loadStateOf(VnLocMapFile &file) {
    return FileStateAccess::loadState(file);
}

}  // namespace locmap50::mapfile

#endif  // LOCMAP50_LOCMAPFILE_FILESTATE_H
