// locmap's edits: the file they change, the library's refusals in words, the layout-keeping save and its diffs.
#include "EditCommands.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <optional>

#ifndef _WIN32
#include <pwd.h>
#include <sys/stat.h>
#endif

#include "ToolSupport.h"
#include "locmap50/VnLoadAccount.h"
#include "locmap50/VnLocMap.h"
#include "locmap50/locmap50.h"
#include "locmap50/rules.h"

namespace locmap_tool {
namespace {

namespace mapfile = locmap50::rules;

constexpr int kDiffContext = 3;

const char *commandName(EditKind kind) {
    switch (kind) {
    case EditKind::Set: return "set";
    case EditKind::Add: return "add";
    case EditKind::Remove: return "remove";
    }
    return "";
}

int operationOf(EditKind kind) {
    switch (kind) {
    case EditKind::Set: return LOCMAP50_REPLACE_ENTRY;
    case EditKind::Add: return LOCMAP50_ADD_ENTRY;
    case EditKind::Remove: return LOCMAP50_DELETE_ENTRY;
    }
    return -1;
}

std::optional<std::string> environmentValue(const std::string &softPrefix) {
    const char *value = softPrefix.size() > 1 ? std::getenv(softPrefix.c_str() + 1) : nullptr;
    if (value == nullptr || *value == '\0') return std::nullopt;
    return std::string(value);
}

// The edit's words, checked before anything changes; false with the reason reported.
bool editIsSound(const EditRequest &request) {
    const std::string command = commandName(request.kind);
    const std::string &softPrefix = request.softPrefix;
    if (request.kind == EditKind::Add) {
        // The reader's own rule, so no entry is written that the next load would reject.
        if (!mapfile::isValidSoftPrefix(softPrefix)) {
            reportProblem("add: " + softPrefix + ": " + reasonText(LOCMAP50_REASON_INVALID_INPUT) +
                          " (a soft prefix is a $, a letter, then letters, digits or _)");
            return false;
        }
        if (hasSoftPrefix(softPrefix)) {
            reportProblem("add: " + softPrefix + ": " + reasonText(LOCMAP50_REASON_ALREADY_PRESENT) +
                          " (set changes it)");
            return false;
        }
    } else if (!hasSoftPrefix(softPrefix)) {
        if (environmentValue(softPrefix))
            reportProblem(command + ": " + softPrefix + " is supplied only by the environment variable " +
                          softPrefix.substr(1) + ", so it is in no map file (add puts it in one)");
        else
            reportProblem(command + ": no soft prefix " + softPrefix + " in the map");
        return false;
    }
    if (request.paths.size() > LOCMAP50_MAX_HARD_PATHS) {
        const std::string most = std::to_string(LOCMAP50_MAX_HARD_PATHS);
        reportProblem(command + ": more than " + most + " hard paths; a map file gives a soft prefix at most " + most);
        return false;
    }
    for (const std::string &path : request.paths) {
        if (path.empty() || path.find(locmap50::rules::kHardPathListEnd) != std::string::npos ||
            !mapfile::fitsOnOneLine(path) || !mapfile::readsBackAsHardPath(path)) {
            reportProblem(command + ": bad hard path '" + path +
                          "': empty, not absolute, or holds a backquote, a # or a line break");
            return false;
        }
    }
    return true;
}

// The file an edit changes when it names none: add goes to the main file,
// set and remove to the file whose line defines the prefix.
std::string defaultFile(const MapSource &source, const EditRequest &request) {
    if (request.kind == EditKind::Add) return source.mainFileName();
    const char *file = CurrentEntryFileName(request.softPrefix.c_str());
    return file != nullptr ? file : "";
}

// The line of softPrefix's block in effect, when it stands in file; 0 otherwise.
int prefixLineIn(const std::string &file, const std::string &softPrefix) {
    VnPrefixAccount account;
    if (VnLocMap::createMap()->account(softPrefix, account) != LOCMAP50_OK || account.inEffect.file != file) return 0;
    return account.inEffect.line;
}

// Old lines of a file without their line ends.
std::vector<std::string> linesOf(const std::string &text) {
    std::vector<std::string> lines;
    std::size_t position = 0;
    std::string line;
    while (mapfile::readRawLine(text, position, line)) lines.push_back(line);
    return lines;
}

// A unified diff of the changes, hunks with three lines of context; changes
// closer than twice that share a hunk.
void printDiff(const std::string &name, const std::string &text, const std::vector<VnLineChange> &changes) {
    const std::vector<std::string> old = linesOf(text);
    std::printf("--- %s\n+++ %s\n", name.c_str(), name.c_str());
    const int lineCount = static_cast<int>(old.size());
    int shift = 0;  // new line numbers run ahead of the old ones by this much
    for (std::size_t first = 0; first < changes.size();) {
        std::size_t last = first;
        auto endOf = [&](std::size_t i) { return changes[i].firstLine + changes[i].lineCount - 1; };
        while (last + 1 < changes.size() && changes[last + 1].firstLine - endOf(last) <= 2 * kDiffContext + 1) ++last;
        const int start = std::max(1, changes[first].firstLine - kDiffContext);
        const int end = std::min(lineCount, endOf(last) + kDiffContext);
        std::string body;
        int oldLines = 0;
        int newLines = 0;
        int at = start;
        // Adjacent changes show as one run: its old lines, then its new ones.
        std::string removed;
        std::string added;
        auto context = [&](int upTo) {
            if (at < upTo) body += removed + added, removed.clear(), added.clear();
            for (; at < upTo; ++at, ++oldLines, ++newLines) body += " " + old[at - 1] + "\n";
        };
        for (std::size_t i = first; i <= last; ++i) {
            context(changes[i].firstLine);
            for (int k = 0; k < changes[i].lineCount; ++k, ++at, ++oldLines) removed += "-" + old[at - 1] + "\n";
            for (const std::string &line : linesOf(changes[i].newText)) {
                added += "+" + line + "\n";
                ++newLines;
            }
        }
        context(end + 1);
        body += removed + added;
        const int oldStart = oldLines == 0 ? start - 1 : start;
        const int newStart = newLines == 0 ? start - 1 + shift : start + shift;
        std::printf("@@ -%d,%d +%d,%d @@\n%s", oldStart, oldLines, newStart, newLines, body.c_str());
        shift += newLines - oldLines;
        first = last + 1;
    }
}

// The owner, group and mode of each loaded file, so that a save that could
// not keep the owner is told.
struct Ownership {
    std::string file;
    long owner = -1;
    long group = -1;
    unsigned mode = 0;
};

std::vector<Ownership> ownershipOfLoadedFiles() {
    std::vector<Ownership> found;
#ifndef _WIN32
    for (const VnLocMapFile &file : VnLocMap::createMap()->m_mapFiles) {
        // The file the save replaces: the name the system resolved at the load.
        const std::string &onDisk =
            file.m_loadState.absolutePath.empty() ? file.m_fileName : file.m_loadState.absolutePath;
        struct stat status;
        if (::stat(onDisk.c_str(), &status) == 0)
            found.push_back({file.m_fileName, static_cast<long>(status.st_uid), static_cast<long>(status.st_gid),
                             static_cast<unsigned>(status.st_mode & 07777)});
    }
#endif
    return found;
}

std::string userName(long id) {
#ifndef _WIN32
    if (const struct passwd *user = ::getpwuid(static_cast<uid_t>(id)); user != nullptr) return user->pw_name;
#endif
    return std::to_string(id);
}

// What a file whose owner changed kept, as seen: the save keeps the group
// and mode or refuses, but the warning says only what it found.
std::string keptWithNewOwner(const Ownership &old, const Ownership &now) {
    const bool groupKept = old.group == now.group;
    const bool modeKept = old.mode == now.mode;
    if (groupKept && modeKept) return " (its group and mode are kept)";
    if (groupKept) return " (its group is kept, its mode is not)";
    return modeKept ? " (its mode is kept, its group is not)" : " (its group and mode changed too)";
}

void warnOfChangedOwners(const MapSource &source, const std::vector<Ownership> &before) {
    for (const Ownership &now : ownershipOfLoadedFiles())
        for (const Ownership &old : before)
            if (old.file == now.file && old.owner != now.owner)
                reportProblem("warning: " + source.presentable(now.file) + ": the owner changed from " +
                              userName(old.owner) + " to " + userName(now.owner) + keptWithNewOwner(old, now));
}

int reportFailure(const std::string &what) {
    const LibraryFailure failure = lastLibraryFailure();
    reportProblem(what + (failure.file.empty() ? "" : " " + failure.file) +
                  (failure.reason.empty() ? "" : ": " + failure.reason));
    return exitCodeOfLibraryFailure();
}

int showDryRun(const MapSource &source) {
    int exitCode = kExitOk;
    for (VnLocMapFile &file : VnLocMap::createMap()->m_mapFiles) {
        std::string text;
        std::vector<VnLineChange> changes;
        if (file.previewKeepingLayout(text, changes) != LOCMAP50_OK) {
            exitCode = std::max(exitCode, reportFailure("would not write"));
            continue;
        }
        if (!changes.empty()) printDiff(source.presentable(file.m_fileName), text, changes);
    }
    return exitCode;
}

int attempt(const MapSource &source, const EditRequest &request) {
    const std::string command = commandName(request.kind);
    if (!editIsSound(request)) return kExitFailed;
    std::string file = request.file;
    if (!request.allFiles && file.empty()) file = defaultFile(source, request);
    if (IsEnvOverridden(request.softPrefix.c_str()) == 1) {
        const std::string variable = request.softPrefix.substr(1);
        reportProblem("warning: " + request.softPrefix + " is overridden by the environment variable " + variable +
                      "=" + environmentValue(request.softPrefix).value_or("") + "; the map file is changed all the same");
    }
    const std::string list = joinBackquoteList(request.paths);
    const char *paths = request.kind == EditKind::Remove ? nullptr : list.c_str();
    const int changed = request.allFiles ? ChangeEntry(request.softPrefix.c_str(), paths, operationOf(request.kind))
                                         : ChangeEntryInFile(file.c_str(), request.softPrefix.c_str(), paths,
                                                             operationOf(request.kind));
    if (changed != LOCMAP50_OK) return reportFailure(command + ": " + request.softPrefix + " not changed in");
    if (request.dryRun) return showDryRun(source);

    std::list<std::string> written;
    const std::vector<Ownership> owners = ownershipOfLoadedFiles();
    if (VnLocMap::createMap()->saveKeepingLayout(written) != LOCMAP50_OK) return reportFailure("cannot save");
    warnOfChangedOwners(source, owners);
    if (!request.quiet)
        for (const std::string &name : written) std::printf("%s\n", source.presentable(name).c_str());
    if (request.kind == EditKind::Remove && !request.allFiles) {
        if (const char *next = CurrentEntryFileName(request.softPrefix.c_str()); next != nullptr && !request.quiet)
            std::printf("%s now takes effect from %s:%d\n", request.softPrefix.c_str(),
                        source.presentable(next).c_str(), prefixLineIn(next, request.softPrefix));
    }
    return kExitOk;
}

}  // namespace

int exitCodeOfLibraryFailure() {
    int reason = LOCMAP50_REASON_NONE;
    GetLastFailure(&reason, nullptr);
    switch (reason) {
    case LOCMAP50_REASON_CHANGED_SINCE_READ:
    case LOCMAP50_REASON_LOCK_TIMED_OUT:
        return kExitChanged;
    case LOCMAP50_REASON_PERMISSION_DENIED:
    case LOCMAP50_REASON_NO_SPACE:
    case LOCMAP50_REASON_NOT_REGULAR_FILE:
    case LOCMAP50_REASON_IS_DIRECTORY:
    case LOCMAP50_REASON_NAME_TOO_LONG:
    case LOCMAP50_REASON_WRITE_ERROR:
    case LOCMAP50_REASON_WOULD_LOSE_PERMISSIONS:
        return kExitCannotWrite;
    case LOCMAP50_REASON_NOT_LOADED:
        return kExitLoadErrors;
    default:
        return kExitFailed;
    }
}

int runEdit(const MapSource &source, const EditRequest &request, const MapReloader &reload) {
    if (source.isFromStandardInput()) {
        reportProblem(std::string(commandName(request.kind)) +
                      ": not changed: the map came from standard input and has no file to save to (use export)");
        return kExitFailed;
    }
    const int exitCode = attempt(source, request);
    if (exitCode != kExitChanged || request.dryRun) return exitCode;
    // Edits set what they set whatever stood there, so doing one again on
    // the map as it now stands is safe.
    reportProblem("reading the map again and retrying once");
    const std::unique_ptr<MapSource> again = reload();
    if (!again) return kExitUsage;
    const int retried = attempt(*again, request);
    if (retried == kExitChanged) reportProblem("gave up: the map changed again while it was being saved");
    return retried;
}

}  // namespace locmap_tool
