// SPDX-License-Identifier: Apache-2.0
// "locmap explain" and "locmap list --json": what the library's explain query says, as sentences or JSON.
#ifndef LOCMAP_TOOLS_EXPLAIN_H
#define LOCMAP_TOOLS_EXPLAIN_H

#include <string>
#include <vector>

namespace locmap_tool {

class MapSource;

// Explains each name (a soft name or a hard path) in input order. Returns
// kExitOk when every name translates, else kExitFailed.
int commandExplain(const MapSource &source, const std::vector<std::string> &names, bool json);

// Every entry in map order as one JSON array: prefix, hard paths, defining
// file and line, and what the environment did to it.
int commandListJson(const MapSource &source);

}  // namespace locmap_tool

#endif  // LOCMAP_TOOLS_EXPLAIN_H
