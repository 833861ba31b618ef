// Where each soft prefix block of one map file stands: its line and the lines of its hard paths.
#ifndef LOCMAP50_LOCMAPFILE_ENTRYLINES_H
#define LOCMAP50_LOCMAPFILE_ENTRYLINES_H

#include <string_view>

#include "locmap50/entry_lines.h"

namespace locmap50::mapfile {

// The blocks' shapes are public (locmap50/entry_lines.h), for tools that
// place findings on the lines a load read.
using rules::EntryLines;
using rules::FileEntryLines;
using rules::HardPathLine;

// The blocks of the map file text, found by the map's own parser, so that
// they hold just the lines a load reads: nothing after a line that ends the
// file, no hard path after a rejected soft prefix line or an include line.
FileEntryLines entryLinesOf(std::string_view text);

}  // namespace locmap50::mapfile

#endif  // LOCMAP50_LOCMAPFILE_ENTRYLINES_H
