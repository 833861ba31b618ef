// The exported C functions that tell how the last load went and list the map's soft prefixes.
#include <vector>

#include "capi/CApiSupport.h"
#include "paths/NameRules.h"
#include "locmap50/locmap50.h"

using locmap50::capi::existingMap;
using locmap50::capi::guardedCall;

namespace {

// Writes value through out when the caller asked for it.
void store(int *out, int value) {
    if (out != nullptr) *out = value;
}

int loadOutcome(int errorCount, int warningCount) {
    if (errorCount > 0) return LOCMAP50_LOAD_ERRORS;
    return warningCount > 0 ? LOCMAP50_LOAD_WARNINGS : LOCMAP50_LOAD_CLEAN;
}

int loadStatus(int *outcome, int *errorCount, int *warningCount) {
    const VnLocMap *map = existingMap();
    if (map == nullptr) {
        store(outcome, LOCMAP50_LOAD_CLEAN);
        store(errorCount, 0);
        store(warningCount, 0);
        return LOCMAP50_NO_MAP;
    }
    const int errors = map->loadErrorCount();
    const int warnings = map->loadWarningCount();
    store(outcome, loadOutcome(errors, warnings));
    store(errorCount, errors);
    store(warningCount, warnings);
    return LOCMAP50_OK;
}

// The problems of the last load: the map's, or, when InitLocationMap found
// no map and destroyed it again, those it kept of that attempt.
const std::vector<VnLoadProblem> &lastLoadProblems() {
    const VnLocMap *map = existingMap();
    return map != nullptr ? map->loadProblems() : locmap50::capi::g_problemsWithoutMap;
}

int loadProblem(int index, int *severity, int *kind, const char **file, int *line, const char **detail) {
    if (severity == nullptr || kind == nullptr || file == nullptr || line == nullptr || detail == nullptr)
        return LOCMAP50_FAILED;
    const std::vector<VnLoadProblem> &problems = lastLoadProblems();
    if (index < 0 || static_cast<std::size_t>(index) >= problems.size()) return LOCMAP50_FAILED;
    const VnLoadProblem &problem = problems[static_cast<std::size_t>(index)];
    *severity = problem.severity;
    *kind = problem.kind;
    *file = problem.file.c_str();
    *line = problem.line;
    *detail = problem.detail.c_str();
    return LOCMAP50_OK;
}

char *newSoftPrefixList() {
    const VnLocMap *map = existingMap();
    if (map == nullptr) return nullptr;
    return locmap50::capi::newCallerOwnedString(locmap50::paths::joinHardPathList(map->m_softPrefixOrder));
}

}  // namespace

extern "C" {

int GetLoadStatus(int *outcome, int *errorCount, int *warningCount) {
    return guardedCall(LOCMAP50_FAILED, [&] { return loadStatus(outcome, errorCount, warningCount); });
}

int GetLoadProblemCount(void) {
    return static_cast<int>(lastLoadProblems().size());
}

int GetLoadProblem(int index, int *severity, int *kind, const char **file, int *line, const char **detail) {
    return guardedCall(LOCMAP50_FAILED, [&] { return loadProblem(index, severity, kind, file, line, detail); });
}

char *ReturnAllSoftPrefixes(void) {
    return guardedCall<char *>(nullptr, [] { return newSoftPrefixList(); });
}

}  // extern "C"
