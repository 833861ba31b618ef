// Load diagnostics: formatting a message and collecting it in the map's message text.
#include "locmapfile/Diagnostics.h"

#include <utility>

// Upward by design: the diagnostics append to the location map's message text.
#include "locmap50/VnLocMap.h"

namespace locmap50::mapfile {

// The one place allowed to count the map's load problems.
struct LoadProblemCounter {
    static void count(VnLocMap &map, Severity severity) {
        if (severity == Severity::Warning)
            ++map.m_loadWarningCount;
        else
            ++map.m_loadErrorCount;
    }
};

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

void reportLoadProblem(Severity severity, const std::string &format,
                       const std::vector<std::string> &arguments) {
    const std::string message = formatMessage(format, arguments);
    VnLocMap *map = VnLocMap::createMap();
    if (map == nullptr) return;
    if (map->m_errorText.empty()) {
        map->m_errorText = "Following Errors/Warnings were detected while\nloading location map file: " +
                           map->m_mapFileName + "\n\n";
    }
    map->m_errorText += message;
    LoadProblemCounter::count(*map, severity);
}

void reportWithArguments(Severity severity, const std::string &format,
                         std::vector<std::string> arguments) {
    s_messageArgs = std::move(arguments);
    reportLoadProblem(severity, format, s_messageArgs);
}

}  // namespace locmap50::mapfile
