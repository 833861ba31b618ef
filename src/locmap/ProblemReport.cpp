// SPDX-License-Identifier: Apache-2.0
// Reporting the problems of a load into the location map singleton.
#include "locmap/ProblemReport.h"

#include <utility>

#include "locmap/MapState.h"
#include "locmapfile/Diagnostics.h"
#include "catalogue/Catalogue.h"

namespace locmap50::locmap {

namespace {

int severityOf(int kind) {
    const catalogue::ProblemWords *words = catalogue::problemWords(kind);
    return words != nullptr ? words->severity : LOCMAP50_SEVERITY_ERROR;
}

}  // namespace

// The message goes to m_errorText (under the heading naming the main map
// file when the text is still empty), the record to the records.
void ProblemReport::keep(const std::string &message, VnLoadProblem problem) {
    VnLocMap *map = VnLocMap::createMap();
    if (map == nullptr) return;
    if (map->m_errorText.empty()) map->m_errorText = mapfile::legacyHeading(map->m_mapFileName);
    map->m_errorText += message;
    problem.severity = severityOf(problem.kind);
    map->m_private.get().problems.push_back(std::move(problem));
}

void ProblemReport::reportLoadProblem(VnLoadProblem problem, const std::string &format) {
    const std::string message = mapfile::renderLegacyMessage(problem, format);
    keep(message, std::move(problem));
}

void ProblemReport::reportMapProblem(VnLoadProblem problem, const std::string &format, int messageKind) {
    VnLoadProblem asMessaged = problem;
    asMessaged.kind = messageKind;
    const std::string message = mapfile::renderLegacyMessage(asMessaged, format);
    problem.detail = catalogue::quotedLine(problem.detail);
    keep(message, std::move(problem));
}

void ProblemReport::note(VnLoadProblem problem) {
    VnLocMap *map = VnLocMap::createMap();
    if (map == nullptr) return;
    problem.severity = severityOf(problem.kind);
    map->m_private.get().problems.push_back(std::move(problem));
}

}  // namespace locmap50::locmap
