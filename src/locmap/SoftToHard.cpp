// Soft-to-hard translation: getHardName, getAbsoluteHardName and the two static path rules.
#include "locmap50/VnLocMap.h"
#include "paths/NameRules.h"
#include "paths/PathRules.h"
#include "platform/Platform.h"

namespace paths = locmap50::paths;
namespace platform = locmap50::platform;

namespace {

// "$P\rest": the map's primary hard path for $P, else the live environment
// variable P (names compared as the platform does), joined with rest.
int hardNameOfSoftPrefixWithRest(const std::map<std::string, std::string> &primaryHardPaths,
                                 const std::string &softPrefix, const std::string &rest,
                                 std::string &hardName) {
    std::string hardPath;
    const auto primary = primaryHardPaths.find(softPrefix);
    if (primary != primaryHardPaths.end()) {
        hardPath = primary->second;
    } else {
        // The live environment, not the snapshot: callers may set a variable
        // after the map was made and still expect "$VAR\x" to resolve.
        const auto value = platform::getEnvironmentVariable(softPrefix.substr(1));
        if (!value) return LOCMAP50_FAILED;
        hardPath = *value;
    }
    paths::mergePaths(hardPath, rest);
    hardName = std::move(hardPath);
    return LOCMAP50_OK;
}

// "$P" alone: the primary hard path exactly as stored, else the snapshot's
// leading-name expansion of P.
int hardNameOfBareSoftName(const std::map<std::string, std::string> &primaryHardPaths,
                           const VnEnvSnapshot &environment, const std::string &softName,
                           std::string &hardName) {
    const auto primary = primaryHardPaths.find(softName);
    if (primary != primaryHardPaths.end()) {
        hardName = primary->second;
        return LOCMAP50_OK;
    }
    std::string expansion = environment.expandLeadingName(softName.substr(1));
    if (expansion.empty()) return LOCMAP50_FAILED;
    hardName = std::move(expansion);
    return LOCMAP50_OK;
}

}  // namespace

bool VnLocMap::isPathRelative(const std::string &path) {
    return !paths::isAbsolute(path);
}

void VnLocMap::mergePaths(std::string &hardPath, const std::string &rest) {
    paths::mergePaths(hardPath, rest);
}

int VnLocMap::getHardName(std::string name, std::string &hardName) {
    // A URL keeps its slashes.
    if (paths::isUrl(name)) {
        hardName = std::move(name);
        return LOCMAP50_OK;
    }
    name = paths::toBackslashes(std::move(name));

    const auto remembered = m_resolvedNameCache.find(name);
    if (remembered != m_resolvedNameCache.end()) {
        hardName = remembered->second;
        return LOCMAP50_OK;
    }
    if (paths::isAbsolute(name)) {
        hardName = std::move(name);
        return LOCMAP50_OK;
    }
    if (name.empty() || name[0] != '$') return LOCMAP50_FAILED;

    const paths::SoftNameParts parts = paths::splitSoftName(name);
    if (parts.rest.empty())
        return hardNameOfBareSoftName(m_primaryHardPaths, m_environment, name, hardName);
    return hardNameOfSoftPrefixWithRest(m_primaryHardPaths, parts.softPrefix, parts.rest, hardName);
}

int VnLocMap::getAbsoluteHardName(std::string name, std::string &hardName) {
    if (getHardName(name, hardName) == LOCMAP50_OK) return LOCMAP50_OK;
    if (!name.empty() && name[0] == '$') return LOCMAP50_FAILED;

    const auto currentDirectory = platform::currentDirectory();
    if (!currentDirectory) return LOCMAP50_FAILED;

    // Remembered under the backslash form, which is what getHardName looks up.
    name = paths::toBackslashes(std::move(name));
    std::string absolute =
        paths::resolveAgainstCurrentDirectory(name, *currentDirectory, platform::currentDriveRoot());
    m_resolvedNameCache.emplace(name, absolute);
    hardName = std::move(absolute);
    return LOCMAP50_OK;
}
