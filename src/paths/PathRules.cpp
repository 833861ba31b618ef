// SPDX-License-Identifier: Apache-2.0
// Pure string rules on names and paths, the same on every host.
#include "paths/PathRules.h"

#include <algorithm>
#include <utility>

#include "paths/AsciiText.h"

namespace locmap50::paths {
namespace {

// Whether text begins with scheme (lower-case letters and a colon), letters
// compared without regard to case and the colon exactly.
bool beginsWithScheme(const std::string &text, const std::string &scheme) {
    if (text.size() < scheme.size()) return false;
    for (std::size_t i = 0; i < scheme.size(); ++i)
        if (toLowerAscii(text[i]) != scheme[i]) return false;
    return true;
}

bool beginsWithTwoBackslashes(std::string_view text) {
    return text.size() >= 2 && text[0] == '\\' && text[1] == '\\';
}

bool beginsWithDriveAndBackslash(std::string_view text) {
    return text.size() >= 3 && isAsciiLetter(text[0]) && text[1] == ':' && text[2] == '\\';
}

// "/x" but not "//x": the POSIX spelling of an absolute path.
bool beginsWithOneSlash(std::string_view text) {
    return !text.empty() && text[0] == '/' && (text.size() == 1 || text[1] != '/');
}

bool sameDrive(const std::string &a, const std::string &b) {
    return beginsWithDrive(a) && beginsWithDrive(b) &&
           sameIgnoringAsciiCase(a[0], b[0]);
}

// directory, then "\" and name; "." stands for the directory itself.
std::string underDirectory(const std::string &directory, const std::string &name) {
    if (name == ".") return directory;
    return directory + '\\' + name;
}

// The POSIX form of underDirectory: name (with "/" already) under directory,
// with no second "/" after the root.
std::string underPosixDirectory(const std::string &directory, const std::string &name) {
    if (name == ".") return directory;
    if (!directory.empty() && directory.back() == '/') return directory + name;
    return directory + '/' + name;
}

// A name that is not a drive name, resolved against a POSIX current directory.
std::string resolveAgainstPosixDirectory(const std::string &name, const std::string &currentDirectory) {
    const std::string posixName = toForwardSlashes(name);
    if (posixName.size() >= 2 && posixName[0] == '.' && posixName[1] == '/')
        return underPosixDirectory(currentDirectory, posixName.substr(2));
    if (!posixName.empty() && posixName[0] == '/') return posixName;
    return underPosixDirectory(currentDirectory, posixName);
}

// "C:x" on the current drive goes under the current directory (as Windows
// keeps one per drive, and we know only the current one); on another drive
// it goes under that drive's root.
std::string resolveDriveRelative(const std::string &name, const std::string &currentDirectory) {
    const std::string rest = name.substr(2);
    if (sameDrive(name, currentDirectory))
        return rest.empty() ? currentDirectory : underDirectory(currentDirectory, rest);
    return std::string(1, toUpperAscii(name[0])) + ":\\" + rest;
}

}  // namespace

bool beginsWithDrive(const std::string &name) {
    return name.size() >= 2 && isAsciiLetter(name[0]) && name[1] == ':';
}

std::string withUpperCaseDrive(std::string path) {
    if (beginsWithDrive(path)) path[0] = toUpperAscii(path[0]);
    return path;
}

bool isUrl(const std::string &name) {
    return beginsWithScheme(name, "http:") || beginsWithScheme(name, "ftp:");
}

std::string toBackslashes(std::string name) {
    // Most names have no "/" at all: find skips ahead faster than a replace walks.
    for (std::size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1))
        name[slash] = '\\';
    return name;
}

std::string toForwardSlashes(std::string name) {
    for (std::size_t backslash = name.find('\\'); backslash != std::string::npos;
         backslash = name.find('\\', backslash + 1))
        name[backslash] = '/';
    return name;
}

PathKind classifyPath(std::string_view rawPath, PathStyle style) {
    if (beginsWithDriveAndBackslash(rawPath)) return PathKind::Drive;
    if (beginsWithTwoBackslashes(rawPath)) return PathKind::Unc;
    if (style == PathStyle::Posix && beginsWithOneSlash(rawPath)) return PathKind::PosixAbsolute;
    return PathKind::Relative;
}

bool isAbsolute(std::string_view path, PathStyle style) {
    return classifyPath(path, style) != PathKind::Relative;
}

bool isPosixAbsolute(std::string_view path, PathStyle style) {
    return classifyPath(path, style) == PathKind::PosixAbsolute;
}

char separatorOf(std::string_view path, PathStyle style) {
    return isPosixAbsolute(path, style) ? '/' : '\\';
}

std::string toHardPathForm(std::string rawName, PathStyle style) {
    if (isPosixAbsolute(rawName, style)) return rawName;
    return toBackslashes(std::move(rawName));
}

bool sameHardPathForm(std::string_view a, std::string_view b, PathStyle style) {
    if (a.size() != b.size()) return false;
    if (a == b) return true;  // the common case: both already in the form
    const bool aKeepsSlashes = isPosixAbsolute(a, style);
    const bool bKeepsSlashes = isPosixAbsolute(b, style);
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char fromA = a[i] == '/' && !aKeepsSlashes ? '\\' : a[i];
        const char fromB = b[i] == '/' && !bKeepsSlashes ? '\\' : b[i];
        if (fromA != fromB) return false;
    }
    return true;
}

std::string toHostFileName(std::string name, PathStyle style) {
    return style == PathStyle::Posix ? toForwardSlashes(std::move(name)) : toBackslashes(std::move(name));
}

bool passesThroughWithoutMap(const std::string &name, PathStyle style) {
    return isAbsolute(name, style) || isDriveRelative(name);
}

bool isDriveRelative(const std::string &name) {
    return beginsWithDrive(name) && (name.size() == 2 || name[2] != '\\');
}

std::string resolveAgainstCurrentDirectory(const std::string &name,
                                           const std::string &currentDirectory,
                                           const std::string &currentDriveRoot, PathStyle style) {
    if (isDriveRelative(name)) return resolveDriveRelative(name, currentDirectory);
    if (isPosixAbsolute(currentDirectory, style)) return resolveAgainstPosixDirectory(name, currentDirectory);
    // The dot is dropped and its backslash kept.
    if (name.size() >= 2 && name[0] == '.' && name[1] == '\\')
        return currentDirectory + name.substr(1);
    if (!name.empty() && name[0] == '\\') return withUpperCaseDrive(currentDriveRoot) + name;
    return underDirectory(currentDirectory, name);
}

std::string restInSeparatorsOf(std::string_view hardPath, std::string rest, PathStyle style) {
    if (isPosixAbsolute(hardPath, style)) return toForwardSlashes(std::move(rest));
    return rest;
}

void mergePaths(std::string &hardPath, const std::string &rest, PathStyle style) {
    const std::string tail = restInSeparatorsOf(hardPath, rest, style);
    const char separator = separatorOf(hardPath, style);
    if (!hardPath.empty() && hardPath.back() == separator) hardPath.pop_back();
    hardPath += tail;
}

namespace {

// "C:/x" is a drive path once in hard path form, and joins as one.
bool valueJoinsWithSlash(std::string_view value, PathStyle style) {
    const PathKind kind = classifyPath(toHardPathForm(std::string(value), style), style);
    return style == PathStyle::Posix && kind != PathKind::Drive && kind != PathKind::Unc;
}

}  // namespace

std::string restInSeparatorsOfValue(std::string_view value, std::string rest, PathStyle style) {
    return valueJoinsWithSlash(value, style) ? toForwardSlashes(std::move(rest)) : rest;
}

void mergeVariableValue(std::string &value, const std::string &rest, PathStyle style) {
    if (!valueJoinsWithSlash(value, style)) {
        mergePaths(value, rest, style);
        return;
    }
    if (!value.empty() && value.back() == '/') value.pop_back();
    value += toForwardSlashes(rest);
}

std::size_t hardPathBaseLength(std::string_view hardPath, PathStyle style) {
    const std::size_t length = hardPath.size();
    if (length == 0) return 0;
    const char separator = separatorOf(hardPath, style);
    // The POSIX root is its own base: without its "/" it would lie over nothing.
    if (separator == '/' && length == 1) return 1;
    return hardPath[length - 1] == separator ? length - 1 : length;
}

bool endsOnComponentBoundary(const std::string &path, std::size_t baseLength, char separator) {
    return path.size() == baseLength || path[baseLength] == separator || path[baseLength - 1] == separator;
}

std::size_t tailPositionUnderHardPath(const std::string &hardPath, const std::string &path, PathStyle style) {
    // Measured, not copied: the reverse lookup runs this on every candidate.
    const std::size_t baseLength = hardPathBaseLength(hardPath, style);
    if (baseLength == 0 || path.size() < baseLength) return std::string::npos;
    const char separator = separatorOf(hardPath, style);
    // Paths mostly come in the case they were defined in: compare bytes first.
    // A POSIX path is its bytes: letter case is never folded there.
    if (path.compare(0, baseLength, hardPath, 0, baseLength) != 0) {
        if (separator == '/') return std::string::npos;
        for (std::size_t i = 0; i < baseLength; ++i)
            if (!sameIgnoringAsciiCase(path[i], hardPath[i])) return std::string::npos;
    }
    if (!endsOnComponentBoundary(path, baseLength, separator)) return std::string::npos;
    // A base ending in its separator (hard path "\\", "X:\\" or "/") keeps that separator in the tail.
    return hardPath[baseLength - 1] == separator ? baseLength - 1 : baseLength;
}

bool liesUnderHardPath(const std::string &hardPath, const std::string &path, std::string &tail, PathStyle style) {
    const std::size_t tailPosition = tailPositionUnderHardPath(hardPath, path, style);
    if (tailPosition == std::string::npos) return false;
    tail = path.substr(tailPosition);
    return true;
}

std::string uncRoot(const std::string &uncPath) {
    const std::size_t serverEnd = uncPath.find('\\', 2);
    if (serverEnd == std::string::npos) return uncPath;
    const std::size_t shareEnd = uncPath.find('\\', serverEnd + 1);
    return uncPath.substr(0, shareEnd);
}

DirectoryAndBase splitDirectoryAndBase(const std::string &path, PathStyle style) {
    const std::size_t separator = path.find_last_of(style == PathStyle::Posix ? "/" : "\\/");
    if (separator == std::string::npos) return {std::string(), path};
    return {path.substr(0, separator + 1), path.substr(separator + 1)};
}

}  // namespace locmap50::paths
