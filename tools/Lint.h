// SPDX-License-Identifier: Apache-2.0
// The warnings of "locmap check" that the library itself does not give.
#ifndef LOCMAP_TOOLS_LINT_H
#define LOCMAP_TOOLS_LINT_H

#include <string>
#include <vector>

namespace locmap_tool {

enum class LintKind {
    CoveredHardPath,      // within an earlier entry's hard path: hard-to-soft translation never reaches it
    RepeatedHardPath,     // given twice under one prefix
    IgnoredRedefinition,  // a block of a prefix that was already defined
    // A variable named after a prefix overrides or supplies it with a value
    // that is no absolute path (taken as it stands on Windows; on Linux the
    // load ignores such a value and warns itself).
    RelativeEnvironmentValue,
};

// One warning: where (file as the library names it, line) and what.
struct LintFinding {
    LintKind kind;
    std::string file;
    int line = 0;
    std::string text;
    std::string detail;  // the text at fault, where the finding has one ("$NAME=value")
};

// Lint warnings on the loaded map, in the order of LintKind, files as the
// library names them. Environment overrides are the library's own warnings
// and are not repeated here.
std::vector<LintFinding> lintWarnings();

}  // namespace locmap_tool

#endif  // LOCMAP_TOOLS_LINT_H
