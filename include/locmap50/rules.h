// SPDX-License-Identifier: Apache-2.0
// The library's own rules on names, paths and map file lines, for tools that read map files as the library does.
#ifndef LOCMAP50_RULES_H
#define LOCMAP50_RULES_H

#include <cstddef>
#include <list>
#include <string>
#include <string_view>

#include "locmap50/export.h"

/*
 * Each function answers by the rule the library itself loads, translates and
 * writes by, on this system (Windows rules on Windows, POSIX rules besides
 * on Linux), so a tool that checks or edits map files agrees with every load.
 * Fixed since 2.0: within 2.x these functions keep their signatures and
 * meanings, and new ones may be added.
 */
namespace locmap50::rules {

// Names the system gives meaning to.
// What ends each path of a hard path list string (ReturnAllHardPath).
inline constexpr char kHardPathListEnd = '`';
// The variable InitLocationMap sets to the project directory; hard-to-soft
// translation writes paths under it as ".".
inline constexpr char kCurrentProjectVariable[] = "CURRENT_PROJECT_PATH";

// ---- soft names and hard path lists ----------------------------------------

// Whether name is a soft name: "$" first.
LOCMAP50_API bool isSoftName(std::string_view name);

// A soft name cut at its first backslash: "$P\a\b" gives "$P" and "\a\b"
// (the rest keeps its backslash); "$P" alone gives an empty rest.
struct SoftNameParts {
    std::string softPrefix;
    std::string rest;
};
LOCMAP50_API SoftNameParts splitSoftName(const std::string &name);

// A hard path list string split at each backquote; text after the last one
// is ignored, adjacent backquotes give "".
LOCMAP50_API std::list<std::string> splitHardPathList(const std::string &listString);
// The inverse: each path followed by one backquote.
LOCMAP50_API std::string joinHardPathList(const std::list<std::string> &hardPaths);

// ---- paths -----------------------------------------------------------------

// Absolute on this system: a drive ("C:\"), UNC ("\\"), or on Linux a POSIX
// path ("/x", not "//x"). Read from the raw text: "C:/x" is not absolute
// until toHardPathForm has turned it into "C:\x".
LOCMAP50_API bool isAbsolute(std::string_view path);
// Whether path is a POSIX absolute path by POSIX rules, on every system: a
// hard path on Linux, none on Windows.
LOCMAP50_API bool isPosixPath(std::string_view path);
// A drive letter and ":" at the start ("C:", "c:x", "D:\").
LOCMAP50_API bool beginsWithDrive(const std::string &name);
// A name in the form the library keeps hard paths in: a POSIX path as
// written, any other with every "/" turned into "\".
LOCMAP50_API std::string toHardPathForm(std::string name);
// Every "/" turned into "\".
LOCMAP50_API std::string toBackslashes(std::string name);
// A file name in this system's separators, as the library names the files it read.
LOCMAP50_API std::string toHostFileName(std::string name);

// ---- map file lines --------------------------------------------------------

// "$", an ASCII letter, then letters, digits or "_": a soft prefix the reader takes.
LOCMAP50_API bool isValidSoftPrefix(const std::string &softPrefix);
// Whether text can stand in a map file as one line: no CR, no LF.
LOCMAP50_API bool fitsOnOneLine(const std::string &text);
// Whether hardPath, written on a line of its own, reads back as that hard
// path (a "/" of a drive or UNC path as "\"), or as nothing when it holds
// only blanks and tabs: no "#", line break or NUL byte, and a hard path
// line by the reader's rules.
LOCMAP50_API bool readsBackAsHardPath(const std::string &hardPath);

// ---- who controls a file ----------------------------------------------------

// Who may change the file fileName names, for a tool that says so before it
// uses a map that others control. known: the file could be examined (the
// rest is false and empty otherwise). ownedByOther: its owner is another
// user than the caller and root (on Windows: its owner is neither the
// caller's user nor the owner the caller gives new files). owner: that
// owner's name (a number or a SID where the system knows no name).
// othersMayWrite: a group or other write bit lets other users write the file
// or replace it through its folder (not examined on Windows).
struct FileControl {
    bool known = false;
    bool ownedByOther = false;
    std::string owner;
    bool othersMayWrite = false;
};
LOCMAP50_API FileControl fileControl(const std::string &fileName);

}  // namespace locmap50::rules

#endif  // LOCMAP50_RULES_H
