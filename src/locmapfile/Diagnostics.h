// Load diagnostics: message formatting and collection into the map's message text.
#ifndef LOCMAP50_LOCMAPFILE_DIAGNOSTICS_H
#define LOCMAP50_LOCMAPFILE_DIAGNOSTICS_H

#include <string>
#include <vector>

namespace locmap50::mapfile {

// Arguments of the next report. Every reporting place empties it, appends one
// argument per "%s" in order, then calls reportLoadProblem.
extern std::vector<std::string> s_messageArgs;

// Whether a problem makes the load fail a strict check (an error) or only
// informs (a warning); the counts let callers judge a load without reading text.
enum class Severity { Error, Warning };

// Each "%s" becomes one blank and the next argument; a "%s" with no argument
// left stays "%s"; extra arguments are unused.
std::string formatMessage(const std::string &format, const std::vector<std::string> &arguments);

// Formats the message, appends it to the location map's m_errorText (under a
// heading naming the main map file when the text is still empty) and counts it.
void reportLoadProblem(Severity severity, const std::string &format,
                       const std::vector<std::string> &arguments);

// The usual way to report: puts arguments into s_messageArgs in place of what
// it held, then reports format with them.
void reportWithArguments(Severity severity, const std::string &format,
                         std::vector<std::string> arguments);

}  // namespace locmap50::mapfile

#endif  // LOCMAP50_LOCMAPFILE_DIAGNOSTICS_H
