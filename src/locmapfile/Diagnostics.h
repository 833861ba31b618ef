// SPDX-License-Identifier: Apache-2.0
// Load diagnostics: the message format, and the legacy text of a problem record.
#ifndef LOCMAP50_LOCMAPFILE_DIAGNOSTICS_H
#define LOCMAP50_LOCMAPFILE_DIAGNOSTICS_H

#include <string>
#include <vector>

#include "locmap50/VnLocMapFile.h"

namespace locmap50::mapfile {

// The arguments of the last message: filled by every report, read by nothing
// in the library (kept for callers that look at it).
extern std::vector<std::string> s_messageArgs;

// Each "%s" becomes one blank and the next argument; a "%s" with no argument
// left stays "%s"; extra arguments are unused.
std::string formatMessage(const std::string &format, const std::vector<std::string> &arguments);

// The arguments a problem's message text takes, in the order of its "%s"
// placeholders; empty for notes, which have no message text.
std::vector<std::string> legacyArguments(const VnLoadProblem &problem);

// The message of a problem as the legacy text holds it: format (the message
// text of whoever raised it) filled with legacyArguments. Also leaves those
// arguments in s_messageArgs.
std::string renderLegacyMessage(const VnLoadProblem &problem, const std::string &format);

// The heading the legacy text starts with, naming the main map file.
std::string legacyHeading(const std::string &mainMapFile);

}  // namespace locmap50::mapfile

#endif  // LOCMAP50_LOCMAPFILE_DIAGNOSTICS_H
