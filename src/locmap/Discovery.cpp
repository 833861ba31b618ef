// SPDX-License-Identifier: Apache-2.0
// Map file discovery (initialize, checkInWDIR) and the environment's tables (fetchEnvVariables, isEnvOverridden).
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "paths/NameRules.h"
#include "paths/PathRules.h"
#include "catalogue/Catalogue.h"
#include "locmap50/VnLocMap.h"
#include "locmap/LookupIndexes.h"
#include "locmap/ProblemReport.h"
#include "locmapfile/LastFailure.h"
#include "platform/Environment.h"
#include "platform/Platform.h"

namespace {

namespace catalogue = locmap50::catalogue;
namespace paths = locmap50::paths;
namespace platform = locmap50::platform;
using locmap50::locmap::ProblemReport;

const char kHomeMapDirectory[] = "/zor";

std::string mapFileIn(const std::string &directory) {
    return directory + "/" + paths::kMapFileBaseName;
}

const char kMapVariable[] = "ZOR_LOCATION_MAP";

VnLoadProblem problemWithFile(int kind, const std::string &file, int reason = LOCMAP50_REASON_NONE) {
    VnLoadProblem problem;
    problem.kind = kind;
    problem.file = file;
    problem.detail = file;
    problem.reason = reason;
    return problem;
}

// A problem with the file that ZOR_LOCATION_MAP names, which carries the variable.
VnLoadProblem problemWithMapVariable(int kind, const std::string &value, int reason) {
    VnLoadProblem problem = problemWithFile(kind, value, reason);
    problem.variable = kMapVariable;
    problem.value = value;
    return problem;
}

// Whether candidate can be taken as the map file; when not, notes the place
// (kind says where the candidate came from) and why it was passed over, and
// gives that reason in *why when asked. The candidates the search builds are
// noted in the library's form; a variable's value as it was set.
bool takesCandidate(const std::string &candidate, int kind, int *why = nullptr) {
    const platform::Status readable = platform::canRead(candidate);
    if (readable) return true;
    const int reason = locmap50::mapfile::reasonCode(readable.failure());
    if (why != nullptr) *why = reason;
    VnLoadProblem passedOver = kind == LOCMAP50_PROBLEM_NOTE_FROM_ENV_VARIABLE
                                   ? problemWithMapVariable(kind, candidate, reason)
                                   : problemWithFile(kind, paths::toHostFileName(candidate), reason);
    passedOver.detail = catalogue::reasonText(reason);
    ProblemReport::note(std::move(passedOver));
    return false;
}

void noteUnsetVariable(const char *name) {
    VnLoadProblem unset;
    unset.kind = LOCMAP50_PROBLEM_NOTE_VARIABLE_UNSET;
    unset.detail = name;
    unset.variable = name;
    ProblemReport::note(std::move(unset));
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
        m_mapFileName = paths::toHostFileName(path);
        const platform::Status readable = platform::canRead(m_mapFileName);
        if (readable) {
            m_globalMapInUse = false;
            return LOCMAP50_OK;
        }
        ProblemReport::reportLoadProblem(
            problemWithFile(LOCMAP50_PROBLEM_NO_READ_ACCESS, m_mapFileName,
                            locmap50::mapfile::reasonCode(readable.failure())),
            m_msgNoReadAccess);
        m_mapFileName.clear();
        return LOCMAP50_FAILED;
    }

    if (const std::optional<std::string> fromVariable =
            platform::getEnvironmentVariable(kMapVariable)) {
        // When set, the variable is the only candidate. Set to the empty text
        // it is unset, as every variable is: that is what "ZOR_LOCATION_MAP="
        // means on Windows and to UnsetLocMapEnvVariable. The heading of the
        // message names it, so it is the map file name meanwhile.
        m_mapFileName = *fromVariable;
        int reason = LOCMAP50_REASON_NONE;
        if (!takesCandidate(m_mapFileName, LOCMAP50_PROBLEM_NOTE_FROM_ENV_VARIABLE, &reason)) {
            ProblemReport::reportLoadProblem(
                problemWithMapVariable(LOCMAP50_PROBLEM_BAD_ENV_PATH, *fromVariable, reason), m_msgBadEnvPath);
            m_mapFileName.clear();
            return LOCMAP50_FAILED;
        }
    } else {
        noteUnsetVariable(kMapVariable);
        searchDefaultPlaces(path);
    }

    if (m_mapFileName.empty()) return LOCMAP50_FAILED;
    m_mapFileName = paths::toHostFileName(m_mapFileName);
    return LOCMAP50_OK;
}

void VnLocMap::searchDefaultPlaces(const std::string &projectDirectory) {
    if (takesCandidate(mapFileIn(projectDirectory), LOCMAP50_PROBLEM_NOTE_IN_PROJECT)) {
        m_mapFileName = mapFileIn(projectDirectory);
        m_globalMapInUse = false;
        return;
    }
    const std::optional<std::string> home = platform::getEnvironmentVariable("HOME");
    if (!home)
        noteUnsetVariable("HOME");
    else if (takesCandidate(mapFileIn(*home + kHomeMapDirectory), LOCMAP50_PROBLEM_NOTE_IN_HOME)) {
        m_mapFileName = mapFileIn(*home + kHomeMapDirectory);
        return;
    }
    checkInWDIR();
}

void VnLocMap::checkInWDIR() {
    const std::optional<std::string> asSet = platform::getEnvironmentVariable("WDIR");
    if (!asSet) {
        noteUnsetVariable("WDIR");
        return;
    }
    std::string directories = *asSet;
    trimSemicolons(directories);
    bool searched = false;
    std::size_t start = 0;
    while (start < directories.size()) {
        const std::size_t end = std::min(directories.find(';', start), directories.size());
        const std::string directory = directories.substr(start, end - start);
        // An empty element (";;") names no directory, so it is skipped.
        if (!directory.empty()) {
            searched = true;
            if (takesCandidate(mapFileIn(directory), LOCMAP50_PROBLEM_NOTE_IN_WDIR)) {
                m_mapFileName = mapFileIn(directory);
                return;
            }
        }
        start = end + 1;
    }
    if (searched) return;
    VnLoadProblem empty;
    empty.kind = LOCMAP50_PROBLEM_NOTE_WDIR_EMPTY;
    empty.detail = "WDIR";
    empty.variable = "WDIR";
    empty.value = *asSet;
    ProblemReport::note(std::move(empty));
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
