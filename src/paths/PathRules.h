// Pure string rules on names and paths, each with exactly one home here.
#ifndef LOCMAP50_PATHS_PATHRULES_H
#define LOCMAP50_PATHS_PATHRULES_H

#include <string>
#include <string_view>

// These never touch the OS, so Windows path rules are tested on every host.
namespace locmap50::paths {

// "http:" (5+ characters) or "ftp:" (4+ characters) at the start, letters in
// any case; no other scheme counts.
bool isUrl(const std::string &name);

// Every "/" turned into "\".
std::string toBackslashes(std::string name);

// Every "\" turned into "/": a library path as POSIX systems name the file.
std::string toForwardSlashes(std::string name);

// Absolute: a letter, ":" and "\" first, or "\\" first. Everything else,
// including "/x", "C:x", "\x" and "$P", is relative.
bool isAbsolute(std::string_view path);

// A drive letter and ":" at the start ("C:", "c:x", "D:\\").
bool beginsWithDrive(const std::string &name);

// path with a leading drive letter in upper case; any other path unchanged.
std::string withUpperCaseDrive(std::string path);

// A drive letter and ":" not followed by "\" ("C:x", "D:"): relative to the
// current directory of that drive.
bool isDriveRelative(const std::string &name);

// The no-map fallbacks' own test for a name to pass through as absolute: a
// letter and ":" first ("C:x" included), or "\\" first. Looser than
// isAbsolute, which also wants the "\" after the colon.
bool startsWithDriveOrDoubleBackslash(const std::string &name);

// The absolute form of a relative name written with "\" (not a "$" name),
// given the current directory and the root of the current drive ("C:",
// "\\server\share", or "" where there are no drives): ".\x" and "x" go
// under the current directory, "." is the current directory itself, "\x"
// goes under the drive root (its letter in upper case), "C:x" under the
// current directory when C is the current drive, else under "C:\".
std::string resolveAgainstCurrentDirectory(const std::string &name,
                                           const std::string &currentDirectory,
                                           const std::string &currentDriveRoot);

// Drops one trailing "\" from hardPath (when it has one), then appends rest.
void mergePaths(std::string &hardPath, const std::string &rest);

// The part of a hard path that paths under it share: hardPath without one
// trailing "\". An empty base (hard path "" or "\") lies over nothing.
std::size_t hardPathBaseLength(std::string_view hardPath);

// Whether a base of baseLength (non-zero, at most path's length) that path
// begins with ends on a component boundary of path: at path's end, before a
// "\" of path, or itself ending in "\".
bool endsOnComponentBoundary(const std::string &path, std::size_t baseLength);

// Where the tail of path starts when path lies under hardPath (see
// liesUnderHardPath), or npos when it does not; copies nothing.
std::size_t tailPositionUnderHardPath(const std::string &hardPath, const std::string &path);

// The component-boundary match: whether path lies under hardPath, compared
// with ASCII letters folded to lower case. One trailing "\" of hardPath is
// ignored; an empty hardPath (or a lone "\") never matches. On a match, tail
// receives the rest of path in its own case: empty, or beginning with "\".
bool liesUnderHardPath(const std::string &hardPath, const std::string &path,
                       std::string &tail);

// "\\server\share\dir" -> "\\server\share": the root of a UNC path; the
// whole text when it names no more than a server.
std::string uncRoot(const std::string &uncPath);

// A path cut after its last separator ("\" or "/"): "a\b\c.map" gives
// "a\b\" and "c.map"; "c.map" gives "" and "c.map". The directory keeps its
// separator, so directory + base is the path again.
struct DirectoryAndBase {
    std::string directory;
    std::string base;
};
DirectoryAndBase splitDirectoryAndBase(const std::string &path);

}  // namespace locmap50::paths

#endif  // LOCMAP50_PATHS_PATHRULES_H
