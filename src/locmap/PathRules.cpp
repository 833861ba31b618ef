// Pure string rules on names and paths.
#include "locmap/PathRules.h"

#include <algorithm>
#include <cctype>

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
    std::string base = hardPath;
    if (!base.empty() && base.back() == '\\') base.pop_back();
    if (base.empty() || path.size() < base.size()) return false;
    for (std::size_t i = 0; i < base.size(); ++i)
        if (foldAsciiLetter(path[i]) != foldAsciiLetter(base[i])) return false;

    const bool baseEndsInBackslash = base.back() == '\\';
    const bool onBoundary = path.size() == base.size() || path[base.size()] == '\\' ||
                            baseEndsInBackslash;
    if (!onBoundary) return false;
    // A base ending in "\" (from "X:\\") keeps that separator in the tail.
    tail = path.substr(baseEndsInBackslash ? base.size() - 1 : base.size());
    return true;
}

}  // namespace locmap50::paths
