// SPDX-License-Identifier: Apache-2.0
// The map file parser: turns one file's bytes into line events for a sink, knowing nothing of what the sink builds.
#ifndef LOCMAP50_LOCMAPFILE_PARSER_H
#define LOCMAP50_LOCMAPFILE_PARSER_H

#include <algorithm>
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>

#include "locmapfile/Format.h"

namespace locmap50::mapfile {

// A range of bytes in the parsed text: [begin, end).
struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t size() const { return end - begin; }
};

// Where one line stands in the text. `line` covers the line with its line end
// (LF or CR LF; the last line may have none); `value` covers its significant
// text (the header, soft prefix, hard path or include path, without blanks or
// a trailing comment), so a writer can replace just those bytes. For comment
// and blank lines `value` is empty and starts where the line does.
struct LineSpans {
    unsigned long number = 0;  // from 1
    Span line;
    Span value;

    // The line number as problem records and explanations carry it: an int,
    // held at INT_MAX for any line beyond.
    int lineNumber() const {
        return static_cast<int>(std::min<unsigned long>(number, std::numeric_limits<int>::max()));
    }
};

// How a line breaks the grammar.
enum class ParseProblem {
    BadHeader,                  // the first significant line is no header; the file ends there
    BadSoftPrefix,              // a "$" line that breaks the character rule; it opens an entry all the same
    UnknownLine,                // a line of no known kind; ignored
    HardPathWithoutSoftPrefix,  // no entry open since the header or the last include; the file ends there
    // A significant line holding a NUL byte is not used. Each kind keeps the
    // place in the grammar its line has, so the sink knows what was lost:
    NulInHeader,      // the file ends there, as at a bad header
    NulInSoftPrefix,  // opens an entry all the same, as a bad soft prefix does
    NulInHardPath,    // ignored, whether or not an entry is open
    NulInInclude,     // ends the open entry, as an include line does; nothing is included
};

// Whether the parser goes on after an include line, or hands control back
// so that the sink's owner can read the included file first.
enum class AfterInclude { Continue, Pause };

// Receives the lines of one file in order. `text` is the line after
// normalisation (see normaliseLine); a sink may change it or move from it.
class ParseSink {
public:
    virtual ~ParseSink() = default;
    virtual void header(const LineSpans &spans, const Header &header) = 0;
    virtual void softPrefix(const LineSpans &spans, std::string &text) = 0;
    virtual void hardPath(const LineSpans &spans, std::string &text) = 0;
    // text is the whole include line; includePath(text) is the path.
    virtual AfterInclude include(const LineSpans &spans, std::string &text) = 0;
    virtual void commentOrBlank(const LineSpans &spans) = 0;
    virtual void problem(const LineSpans &spans, ParseProblem problem, std::string &text) = 0;
};

// The grammar read, one construct per line (lines are normalised first: see
// normaliseLine in Format.h):
//
//   file        := header entry*                 (no significant line: an empty map)
//   header      := "ZOR_LOCATION_MAP_1" | "ZOR_LOCATION_MAP_2"
//                | any 18 characters, then "force" after trimming
//   entry       := softPrefix hardPath* | include | anything else (UnknownLine, ignored)
//   softPrefix  := "$" letter { letter | digit | "_" }
//   hardPath    := letter ":\" text | "\\" text   ("/" read as "\")
//                | "/" (not "/") text            (POSIX systems only: kept as written)
//   include     := "INCLUDE" (blank | tab) path
//
// A hard path line with no soft prefix line since the header or the last
// include line ends the file, as does a bad header. A significant line that
// holds a NUL byte is reported as such and never used (see ParseProblem).
//
// The parser can be resumed: parse() returns at the end of the text, at a
// line that ends the file, or after an include line whose sink asked to pause,
// and the next call goes on with the following line.
class Parser {
public:
    // text must outlive the parser.
    explicit Parser(std::string_view text) : m_text(text) {}

    enum class Outcome { Finished, StoppedEarly, Paused };
    Outcome parse(ParseSink &sink);

private:
    // Returns false when the line ends the file.
    bool parseSignificantLine(ParseSink &sink, const LineSpans &spans, Outcome &pause);
    // A line holding a NUL byte, by the kind of line it would be; returns
    // false when it ends the file.
    bool reportNulByte(ParseSink &sink, const LineSpans &spans);

    std::string_view m_text;
    std::size_t m_position = 0;
    unsigned long m_lineNumber = 0;
    bool m_headerSeen = false;
    bool m_entryOpen = false;
    std::string m_line;  // the current line, reused so that reading allocates once per file
};

}  // namespace locmap50::mapfile

#endif  // LOCMAP50_LOCMAPFILE_PARSER_H
