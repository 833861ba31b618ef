// SPDX-License-Identifier: Apache-2.0
// The map file format: line normalisation, header and line classification.
#ifndef LOCMAP50_LOCMAPFILE_FORMAT_H
#define LOCMAP50_LOCMAPFILE_FORMAT_H

#include <cstddef>
#include <list>
#include <string>
#include <string_view>

#include "locmap50/result_codes.h"
#include "paths/PathRules.h"

namespace locmap50::mapfile {

// A file gives at most LOCMAP50_MAX_HARD_PATHS hard paths per soft prefix;
// the reader ignores the rest. The one home of that limit: of given paths of
// one block, how many the reader takes.
std::size_t hardPathsTheReaderTakes(std::size_t given);
// Whether count hard paths of one block are all taken by the reader.
bool withinHardPathLimit(std::size_t count);
// What a refused list of hard paths breaks, for the failure's detail: the
// limit's rule, or "" when the limit holds.
std::string hardPathLimitBroken(const std::list<std::string> &hardPaths);

// The entry that stands for one readable include line in a file's entry order.
inline constexpr char kIncludeMarker[] = "INCLUDE";

// White space of the format: blank, tab, LF, VT, FF and CR.
bool isWhiteSpace(char c);
// Removes white space from both ends, in place.
void trimWhiteSpace(std::string &text);

// Reads the next line of a whole file's text, from position on, into line
// without its line end: a line ends at LF, and a CR right before that LF
// belongs to the line end; the last line needs no line end. position moves
// past the line end. Returns false when no further line can be read.
bool readRawLine(std::string_view text, std::size_t &position, std::string &line);

// Normalises one raw line (its line end already removed) in place: the
// "X:/" drive fix, then blank and comment skipping, trailing comment removal
// and trimming. Returns false when the line is to be skipped (blank, or a
// comment from its first character); the line still counts for numbering.
// The raw text is classified first: under the POSIX style a line that is a
// POSIX path ("/:/") is no drive and keeps its "/".
bool normaliseLine(std::string &line, paths::PathStyle style = paths::kHostPathStyle);
// Where the text normaliseLine keeps lies within the raw line: from its first
// non-white character to the last one before a "#". Meaningful only for a
// line normaliseLine keeps.
struct ValueBounds {
    std::size_t begin = 0;
    std::size_t end = 0;
};
ValueBounds valueBounds(std::string_view rawLine);

struct Header {
    bool valid = false;
    std::string version;  // "1", "2", or "" for the force form
    bool force = false;
};
// Reads a normalised header line.
Header parseHeader(const std::string &line);

// A normalised first line that is no valid header, in words that quote none
// of its bytes ("starts with a UTF-16 byte order mark", "is not a map
// header"): such a file is read no further and may be no map at all (a
// password file, a process's environment), and problems reach logs.
std::string describeNonHeader(const std::string &line);

enum class LineKind { SoftPrefix, HardPath, Include, ParseError };
// Classifies a normalised entry line by the first rule that matches. A hard
// path line is what paths::isAbsolute takes on this system: a drive or UNC
// path, and on POSIX systems a POSIX path too.
LineKind classifyLine(const std::string &line, paths::PathStyle style = paths::kHostPathStyle);

// Whether a line holds a NUL byte. Such a line is never used: C callers
// would see its text cut short at the NUL. Comment text may hold any byte.
bool holdsNulByte(std::string_view line);

// For a SoftPrefix line: "$", a letter, then letters, digits or "_".
bool isValidSoftPrefix(const std::string &line);

// For an Include line: the path after "INCLUDE", trimmed, as written.
std::string includePath(const std::string &line);
// Where that path starts within the line.
std::size_t includePathStart(const std::string &line);

// Whether a file's header carries "force", which keeps the environment out.
enum class ForceMode { Off, On };

// The writers' opening: the header line ("ZOR_LOCATION_MAP_" + version, then
// " force" for a force file) and one empty line, with "\n" line ends.
std::string headerText(const std::string &version, ForceMode force);

// Appends one entry as both writers lay it out: the soft prefix line, each
// hard path on a line of its own (none when hardPaths is null), one empty line.
void appendEntryText(std::string &text, const std::string &softPrefix,
                     const std::list<std::string> *hardPaths);

// Whether text can stand in a map file without becoming more than one line.
bool fitsOnOneLine(const std::string &text);

// What the writers may write. A line that would read back as something else
// would let an edit or a variable put lines of its own choosing (another
// entry, an INCLUDE) into a shared file, or be cut short at a "#".
// A soft prefix line must read back as that same valid soft prefix.
bool readsBackAsSoftPrefix(const std::string &softPrefix);
// A hard path line must read back as that hard path (with "/" read as "\"
// in a Windows-style path), or as nothing at all when it is blank. Tested as
// the line stands alone, where the standard save and export write it; the
// layout-keeping save writes it in its hard path form, which reads the same
// wherever the old line stood.
bool readsBackAsHardPath(const std::string &hardPath);
// A value the reader skips when it stands on a line of its own: nothing but
// blanks and tabs, or nothing at all. A list element of that kind is no hard path.
bool readsBackAsNothing(std::string_view hardPath);
// The one rule that softPrefix, hardPath, a list of hard paths (no more
// than the reader takes, each reading back) or a whole entry breaks, in
// words that name the value ("hard path 'x' is relative: a hard path must
// be absolute"); empty when it reads back.
std::string softPrefixRuleBroken(const std::string &softPrefix);
std::string hardPathRuleBroken(const std::string &hardPath);
std::string hardPathsRuleBroken(const std::list<std::string> &hardPaths);
std::string entryRuleBroken(const std::string &softPrefix, const std::list<std::string> &hardPaths);
// Records the refusal of an edit that would break a rule
// (LOCMAP50_REASON_INVALID_INPUT, the rule as its detail) for file and
// returns LOCMAP50_FAILED.
int refuseEntry(const std::string &broken, const std::string &file = std::string());

}  // namespace locmap50::mapfile

#endif  // LOCMAP50_LOCMAPFILE_FORMAT_H
