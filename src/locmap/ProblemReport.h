// SPDX-License-Identifier: Apache-2.0
// Reporting the problems of a load: a record for callers, and the legacy message text rendered from it.
#ifndef LOCMAP50_LOCMAP_PROBLEMREPORT_H
#define LOCMAP50_LOCMAP_PROBLEMREPORT_H

#include <string>

#include "locmap50/VnLocMap.h"

namespace locmap50::locmap {

// Problems go to the location map singleton (created if need be), whoever
// raised them: its records, its counts and its m_errorText.
class ProblemReport {
public:
    // Records an error or a warning and appends its message, format filled
    // from the record, to m_errorText (under the heading naming the main map
    // file when the text is still empty). The severity is the kind's, as the
    // catalogue of words gives it.
    static void reportLoadProblem(VnLoadProblem problem, const std::string &format);
    // As reportLoadProblem, for a problem found in a map file's lines: the
    // message quotes the detail whole, as its format always did, with the
    // arguments of messageKind; the record keeps catalogue::quotedLine of it.
    static void reportMapProblem(VnLoadProblem problem, const std::string &format, int messageKind);
    // Records a note (with the system's reason for passing a place over, if
    // any); notes have no message text. The severity is the kind's.
    static void note(VnLoadProblem problem);

private:
    static void keep(const std::string &message, VnLoadProblem problem);
};

}  // namespace locmap50::locmap

#endif  // LOCMAP50_LOCMAP_PROBLEMREPORT_H
