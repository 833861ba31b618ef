// locmap: a command-line tool to check, query, save and export location map files through the C interface.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "locmap50/locmap50.h"

namespace {

// Exit codes: success, problems found or names not translated, usage or no map.
constexpr int kExitOk = 0;
constexpr int kExitProblems = 1;
constexpr int kExitUsage = 2;

// Result of the sized translation functions when the buffer is too small.
constexpr int kBufferTooSmall = 3;

const char kUsage[] =
    "usage: locmap COMMAND MAPFILE [ARGUMENTS...]\n"
    "\n"
    "Commands:\n"
    "  check MAPFILE            load the map and print its diagnostics\n"
    "  hard MAPFILE NAME...     print the hard path of each soft name\n"
    "  abs MAPFILE NAME...      print the absolute hard path of each name\n"
    "  soft MAPFILE PATH...     print the soft name of each hard path\n"
    "  paths MAPFILE PREFIX     print every hard path of a soft prefix\n"
    "  export MAPFILE TARGET    write the merged map to TARGET ('-': standard output)\n"
    "  save MAPFILE             rewrite every loaded map file in the canonical layout;\n"
    "                           refused while the map has errors, which a save would drop\n"
    "\n"
    "Relative INCLUDE paths resolve against the current directory.\n"
    "Exit status: 0 success, 1 problems found or not translated, 2 usage or no map.\n";

using SizedTranslation = int (*)(const char *, char *, size_t);

int usageError() {
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

// Loads mapFile as the process's map; false (with a message) when it cannot be read.
bool loadMap(const char *mapFile) {
    if (InitLocationMap(mapFile, 1) == 0) return true;
    std::fprintf(stderr, "locmap: cannot read map file %s\n", mapFile);
    return false;
}

const char *loadDiagnostics() {
    const char *text = GetErrorString();
    return text != nullptr ? text : "";
}

bool loadedCleanly() {
    static const char kSuccessStart[] = "Location map file ";
    return std::strncmp(loadDiagnostics(), kSuccessStart, sizeof kSuccessStart - 1) == 0;
}

// Runs one sized translation, growing the buffer until the result fits.
int translate(SizedTranslation function, const char *name, std::string &result) {
    std::vector<char> buffer(260);
    int status = function(name, buffer.data(), buffer.size());
    while (status == kBufferTooSmall) {
        buffer.resize(buffer.size() * 2);
        status = function(name, buffer.data(), buffer.size());
    }
    result = buffer.data();
    return status;
}

// Prints the translation of each name, one per line; an untranslated name is
// reported on stderr and keeps its line empty so output lines stay aligned.
int translateAll(SizedTranslation function, char **names, int count) {
    int exitCode = kExitOk;
    for (int i = 0; i < count; ++i) {
        std::string result;
        if (translate(function, names[i], result) == 0) {
            std::printf("%s\n", result.c_str());
        } else {
            std::fprintf(stderr, "locmap: cannot translate %s\n", names[i]);
            std::printf("\n");
            exitCode = kExitProblems;
        }
    }
    return exitCode;
}

int commandCheck() {
    std::fputs(loadDiagnostics(), stdout);
    return loadedCleanly() ? kExitOk : kExitProblems;
}

int commandPaths(const char *prefix) {
    char *list = ReturnAllHardPath(prefix);
    if (list == nullptr) {
        std::fprintf(stderr, "locmap: no soft prefix %s in the map\n", prefix);
        return kExitProblems;
    }
    // Each path in the list is followed by one backquote, the last one included.
    for (const char *start = list; *start != '\0';) {
        const char *end = std::strchr(start, '`');
        if (end == nullptr) end = start + std::strlen(start);
        std::printf("%.*s\n", static_cast<int>(end - start), start);
        start = *end == '\0' ? end : end + 1;
    }
    FreeHardPathList(list);
    return kExitOk;
}

// Export translates its target through the map, which refuses a plain file
// name. Resolving the name as an absolute name first makes the map remember
// it (it keeps every name it resolved that way), so Export then accepts it;
// this also works where paths have no drive letter and never look absolute.
int commandExport(const char *mapFile, const char *target) {
    const bool toStdout = std::strcmp(target, "-") == 0;
    const char *fileName = toStdout ? mapFile : target;
    std::string absolute;
    translate(GetAbsoluteHardNameEx, fileName, absolute);
    if (Export(fileName, toStdout ? 1 : 0) == 0) return kExitOk;
    std::fprintf(stderr, "locmap: cannot export to %s\n", target);
    return kExitProblems;
}

int commandSave() {
    if (std::strstr(loadDiagnostics(), "Error: ") != nullptr) {
        std::fputs(loadDiagnostics(), stderr);
        std::fputs("locmap: not saved: mend the errors above first\n", stderr);
        return kExitProblems;
    }
    if (SaveLocationMap(0) == 0) return kExitOk;
    std::fputs("locmap: a map file could not be written\n", stderr);
    return kExitProblems;
}

// Runs the command with its map loaded; argv holds the words after MAPFILE.
int runCommand(const std::string &command, const char *mapFile, int argc, char **argv) {
    if (command == "check" && argc == 0) return commandCheck();
    if (command == "hard" && argc > 0) return translateAll(GetHardNameEx, argv, argc);
    if (command == "abs" && argc > 0) return translateAll(GetAbsoluteHardNameEx, argv, argc);
    if (command == "soft" && argc > 0) return translateAll(GetSoftNameEx, argv, argc);
    if (command == "paths" && argc == 1) return commandPaths(argv[0]);
    if (command == "export" && argc == 1) return commandExport(mapFile, argv[0]);
    if (command == "save" && argc == 0) return commandSave();
    return usageError();
}

bool isKnownCommand(const std::string &command) {
    for (const char *known : {"check", "hard", "abs", "soft", "paths", "export", "save"}) {
        if (command == known) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (argc < 3 || !isKnownCommand(argv[1])) return usageError();
    const char *mapFile = argv[2];
    if (!loadMap(mapFile)) return kExitUsage;
    return runCommand(argv[1], mapFile, argc - 3, argv + 3);
}
