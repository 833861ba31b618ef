// SPDX-License-Identifier: Apache-2.0
// The loader: reads a map file and the files it includes into the location map, through the map file parser.
#ifndef LOCMAP50_LOCMAP_MAPLOADER_H
#define LOCMAP50_LOCMAP_MAPLOADER_H

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "locmap/LoadRules.h"
#include "locmap50/VnLocMap.h"
#include "platform/Environment.h"
#include "platform/Platform.h"

namespace locmap50::locmap {

// The loader owns what the parser leaves to its consumer:
// - the include stack (which files an include reads is LoadRules.h's
//   IncludeWalk): each file is read whole and closed, then its lines are
//   taken from a stack of open reads kept on the heap, so neither the depth of
//   includes nor the process's handle limit bounds what can be read; a file
//   is read at most once per load, and a later include of it (a cycle or a
//   second path to it) keeps its line in the record but adds nothing;
// - the merge rules: the first block of a soft prefix, across all files,
//   that defines it wins; a file gives at most 20 hard paths per soft prefix;
//   the override rule and the block-in-effect rule (locmap/LoadRules.h)
//   decide what the environment does and which blocks define, in the merged
//   tables only, while the file's own record keeps what the file says;
//   LoadAccount.h settles the records' blocks after the load the same way;
// - the files' records, and the problems found, reported to the singleton;
//   each record keeps which file each of its include lines read, so that an
//   account of the load (LoadAccount.h) follows this walk instead of finding
//   files again.
class MapLoader {
public:
    // environment: the variables as they stood when the load began.
    MapLoader(VnLocMap &map, const platform::EnvironmentIndex &environment)
        : m_map(map), m_environment(environment) {}

    // Reads root and everything it includes. Returns LOCMAP50_OK when root
    // was read to its end (or could not be read at all), LOCMAP50_FAILED when
    // its reading stopped at a bad header or a hard path with no soft prefix.
    int load(VnLocMapFile &root);

private:
    class FileReading;

    // How the walk knows a file named by an include line or the caller.
    struct FileKey {
        std::optional<std::string> spelled;   // the name's absolute spelling
        std::optional<std::string> identity;  // looked up only for a spelling not read before
        std::string walkIdentity;             // what the include walk compares
    };
    // A name spelled as a file read before, or as its real path, is that
    // file, found with no look at the disk; any other spelling costs one
    // look-up of its identity.
    FileKey keyOf(const std::string &fileName) const;

    // Reads the file whole and records in its load state where it was read
    // from and what it held, how it was found (its name's absolute spelling,
    // its identity) and its place in the walk; no text but the reason, with
    // the load state saying the load failed, when it could not be read.
    platform::Result<std::string> fetch(VnLocMapFile &file, const FileKey &key);

    // Settles one soft prefix of file against the force rule and the
    // environment: once its first hard path is known, or once it is known to
    // have none. line is the prefix's line, for the problems it raises.
    void onSoftPathState(VnLocMapFile &file, const std::string &softPrefix, int line, bool noHardPath,
                         const std::string &firstHardPath);
    VnLocMap &m_map;
    const platform::EnvironmentIndex &m_environment;
    IncludeWalk m_walk;  // over the files' walk identities
    std::size_t m_filesFetched = 0;
    // The spellings and real paths of the files read, to their walk identities.
    std::unordered_map<std::string, std::string> m_walkIdentities;
};

}  // namespace locmap50::locmap

#endif  // LOCMAP50_LOCMAP_MAPLOADER_H
