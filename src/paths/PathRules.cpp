// Pure string rules on names and paths, the same on every host.
#include "locmap/PathRules.h"

#include <algorithm>

namespace locmap50::paths {
namespace {

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char foldAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether text begins with scheme (lower-case letters and a colon), letters
// compared without regard to case and the colon exactly.
bool beginsWithScheme(const std::string &text, const std::string &scheme) {
    if (text.size() < scheme.size()) return false;
    for (std::size_t i = 0; i < scheme.size(); ++i)
        if (foldAsciiLetter(text[i]) != scheme[i]) return false;
    return true;
}

char upperAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Whether text begins with a drive letter and a colon.
bool beginsWithDrive(const std::string &text) {
    return text.size() >= 2 && isAsciiLetter(text[0]) && text[1] == ':';
}

bool sameDrive(const std::string &a, const std::string &b) {
    return beginsWithDrive(a) && beginsWithDrive(b) &&
           foldAsciiLetter(a[0]) == foldAsciiLetter(b[0]);
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
    return std::string(1, upperAsciiLetter(name[0])) + ":\\" + rest;
}

// The drive root with its letter in upper case; a UNC root stays as it is.
std::string upperCaseDrive(std::string driveRoot) {
    if (beginsWithDrive(driveRoot)) driveRoot[0] = upperAsciiLetter(driveRoot[0]);
    return driveRoot;
}

}  // namespace

bool isUrl(const std::string &name) {
    return beginsWithScheme(name, "http:") || beginsWithScheme(name, "ftp:");
}

std::string toBackslashes(std::string name) {
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

bool isAbsolute(const std::string &path) {
    if (path.size() >= 3 && isAsciiLetter(path[0]) && path[1] == ':' && path[2] == '\\')
        return true;
    return path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
}

bool startsWithDriveOrDoubleBackslash(const std::string &name) {
    return beginsWithDrive(name) || (name.size() >= 2 && name[0] == '\\' && name[1] == '\\');
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
    if (!name.empty() && name[0] == '\\') return upperCaseDrive(currentDriveRoot) + name;
    if (isDriveRelative(name)) return resolveDriveRelative(name, currentDirectory);
    return underDirectory(currentDirectory, name);
}

void mergePaths(std::string &hardPath, const std::string &rest) {
    if (!hardPath.empty() && hardPath.back() == '\\') hardPath.pop_back();
    hardPath += rest;
}

std::list<std::string> splitHardPathList(const std::string &listString) {
    std::list<std::string> paths;
    std::size_t start = 0;
    for (std::size_t tick = listString.find('`'); tick != std::string::npos;
         tick = listString.find('`', start)) {
        paths.push_back(listString.substr(start, tick - start));
        start = tick + 1;
    }
    return paths;
}

std::string joinHardPathList(const std::list<std::string> &paths) {
    std::string listString;
    for (const std::string &path : paths) {
        listString += path;
        listString += '`';
    }
    return listString;
}

bool liesUnderHardPath(const std::string &hardPath, const std::string &path, std::string &tail) {
    // The base is hardPath without one trailing "\"; measured, not copied,
    // because the reverse lookup runs this for every hard path of the map.
    std::size_t baseLength = hardPath.size();
    if (baseLength > 0 && hardPath[baseLength - 1] == '\\') --baseLength;
    if (baseLength == 0 || path.size() < baseLength) return false;
    for (std::size_t i = 0; i < baseLength; ++i)
        if (foldAsciiLetter(path[i]) != foldAsciiLetter(hardPath[i])) return false;

    const bool baseEndsInBackslash = hardPath[baseLength - 1] == '\\';
    const bool onBoundary = path.size() == baseLength || path[baseLength] == '\\' ||
                            baseEndsInBackslash;
    if (!onBoundary) return false;
    // A base ending in "\" (hard path "\\" or "X:\\") keeps that separator in the tail.
    tail = path.substr(baseEndsInBackslash ? baseLength - 1 : baseLength);
    return true;
}

}  // namespace locmap50::paths
