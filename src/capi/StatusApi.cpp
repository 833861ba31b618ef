// SPDX-License-Identifier: Apache-2.0
// The exported C functions that tell how the last load went and list the map's soft prefixes.
#include <vector>

#include "capi/CApiSupport.h"
#include "paths/NameRules.h"
#include "catalogue/Catalogue.h"
#include "locmap50/locmap50.h"

using locmap50::capi::existingMap;
using locmap50::capi::guardedCall;
using locmap50::capi::underSharedLock;

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

// The record at index, or null when index is out of range.
const VnLoadProblem *problemAt(int index) {
    const std::vector<VnLoadProblem> &problems = lastLoadProblems();
    if (index < 0 || static_cast<std::size_t>(index) >= problems.size()) return nullptr;
    return &problems[static_cast<std::size_t>(index)];
}

int loadProblem(int index, int *severity, int *kind, const char **file, int *line, const char **detail) {
    if (severity == nullptr || kind == nullptr || file == nullptr || line == nullptr || detail == nullptr)
        return LOCMAP50_FAILED;
    const VnLoadProblem *found = problemAt(index);
    if (found == nullptr) return LOCMAP50_FAILED;
    const VnLoadProblem &problem = *found;
    *severity = problem.severity;
    *kind = problem.kind;
    *file = problem.file.c_str();
    *line = problem.line;
    *detail = problem.detail.c_str();
    return LOCMAP50_OK;
}

// needed: null for GetLoadProblemText, where the N form wants the room the sentence needs.
int loadProblemText(int index, char *buffer, std::size_t size, std::size_t *needed) {
    if (buffer == nullptr && (needed == nullptr || size != 0)) return LOCMAP50_FAILED;
    const VnLoadProblem *problem = problemAt(index);
    if (problem == nullptr) {
        if (size > 0) *buffer = '\0';
        return LOCMAP50_FAILED;
    }
    const std::string sentence = locmap50::catalogue::plainSentence(problem->kind, problem->detail);
    const int result =
        locmap50::capi::copyToBuffer(sentence, buffer, size) ? LOCMAP50_OK : LOCMAP50_BUFFER_TOO_SMALL;
    return locmap50::capi::withRoomNeeded(result, sentence.size(), size, needed);
}

int loadProblemReason(int index, int *reason) {
    if (reason == nullptr) return LOCMAP50_FAILED;
    *reason = LOCMAP50_REASON_NONE;
    const VnLoadProblem *problem = problemAt(index);
    if (problem == nullptr) return LOCMAP50_FAILED;
    *reason = problem->reason;
    return LOCMAP50_OK;
}

int loadProblemVariable(int index, const char **variable, const char **value) {
    if (variable == nullptr || value == nullptr) return LOCMAP50_FAILED;
    const VnLoadProblem *problem = problemAt(index);
    if (problem == nullptr) return LOCMAP50_FAILED;
    *variable = problem->variable.c_str();
    *value = problem->value.c_str();
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
    return guardedCall(LOCMAP50_FAILED, [&] {
        return underSharedLock([&] { return loadStatus(outcome, errorCount, warningCount); });
    });
}

int GetLoadProblemCount(void) {
    return guardedCall(0, [] { return underSharedLock([] { return static_cast<int>(lastLoadProblems().size()); }); });
}

int GetLoadProblem(int index, int *severity, int *kind, const char **file, int *line, const char **detail) {
    return guardedCall(LOCMAP50_FAILED, [&] {
        return underSharedLock([&] { return loadProblem(index, severity, kind, file, line, detail); });
    });
}

int GetLoadProblemText(int index, char *buffer, size_t size) {
    return guardedCall(LOCMAP50_FAILED,
                       [&] { return underSharedLock([&] { return loadProblemText(index, buffer, size, nullptr); }); });
}

int GetLoadProblemTextN(int index, char *buffer, size_t size, size_t *needed) {
    if (needed == nullptr) return LOCMAP50_FAILED;
    *needed = 0;
    return guardedCall(LOCMAP50_FAILED,
                       [&] { return underSharedLock([&] { return loadProblemText(index, buffer, size, needed); }); });
}

int GetLoadProblemReason(int index, int *reason) {
    return guardedCall(LOCMAP50_FAILED, [&] { return underSharedLock([&] { return loadProblemReason(index, reason); }); });
}

int GetLoadProblemVariable(int index, const char **variable, const char **value) {
    return guardedCall(LOCMAP50_FAILED, [&] {
        return underSharedLock([&] { return loadProblemVariable(index, variable, value); });
    });
}

const char *GetProblemKindName(int kind) {
    const locmap50::catalogue::ProblemWords *words = locmap50::catalogue::problemWords(kind);
    return words != nullptr ? words->name : nullptr;
}

const char *GetFailureReasonText(int reason) {
    const locmap50::catalogue::ReasonWords *words = locmap50::catalogue::reasonWords(reason);
    return words != nullptr ? words->text : nullptr;
}

char *ReturnAllSoftPrefixes(void) {
    return guardedCall<char *>(nullptr, [] { return underSharedLock([] { return newSoftPrefixList(); }); });
}

}  // extern "C"
