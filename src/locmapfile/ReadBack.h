// SPDX-License-Identifier: Apache-2.0
// What a writer means a map file to hold, its text, and whether bytes about to be written read back as that.
#ifndef LOCMAP50_LOCMAPFILE_READBACK_H
#define LOCMAP50_LOCMAPFILE_READBACK_H

#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "locmapfile/Format.h"

class VnLocMapFile;

namespace locmap50::mapfile {

// One construct of a written file, pointing into the record it comes from,
// which must outlive it: a soft prefix with its hard paths (null: none), or
// an include line (null: an include marker with no line left, which writes
// only its empty line).
struct MeantItem {
    enum class Kind { Entry, Include };
    Kind kind = Kind::Entry;
    const std::string *text = nullptr;
    const std::list<std::string> *hardPaths = nullptr;
};

// What a file is meant to hold, in the order the reader meets it.
struct MeantContent {
    std::string version;  // what the header line says
    ForceMode force = ForceMode::Off;
    std::vector<MeantItem> items;
};

// What a map file's record says the file holds, in the standard save's
// order: each entry of the record, an include line at its marker, and each
// kept block where it stood. state: the file object's private state, null
// when it has none.
struct FileState;
MeantContent recordContent(const VnLocMapFile &file, const FileState *state);

// The header (with extra, e.g. a comment line, right after it) and every
// item in the layout of both writers (see appendEntryText).
std::string textOf(const MeantContent &meant, std::string_view extra = std::string_view());

// Parses text as the reader would and compares what it finds with meant, in
// the reader's form: a valid header with meant's force; each entry as a soft
// prefix line followed by its hard paths, each read as the hard path form of
// the one meant (the first 20 count, as for the reader; a list element the
// reader skips is expected as no line at all); each include line as it
// stands; nothing else that makes an entry, and nothing lost.
// Comments, blank lines and lines the reader ignores (a bad soft prefix with
// its hard paths, a line of no known kind, an include line that is not meant,
// which named no readable file when the record was read) may stand anywhere,
// as they do in a file whose layout is kept. Returns what does not read back: the soft
// prefix (or include line) concerned, "" for the header; nullopt when all does.
std::optional<std::string> whatWouldNotReadBack(std::string_view text, const MeantContent &meant);

}  // namespace locmap50::mapfile

#endif  // LOCMAP50_LOCMAPFILE_READBACK_H
