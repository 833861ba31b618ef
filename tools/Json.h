// SPDX-License-Identifier: Apache-2.0
// JSON output of locmap: one document per run, with map text that need not be UTF-8.
#ifndef LOCMAP_TOOLS_JSON_H
#define LOCMAP_TOOLS_JSON_H

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace locmap_tool {

// Members stay in the order they are set, so documents read naturally.
using Json = nlohmann::ordered_json;

// Map files and names are 8-bit text, and JSON text is UTF-8. The rule: on
// Windows a text is converted from the ANSI code page, in which the library
// gives every text there; elsewhere a text that is valid UTF-8 is written as
// it is, and one that is not has each invalid byte written as U+FFFD. Where
// the bytes as given are not UTF-8, a second member named key + "_raw" holds
// them exactly, each byte outside printable ASCII written "\xNN" and a
// backslash as "\\".
void setText(Json &object, const std::string &key, const std::string &text);

// The same for a list of texts: key + "_raw" is a list of every text escaped.
void setTexts(Json &object, const std::string &key, const std::vector<std::string> &texts);

// The text with the bytes escaped as the "_raw" members have them.
std::string escapedBytes(const std::string &text);

// Writes document to standard output, indented, with a final line end.
void printJson(const Json &document);

}  // namespace locmap_tool

#endif  // LOCMAP_TOOLS_JSON_H
