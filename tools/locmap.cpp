// SPDX-License-Identifier: Apache-2.0
// locmap: checks, queries and edits location map files through the locmap50 C interface.
#include <algorithm>
#include <cerrno>
#include <iterator>
#include <cstdio>
#include <functional>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "Check.h"
#include "EditCommands.h"
#include "Explain.h"
#include "Json.h"
#include "Lint.h"
#include "MapSource.h"
#include "OptionOrder.h"
#include "ToolSupport.h"
#include "locmap50/VnExplanation.h"
#include "locmap50/VnLocMap.h"
#include "locmap50/locmap50.h"
#include "locmap50/rules.h"

using namespace locmap_tool;

namespace {

#define LOCMAP_MAP_CHOICE                                                          \
    "Every command works on the map chosen by --map FILE ('-': standard input)\n" \
    "or --project DIR, given before or after the command; with neither, on the\n" \
    "map a tool started in the current directory finds ('locmap where' says).\n"

const char kCommandFooter[] = LOCMAP_MAP_CHOICE
    "Load errors make it exit 3 (--strict: warnings too; --keep-going: neither).\n"
    "See 'locmap --help'.";

const char kEditMapFooter[] = LOCMAP_MAP_CHOICE "See 'locmap --help'.";

const char kEditFooter[] =
    "set and remove change the file whose line defines the prefix (--file FILE\n"
    "names another, --all-files every file holding it); add appends to the main\n"
    "file or to --file FILE. The file is then saved keeping its layout: only the\n"
    "lines the edit concerns change, comments, blank lines and line ends stay, and\n"
    "files the edit does not concern are not written. Each file written is printed\n"
    "(--quiet: nothing); --dry-run writes nothing and prints the diff instead. Only\n"
    "a file that did not read completely blocks an edit of it.";

const char kSaveFooter[] =
    "save rewrites every loaded map file in the standard layout, main file first,\n"
    "and prints each file written (--quiet: nothing); --dry-run writes nothing and\n"
    "prints the diff of each file instead. The layout keeps no comments and writes\n"
    "LF line ends: a file holding comments or CR LF line ends is refused (exit 1,\n"
    "nothing written) unless --force is given; set, add and remove keep both. save\n"
    "is refused while the map has load errors, and for a map read from standard\n"
    "input.";

const char kExitStatusText[] =
    "With neither --map nor --project the map is found as with --project . :\n"
    "ZOR_LOCATION_MAP, ./zor_location_map, $HOME/zor/zor_location_map, WDIR.\n"
    "Options go before or after the command, a command's own options too.\n"
    "\n"
    "Exit status:\n"
    "  0  done\n"
    "  1  not found or not translated (with --map-only, also an answer of the\n"
    "     environment), or a refused edit\n"
    "  2  usage error, or no map found\n"
    "  3  load errors, after the command printed what it could:\n"
    "       check: errors; with --strict also warnings and lint warnings\n"
    "       explain, hard, abs, soft, paths, which, list, export: errors, with\n"
    "         --strict also warnings; never with --keep-going\n"
    "       add, set, remove: a file the edit must write did not read whole\n"
    "       save: any load error\n"
    "       where, help: never\n"
    "  4  cannot write a file or standard output (permission, space, no such\n"
    "     folder, not a regular target, or it would lose the file's owner,\n"
    "     group, access list, attributes or links)\n"
    "  5  changed on disk since it was read, or the save lock timed out (an\n"
    "     edit reloads and retries once first)\n"
    "  When two apply: 2 > 5 > 4 > 3 > 1.\n"
    "\n"
    "Relative INCLUDE paths in map files resolve against the current directory.";

// What the command line chose, filled in by CLI11.
struct Settings {
    std::string mapFile;
    std::string projectDirectory;
    bool strict = false;
    bool keepGoing = false;
    bool mapOnly = false;
    bool json = false;
    std::vector<std::string> names;
    std::string softPrefix;
    std::string target;
    std::string format = "text";
    std::string helpTopic;
    std::string editFile;
    bool allFiles = false;
    bool dryRun = false;
    bool quiet = false;
    bool force = false;
    bool overwriteMap = false;
};

// The map and how it loaded, for the command to work on.
struct LoadedMap {
    std::unique_ptr<MapSource> source;
    int errorCount = 0;
    int warningCount = 0;
};

using Command = std::function<int(const LoadedMap &)>;

// ---- loading ---------------------------------------------------------------

// Neither --map nor --project: the map a tool started here would find.
std::unique_ptr<MapSource> chooseMap(const Settings &settings) {
    if (!settings.projectDirectory.empty()) return MapSource::fromProject(settings.projectDirectory);
    if (!settings.mapFile.empty()) return MapSource::fromFile(settings.mapFile);
    return MapSource::discover();
}

// where's one JSON document: the map, how it was found, each place with what
// happened there, and the hints.
Json whereDocument(const MapSource &source) {
    Json document = Json::object();
    document["encoding"] = "UTF-8";
    setText(document, "map", source.mainFileName());
    setText(document, "how", source.origin());
    Json places = Json::array();
    for (const SearchPlace &place : source.searchPlaces()) {
        Json entry = Json::object();
        setText(entry, "place", place.place);
        entry["outcome"] = place.outcome;
        setText(entry, "reason", place.reason);
        places.push_back(std::move(entry));
    }
    document["places"] = std::move(places);
    setTexts(document, "hints", MapSource::discoveryHints());
    return document;
}

// The map's name alone on standard output, for scripts; the account of the
// search on standard error.
int commandWhere(const LoadedMap &map, bool json) {
    if (json) {
        printJson(whereDocument(*map.source));
    } else {
        std::printf("%s\n", asData(map.source->mainFileName()).c_str());
        std::fflush(stdout);
        for (const SearchPlace &place : map.source->searchPlaces())
            std::fprintf(stderr, "%s: %s\n", place.outcome.c_str(),
                         printable(place.placeLeads ? place.place + ": " + place.reason : place.reason).c_str());
        for (const std::string &hint : MapSource::discoveryHints()) reportProblem(hint);
    }
    for (const std::string &note : map.source->notesOnWhoControlsIt()) reportNote(note);
    return kExitOk;
}

// ---- queries ---------------------------------------------------------------

std::string softPrefixOfName(const std::string &name) {
    return locmap50::rules::splitSoftName(locmap50::rules::toBackslashes(name)).softPrefix;
}

std::string missingPrefixText(const std::string &softPrefix) {
    std::string text = "no soft prefix " + printable(softPrefix) + " in the map";
    if (!locmap50::rules::isSoftName(softPrefix)) text += " (soft prefixes start with $)";
    return text;
}

std::string hardNameFailure(const std::string &name) {
    if (!locmap50::rules::isSoftName(name)) return "not a soft name, URL or absolute path";
    const std::string softPrefix = softPrefixOfName(name);
    return hasSoftPrefix(softPrefix) ? "cannot be translated" : missingPrefixText(softPrefix);
}

std::string softNameFailure(const std::string &) {
    return "no entry of the map holds this path (or it is not absolute)";
}

// ---- what the shell and the environment did to a name -----------------------

// A name that is no soft name although one was expected, and that looks like
// the shell's work on an unquoted one: "$TOOLS/bin" became "/opt/tools/bin",
// or "/bin" when TOOLS is unset; "$TOOLS" alone became nothing.
bool looksShellExpanded(const std::string &given, bool absoluteExpected) {
    if (given.empty()) return true;
    return !absoluteExpected && locmap50::rules::isAbsolute(locmap50::rules::toHardPathForm(given));
}

void hintQuoting(const char *command, const std::string &given) {
    const std::string what = given.empty() ? "an empty name" : "'" + printable(given) + "'";
    reportProblem(std::string("hint: ") + command + ": got " + what +
                  " where a soft name was expected: the shell replaces an unquoted $NAME by its value (by"
                  " nothing when it is unset); quote soft names: '$TOOLS/bin'");
}

void hintQuotingWhereExpanded(const char *command, const std::vector<std::string> &names, bool absoluteExpected) {
    for (const std::string &name : names)
        if (looksShellExpanded(name, absoluteExpected)) hintQuoting(command, name);
}

// A soft name that the environment translated, not the map's files: the
// variable that did, what the map lacks, and how the variable was chosen.
struct EnvironmentAnswer {
    std::string variable;  // "" when the map answered, or nothing did
    std::string mapLacks;
    std::string how;
};

EnvironmentAnswer environmentAnswerOf(const VnExplanation &explanation) {
    if (explanation.status != LOCMAP50_OK) return EnvironmentAnswer();
    const std::string noPrefix = "the map has no soft prefix " + printable(explanation.softPrefix);
    switch (explanation.kind) {
    case VnExplanation::Kind::LeadingName:
        return {explanation.variable, noPrefix, ", the name's shortest leading part that is a variable"};
    case VnExplanation::Kind::LiveVariable:
        return {explanation.variable, noPrefix, ""};
    case VnExplanation::Kind::SoftName:
        if (explanation.environment != VnExplanation::Environment::Supplied) return EnvironmentAnswer();
        return {explanation.variable, "the map gives " + printable(explanation.softPrefix) + " no hard path",
                ", which supplies it"};
    default:
        return EnvironmentAnswer();
    }
}

// What the environment answered for each name, by the library's own
// explanation of its translation; the explanation of every soft name
// translated asks for the load's account once.
std::vector<EnvironmentAnswer> environmentAnswers(const std::vector<std::string> &names) {
    std::vector<std::string> softNames;
    for (const std::string &name : names)
        if (locmap50::rules::isSoftName(name)) softNames.push_back(name);
    std::vector<VnExplanation> explanations;
    if (!softNames.empty()) VnLocMap::createMap()->explain(softNames, explanations);
    std::vector<EnvironmentAnswer> answers;
    auto explained = explanations.begin();
    for (const std::string &name : names)
        answers.push_back(locmap50::rules::isSoftName(name) && explained != explanations.end()
                              ? environmentAnswerOf(*explained++)
                              : EnvironmentAnswer());
    return answers;
}

std::string environmentNote(const char *command, const std::string &name, const EnvironmentAnswer &answer) {
    return std::string("note: ") + command + ": '" + printable(name) + "': " + answer.mapLacks +
           "; the answer comes from the environment variable " + printable(answer.variable) + answer.how;
}

std::string mapOnlyRefusal(const EnvironmentAnswer &answer) {
    return answer.mapLacks + " (--map-only refuses the answer of the environment variable " +
           printable(answer.variable) + ")";
}

// What a translation does with an answer of the environment.
enum class FromEnvironment { NotAsked, Noted, Refused };

// One name's translation: the answer, or why there is none.
struct NameTranslation {
    std::string result;
    std::string whyNot;  // empty when translated
};

NameTranslation translateOne(SizedTranslation function, std::string (*failure)(const std::string &),
                             const std::string &name, const EnvironmentAnswer &answer, bool mapOnly) {
    NameTranslation translation;
    if (translate(function, name, translation.result) != LOCMAP50_OK)
        translation.whyNot = failure(name);
    else if (mapOnly && !answer.variable.empty())
        translation.whyNot = mapOnlyRefusal(answer);
    return translation;
}

// The JSON form: per name its answer, the variable that gave it when the
// map did not, or why there is none; no notes, the document says it all.
Json translationJson(const std::string &name, const NameTranslation &translation, const EnvironmentAnswer &answer) {
    Json object = Json::object();
    setText(object, "name", name);
    if (!translation.whyNot.empty()) {
        setText(object, "error", translation.whyNot);
        return object;
    }
    setText(object, "result", translation.result);
    if (!answer.variable.empty()) setText(object, "variable", answer.variable);
    return object;
}

// Prints the translation of each name on its own line; a name that does not
// translate leaves its line empty, so output lines stay aligned with the input.
// With json, one array instead.
int translateAll(const char *command, SizedTranslation function,
                 std::string (*failure)(const std::string &), const std::vector<std::string> &names,
                 FromEnvironment fromEnvironment, bool json) {
    const std::vector<EnvironmentAnswer> answers = fromEnvironment == FromEnvironment::NotAsked
                                                       ? std::vector<EnvironmentAnswer>(names.size())
                                                       : environmentAnswers(names);
    const bool mapOnly = fromEnvironment == FromEnvironment::Refused;
    int exitCode = kExitOk;
    Json document = Json::array();
    for (std::size_t index = 0; index < names.size(); ++index) {
        const std::string &name = names[index];
        const EnvironmentAnswer &answer = answers[index];
        const NameTranslation translation = translateOne(function, failure, name, answer, mapOnly);
        if (!translation.whyNot.empty()) exitCode = kExitFailed;
        if (json) {
            document.push_back(translationJson(name, translation, answer));
        } else if (translation.whyNot.empty()) {
            std::printf("%s\n", asData(translation.result).c_str());
            if (!answer.variable.empty()) reportNote(environmentNote(command, name, answer));
        } else {
            reportProblem(std::string(command) + ": cannot translate '" + printable(name) + "': " + translation.whyNot);
            std::printf("\n");
        }
    }
    if (json) printJson(document);
    return exitCode;
}

FromEnvironment fromEnvironment(const Settings &settings) {
    return settings.mapOnly ? FromEnvironment::Refused : FromEnvironment::Noted;
}

// explain says in its own words how the environment answered; here it gets
// the note the other translations give, or with mapOnly the refusal.
int explainAll(const LoadedMap &map, const Settings &settings) {
    const int exitCode = commandExplain(*map.source, settings.names, settings.json);
    const std::vector<EnvironmentAnswer> answers = environmentAnswers(settings.names);
    bool refused = false;
    for (std::size_t index = 0; index < settings.names.size(); ++index) {
        const EnvironmentAnswer &answer = answers[index];
        if (answer.variable.empty()) continue;
        if (settings.mapOnly)
            reportProblem("explain: '" + printable(settings.names[index]) + "': " + mapOnlyRefusal(answer));
        else
            reportNote(environmentNote("explain", settings.names[index], answer));
        refused = refused || settings.mapOnly;
    }
    hintQuotingWhereExpanded("explain", settings.names, true);
    return refused ? moreUrgentExit(exitCode, kExitFailed) : exitCode;
}

int commandPaths(const std::string &softPrefix) {
    if (!hasSoftPrefix(softPrefix)) {
        reportProblem("paths: " + missingPrefixText(softPrefix));
        if (looksShellExpanded(softPrefix, false)) hintQuoting("paths", softPrefix);
        return kExitFailed;
    }
    for (const std::string &path : hardPathsOf(softPrefix)) std::printf("%s\n", asData(path).c_str());
    return kExitOk;
}

int commandWhich(const LoadedMap &map, const std::vector<std::string> &prefixes) {
    int exitCode = kExitOk;
    for (const std::string &softPrefix : prefixes) {
        const char *file = CurrentEntryFileName(softPrefix.c_str());
        if (file != nullptr) {
            std::printf("%s\n", asData(map.source->presentable(file)).c_str());
        } else {
            reportProblem("which: " + missingPrefixText(softPrefix));
            if (looksShellExpanded(softPrefix, false)) hintQuoting("which", softPrefix);
            std::printf("\n");
            exitCode = kExitFailed;
        }
    }
    return exitCode;
}

// Export translates its target through the map, which refuses a plain file
// name. Resolving the name as an absolute name first makes the map remember
// it (it keeps every name it resolved that way), so Export then accepts it;
// this also works where paths have no drive letter and never look absolute.
int exportTo(const std::string &target, bool overwriteMap = true) {
    const bool toStdout = target == "-";
    if (!toStdout && !overwriteMap && VnLocMap::createMap()->loadedMapFile(target) != nullptr) {
        reportProblem("export: " + target + " is one of the loaded map files (--overwrite-map replaces it)");
        return kExitFailed;
    }
    const std::string fileName = toStdout ? "locmap-standard-output" : target;
    std::string absolute;
    translate(GetAbsoluteHardNameEx, fileName, absolute);
    std::fflush(stdout);
    if (Export(fileName.c_str(), toStdout ? 1 : 0) == LOCMAP50_OK) return kExitOk;
    const std::string reason = lastLibraryFailure().reason;
    reportProblem("cannot export to " + (toStdout ? std::string("standard output") : printable(target)) +
                  (reason.empty() ? "" : ": " + reason));
    if (toStdout) std::clearerr(stdout);  // said here already, with the library's reason
    // A folder on the way that does not exist is a place export cannot write.
    int failure = LOCMAP50_REASON_NONE;
    GetLastFailure(&failure, nullptr);
    return failure == LOCMAP50_REASON_NOT_FOUND ? kExitCannotWrite : exitCodeOfLibraryFailure();
}

int commandList(const LoadedMap &map, const std::string &format, bool json) {
    if (format == "map") return exportTo("-");
    if (json) return commandListJson(*map.source);
    for (const std::string &softPrefix : softPrefixes()) {
        const char *file = CurrentEntryFileName(softPrefix.c_str());
        std::printf("%s (%s)\n", asData(softPrefix).c_str(),
                    asData(map.source->presentable(file != nullptr ? file : "")).c_str());
        for (const std::string &path : hardPathsOf(softPrefix)) std::printf("    %s\n", asData(path).c_str());
    }
    return kExitOk;
}

// ---- edits and saving ------------------------------------------------------

// Saving rewrites every file from what was read, so lines that raised errors
// would be lost; a map from standard input has no file to go back to.
bool maySave(const LoadedMap &map, const char *refusal) {
    if (map.source->isFromStandardInput()) {
        reportProblem(std::string(refusal) + ": the map came from standard input and has no file to save to"
                      " (use export)");
        return false;
    }
    if (map.errorCount > 0) {
        reportProblem(std::string(refusal) + ": the map has load errors, and saving would drop the lines"
                      " they concern; mend them first");
        return false;
    }
    return true;
}

int commandSave(const Settings &settings, const LoadedMap &map) {
    if (map.errorCount > 0 && !map.source->isFromStandardInput()) {
        maySave(map, "not saved");
        return kExitLoadErrors;
    }
    if (!maySave(map, "not saved")) return kExitFailed;
    SaveRequest request;
    request.dryRun = settings.dryRun;
    request.quiet = settings.quiet;
    request.force = settings.force;
    return runSave(*map.source, request);
}

int commandEdit(const Settings &settings, const LoadedMap &map, EditKind kind, const char *command) {
    EditRequest request;
    request.kind = kind;
    request.softPrefix = settings.softPrefix;
    request.paths = settings.names;
    request.file = settings.editFile;
    request.allFiles = settings.allFiles;
    request.dryRun = settings.dryRun;
    request.quiet = settings.quiet;
    const int exitCode = runEdit(*map.source, request, [&settings] { return chooseMap(settings); });
    if (exitCode != kExitOk && looksShellExpanded(settings.softPrefix, false))
        hintQuoting(command, settings.softPrefix);
    return exitCode;
}

// ---- the command line ------------------------------------------------------

// What the command line chose to run, and how it uses the map.
// An edit is blocked only by load errors in a file it must write, which it
// judges itself; other load errors are reported and do not change its exit.
// where only says which map was found: it neither reports load problems nor
// exits 3 for them.
enum class MapUse { Query, Check, Edit, Locate, None };

// Every command but help reports load errors on standard error before its
// results, and then exits kExitLoadErrors unless --keep-going; --strict
// counts warnings as errors. check shows them on standard output and decides
// its own exit code.
int runWithMap(const Settings &settings, MapUse mapUse, const Command &command) {
    LoadedMap map;
    map.source = chooseMap(settings);
    if (!map.source) return kExitUsage;
    int outcome = LOCMAP50_LOAD_CLEAN;
    GetLoadStatus(&outcome, &map.errorCount, &map.warningCount);
    if (mapUse == MapUse::Check || mapUse == MapUse::Locate) return command(map);
    const bool loadFailed = map.errorCount > 0 || (settings.strict && map.warningCount > 0);
    if (loadFailed) {
        std::fflush(stdout);
        reportLoadProblems(*map.source);
    }
    const int exitCode = command(map);
    const bool blocksExit = loadFailed && !settings.keepGoing && mapUse != MapUse::Edit;
    return blocksExit ? moreUrgentExit(exitCode, kExitLoadErrors) : exitCode;
}

// Standard output is checked once at the end: a result that did not reach it
// is a failure to write, whatever the command itself returned.
int finishOutput(int exitCode) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    // Only the flush's own errno says why; an earlier write's is long gone.
    const std::string reason = flushed ? std::string() : systemReason(errno);
    if (flushed && std::ferror(stdout) == 0) return exitCode;
    reportProblem("cannot write standard output" + (reason.empty() ? "" : ": " + reason));
    return moreUrgentExit(exitCode, kExitCannotWrite);
}

void addMapOptions(CLI::App &app, Settings &settings) {
    CLI::Option *map = app.add_option("-m,--map", settings.mapFile,
                                      "The map file to load ('-' reads it from standard input);\n"
                                      "with neither --map nor --project, as --project .")
                           ->type_name("FILE");
    app.add_option("-p,--project", settings.projectDirectory,
                   "Find the map as a tool of the project in DIR would: ZOR_LOCATION_MAP, then\n"
                   "DIR/zor_location_map, then $HOME/zor/zor_location_map, then each WDIR directory")
        ->type_name("DIR")
        ->excludes(map);
    app.add_flag("--strict", settings.strict, "Count load warnings (and, for check, lint warnings) as errors");
    app.add_flag("-q,--quiet", settings.quiet,
                 "Print no notes; check prints no summary for a clean map, and edits and save\n"
                 "do not name the files written (exit statuses stay as they are)");
    app.add_flag("--keep-going", settings.keepGoing,
                 "Exit as if the map were clean when it has load errors (not for check)");
}


struct Invocation {
    Settings settings;
    Command command;
    MapUse mapUse = MapUse::Query;
};

// A subcommand that, when given, makes command the one to run.
CLI::App *addCommand(CLI::App &app, Invocation &invocation, const char *name, const std::string &description,
                     Command command, MapUse mapUse = MapUse::Query) {
    CLI::App *subcommand = app.add_subcommand(name, description);
    subcommand->footer(kCommandFooter);
    subcommand->callback([&invocation, command, mapUse] {
        invocation.command = command;
        invocation.mapUse = mapUse;
    });
    return subcommand;
}

void addQueryCommands(CLI::App &app, Invocation &invocation) {
    Settings &settings = invocation.settings;
    CLI::App *check = addCommand(app, invocation, "check",
                                 "Load the map and print each problem and lint warning as\n"
                                 "FILE:LINE: error|warning|note: TEXT [kind], with hints",
                                 [&](const LoadedMap &map) {
                                     const CheckFormat format = settings.json                ? CheckFormat::Json
                                                                : settings.format == "legacy" ? CheckFormat::Legacy
                                                                                              : CheckFormat::Text;
                                     return commandCheck(*map.source, format, settings.strict, settings.quiet);
                                 },
                                 MapUse::Check);
    check->add_option("--format", settings.format, "text (the default), or legacy: the library's message text")
        ->check(CLI::IsMember({"text", "legacy"}))
        ->type_name("FORMAT");
    check->add_flag("--json", settings.json, "Print the problems as one JSON array");

    CLI::App *explain = addCommand(app, invocation, "explain",
                                   "Say why each name translates as it does, or why it does not",
                                   [&](const LoadedMap &map) { return explainAll(map, settings); });
    explain->add_option("NAME", settings.names, "Soft names such as $TOOLS\\bin, or hard paths")->required();
    explain->add_flag("--json", settings.json, "Print one JSON array with an object per name");

    // hard and abs: each name translated, then a hint where the shell expanded one.
    const auto translating = [&settings](const char *command, SizedTranslation function, bool absoluteExpected) {
        return [&settings, command, function, absoluteExpected](const LoadedMap &) {
            const int exitCode =
                translateAll(command, function, hardNameFailure, settings.names, fromEnvironment(settings), settings.json);
            hintQuotingWhereExpanded(command, settings.names, absoluteExpected);
            return exitCode;
        };
    };
    CLI::App *hard = addCommand(app, invocation, "hard", "Print the hard path of each soft name",
                                translating("hard", GetHardNameEx, false));
    hard->add_option("NAME", settings.names, "Soft names such as $TOOLS\\bin\\cc.exe")->required();

    CLI::App *absolute = addCommand(app, invocation, "abs",
                                    "Print the absolute hard path of each name (relative names\n"
                                    "resolve against the current directory)",
                                    translating("abs", GetAbsoluteHardNameEx, true));
    absolute->add_option("NAME", settings.names, "Soft, relative or absolute names")->required();
    for (CLI::App *command : {explain, hard, absolute})
        command->add_flag("--map-only", settings.mapOnly,
                          "Refuse answers that come from the environment and not from the map\n"
                          "(exit 1); without it they are given with a note on standard error");

    CLI::App *soft = addCommand(app, invocation, "soft", "Print the soft name of each hard path", [&](const LoadedMap &) {
        return translateAll("soft", GetSoftNameEx, softNameFailure, settings.names, FromEnvironment::NotAsked,
                            settings.json);
    });
    soft->add_option("PATH", settings.names, "Absolute paths such as C:\\tools\\bin\\cc.exe")->required();
    for (CLI::App *command : {hard, absolute, soft})
        command->add_flag("--json", settings.json,
                          "Print one JSON array with an object per name: name, and result (with the\n"
                          "variable that gave it when the map did not) or error");

    addCommand(app, invocation, "paths", "Print every hard path of a soft prefix, one per line",
               [&](const LoadedMap &) { return commandPaths(settings.softPrefix); })
        ->add_option("PREFIX", settings.softPrefix, "A soft prefix such as $TOOLS")
        ->required();

    addCommand(app, invocation, "which", "Print the map file that defined each soft prefix",
               [&](const LoadedMap &map) { return commandWhich(map, settings.names); })
        ->add_option("PREFIX", settings.names, "Soft prefixes such as $TOOLS")
        ->required();

    CLI::App *list = addCommand(app, invocation, "list",
                                "List every soft prefix in map order with its defining file\nand hard paths",
                                [&](const LoadedMap &map) { return commandList(map, settings.format, settings.json); });
    list->add_option("--format", settings.format, "text (the default), or map: the merged map as map file text")
        ->check(CLI::IsMember({"text", "map"}))
        ->type_name("FORMAT");
    list->add_flag("--json", settings.json, "Print the entries as one JSON array");

    CLI::App *where = addCommand(app, invocation, "where",
                                 "Print the map file in use; on standard error each place the\n"
                                 "search looked at, in its order: taken, passed over and why, or\n"
                                 "not searched because an earlier place gave the map; and hints",
                                 [&](const LoadedMap &map) { return commandWhere(map, settings.json); },
                                 MapUse::Locate);
    where->add_flag("--json", settings.json,
                    "Print one JSON object: encoding, map, how, places (each with place,\n"
                    "outcome and reason) and hints");
    where->footer(kEditMapFooter);
}

void addEditCommands(CLI::App &app, Invocation &invocation) {
    Settings &settings = invocation.settings;
    const std::string saveFooter = std::string(kSaveFooter) + "\n\n" + kCommandFooter;

    CLI::App *add = addCommand(app, invocation, "add", "Add a soft prefix with its hard paths to one map file",
                               [&](const LoadedMap &map) { return commandEdit(settings, map, EditKind::Add, "add"); },
                               MapUse::Edit);
    add->add_option("PREFIX", settings.softPrefix, "The new soft prefix, such as $TOOLS")->required();
    add->add_option("PATH", settings.names, "Its hard paths, in order")->required();

    CLI::App *set = addCommand(app, invocation, "set", "Replace the hard paths of a soft prefix in its map file",
                               [&](const LoadedMap &map) { return commandEdit(settings, map, EditKind::Set, "set"); },
                               MapUse::Edit);
    set->add_option("PREFIX", settings.softPrefix, "A soft prefix of the map")->required();
    set->add_option("PATH", settings.names,
                    "Its new hard paths, in order (at most " + std::to_string(LOCMAP50_MAX_HARD_PATHS) + ")")
        ->required();

    CLI::App *remove = addCommand(app, invocation, "remove", "Remove a soft prefix from its map file",
                                  [&](const LoadedMap &map) {
                                      return commandEdit(settings, map, EditKind::Remove, "remove");
                                  },
                                  MapUse::Edit);
    remove->add_option("PREFIX", settings.softPrefix, "A soft prefix of the map")->required();

    for (CLI::App *edit : {add, set, remove}) {
        CLI::Option *file = edit->add_option("--file", settings.editFile, "The loaded map file to change");
        if (edit != add)
            edit->add_flag("--all-files", settings.allFiles, "Change every loaded file that holds the prefix")
                ->excludes(file);
        edit->add_flag("--dry-run", settings.dryRun, "Write nothing; print the diff of each file it would write");
        edit->footer(std::string(kEditFooter) + "\n\n" + kEditMapFooter);
    }

    CLI::App *save = addCommand(app, invocation, "save", "Rewrite every loaded map file in the standard layout",
                                [&](const LoadedMap &map) { return commandSave(settings, map); });
    save->add_flag("--dry-run", settings.dryRun, "Write nothing; print the diff of each file it would write");
    save->add_flag("--force", settings.force, "Rewrite also files whose comments or CR LF line ends would be lost");
    save->footer(saveFooter);

    CLI::App *exporting = addCommand(app, invocation, "export", "Write the merged map as one new map file",
                                     [&](const LoadedMap &) { return exportTo(settings.target, settings.overwriteMap); });
    exporting->add_option("FILE", settings.target, "The file to write ('-': standard output)")->required();
    exporting->add_flag("--overwrite-map", settings.overwriteMap, "Allow FILE to be one of the loaded map files");
}

// "help [COMMAND]": the help of the tool or of one command, on standard output.
void addHelpCommand(CLI::App &app, Invocation &invocation) {
    addCommand(app, invocation, "help", "Show the help of locmap or of one command",
               [&app, &invocation](const LoadedMap &) {
                   const std::string &topic = invocation.settings.helpTopic;
                   if (topic.empty()) {
                       std::fputs(app.get_formatter()->make_help(&app, "locmap", CLI::AppFormatMode::Normal).c_str(),
                                  stdout);
                       return kExitOk;
                   }
                   try {
                       CLI::App *command = app.get_subcommand(topic);
                       std::fputs(command->get_formatter()
                                      ->make_help(command, "locmap " + topic, CLI::AppFormatMode::Normal)
                                      .c_str(),
                                  stdout);
                       return kExitOk;
                   } catch (const CLI::OptionNotFound &) {
                       reportProblem("help: unknown command '" + topic + "'");
                       return kExitUsage;
                   }
               },
               MapUse::None)
        ->add_option("COMMAND", invocation.settings.helpTopic, "The command to explain");
}

// The shell's work on an unquoted soft name shows as a missing operand: set
// $TOOLS /x with TOOLS unset gives set /x, and hard $TOOLS gives hard.
void hintAtMissingOperand(const std::string &command, const std::string &missing, const Settings &settings) {
    static const char *const kSoftNameCommands[] = {"hard", "abs", "explain", "paths", "which", "add", "set", "remove"};
    if (std::find(std::begin(kSoftNameCommands), std::end(kSoftNameCommands), command) == std::end(kSoftNameCommands))
        return;
    if (missing == "PATH") {
        if (looksShellExpanded(settings.softPrefix, false)) hintQuoting(command.c_str(), settings.softPrefix);
    } else {
        reportProblem("hint: " + command + ": an unquoted $NAME that is not set gives the shell nothing to pass;"
                      " quote soft names: '$TOOLS'");
    }
}

// The parser's complaint in the tool's own words.
std::string usageProblem(const CLI::ParseError &error, const CLI::App &command) {
    const std::string text = error.what();
    std::smatch match;
    static const std::regex kExtras(R"(^The following arguments? (was|were) not expected: (.*)$)");
    if (std::regex_match(text, match, kExtras)) {
        // The parser lists the words last first.
        std::vector<std::string> extras;
        std::istringstream listed(match.str(2));
        for (std::string word; listed >> word;) extras.insert(extras.begin(), word);
        std::string words;
        for (const std::string &word : extras) words += (words.empty() ? "" : " ") + word;
        return command.get_name() + " does not take '" + printable(words) + "'";
    }
    static const std::regex kNotAChoice(R"(^(\S+): (.*) not in \{(.*)\}$)");
    if (std::regex_match(text, match, kNotAChoice))
        return "option " + match.str(1) + " takes " + choicesInWords(match.str(3)) + ", not '" +
               printable(match.str(2)) + "'";
    static const std::regex kExcludes(R"(^(\S+) excludes (\S+)$)");
    if (std::regex_match(text, match, kExcludes))
        return "options " + match.str(1) + " and " + match.str(2) + " cannot be given together";
    return text;
}

// Parses the command line; false when the run ends here (help, version or a
// usage error), with exitCode set.
bool parseCommandLine(CLI::App &app, const Settings &settings, int argc, char **argv, int &exitCode) {
    std::vector<std::string> words(argv + 1, argv + argc);
    std::string misplaced;
    std::string helpFor;
    if (!arrangeOptions(app, words, misplaced, helpFor)) {
        reportProblem(misplaced);
        std::fprintf(stderr, "Run '%s --help' for help.\n", helpFor.c_str());
        exitCode = kExitUsage;
        return false;
    }
    std::vector<char *> arguments{argv[0]};
    for (std::string &word : words) arguments.push_back(&word[0]);
    try {
        app.parse(static_cast<int>(arguments.size()), arguments.data());
        return true;
    } catch (const CLI::CallForHelp &error) {
        exitCode = app.exit(error);
    } catch (const CLI::CallForAllHelp &error) {
        exitCode = app.exit(error);
    } catch (const CLI::CallForVersion &error) {
        exitCode = app.exit(error);
    } catch (const CLI::ParseError &error) {
        const std::vector<CLI::App *> chosen = app.get_subcommands();
        const std::string where = chosen.empty() ? "locmap" : "locmap " + chosen.front()->get_name();
        if (chosen.empty())
            reportProblem("no command given");
        else
            reportProblem(usageProblem(error, *chosen.front()));
        static const std::string kRequired = " is required";
        const std::string text = error.what();
        if (!chosen.empty() && text.size() > kRequired.size() &&
            text.compare(text.size() - kRequired.size(), kRequired.size(), kRequired) == 0)
            hintAtMissingOperand(chosen.front()->get_name(), text.substr(0, text.size() - kRequired.size()), settings);
        std::fprintf(stderr, "Run '%s --help' for help.\n", where.c_str());
        exitCode = kExitUsage;
    }
    return false;
}

}  // namespace

int main(int argc, char **argv) {
    CLI::App app("locmap: check, query and edit location map files.", "locmap");
    app.allow_windows_style_options(false);
    app.fallthrough();
    app.require_subcommand(1);
    app.set_version_flag("--version", "locmap " LOCMAP50_VERSION_STRING " (locmap50 library)");
    app.footer(kExitStatusText);

    Invocation invocation;
    addMapOptions(app, invocation.settings);
    addQueryCommands(app, invocation);
    addEditCommands(app, invocation);
    addHelpCommand(app, invocation);

    int usageExit = kExitOk;
    if (!parseCommandLine(app, invocation.settings, argc, argv, usageExit)) return finishOutput(usageExit);
    if (invocation.settings.quiet) silenceNotes();
    if (invocation.mapUse == MapUse::None) return finishOutput(invocation.command(LoadedMap()));
    return finishOutput(runWithMap(invocation.settings, invocation.mapUse, invocation.command));
}
