// SPDX-License-Identifier: Apache-2.0
// Where a map file's entries stand in its bytes, and the line changes that bring a file in line with its record while keeping every other byte.
#ifndef LOCMAP50_LOCMAPFILE_LAYOUT_H
#define LOCMAP50_LOCMAPFILE_LAYOUT_H

#include <string>
#include <string_view>
#include <vector>

#include "locmapfile/Parser.h"

class VnLocMapFile;

namespace locmap50::mapfile {

// One block of a soft prefix: its prefix line and the hard path lines that
// belong to it (all of them, also those past the reader's limit).
struct PrefixBlock {
    std::string_view softPrefix;  // its bytes in the text read
    LineSpans prefixLine;
    std::size_t firstPath = 0;    // its path lines: FileLayout::pathLines[firstPath, firstPath + pathCount)
    std::size_t pathCount = 0;
};

// A file as the parser reads it, as far as the writer needs it. It points
// into the text read, which must outlive it.
struct FileLayout {
    std::vector<PrefixBlock> blocks;  // valid soft prefixes only, in file order
    std::vector<LineSpans> pathLines; // of every block, in file order
    bool headerFound = false;
    bool complete = true;             // read to its end
    std::string lineEnd;              // the first line end found, "" when there is none
    LineSpans lastLine;               // number 0 for an empty file
};
FileLayout readLayout(std::string_view text);

// One changed line, or an insertion: the bytes of the old lines
// [firstLine, firstLine + lineCount) become `text` (whole lines, line ends
// included). An insertion has no old line and goes before firstLine.
struct LineChange {
    Span bytes;
    unsigned long firstLine = 0;
    unsigned long lineCount = 0;
    std::string text;
};

// What bringing `text` (what file's own path holds) in line with file's
// record changes, in file order:
// - an entry whose paths differ: the i-th path line keeps all but its value,
//   which becomes the i-th new path; surplus path lines go; extra paths
//   follow the last path line (or the prefix line);
// - an entry the record lost: every block of it loses its prefix and path
//   lines;
// - an entry the file lacks: appended in the standard layout after one blank
//   line, with the file's line end (the platform's when it has none).
// Nothing when the record says what the file says.
struct FileState;
// state: the file object's private state, null when it has none.
std::vector<LineChange> layoutChanges(const VnLocMapFile &file, const FileState *state, std::string_view text);

// text with changes made.
std::string withChanges(std::string_view text, const std::vector<LineChange> &changes);

}  // namespace locmap50::mapfile

#endif  // LOCMAP50_LOCMAPFILE_LAYOUT_H
