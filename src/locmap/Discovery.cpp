// Map file discovery (initialize, checkInWDIR) and the environment's tables (fetchEnvVariables, isEnvOverridden).
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "paths/NameRules.h"
#include "paths/PathRules.h"
#include "locmap50/VnLocMap.h"
#include "locmap/LookupIndexes.h"
#include "locmapfile/Diagnostics.h"
#include "platform/Environment.h"
#include "platform/Platform.h"

namespace {

namespace paths = locmap50::paths;
namespace platform = locmap50::platform;
using locmap50::mapfile::reportWithArguments;
using locmap50::mapfile::Severity;

const char kMapFileSuffix[] = "/zor_location_map";
const char kHomeMapDirectory[] = "/zor";

std::string mapFileIn(const std::string &directory) {
    return directory + kMapFileSuffix;
}

void trimSemicolons(std::string &text) {
    const std::size_t first = text.find_first_not_of(';');
    if (first == std::string::npos) {
        text.clear();
        return;
    }
    text.erase(text.find_last_not_of(';') + 1);
    text.erase(0, first);
}

}  // namespace

int VnLocMap::initialize(const std::string &path, int isMapFile) {
    if (isMapFile != 0) {
        m_mapFileName = paths::toBackslashes(path);
        if (platform::canRead(m_mapFileName)) {
            m_globalMapInUse = false;
            return LOCMAP50_OK;
        }
        reportWithArguments(Severity::Error, m_msgNoReadAccess, {m_mapFileName});
        m_mapFileName.clear();
        return LOCMAP50_FAILED;
    }

    if (const std::optional<std::string> fromVariable =
            platform::getEnvironmentVariable("ZOR_LOCATION_MAP")) {
        // When set, the variable is the only candidate. Set to the empty text
        // it is unset, as every variable is: that is what "ZOR_LOCATION_MAP="
        // means on Windows and to UnsetLocMapEnvVariable.
        m_mapFileName = *fromVariable;
        if (!platform::canRead(m_mapFileName)) {
            reportWithArguments(Severity::Error, m_msgBadEnvPath, {});
            m_mapFileName.clear();
            return LOCMAP50_FAILED;
        }
    } else if (platform::canRead(mapFileIn(path))) {
        m_mapFileName = mapFileIn(path);
        m_globalMapInUse = false;
    } else {
        const std::optional<std::string> home = platform::getEnvironmentVariable("HOME");
        if (home && platform::canRead(mapFileIn(*home + kHomeMapDirectory)))
            m_mapFileName = mapFileIn(*home + kHomeMapDirectory);
        else
            checkInWDIR();
    }

    if (m_mapFileName.empty()) return LOCMAP50_FAILED;
    m_mapFileName = paths::toBackslashes(m_mapFileName);
    return LOCMAP50_OK;
}

void VnLocMap::checkInWDIR() {
    std::optional<std::string> directories = platform::getEnvironmentVariable("WDIR");
    if (!directories) return;
    trimSemicolons(*directories);
    if (directories->empty()) return;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(directories->find(';', start), directories->size());
        const std::string directory = directories->substr(start, end - start);
        // An empty element (";;") names no directory, so it is skipped.
        if (!directory.empty() && platform::canRead(mapFileIn(directory))) {
            m_mapFileName = mapFileIn(directory);
            return;
        }
        if (end == directories->size()) return;
        start = end + 1;
    }
}

void VnLocMap::fetchEnvVariables() {
    locmap50::locmap::EnvironmentTableIndex::instance().tableRefilled();
    s_envHardToSoftMap =
        platform::variablesByAbsolutePath(platform::environmentTable().value_or(std::vector<std::string>()));
}

int VnLocMap::isEnvOverridden(std::string softPrefix) {
    const bool found = std::find(m_envOverridden.begin(), m_envOverridden.end(), softPrefix) !=
                       m_envOverridden.end();
    return found ? 1 : 0;  // a truth value, not a result code
}
