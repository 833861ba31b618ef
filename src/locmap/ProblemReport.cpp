// SPDX-License-Identifier: Apache-2.0
// Reporting the problems of a load into the location map singleton.
#include "locmap/ProblemReport.h"

#include <utility>

#include "locmap/MapState.h"
#include "locmapfile/Diagnostics.h"
#include "paths/Words.h"

namespace locmap50::locmap {

namespace {

int severityOf(int kind) {
    const paths::ProblemWords *words = paths::problemWords(kind);
    return words != nullptr ? words->severity : LOCMAP50_SEVERITY_ERROR;
}

}  // namespace

void ProblemReport::reportLoadProblem(VnLoadProblem problem, const std::string &format) {
    VnLocMap *map = VnLocMap::createMap();
    if (map == nullptr) return;
    problem.severity = severityOf(problem.kind);
    const std::string message = mapfile::renderLegacyMessage(problem, format);
    if (map->m_errorText.empty()) map->m_errorText = mapfile::legacyHeading(map->m_mapFileName);
    map->m_errorText += message;
    map->m_private.get().problems.push_back(std::move(problem));
}

void ProblemReport::note(int kind, std::string file, std::string detail, int reason) {
    VnLocMap *map = VnLocMap::createMap();
    if (map == nullptr) return;
    VnLoadProblem problem;
    problem.severity = severityOf(kind);
    problem.kind = kind;
    problem.file = std::move(file);
    problem.detail = std::move(detail);
    problem.reason = reason;
    map->m_private.get().problems.push_back(std::move(problem));
}

}  // namespace locmap50::locmap
