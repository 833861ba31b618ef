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

// Map files are 8-bit text, and JSON text is UTF-8. The rule: a text that is
// valid UTF-8 is written as it is; otherwise each invalid byte is written as
// U+FFFD, and a second member named key + "_raw" holds the exact bytes, each
// byte outside printable ASCII written "\xNN" and a backslash as "\\".
void setText(Json &object, const std::string &key, const std::string &text);

// The same for a name the system gave (a file name, a variable's value): on
// Windows converted to UTF-8 from the ANSI code page the system gave it in,
// with key + "_raw" holding the bytes as given when they are not UTF-8.
void setSystemText(Json &object, const std::string &key, const std::string &text);

// The same for a list of texts: key + "_raw" is a list of every text escaped.
void setTexts(Json &object, const std::string &key, const std::vector<std::string> &texts);

// The text with the bytes escaped as the "_raw" members have them.
std::string escapedBytes(const std::string &text);

// Writes document to standard output, indented, with a final line end.
void printJson(const Json &document);

}  // namespace locmap_tool

#endif  // LOCMAP_TOOLS_JSON_H
