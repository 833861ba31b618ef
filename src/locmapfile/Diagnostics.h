// Load diagnostics: message formatting and collection into the map's message text.
#ifndef LOCMAP50_LOCMAPFILE_DIAGNOSTICS_H
#define LOCMAP50_LOCMAPFILE_DIAGNOSTICS_H

#include <string>
#include <vector>

// Arguments of the next report. Every reporting place empties it, appends one
// argument per "%s" in order, then calls reportLoadProblem.
extern std::vector<std::string> s_messageArgs;

// Each "%s" becomes one blank and the next argument; a "%s" with no argument
// left stays "%s"; extra arguments are unused.
std::string formatMessage(const std::string &format, const std::vector<std::string> &arguments);

// Formats the message and appends it to the location map's m_errorText, under
// a heading naming the main map file when the text is still empty.
void reportLoadProblem(const std::string &format, const std::vector<std::string> &arguments);

// The usual way to report: puts arguments into s_messageArgs in place of what
// it held, then reports format with them.
void reportWithArguments(const std::string &format, std::vector<std::string> arguments);

#endif  // LOCMAP50_LOCMAPFILE_DIAGNOSTICS_H
