// SPDX-License-Identifier: Apache-2.0
// Where each soft prefix block of one map file stands: its line and the lines of its hard paths.
#ifndef LOCMAP50_LOCMAPFILE_ENTRYLINES_H
#define LOCMAP50_LOCMAPFILE_ENTRYLINES_H

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace locmap50::mapfile {

// A hard path line: the path in the form the library keeps it, and its line.
struct HardPathLine {
    std::string path;
    int line = 0;
};

// One block: its soft prefix line, and the hard path lines the loader reads for it.
struct EntryLines {
    int line = 0;
    std::vector<HardPathLine> hardPaths;
};

// Per soft prefix, each of its blocks in file order.
using FileEntryLines = std::map<std::string, std::vector<EntryLines>>;

// The blocks of the map file text, found by the map's own parser, so that
// they hold just the lines a load reads: nothing after a line that ends the
// file, no hard path after a rejected soft prefix line or an include line.
FileEntryLines entryLinesOf(std::string_view text);

}  // namespace locmap50::mapfile

#endif  // LOCMAP50_LOCMAPFILE_ENTRYLINES_H
