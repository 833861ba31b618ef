// locmap: checks, queries and edits location map files through the locmap50 C interface.
#include <cerrno>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "Check.h"
#include "Explain.h"
#include "MapSource.h"
#include "ToolSupport.h"
#include "locmapfile/Format.h"
#include "paths/NameRules.h"
#include "paths/PathRules.h"
#include "locmap50/VnLocMap.h"
#include "locmap50/locmap50.h"

using namespace locmap_tool;

namespace {

const char kCommandFooter[] =
    "Every command works on the map chosen by --map FILE ('-': standard input)\n"
    "or --project DIR, given before or after the command. Load errors make it\n"
    "exit 3 (--strict: warnings too; --keep-going: neither). See 'locmap --help'.";

const char kSaveFooter[] =
    "Saving writes every loaded map file back to its own path, main file first,\n"
    "in the standard layout (comments and rejected lines are not kept). It is\n"
    "refused while the map has load errors, and for a map read from standard input.";

const char kExitStatusText[] =
    "Exit status: 0 success; 1 something failed or did not translate; 2 usage\n"
    "error or no map; 3 the map has load errors (with --strict, also warnings),\n"
    "after printing what it can (check used 1 for this before; --keep-going makes\n"
    "the other commands exit as if the map had none). 2 wins over 3, 3 over 1.\n"
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
    return locmap50::paths::splitSoftName(locmap50::paths::toBackslashes(name)).softPrefix;
}

std::string missingPrefixText(const std::string &softPrefix) {
    std::string text = "no soft prefix " + softPrefix + " in the map";
    if (softPrefix.empty() || softPrefix[0] != '$') text += " (soft prefixes start with $)";
    return text;
}

std::string hardNameFailure(const std::string &name) {
    if (name.empty() || name[0] != '$') return "not a soft name, URL or absolute path";
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
int exportTo(const std::string &target) {
    const bool toStdout = target == "-";
    const std::string fileName = toStdout ? "locmap-standard-output" : target;
    std::string absolute;
    translate(GetAbsoluteHardNameEx, fileName, absolute);
    std::fflush(stdout);
    if (Export(fileName.c_str(), toStdout ? 1 : 0) == LOCMAP50_OK) return kExitOk;
    const std::string reason = lastLibraryFailure().reason;
    reportProblem("cannot export to " + (toStdout ? std::string("standard output") : target) +
                  (reason.empty() ? "" : ": " + reason));
    return kExitFailed;
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
    return kExitFailed;
}

int commandSave(const LoadedMap &map) {
    if (!maySave(map, "not saved")) return kExitFailed;
    return saveAll();
}

enum class Edit { Set = LOCMAP50_REPLACE_ENTRY, Add = LOCMAP50_ADD_ENTRY, Remove = LOCMAP50_DELETE_ENTRY };

const char *editName(Edit edit) {
    switch (edit) {
    case Edit::Set: return "set";
    case Edit::Add: return "add";
    case Edit::Remove: return "remove";
    }
    return "";
}

// Checks the edit's words before anything changes; false with the reason reported.
bool editIsSound(Edit edit, const std::string &softPrefix, const std::vector<std::string> &paths) {
    const std::string command = editName(edit);
    if (edit == Edit::Add) {
        // The reader's own rule, so no entry is written that the next load would reject.
        if (!locmap50::mapfile::isValidSoftPrefix(softPrefix)) {
            reportProblem("add: bad soft prefix '" + softPrefix + "': a $, a letter, then letters, digits or _");
            return false;
        }
        if (hasSoftPrefix(softPrefix)) {
            reportProblem("add: " + softPrefix + " is already in the map (set changes it)");
            return false;
        }
    } else if (!hasSoftPrefix(softPrefix)) {
        reportProblem(command + ": " + missingPrefixText(softPrefix));
        return false;
    }
    for (const std::string &path : paths) {
        if (path.empty() || path.find(locmap50::paths::kHardPathListEnd) != std::string::npos ||
            !locmap50::mapfile::fitsOnOneLine(path)) {
            reportProblem(command + ": bad hard path '" + path + "': empty, or holds a backquote or line break");
            return false;
        }
    }
    return true;
}

int commandEdit(const LoadedMap &map, Edit edit, const std::string &softPrefix,
                const std::vector<std::string> &paths) {
    const std::string command = editName(edit);
    if (!maySave(map, (command + ": not changed").c_str())) return kExitFailed;
    if (!editIsSound(edit, softPrefix, paths)) return kExitFailed;
    const std::string list = joinBackquoteList(paths);
    if (ChangeEntry(softPrefix.c_str(), edit == Edit::Remove ? nullptr : list.c_str(), static_cast<int>(edit)) !=
        LOCMAP50_OK) {
        reportProblem(command + ": the map refused to change " + softPrefix);
        return kExitFailed;
    }
    return saveAll();
}

// ---- the command line ------------------------------------------------------

// Every command but help reports load errors on standard error before its
// results, and then exits kExitLoadErrors unless --keep-going; --strict
// counts warnings as errors. check shows them on standard output and decides
// its own exit code.
int runWithMap(const Settings &settings, bool isCheck, const Command &command) {
    if (settings.mapFile.empty() && settings.projectDirectory.empty()) {
        reportProblem("no map given: use --map FILE ('-' for standard input) or --project DIR");
        return kExitUsage;
    }
    LoadedMap map;
    map.source = chooseMap(settings);
    if (!map.source) return kExitUsage;
    int outcome = LOCMAP50_LOAD_CLEAN;
    GetLoadStatus(&outcome, &map.errorCount, &map.warningCount);
    if (isCheck) return command(map);
    const bool loadFailed = map.errorCount > 0 || (settings.strict && map.warningCount > 0);
    if (loadFailed) {
        std::fflush(stdout);
        reportLoadProblems(*map.source);
    }
    const int exitCode = command(map);
    return loadFailed && !settings.keepGoing ? moreUrgentExit(exitCode, kExitLoadErrors) : exitCode;
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

// What the command line chose to run, and how it uses the map.
enum class MapUse { Query, Check, None };

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
                                     return commandCheck(*map.source, format, settings.strict);
                                 },
                                 MapUse::Check);
    check->add_option("--format", settings.format, "text (the default), or legacy: the library's message text")
        ->check(CLI::IsMember({"text", "legacy"}))
        ->type_name("FORMAT");
    check->add_flag("--json", settings.json, "Print the problems as one JSON array");

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

    CLI::App *add = addCommand(app, invocation, "add", "Add a soft prefix with its hard paths, then save the map",
                               [&](const LoadedMap &map) {
                                   return commandEdit(map, Edit::Add, settings.softPrefix, settings.names);
                               });
    add->add_option("PREFIX", settings.softPrefix, "The new soft prefix, such as $TOOLS")->required();
    add->add_option("PATH", settings.names, "Its hard paths, in order")->required();

    CLI::App *set = addCommand(app, invocation, "set", "Replace the hard paths of a soft prefix, then save the map",
                               [&](const LoadedMap &map) {
                                   return commandEdit(map, Edit::Set, settings.softPrefix, settings.names);
                               });
    set->add_option("PREFIX", settings.softPrefix, "A soft prefix of the map")->required();
    set->add_option("PATH", settings.names, "Its new hard paths, in order")->required();

    CLI::App *remove = addCommand(app, invocation, "remove", "Remove a soft prefix, then save the map",
                                  [&](const LoadedMap &map) {
                                      return commandEdit(map, Edit::Remove, settings.softPrefix, {});
                                  });
    remove->add_option("PREFIX", settings.softPrefix, "A soft prefix of the map")->required();

    CLI::App *save = addCommand(app, invocation, "save", "Rewrite every loaded map file in the standard layout",
                                [](const LoadedMap &map) { return commandSave(map); });

    for (CLI::App *edit : {add, set, remove, save}) edit->footer(saveFooter);

    addCommand(app, invocation, "export", "Write the merged map as one new map file",
               [&](const LoadedMap &) { return exportTo(settings.target); })
        ->add_option("FILE", settings.target, "The file to write ('-': standard output)")
        ->required();
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
    return finishOutput(runWithMap(invocation.settings, invocation.mapUse == MapUse::Check, invocation.command));
}
