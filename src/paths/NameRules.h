// SPDX-License-Identifier: Apache-2.0
// Rules on soft names, environment entries and hard path list strings, each with one home here.
#ifndef LOCMAP50_PATHS_NAMERULES_H
#define LOCMAP50_PATHS_NAMERULES_H

#include <list>
#include <optional>
#include <string>
#include <string_view>

#include "locmap50/rules.h"
#include "paths/PathRules.h"

namespace locmap50::paths {

// The names the system itself gives meaning to, one home each.
// The variable that InitLocationMap sets to the project directory; hard to
// soft translation writes paths under it relative, as ".".
using rules::kCurrentProjectVariable;
// The base name of a map file that is searched for rather than named.
inline constexpr char kMapFileBaseName[] = "zor_location_map";
// Whether softPrefix is "$" followed by kCurrentProjectVariable.
bool isCurrentProjectPrefix(std::string_view softPrefix);

// Whether name is a soft name: "$" first. Every "$" name is translated, or
// refused, as one; it is never taken as a relative path.
bool isSoftName(std::string_view name);

// Whether name, without "$", makes a soft prefix: an ASCII letter, then
// letters, digits or "_".
bool isSoftPrefixName(std::string_view name);

// Whether a variable of this name may enter the environment table
// (VnLocMap::s_envHardToSoftMap) when it holds an absolute path. Never
// CADRIX_PROJECTS, which holds project directories. Under the POSIX style
// also only names that make a soft prefix, and never PWD, OLDPWD or "_",
// which the shell keeps pointing at where it is: a path under the current
// directory must not translate to "$PWD/...".
bool entersEnvironmentTable(std::string_view name, PathStyle style = kHostPathStyle);

// Names that hard-to-soft translation hands back as they are: the bare UNC
// root "\\" and names that are already soft ("$..."). Expects backslashes.
bool passesThroughAsSoftName(const std::string &name);

// A soft name cut at its first backslash: "$P\a\b" gives "$P" and "\a\b"
// (the rest keeps its backslash); "$P" alone gives an empty rest.
using rules::SoftNameParts;
SoftNameParts splitSoftName(const std::string &name);
// Where the soft prefix of a name ends: at its first backslash, else at its end.
std::size_t softPrefixEnd(const std::string &name);

// One entry of the environment table, "NAME=value", split at its first "=";
// both parts are views into the entry, which must outlive them.
struct EnvironmentEntry {
    std::string_view name;
    std::string_view value;
};
// nullopt when there is no "="; the name before it may be empty.
std::optional<EnvironmentEntry> splitEnvironmentEntry(std::string_view entry);

// What ends each path of a hard path list string: a backquote.
using rules::kHardPathListEnd;

// Splits a hard path list string: each path is the text before a backquote;
// text after the last backquote is ignored; adjacent backquotes give "".
std::list<std::string> splitHardPathList(const std::string &listString);

// The inverse: each path followed by one backquote.
std::string joinHardPathList(const std::list<std::string> &paths);

}  // namespace locmap50::paths

#endif  // LOCMAP50_PATHS_NAMERULES_H
