// SPDX-License-Identifier: Apache-2.0
// The codes of the library's catalogue as tests walk it: those it knows, and the codes around and between them that it must not.
#ifndef LOCMAP50_TESTS_SUPPORT_CODETABLE_H
#define LOCMAP50_TESTS_SUPPORT_CODETABLE_H

#include <climits>
#include <set>
#include <vector>

#include "catalogue/Catalogue.h"

namespace testsupport {

inline std::set<int> catalogueKinds() {
    std::set<int> kinds;
    for (const locmap50::catalogue::ProblemWords &words : locmap50::catalogue::allProblemWords()) kinds.insert(words.kind);
    return kinds;
}

inline std::set<int> catalogueReasons() {
    std::set<int> reasons;
    for (const locmap50::catalogue::ReasonWords &words : locmap50::catalogue::allReasonWords()) reasons.insert(words.reason);
    return reasons;
}

// Codes a table of the known codes does not hold: just below and above its
// bounds, every gap between them, and the extremes of int. Derived from the
// table, so a code added to it is never taken for an unknown one.
inline std::vector<int> codesOutside(const std::set<int> &known) {
    std::vector<int> unknown{INT_MIN, INT_MAX};
    if (known.empty()) return unknown;
    unknown.push_back(*known.begin() - 1);
    unknown.push_back(*known.rbegin() + 1);
    for (int code = *known.begin(); code < *known.rbegin(); ++code)
        if (known.count(code) == 0) unknown.push_back(code);
    return unknown;
}

}  // namespace testsupport

#endif  // LOCMAP50_TESTS_SUPPORT_CODETABLE_H
