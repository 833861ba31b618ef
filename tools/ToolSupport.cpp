// Helpers every locmap command shares: messages, C API lists and translations.
#include "ToolSupport.h"

#include <cstdio>
#include <cstring>

#include "locmap50/locmap50.h"
#include "paths/PathRules.h"

namespace locmap_tool {

void reportProblem(const std::string &message) {
    std::fprintf(stderr, "locmap: %s\n", message.c_str());
}

std::string systemReason(int errorNumber) {
    return errorNumber != 0 ? std::strerror(errorNumber) : std::string();
}

std::string failureReasonText(int reason) {
    switch (reason) {
    case LOCMAP50_REASON_NONE: return std::string();
    case LOCMAP50_REASON_PERMISSION_DENIED: return "permission denied";
    case LOCMAP50_REASON_NOT_FOUND: return "no such file or directory";
    case LOCMAP50_REASON_IS_DIRECTORY: return "it is a directory";
    case LOCMAP50_REASON_NOT_REGULAR_FILE: return "it is not a regular file";
    case LOCMAP50_REASON_NAME_TOO_LONG: return "the file name is too long";
    case LOCMAP50_REASON_NO_SPACE: return "no space left on the disk";
    case LOCMAP50_REASON_LOCK_TIMED_OUT: return "the save lock timed out (another save of the file held it)";
    case LOCMAP50_REASON_CHANGED_SINCE_READ: return "changed on disk since it was read";
    case LOCMAP50_REASON_READ_ERROR: return "reading it failed";
    case LOCMAP50_REASON_WRITE_ERROR: return "writing it failed";
    case LOCMAP50_REASON_NOT_LOADED: return "it did not load whole";
    case LOCMAP50_REASON_INVALID_INPUT: return "the map refused the name or path given";
    case LOCMAP50_REASON_ALREADY_PRESENT: return "the soft prefix is already in the map";
    default: return "the system refused it";
    }
}

LibraryFailure lastLibraryFailure() {
    int reason = LOCMAP50_REASON_NONE;
    const char *file = nullptr;
    if (GetLastFailure(&reason, &file) != LOCMAP50_OK) return LibraryFailure();
    return {file != nullptr ? file : "", failureReasonText(reason)};
}

std::vector<std::string> takeBackquoteList(char *list) {
    std::vector<std::string> items;
    if (list == nullptr) return items;
    std::string item;
    for (const char *c = list; *c != '\0'; ++c) {
        if (*c == '`') {
            items.push_back(item);
            item.clear();
        } else {
            item += *c;
        }
    }
    FreeHardPathList(list);
    return items;
}

std::string joinBackquoteList(const std::vector<std::string> &items) {
    std::string list;
    for (const std::string &item : items) list += item + '`';
    return list;
}

std::vector<std::string> softPrefixes() {
    return takeBackquoteList(ReturnAllSoftPrefixes());
}

std::vector<std::string> hardPathsOf(const std::string &softPrefix) {
    return takeBackquoteList(ReturnAllHardPath(softPrefix.c_str()));
}

bool hasSoftPrefix(const std::string &softPrefix) {
    char *list = ReturnAllHardPath(softPrefix.c_str());
    FreeHardPathList(list);
    return list != nullptr;
}

int translate(SizedTranslation function, const std::string &name, std::string &result) {
    std::vector<char> buffer(260);
    int status = function(name.c_str(), buffer.data(), buffer.size());
    while (status == LOCMAP50_BUFFER_TOO_SMALL) {
        buffer.resize(buffer.size() * 2);
        status = function(name.c_str(), buffer.data(), buffer.size());
    }
    result = buffer.data();
    return status;
}

std::string nativePath(const std::string &libraryPath) {
#ifdef _WIN32
    return libraryPath;
#else
    return locmap50::paths::toForwardSlashes(libraryPath);
#endif
}

}  // namespace locmap_tool
