// SPDX-License-Identifier: Apache-2.0
// Pure string rules on names and paths, each with exactly one home here.
#ifndef LOCMAP50_PATHS_PATHRULES_H
#define LOCMAP50_PATHS_PATHRULES_H

#include <string>
#include <string_view>

// These never touch the OS, so Windows path rules are tested on every host.
namespace locmap50::paths {

// Whose rules a path is read by. The library reads by its host's style,
// chosen here once for the build; tests pass either, so both sets of rules
// are tested on every host. Windows-style paths (drive, UNC) are hard paths
// under both styles; POSIX absolute paths only under the POSIX style.
enum class PathStyle { Windows, Posix };
#ifdef _WIN32
inline constexpr PathStyle kHostPathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kHostPathStyle = PathStyle::Posix;
#endif

// What a path is, read from its raw text before any "/" is turned into "\".
enum class PathKind { Drive, Unc, PosixAbsolute, Relative };

// Drive: a letter, ":" and "\" first. Unc: "\\" first. PosixAbsolute (POSIX
// style only): "/" first and the second character not "/" ("//server/share"
// is no POSIX path). Everything else is relative: "C:x", "C:/x", "\x", "$P",
// and under the Windows style "/x".
PathKind classifyPath(std::string_view rawPath, PathStyle style = kHostPathStyle);

// Whether path is a POSIX absolute path under style: such a path is kept as
// written, matched byte for byte, and joined and split at "/".
bool isPosixAbsolute(std::string_view path, PathStyle style = kHostPathStyle);

// The separator of a path's components: "/" for a POSIX absolute path, "\"
// for every other path.
char separatorOf(std::string_view path, PathStyle style = kHostPathStyle);

// A name in the form the library keeps names and hard paths in: a POSIX
// absolute path as written; any other with every "/" turned into "\".
std::string toHardPathForm(std::string rawName, PathStyle style = kHostPathStyle);

// Whether two names have one hard path form (toHardPathForm of each is the
// same), compared without a copy: "C:/x" and "C:\x" have, "/x" and "\x" not.
bool sameHardPathForm(std::string_view a, std::string_view b, PathStyle style = kHostPathStyle);

// A file name as the host names files: "\" separators under the Windows
// style, "/" under the POSIX style; either is accepted on input.
std::string toHostFileName(std::string name, PathStyle style = kHostPathStyle);

// "http:" (5+ characters) or "ftp:" (4+ characters) at the start, letters in
// any case; no other scheme counts.
bool isUrl(const std::string &name);

// Every "/" turned into "\".
std::string toBackslashes(std::string name);

// Every "\" turned into "/": a library path as POSIX systems name the file.
std::string toForwardSlashes(std::string name);

// Absolute: classifyPath says anything but Relative.
bool isAbsolute(std::string_view path, PathStyle style = kHostPathStyle);

// A drive letter and ":" at the start ("C:", "c:x", "D:\\").
bool beginsWithDrive(const std::string &name);

// path with a leading drive letter in upper case; any other path unchanged.
std::string withUpperCaseDrive(std::string path);

// A drive letter and ":" not followed by "\" ("C:x", "D:"): relative to the
// current directory of that drive.
bool isDriveRelative(const std::string &name);

// The no-map fallbacks' test for a name to pass through as it is: an
// absolute path, or a drive-relative one ("C:x"), which has no current
// directory to resolve against there.
bool passesThroughWithoutMap(const std::string &name, PathStyle style = kHostPathStyle);

// The absolute form of a relative name written with "\" (not a "$" name),
// given the current directory and the root of the current drive ("C:",
// "\\server\share", or "" where there are no drives): ".\x" and "x" go
// under the current directory, "." is the current directory itself, "\x"
// goes under the drive root (its letter in upper case), "C:x" under the
// current directory when C is the current drive, else under "C:\". Under a
// POSIX current directory the result is a POSIX path: the name's "\" become
// "/", and a directory ending in "/" (the root) gets no second one.
std::string resolveAgainstCurrentDirectory(const std::string &name,
                                           const std::string &currentDirectory,
                                           const std::string &currentDriveRoot,
                                           PathStyle style = kHostPathStyle);

// Drops one trailing separator from hardPath (when it has one), then appends
// rest in hardPath's separators: a POSIX hard path gets rest's "\" as "/", so
// "$P\a" and "$P/a" join alike; any other hard path gets rest as it is.
void mergePaths(std::string &hardPath, const std::string &rest, PathStyle style = kHostPathStyle);

// rest as mergePaths appends it to hardPath.
std::string restInSeparatorsOf(std::string_view hardPath, std::string rest,
                               PathStyle style = kHostPathStyle);

// An environment variable's value, as the fallbacks that use it as it stands
// join it with the rest of a name: as mergePaths, except that under the POSIX
// style every value but a drive or UNC path (a relative one too, which a load
// ignores there) takes the rest with "/", as the system reads such a path.
void mergeVariableValue(std::string &value, const std::string &rest, PathStyle style = kHostPathStyle);

// rest as mergeVariableValue appends it to value.
std::string restInSeparatorsOfValue(std::string_view value, std::string rest, PathStyle style = kHostPathStyle);

// The part of a hard path that paths under it share: hardPath without one
// trailing separator. An empty base (hard path "" or "\") lies over nothing;
// the POSIX root "/" is its own base and lies over every POSIX path.
std::size_t hardPathBaseLength(std::string_view hardPath, PathStyle style = kHostPathStyle);

// Whether a base of baseLength (non-zero, at most path's length) that path
// begins with ends on a component boundary of path: at path's end, before a
// separator of path, or itself ending in one.
bool endsOnComponentBoundary(const std::string &path, std::size_t baseLength, char separator = '\\');

// Where the tail of path starts when path lies under hardPath (see
// liesUnderHardPath), or npos when it does not; copies nothing.
std::size_t tailPositionUnderHardPath(const std::string &hardPath, const std::string &path,
                                      PathStyle style = kHostPathStyle);

// The component-boundary match: whether path lies under hardPath. A
// Windows-style hard path is compared with ASCII letters folded to lower case
// at "\" boundaries; a POSIX hard path byte for byte at "/" boundaries
// ("/opt/toolsX" is not under "/opt/tools"). One trailing separator of
// hardPath is ignored; an empty hardPath (or a lone "\") never matches. On a
// match, tail receives the rest of path as written: empty, or beginning with
// the separator.
bool liesUnderHardPath(const std::string &hardPath, const std::string &path,
                       std::string &tail, PathStyle style = kHostPathStyle);

// "\\server\share\dir" -> "\\server\share": the root of a UNC path; the
// whole text when it names no more than a server.
std::string uncRoot(const std::string &uncPath);

// A path cut after its last separator ("\" or "/"; under the POSIX style
// only "/", as a "\" there belongs to a name the system gave): "a\b\c.map"
// gives "a\b\" and "c.map"; "c.map" gives "" and "c.map". The directory
// keeps its separator, so directory + base is the path again.
struct DirectoryAndBase {
    std::string directory;
    std::string base;
};
DirectoryAndBase splitDirectoryAndBase(const std::string &path, PathStyle style = kHostPathStyle);

}  // namespace locmap50::paths

#endif  // LOCMAP50_PATHS_PATHRULES_H
