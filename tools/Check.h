// SPDX-License-Identifier: Apache-2.0
// "locmap check": the load's problems and the lint's warnings, one line each in the form compilers use, with hints.
#ifndef LOCMAP_TOOLS_CHECK_H
#define LOCMAP_TOOLS_CHECK_H

namespace locmap_tool {

class MapSource;

enum class CheckFormat {
    Text,    // FILE:LINE: error|warning|note: TEXT [kind], then "hint:" lines
    Legacy,  // the library's message text, unchanged
    Json,    // one array of problems
};

// Prints every problem of the load and the lint's warnings on standard
// output, in file and line order; on a clean map (no error or warning of
// either) one summary line on standard error instead, unless quiet. Returns
// kExitLoadErrors when the load reported errors (with strict, also when it
// reported warnings or the lint found any), else kExitOk.
int commandCheck(const MapSource &source, CheckFormat format, bool strict, bool quiet);

// Writes the load's errors and warnings to standard error in check's text
// form, with their hints and without the lint: what other commands show
// before their results.
void reportLoadProblems(const MapSource &source);

}  // namespace locmap_tool

#endif  // LOCMAP_TOOLS_CHECK_H
