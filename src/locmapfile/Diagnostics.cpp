// SPDX-License-Identifier: Apache-2.0
// Load diagnostics: formatting a message, and the legacy text of each kind of problem record.
#include "locmapfile/Diagnostics.h"

#include <string>
#include <utility>

namespace locmap50::mapfile {

std::string formatMessage(const std::string &format, const std::vector<std::string> &arguments) {
    if (arguments.empty()) return format;
    std::string result;
    std::size_t restStart = 0;
    for (const std::string &argument : arguments) {
        const std::size_t placeholder = format.find("%s", restStart);
        if (placeholder == std::string::npos) break;
        result.append(format, restStart, placeholder - restStart);
        result += ' ';
        result += argument;
        restStart = placeholder + 2;
    }
    // Placeholders with no argument left stay as written.
    result.append(format, restStart, std::string::npos);
    return result;
}

std::vector<std::string> legacyArguments(const VnLoadProblem &problem) {
    const std::string line = std::to_string(problem.line);
    switch (problem.kind) {
    case LOCMAP50_PROBLEM_BAD_HEADER:
    case LOCMAP50_PROBLEM_NO_READ_ACCESS:
        return {problem.file};
    case LOCMAP50_PROBLEM_PARSE_ERROR:
    case LOCMAP50_PROBLEM_NUL_BYTE:
        return {problem.file, line};
    case LOCMAP50_PROBLEM_NO_HARD_PATH:
    case LOCMAP50_PROBLEM_ENV_OVERRIDE:
    case LOCMAP50_PROBLEM_TOO_MANY_HARD_PATHS:
    case LOCMAP50_PROBLEM_ENV_LINE_BREAK:
        return {problem.detail};
    case LOCMAP50_PROBLEM_ENV_NOT_ABSOLUTE:
        // The variable is named after the soft prefix.
        return {"$" + problem.variable, problem.value};
    case LOCMAP50_PROBLEM_BAD_SOFT_PREFIX:
    case LOCMAP50_PROBLEM_BAD_INCLUDE:
    case LOCMAP50_PROBLEM_NO_SOFT_PREFIX:
    case LOCMAP50_PROBLEM_INCLUDE_CYCLE:
        return {problem.detail, line, problem.file};
    default:
        return {};
    }
}

std::string renderLegacyMessage(const VnLoadProblem &problem, const std::string &format) {
    std::vector<std::string> arguments = legacyArguments(problem);
    std::string message = formatMessage(format, arguments);
    s_messageArgs = std::move(arguments);
    return message;
}

std::string legacyHeading(const std::string &mainMapFile) {
    return "Following Errors/Warnings were detected while\nloading location map file: " + mainMapFile + "\n\n";
}

}  // namespace locmap50::mapfile
