// Pure string rules on names and paths, the same on every host.
#include "paths/PathRules.h"

#include <algorithm>

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

bool sameDrive(const std::string &a, const std::string &b) {
    return beginsWithDrive(a) && beginsWithDrive(b) &&
           sameIgnoringAsciiCase(a[0], b[0]);
}

// directory, then "\" and name; "." stands for the directory itself.
std::string underDirectory(const std::string &directory, const std::string &name) {
    if (name == ".") return directory;
    return directory + '\\' + name;
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

bool isAbsolute(std::string_view path) {
    if (path.size() >= 3 && isAsciiLetter(path[0]) && path[1] == ':' && path[2] == '\\')
        return true;
    return beginsWithTwoBackslashes(path);
}

bool startsWithDriveOrDoubleBackslash(const std::string &name) {
    return beginsWithDrive(name) || beginsWithTwoBackslashes(name);
}

bool isDriveRelative(const std::string &name) {
    return beginsWithDrive(name) && (name.size() == 2 || name[2] != '\\');
}

std::string resolveAgainstCurrentDirectory(const std::string &name,
                                           const std::string &currentDirectory,
                                           const std::string &currentDriveRoot) {
    // The dot is dropped and its backslash kept.
    if (name.size() >= 2 && name[0] == '.' && name[1] == '\\')
        return currentDirectory + name.substr(1);
    if (!name.empty() && name[0] == '\\') return withUpperCaseDrive(currentDriveRoot) + name;
    if (isDriveRelative(name)) return resolveDriveRelative(name, currentDirectory);
    return underDirectory(currentDirectory, name);
}

void mergePaths(std::string &hardPath, const std::string &rest) {
    hardPath.resize(hardPathBaseLength(hardPath));
    hardPath += rest;
}

std::size_t hardPathBaseLength(std::string_view hardPath) {
    const std::size_t length = hardPath.size();
    return length > 0 && hardPath[length - 1] == '\\' ? length - 1 : length;
}

bool endsOnComponentBoundary(const std::string &path, std::size_t baseLength) {
    return path.size() == baseLength || path[baseLength] == '\\' || path[baseLength - 1] == '\\';
}

std::size_t tailPositionUnderHardPath(const std::string &hardPath, const std::string &path) {
    // Measured, not copied: the reverse lookup runs this on every candidate.
    const std::size_t baseLength = hardPathBaseLength(hardPath);
    if (baseLength == 0 || path.size() < baseLength) return std::string::npos;
    // Paths mostly come in the case they were defined in: compare bytes first.
    if (path.compare(0, baseLength, hardPath, 0, baseLength) != 0)
        for (std::size_t i = 0; i < baseLength; ++i)
            if (!sameIgnoringAsciiCase(path[i], hardPath[i])) return std::string::npos;
    if (!endsOnComponentBoundary(path, baseLength)) return std::string::npos;
    // A base ending in "\" (hard path "\\" or "X:\\") keeps that separator in the tail.
    return hardPath[baseLength - 1] == '\\' ? baseLength - 1 : baseLength;
}

bool liesUnderHardPath(const std::string &hardPath, const std::string &path, std::string &tail) {
    const std::size_t tailPosition = tailPositionUnderHardPath(hardPath, path);
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

DirectoryAndBase splitDirectoryAndBase(const std::string &path) {
    const std::size_t separator = path.find_last_of("\\/");
    if (separator == std::string::npos) return {std::string(), path};
    return {path.substr(0, separator + 1), path.substr(separator + 1)};
}

}  // namespace locmap50::paths
