// SPDX-License-Identifier: Apache-2.0
// Soft names, environment entries and hard path list strings: splitting and joining.
#include "paths/NameRules.h"

#include <algorithm>

#include "paths/AsciiText.h"

namespace locmap50::paths {

bool isCurrentProjectPrefix(std::string_view softPrefix) {
    return isSoftName(softPrefix) && softPrefix.substr(1) == kCurrentProjectVariable;
}

bool isSoftPrefixName(std::string_view name) {
    if (name.empty() || !isAsciiLetter(name[0])) return false;
    return std::all_of(name.begin() + 1, name.end(),
                       [](char c) { return isAsciiLetter(c) || isAsciiDigit(c) || c == '_'; });
}

bool entersEnvironmentTable(std::string_view name, PathStyle style) {
    if (name == "CADRIX_PROJECTS") return false;
    if (style == PathStyle::Windows) return true;
    return isSoftPrefixName(name) && name != "PWD" && name != "OLDPWD";
}

bool isSoftName(std::string_view name) {
    return !name.empty() && name.front() == '$';
}

bool passesThroughAsSoftName(const std::string &name) {
    return name == "\\\\" || isSoftName(name);
}

std::size_t softPrefixEnd(const std::string &name) {
    return std::min(name.find('\\'), name.size());
}

SoftNameParts splitSoftName(const std::string &name) {
    const std::size_t backslash = softPrefixEnd(name);
    if (backslash == name.size()) return {name, std::string()};
    return {name.substr(0, backslash), name.substr(backslash)};
}

std::optional<EnvironmentEntry> splitEnvironmentEntry(std::string_view entry) {
    const std::size_t equals = entry.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return EnvironmentEntry{entry.substr(0, equals), entry.substr(equals + 1)};
}

std::list<std::string> splitHardPathList(const std::string &listString) {
    std::list<std::string> paths;
    std::size_t start = 0;
    for (std::size_t tick = listString.find(kHardPathListEnd); tick != std::string::npos;
         tick = listString.find(kHardPathListEnd, start)) {
        paths.push_back(listString.substr(start, tick - start));
        start = tick + 1;
    }
    return paths;
}

std::string joinHardPathList(const std::list<std::string> &paths) {
    std::string listString;
    for (const std::string &path : paths) {
        listString += path;
        listString += kHardPathListEnd;
    }
    return listString;
}

}  // namespace locmap50::paths
