// Hard-to-soft translation: getSoftName through the map, then the environment.
#include "locmap/PathRules.h"
#include "locmap50/VnLocMap.h"

namespace paths = locmap50::paths;

namespace {

// The current project is written relative: "." instead of its soft prefix.
const char kCurrentProjectVariable[] = "CURRENT_PROJECT_PATH";
const char kCurrentProjectPrefix[] = "$CURRENT_PROJECT_PATH";

// The soft name that stands for a path under hardPath: softName (a soft
// prefix, or with isEnvName a variable name without its "$") followed by the
// rest of path. True with result set when path lies under hardPath; false
// otherwise, and then result holds path.
bool substituteHardPrefix(const std::string &hardPath, const std::string &softName,
                          const std::string &path, std::string &result, bool isEnvName) {
    std::string tail;
    if (!paths::liesUnderHardPath(hardPath, path, tail)) {
        result = path;
        return false;
    }
    if (isEnvName)
        result = softName == kCurrentProjectVariable ? "." : "$" + softName;
    else
        result = softName == kCurrentProjectPrefix ? "." : softName;
    result += tail;
    return true;
}

}  // namespace

int VnLocMap::getSoftName(std::string path, std::string &softName) {
    if (paths::isUrl(path)) {
        softName = std::move(path);
        return 0;
    }
    path = paths::toBackslashes(std::move(path));

    // The bare UNC root and names already soft pass through.
    if (path == "\\\\" || (!path.empty() && path[0] == '$')) {
        softName = std::move(path);
        return 0;
    }
    // A relative path lies under no hard path.
    if (isPathRelative(path)) return 1;

    // Definition order decides, not the longest match.
    for (const std::string &softPrefix : m_softPrefixOrder) {
        const auto entry = m_softToHardMap.find(softPrefix);
        if (entry == m_softToHardMap.end()) continue;
        for (const std::string &hardPath : entry->second)
            if (substituteHardPrefix(hardPath, softPrefix, path, softName, false)) return 0;
    }
    return getSoftNameFromEnv(path, softName);
}

int VnLocMap::getSoftNameFromEnv(std::string path, std::string &softName) {
    if (isPathRelative(path)) return 1;
    for (const auto &[hardPath, variableName] : s_envHardToSoftMap)
        if (substituteHardPrefix(hardPath, variableName, path, softName, true)) return 0;
    return 1;
}
