// locmap: checks, queries and edits location map files through the locmap50 C interface.
#include <cerrno>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "Check.h"
#include "EditCommands.h"
#include "Explain.h"
#include "Lint.h"
#include "MapSource.h"
#include "ToolSupport.h"
#include "locmap50/VnLocMap.h"
#include "locmap50/locmap50.h"
#include "locmap50/rules.h"

using namespace locmap_tool;

namespace {

const char kCommandFooter[] =
    "Every command works on the map chosen by --map FILE ('-': standard input)\n"
    "or --project DIR, given before or after the command. Load errors make it\n"
    "exit 3 (--strict: warnings too; --keep-going: neither). See 'locmap --help'.";

const char kEditMapFooter[] =
    "Every command works on the map chosen by --map FILE ('-': standard input)\n"
    "or --project DIR, given before or after the command. See 'locmap --help'.";

const char kEditFooter[] =
    "set and remove change the file whose line defines the prefix (--file FILE\n"
    "names another, --all-files every file holding it); add appends to the main\n"
    "file or to --file FILE. The file is then saved keeping its layout: only the\n"
    "lines the edit concerns change, comments, blank lines and line ends stay, and\n"
    "files the edit does not concern are not written. Each file written is printed\n"
    "(--quiet: nothing); --dry-run writes nothing and prints the diff instead. Only\n"
    "a file that did not read completely blocks an edit of it.";

const char kSaveFooter[] =
    "save rewrites every loaded map file in the standard layout, main file first\n"
    "(comments and rejected lines are not kept). It is refused while the map has\n"
    "load errors, and for a map read from standard input.";

const char kExitStatusText[] =
    "Exit status: 0 done; 1 not found, not translated, or a refused edit; 2 usage\n"
    "error or no map; 3 the map has load errors (with --strict, also warnings),\n"
    "after printing what it can (--keep-going: queries exit as if it had none);\n"
    "4 cannot write (permission, space, not a regular target, or it would lose\n"
    "the file's group, access list, attributes or links); 5 changed on disk since\n"
    "it was read, or the save lock timed out (an edit reloads and retries once\n"
    "first). When two apply: 2 > 5 > 4 > 3 > 1.\n"
    "Relative INCLUDE paths in map files resolve against the current directory.";

// What the command line chose, filled in by CLI11.
struct Settings {
    std::string mapFile;
    std::string projectDirectory;
    bool strict = false;
    bool keepGoing = false;
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

std::unique_ptr<MapSource> chooseMap(const Settings &settings) {
    if (!settings.projectDirectory.empty()) return MapSource::fromProject(settings.projectDirectory);
    return MapSource::fromFile(settings.mapFile);
}

// ---- queries ---------------------------------------------------------------

std::string softPrefixOfName(const std::string &name) {
    return locmap50::rules::splitSoftName(locmap50::rules::toBackslashes(name)).softPrefix;
}

std::string missingPrefixText(const std::string &softPrefix) {
    std::string text = "no soft prefix " + softPrefix + " in the map";
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

// Prints the translation of each name on its own line; a name that does not
// translate leaves its line empty, so output lines stay aligned with the input.
int translateAll(const char *command, SizedTranslation function,
                 std::string (*failure)(const std::string &), const std::vector<std::string> &names) {
    int exitCode = kExitOk;
    for (const std::string &name : names) {
        std::string result;
        if (translate(function, name, result) == LOCMAP50_OK) {
            std::printf("%s\n", result.c_str());
        } else {
            reportProblem(std::string(command) + ": cannot translate '" + name + "': " + failure(name));
            std::printf("\n");
            exitCode = kExitFailed;
        }
    }
    return exitCode;
}

int commandPaths(const std::string &softPrefix) {
    if (!hasSoftPrefix(softPrefix)) {
        reportProblem("paths: " + missingPrefixText(softPrefix));
        return kExitFailed;
    }
    for (const std::string &path : hardPathsOf(softPrefix)) std::printf("%s\n", path.c_str());
    return kExitOk;
}

int commandWhich(const LoadedMap &map, const std::vector<std::string> &prefixes) {
    int exitCode = kExitOk;
    for (const std::string &softPrefix : prefixes) {
        const char *file = CurrentEntryFileName(softPrefix.c_str());
        if (file != nullptr) {
            std::printf("%s\n", map.source->presentable(file).c_str());
        } else {
            reportProblem("which: " + missingPrefixText(softPrefix));
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
    reportProblem("cannot export to " + (toStdout ? std::string("standard output") : target) +
                  (reason.empty() ? "" : ": " + reason));
    return exitCodeOfLibraryFailure();
}

int commandList(const LoadedMap &map, const std::string &format, bool json) {
    if (format == "map") return exportTo("-");
    if (json) return commandListJson(*map.source);
    for (const std::string &softPrefix : softPrefixes()) {
        const char *file = CurrentEntryFileName(softPrefix.c_str());
        std::printf("%s (%s)\n", softPrefix.c_str(), map.source->presentable(file != nullptr ? file : "").c_str());
        for (const std::string &path : hardPathsOf(softPrefix)) std::printf("    %s\n", path.c_str());
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

// Saves every loaded file, main file first; a failure names the file and
// the library's reason.
int saveAll() {
    if (SaveLocationMap(0) == LOCMAP50_OK) return kExitOk;
    const LibraryFailure failure = lastLibraryFailure();
    reportProblem("cannot save " + (failure.file.empty() ? "the map" : failure.file) +
                  (failure.reason.empty() ? "" : ": " + failure.reason) +
                  "; it is left as it was, and the files after it were not saved");
    return exitCodeOfLibraryFailure();
}

int commandSave(const LoadedMap &map) {
    if (map.errorCount > 0 && !map.source->isFromStandardInput()) {
        maySave(map, "not saved");
        return kExitLoadErrors;
    }
    if (!maySave(map, "not saved")) return kExitFailed;
    return saveAll();
}

int commandEdit(const Settings &settings, const LoadedMap &map, EditKind kind) {
    EditRequest request;
    request.kind = kind;
    request.softPrefix = settings.softPrefix;
    request.paths = settings.names;
    request.file = settings.editFile;
    request.allFiles = settings.allFiles;
    request.dryRun = settings.dryRun;
    request.quiet = settings.quiet;
    return runEdit(*map.source, request, [&settings] { return chooseMap(settings); });
}

// ---- the command line ------------------------------------------------------

// What the command line chose to run, and how it uses the map.
// An edit is blocked only by load errors in a file it must write, which it
// judges itself; other load errors are reported and do not change its exit.
enum class MapUse { Query, Check, Edit, None };

// Every command but help reports load errors on standard error before its
// results, and then exits kExitLoadErrors unless --keep-going; --strict
// counts warnings as errors. check shows them on standard output and decides
// its own exit code.
int runWithMap(const Settings &settings, MapUse mapUse, const Command &command) {
    if (settings.mapFile.empty() && settings.projectDirectory.empty()) {
        reportProblem("no map given: use --map FILE ('-' for standard input) or --project DIR");
        return kExitUsage;
    }
    LoadedMap map;
    map.source = chooseMap(settings);
    if (!map.source) return kExitUsage;
    int outcome = LOCMAP50_LOAD_CLEAN;
    GetLoadStatus(&outcome, &map.errorCount, &map.warningCount);
    if (mapUse == MapUse::Check) return command(map);
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
// is a failure, whatever the command itself returned.
int finishOutput(int exitCode) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    // Only the flush's own errno says why; an earlier write's is long gone.
    const std::string reason = flushed ? std::string() : systemReason(errno);
    if (flushed && std::ferror(stdout) == 0) return exitCode;
    reportProblem("cannot write standard output" + (reason.empty() ? "" : ": " + reason));
    return kExitFailed;
}

void addMapOptions(CLI::App &app, Settings &settings) {
    CLI::Option *map = app.add_option("-m,--map", settings.mapFile,
                                      "The map file to load ('-' reads it from standard input)")
                           ->type_name("FILE");
    app.add_option("-p,--project", settings.projectDirectory,
                   "Find the map as a tool of the project in DIR would: ZOR_LOCATION_MAP, then\n"
                   "DIR/zor_location_map, then $HOME/zor/zor_location_map, then each WDIR directory")
        ->type_name("DIR")
        ->excludes(map);
    app.add_flag("--strict", settings.strict, "Count load warnings (and, for check, lint warnings) as errors");
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
    check->add_flag("-q,--quiet", settings.quiet, "Print nothing for a clean map (no summary line)");

    CLI::App *explain = addCommand(app, invocation, "explain",
                                   "Say why each name translates as it does, or why it does not",
                                   [&](const LoadedMap &map) {
                                       return commandExplain(*map.source, settings.names, settings.json);
                                   });
    explain->add_option("NAME", settings.names, "Soft names such as $TOOLS\\bin, or hard paths")->required();
    explain->add_flag("--json", settings.json, "Print one JSON array with an object per name");

    addCommand(app, invocation, "hard", "Print the hard path of each soft name", [&](const LoadedMap &) {
        return translateAll("hard", GetHardNameEx, hardNameFailure, settings.names);
    })->add_option("NAME", settings.names, "Soft names such as $TOOLS\\bin\\cc.exe")->required();

    addCommand(app, invocation, "abs",
               "Print the absolute hard path of each name (relative names\n"
               "resolve against the current directory)",
               [&](const LoadedMap &) {
                   return translateAll("abs", GetAbsoluteHardNameEx, hardNameFailure, settings.names);
               })
        ->add_option("NAME", settings.names, "Soft, relative or absolute names")
        ->required();

    addCommand(app, invocation, "soft", "Print the soft name of each hard path", [&](const LoadedMap &) {
        return translateAll("soft", GetSoftNameEx, softNameFailure, settings.names);
    })->add_option("PATH", settings.names, "Absolute paths such as C:\\tools\\bin\\cc.exe")->required();

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
}

void addEditCommands(CLI::App &app, Invocation &invocation) {
    Settings &settings = invocation.settings;
    const std::string saveFooter = std::string(kSaveFooter) + "\n\n" + kCommandFooter;

    CLI::App *add = addCommand(app, invocation, "add", "Add a soft prefix with its hard paths to one map file",
                               [&](const LoadedMap &map) { return commandEdit(settings, map, EditKind::Add); },
                               MapUse::Edit);
    add->add_option("PREFIX", settings.softPrefix, "The new soft prefix, such as $TOOLS")->required();
    add->add_option("PATH", settings.names, "Its hard paths, in order")->required();

    CLI::App *set = addCommand(app, invocation, "set", "Replace the hard paths of a soft prefix in its map file",
                               [&](const LoadedMap &map) { return commandEdit(settings, map, EditKind::Set); },
                               MapUse::Edit);
    set->add_option("PREFIX", settings.softPrefix, "A soft prefix of the map")->required();
    set->add_option("PATH", settings.names,
                    "Its new hard paths, in order (at most " + std::to_string(LOCMAP50_MAX_HARD_PATHS) + ")")
        ->required();

    CLI::App *remove = addCommand(app, invocation, "remove", "Remove a soft prefix from its map file",
                                  [&](const LoadedMap &map) { return commandEdit(settings, map, EditKind::Remove); },
                                  MapUse::Edit);
    remove->add_option("PREFIX", settings.softPrefix, "A soft prefix of the map")->required();

    for (CLI::App *edit : {add, set, remove}) {
        CLI::Option *file = edit->add_option("--file", settings.editFile, "The loaded map file to change");
        if (edit != add)
            edit->add_flag("--all-files", settings.allFiles, "Change every loaded file that holds the prefix")
                ->excludes(file);
        edit->add_flag("--dry-run", settings.dryRun, "Write nothing; print the diff of each file it would write");
        edit->add_flag("-q,--quiet", settings.quiet, "Do not print the files written");
        edit->footer(std::string(kEditFooter) + "\n\n" + kEditMapFooter);
    }

    CLI::App *save = addCommand(app, invocation, "save", "Rewrite every loaded map file in the standard layout",
                                [](const LoadedMap &map) { return commandSave(map); });
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

// Parses the command line; false when the run ends here (help, version or a
// usage error), with exitCode set.
bool parseCommandLine(CLI::App &app, int argc, char **argv, int &exitCode) {
    try {
        app.parse(argc, argv);
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
        if (chosen.empty() && app.remaining_size() > 0)
            reportProblem("unknown command '" + app.remaining().front() + "'");
        else if (chosen.empty())
            reportProblem("no command given");
        else
            reportProblem(error.what());
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
    if (!parseCommandLine(app, argc, argv, usageExit)) return finishOutput(usageExit);
    if (invocation.mapUse == MapUse::None) return finishOutput(invocation.command(LoadedMap()));
    return finishOutput(runWithMap(invocation.settings, invocation.mapUse, invocation.command));
}
