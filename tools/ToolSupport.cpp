// SPDX-License-Identifier: Apache-2.0
// Helpers every locmap command shares: messages, C API lists and translations.
#include "ToolSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <list>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include "locmap50/locmap50.h"
#include "locmap50/rules.h"

namespace locmap_tool {
namespace {

#ifdef _WIN32
const char *const kAdministratorClause = " (or an administrator)";
#else
const char *const kAdministratorClause = " (or root)";
#endif

// The name of the user who owns file, as the library tells it; "" where it
// cannot be told (a file gone).
std::string ownerOf(const std::string &file) {
    return locmap50::rules::fileControl(file).owner;
}

// The library's reason in words where a person needs more than its phrase:
// whose file a save would take, and whose lock file stands in the way.
std::string reasonWithDetail(int reason, const std::string &file, const std::string &detail) {
    if (reason == LOCMAP50_REASON_WOULD_LOSE_PERMISSIONS && detail == "owner") {
        const std::string owner = ownerOf(file);
        const std::string whose = owner.empty() ? "its owner" : printable(owner);
        return "it belongs to " + whose + ", and a save by another user would take it from them; " + whose +
               kAdministratorClause + " can make this change";
    }
    if (reason == LOCMAP50_REASON_PERMISSION_DENIED && !detail.empty()) {
        const std::string owner = ownerOf(detail);
        return reasonText(reason) + " on its save lock " + printable(detail) +
               (owner.empty() ? "" : ", which belongs to " + printable(owner));
    }
    return reasonText(reason) + (detail.empty() ? "" : " (" + detail + ")");
}

}  // namespace

int moreUrgentExit(int first, int second) {
    static const int kLeastUrgentFirst[] = {kExitOk, kExitFailed, kExitLoadErrors, kExitCannotWrite, kExitChanged,
                                            kExitUsage};
    const auto urgency = [](int code) {
        const auto found = std::find(std::begin(kLeastUrgentFirst), std::end(kLeastUrgentFirst), code);
        return found - std::begin(kLeastUrgentFirst);
    };
    return urgency(first) >= urgency(second) ? first : second;
}

std::string printable(const std::string &text) {
    static const char kHexDigits[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f) {
            shown += c;
            continue;
        }
        switch (c) {
            case '\0': shown += "\\0"; break;
            case '\t': shown += "\\t"; break;
            case '\r': shown += "\\r"; break;
            case '\n': shown += "\\n"; break;
            default:
                shown += "\\x";
                shown += kHexDigits[byte >> 4];
                shown += kHexDigits[byte & 0xf];
        }
    }
    return shown;
}

namespace {

bool standardOutputIsATerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stdout)) != 0;
#else
    return isatty(STDOUT_FILENO) == 1;
#endif
}

}  // namespace

void writeBytes(const std::string &bytes) {
#ifdef _WIN32
    // Text mode would put a CR before every LF, doubling a CR LF file's.
    std::fflush(stdout);
    const int mode = _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
#ifdef _WIN32
    std::fflush(stdout);
    if (mode != -1) _setmode(_fileno(stdout), mode);
#endif
}

std::string asData(const std::string &text) {
    return standardOutputIsATerminal() ? printable(text) : text;
}

void reportProblem(const std::string &message) {
    std::fprintf(stderr, "locmap: %s\n", printable(message).c_str());
}

namespace {
bool g_notesSilenced = false;
}  // namespace

void reportNote(const std::string &note) {
    if (!g_notesSilenced) reportProblem(note);
}

void silenceNotes() {
    g_notesSilenced = true;
}

bool notesSilenced() {
    return g_notesSilenced;
}

std::string choicesInWords(const std::string &commaList) {
    std::string words;
    std::size_t start = 0;
    for (std::size_t comma = commaList.find(','); comma != std::string::npos; comma = commaList.find(',', start)) {
        words += (start == 0 ? "" : ", ") + commaList.substr(start, comma - start);
        start = comma + 1;
    }
    return words + (start == 0 ? "" : " or ") + commaList.substr(start);
}

std::string systemReason(int errorNumber) {
    return errorNumber != 0 ? std::strerror(errorNumber) : std::string();
}

std::string reasonText(int reason) {
    const char *text = GetFailureReasonText(reason);
    if (text == nullptr) text = GetFailureReasonText(LOCMAP50_REASON_OTHER);
    return text != nullptr ? text : "";
}

LibraryFailure lastLibraryFailure() {
    int reason = LOCMAP50_REASON_NONE;
    const char *file = nullptr;
    if (GetLastFailure(&reason, &file) != LOCMAP50_OK) return LibraryFailure();
    // What exactly, where the reason has more to say (the soft prefix concerned).
    const char *detail = nullptr;
    if (GetLastFailureDetail(&detail) != LOCMAP50_OK || detail == nullptr) detail = "";
    const std::string fileName = file != nullptr ? file : "";
    return LibraryFailure{fileName, reasonWithDetail(reason, fileName, detail)};
}

std::vector<std::string> takeBackquoteList(char *list) {
    if (list == nullptr) return std::vector<std::string>();
    const std::list<std::string> items = locmap50::rules::splitHardPathList(list);
    FreeHardPathList(list);
    return std::vector<std::string>(items.begin(), items.end());
}

std::string joinBackquoteList(const std::vector<std::string> &items) {
    return locmap50::rules::joinHardPathList(std::list<std::string>(items.begin(), items.end()));
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

std::string loadProblemText(int index) {
    std::vector<char> buffer(128);
    int status;
    while ((status = GetLoadProblemText(index, buffer.data(), buffer.size())) == LOCMAP50_BUFFER_TOO_SMALL)
        buffer.resize(buffer.size() * 2);
    return status == LOCMAP50_OK ? buffer.data() : std::string();
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

}  // namespace locmap_tool
