// The warnings of "locmap check" that the library itself does not give.
#ifndef LOCMAP_TOOLS_LINT_H
#define LOCMAP_TOOLS_LINT_H

#include <string>
#include <vector>

namespace locmap_tool {

// Lint warnings on the loaded map, one line each, in this order: hard paths
// that an earlier entry's hard path covers (hard-to-soft translation never
// reaches them), a hard path given twice under one prefix, redefinitions
// ignored because the prefix was already defined, environment overrides.
// mapFiles are the loaded map files as the library names them.
std::vector<std::string> lintWarnings(const std::vector<std::string> &mapFiles);

}  // namespace locmap_tool

#endif  // LOCMAP_TOOLS_LINT_H
