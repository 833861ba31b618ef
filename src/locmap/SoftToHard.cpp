// Soft-to-hard translation: getHardName, getAbsoluteHardName and the two static path rules.
#include "locmap/PathRules.h"
#include "locmap50/VnLocMap.h"
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
        if (!value) return 1;
        hardPath = *value;
    }
    paths::mergePaths(hardPath, rest);
    hardName = std::move(hardPath);
    return 0;
}

// "$P" alone: the primary hard path exactly as stored, else the snapshot's
// leading-name expansion of P.
int hardNameOfBareSoftName(const std::map<std::string, std::string> &primaryHardPaths,
                           const VnEnvSnapshot &environment, const std::string &softName,
                           std::string &hardName) {
    const auto primary = primaryHardPaths.find(softName);
    if (primary != primaryHardPaths.end()) {
        hardName = primary->second;
        return 0;
    }
    std::string expansion = environment.expandLeadingName(softName.substr(1));
    if (expansion.empty()) return 1;
    hardName = std::move(expansion);
    return 0;
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
        return 0;
    }
    name = paths::toBackslashes(std::move(name));

    const auto remembered = m_resolvedNameCache.find(name);
    if (remembered != m_resolvedNameCache.end()) {
        hardName = remembered->second;
        return 0;
    }
    if (paths::isAbsolute(name)) {
        hardName = std::move(name);
        return 0;
    }
    if (name.empty() || name[0] != '$') return 1;

    // The soft prefix ends at the first backslash; the rest keeps it.
    const std::size_t backslash = name.find('\\');
    if (backslash == std::string::npos)
        return hardNameOfBareSoftName(m_primaryHardPaths, m_environment, name, hardName);
    return hardNameOfSoftPrefixWithRest(m_primaryHardPaths, name.substr(0, backslash),
                                        name.substr(backslash), hardName);
}

int VnLocMap::getAbsoluteHardName(std::string name, std::string &hardName) {
    if (getHardName(name, hardName) == 0) return 0;
    if (!name.empty() && name[0] == '$') return 1;

    const auto currentDirectory = platform::currentDirectory();
    if (!currentDirectory) return 1;

    // Remembered under the backslash form, which is what getHardName looks up.
    name = paths::toBackslashes(std::move(name));
    std::string absolute =
        paths::resolveAgainstCurrentDirectory(name, *currentDirectory, platform::currentDriveRoot());
    m_resolvedNameCache.emplace(name, absolute);
    hardName = std::move(absolute);
    return 0;
}
