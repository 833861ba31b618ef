// SPDX-License-Identifier: Apache-2.0
// locmap's edits: the file they change, the library's refusals in words, the layout-keeping save and its diffs.
#include "EditCommands.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <optional>

#include "ToolSupport.h"
#include "UnifiedDiff.h"
#include "locmap50/VnLoadAccount.h"
#include "locmap50/VnLocMap.h"
#include "locmap50/locmap50.h"
#include "locmap50/rules.h"

namespace locmap_tool {
namespace {


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
    // The library keeps an entry's rules and names the one an edit breaks;
    // a backquote would only split the list it is handed.
    for (const std::string &path : request.paths) {
        if (path.find(locmap50::rules::kHardPathListEnd) != std::string::npos) {
            reportProblem(command + ": hard path '" + printable(path) +
                          "' holds a backquote, which ends a hard path in the library's lists");
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

// text with the library's line changes made: each replaces whole lines,
// numbered from 1 and ended by LF, or goes before a line.
std::string withLineChanges(const std::string &text, const std::vector<VnLineChange> &changes) {
    std::vector<std::size_t> lineStarts{0};
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        lineStarts.push_back(at + 1);
    const auto startOf = [&](int line) {
        return line - 1 < static_cast<int>(lineStarts.size()) ? lineStarts[line - 1] : text.size();
    };
    std::string result;
    std::size_t copied = 0;
    for (const VnLineChange &change : changes) {
        result.append(text, copied, startOf(change.firstLine) - copied);
        result += change.newText;
        copied = startOf(change.firstLine + change.lineCount);
    }
    result.append(text, copied, std::string::npos);
    return result;
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
        writeBytes(unifiedDiff(source.presentable(file.m_fileName), text, withLineChanges(text, changes)));
        // The real run writes only the files that change: it would stop at the first it may not write.
        if (!changes.empty() && file.checkWritable() != LOCMAP50_OK)
            exitCode = std::max(exitCode, reportFailure("would not write"));
    }
    return exitCode;
}

// The block of softPrefix in effect, as the map's account has it; none when no loaded file defines it.
std::optional<VnAccountBlock> blockInEffect(const std::string &softPrefix) {
    VnPrefixAccount account;
    if (VnLocMap::createMap()->account(softPrefix, account) != LOCMAP50_OK) return std::nullopt;
    return account.inEffect;
}

std::string placeOf(const MapSource &source, const VnAccountBlock &block) {
    return printable(source.presentable(block.file)) + (block.line > 0 ? ":" + std::to_string(block.line) : "");
}

// Warns when an edit of one file changed a block that another block shadows
// before and after it, so that the map answers as it did; true when it warned.
bool warnIfShadowed(const MapSource &source, const EditRequest &request, const std::string &editedFile,
                    const std::optional<VnAccountBlock> &before, std::vector<std::string> &warnings) {
    const std::optional<VnAccountBlock> after = blockInEffect(request.softPrefix);
    const bool inEffect = (before && before->file == editedFile) || (after && after->file == editedFile);
    if (!before || inEffect) return false;
    warnings.push_back("warning: " + request.softPrefix + " in " + printable(source.presentable(editedFile)) +
                       " is shadowed by the block in effect at " + placeOf(source, *before) +
                       ", so the map's answers do not change");
    return true;
}

// One try of the edit. A save that finds the map changed on disk says
// nothing when a retry follows (lastTry false); the warnings print only
// with the outcome they belong to.
int attempt(const MapSource &source, const EditRequest &request, bool lastTry) {
    const std::string command = commandName(request.kind);
    if (!editIsSound(request)) return kExitFailed;
    std::string file = request.file;
    if (!request.allFiles && file.empty()) file = defaultFile(source, request);
    std::vector<std::string> warnings;
    if (IsEnvOverridden(request.softPrefix.c_str()) == 1) {
        const std::string variable = request.softPrefix.substr(1);
        warnings.push_back("warning: " + request.softPrefix + " is overridden by the environment variable " +
                           variable + "=" + printable(environmentValue(request.softPrefix).value_or("")) +
                           "; the map file is changed all the same");
    }
    const VnLocMapFile *edited = request.allFiles ? nullptr : VnLocMap::createMap()->loadedMapFile(file);
    const std::string editedFile = edited != nullptr ? edited->m_fileName : "";
    const std::optional<VnAccountBlock> before = blockInEffect(request.softPrefix);
    const std::string list = joinBackquoteList(request.paths);
    const char *paths = request.kind == EditKind::Remove ? nullptr : list.c_str();
    const int changed = request.allFiles ? ChangeEntry(request.softPrefix.c_str(), paths, operationOf(request.kind))
                                         : ChangeEntryInFile(file.c_str(), request.softPrefix.c_str(), paths,
                                                             operationOf(request.kind));
    if (changed != LOCMAP50_OK)
        return reportFailure(command + ": " + request.softPrefix + " not changed" +
                             (lastLibraryFailure().file.empty() ? "" : " in"));
    const bool shadowed = !editedFile.empty() && request.kind != EditKind::Add &&
                          warnIfShadowed(source, request, editedFile, before, warnings);
    const auto showWarnings = [&] {
        for (const std::string &warning : warnings) reportProblem(warning);
    };
    // The block that answers for the prefix once the removed one is gone
    // (not said when the removed one was shadowed: the warning says it).
    // Lines are read from disk: before the save for a dry run, after it otherwise.
    const bool tellsTakeOver = request.kind == EditKind::Remove && !request.allFiles && !shadowed;
    if (request.dryRun) {
        showWarnings();
        const int exitCode = showDryRun(source);
        // On standard error: standard output holds the diff alone, for patch to apply.
        std::fflush(stdout);
        if (const auto next = tellsTakeOver ? blockInEffect(request.softPrefix) : std::nullopt)
            reportNote("note: " + request.softPrefix + " would then take effect from " + placeOf(source, *next));
        return exitCode;
    }

    std::list<std::string> written;
    if (VnLocMap::createMap()->saveKeepingLayout(written) != LOCMAP50_OK) {
        if (!lastTry && exitCodeOfLibraryFailure() == kExitChanged) return kExitChanged;
        showWarnings();
        return reportFailure("cannot save");
    }
    showWarnings();
    if (!request.quiet)
        for (const std::string &name : written) std::printf("%s\n", printable(source.presentable(name)).c_str());
    if (const auto next = tellsTakeOver && !request.quiet ? blockInEffect(request.softPrefix) : std::nullopt)
        std::printf("%s now takes effect from %s\n", printable(request.softPrefix).c_str(),
                    placeOf(source, *next).c_str());
    return kExitOk;
}

// What a file's rewrite in the standard layout drops of it: "" when nothing.
// A "#" is never part of a prefix, path or include line, so any "#" starts a comment.
std::string droppedByRewrite(const std::string &text) {
    const bool comments = text.find('#') != std::string::npos;
    const bool crLf = text.find("\r\n") != std::string::npos;
    if (comments && crLf) return "comments and CR LF line ends";
    if (comments) return "comments";
    return crLf ? "CR LF line ends" : "";
}

// A loaded file's text now and as the standard layout writes it.
struct PlannedRewrite {
    std::string file;
    std::string current;
    std::string rewritten;
};

// Names each file whose rewrite would lose something, as a refusal or, for
// a dry run, as a note of the refusal to come; true when there is one.
bool tellsLosses(const MapSource &source, const std::vector<PlannedRewrite> &plan, bool dryRun) {
    bool lossy = false;
    for (const PlannedRewrite &rewrite : plan) {
        const std::string dropped = droppedByRewrite(rewrite.current);
        if (dropped.empty()) continue;
        const std::string loss = printable(source.presentable(rewrite.file)) + " holds " + dropped +
                                 ", which the standard layout loses";
        if (dryRun)
            reportNote("note: " + loss + "; save refuses it without --force");
        else
            reportProblem("save: " + loss + "; nothing saved (--force saves it all the same)");
        lossy = true;
    }
    return lossy;
}

}  // namespace

int runSave(const MapSource &source, const SaveRequest &request) {
    std::vector<PlannedRewrite> plan;
    for (VnLocMapFile &file : VnLocMap::createMap()->m_mapFiles) {
        PlannedRewrite rewrite{file.m_fileName, "", ""};
        if (file.previewSave(rewrite.current, rewrite.rewritten) != LOCMAP50_OK)
            return reportFailure("not saved: cannot rewrite");
        plan.push_back(std::move(rewrite));
    }
    if (request.dryRun) {
        for (const PlannedRewrite &rewrite : plan)
            writeBytes(unifiedDiff(source.presentable(rewrite.file), rewrite.current, rewrite.rewritten));
        std::fflush(stdout);
        // The exit status is the real run's: a refusal to lose lines, or the
        // first file it may not write.
        if (!request.force && tellsLosses(source, plan, true)) return kExitFailed;
        for (VnLocMapFile &file : VnLocMap::createMap()->m_mapFiles)
            if (file.checkWritable() != LOCMAP50_OK) return reportFailure("would not save");
        return kExitOk;
    }
    if (!request.force && tellsLosses(source, plan, false)) return kExitFailed;

    const bool saved = SaveLocationMap(0) == LOCMAP50_OK;
    const LibraryFailure failure = saved ? LibraryFailure() : lastLibraryFailure();
    // The files before the one that failed are written.
    for (const PlannedRewrite &rewrite : plan) {
        if (!saved && (failure.file.empty() || rewrite.file == failure.file)) break;
        if (!request.quiet) std::printf("%s\n", printable(source.presentable(rewrite.file)).c_str());
    }
    if (saved) return kExitOk;
    reportProblem("cannot save " + (failure.file.empty() ? "the map" : failure.file) +
                  (failure.reason.empty() ? "" : ": " + failure.reason) +
                  "; it is left as it was, and the files after it were not saved");
    return exitCodeOfLibraryFailure();
}

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

std::string whyTheRetryFailed(int reason, const std::string &lockFile) {
    if (reason == LOCMAP50_REASON_LOCK_TIMED_OUT && !lockFile.empty())
        return "another save held the save lock " + printable(lockFile) + " all the time a save waits, twice";
    return "the map changed on disk again while it was being saved";
}

int runEdit(const MapSource &source, const EditRequest &request, const MapReloader &reload) {
    if (source.isFromStandardInput()) {
        reportProblem(std::string(commandName(request.kind)) +
                      ": not changed: the map came from standard input and has no file to save to (use export)");
        return kExitFailed;
    }
    const int exitCode = attempt(source, request, request.dryRun);
    if (exitCode != kExitChanged || request.dryRun) return exitCode;
    // Edits set what they set whatever stood there, so doing one again on
    // the map as it now stands is safe; only a second failure is reported.
    const std::unique_ptr<MapSource> again = reload();
    if (!again) return kExitUsage;
    const int retried = attempt(*again, request, true);
    if (retried == kExitChanged) {
        int reason = LOCMAP50_REASON_NONE;
        const char *lockFile = nullptr;
        GetLastFailure(&reason, nullptr);
        GetLastFailureDetail(&lockFile);
        reportProblem("gave up: " + whyTheRetryFailed(reason, lockFile != nullptr ? lockFile : ""));
    }
    return retried;
}

}  // namespace locmap_tool
