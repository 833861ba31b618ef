// Hard-to-soft translation: getSoftName through the map, then the environment.
#include "locmap50/VnLocMap.h"
#include "paths/NameRules.h"
#include "paths/PathRules.h"

namespace paths = locmap50::paths;

namespace {

// The current project is written relative: "." instead of its soft prefix.
const char kCurrentProjectVariable[] = "CURRENT_PROJECT_PATH";
const char kCurrentProjectPrefix[] = "$CURRENT_PROJECT_PATH";

// What stands for a hard path: a soft prefix of the map, or the name of an
// environment variable (without its "$").
enum class NameKind { SoftPrefix, EnvironmentVariable };

// The soft name that stands for a path under hardPath: name followed by the
// rest of path. True with result set when path lies under hardPath; false
// otherwise, and then result holds path.
bool substituteHardPrefix(const std::string &hardPath, const std::string &name, NameKind kind,
                          const std::string &path, std::string &result) {
    std::string tail;
    if (!paths::liesUnderHardPath(hardPath, path, tail)) {
        result = path;
        return false;
    }
    if (kind == NameKind::EnvironmentVariable)
        result = name == kCurrentProjectVariable ? "." : "$" + name;
    else
        result = name == kCurrentProjectPrefix ? "." : name;
    result += tail;
    return true;
}

}  // namespace

int VnLocMap::getSoftName(std::string path, std::string &softName) {
    if (paths::isUrl(path)) {
        softName = std::move(path);
        return LOCMAP50_OK;
    }
    path = paths::toBackslashes(std::move(path));
    if (paths::passesThroughAsSoftName(path)) {
        softName = std::move(path);
        return LOCMAP50_OK;
    }
    // A relative path lies under no hard path.
    if (isPathRelative(path)) return LOCMAP50_FAILED;

    // Definition order decides, not the longest match.
    for (const std::string &softPrefix : m_softPrefixOrder) {
        const auto entry = m_softToHardMap.find(softPrefix);
        if (entry == m_softToHardMap.end()) continue;
        for (const std::string &hardPath : entry->second)
            if (substituteHardPrefix(hardPath, softPrefix, NameKind::SoftPrefix, path, softName))
                return LOCMAP50_OK;
    }
    return getSoftNameFromEnv(path, softName);
}

int VnLocMap::getSoftNameFromEnv(std::string path, std::string &softName) {
    if (isPathRelative(path)) return LOCMAP50_FAILED;
    for (const auto &[hardPath, variableName] : s_envHardToSoftMap)
        if (substituteHardPrefix(hardPath, variableName, NameKind::EnvironmentVariable, path,
                                 softName))
            return LOCMAP50_OK;
    return LOCMAP50_FAILED;
}
