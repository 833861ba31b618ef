// SPDX-License-Identifier: Apache-2.0
// Choosing and loading the map for one locmap run: a named file, standard input, or discovery from a project directory.
#include "MapSource.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <vector>

#include "ToolSupport.h"
#include "locmap50/locmap50.h"
#include "locmap50/rules.h"

namespace locmap_tool {

namespace {

const char kStandardInputName[] = "(standard input)";

void replaceAll(std::string &text, const std::string &from, const std::string &to) {
    if (from.empty()) return;
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// Why the map file given could not be read, as the library's record of it
// says; "" when it recorded no reason.
std::string unreadableReason() {
    for (int index = 0; index < GetLoadProblemCount(); ++index) {
        int reason = LOCMAP50_REASON_NONE;
        if (GetLoadProblemReason(index, &reason) == LOCMAP50_OK && reason != LOCMAP50_REASON_NONE)
            return reasonText(reason);
    }
    return std::string();
}

// Copies standard input to a new file in the temporary directory; "" when
// that fails (the reason is reported).
std::string copyStandardInput() {
    std::error_code error;
    const std::filesystem::path directory = std::filesystem::temp_directory_path(error);
    if (error) {
        reportProblem("cannot read the map from standard input: no temporary directory: " + error.message());
        return std::string();
    }
    std::random_device random;
    const std::string path =
        (directory / ("locmap-stdin-" + std::to_string(random()) + ".map")).string();
    errno = 0;
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        const std::string reason = systemReason(errno);  // before anything else can change errno
        reportProblem("cannot read the map from standard input: cannot create " + path +
                      (reason.empty() ? "" : ": " + reason));
        return std::string();
    }
    std::vector<char> buffer(65536);
    std::size_t count;
    bool written = true;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), stdin)) > 0)
        written = written && std::fwrite(buffer.data(), 1, count, file) == count;
    const bool readFailed = std::ferror(stdin) != 0;
    written = std::fclose(file) == 0 && written;
    if (readFailed || !written) {
        reportProblem(std::string("cannot read the map from standard input: ") +
                      (readFailed ? "reading standard input failed" : "cannot write " + path));
        std::remove(path.c_str());
        return std::string();
    }
    return path;
}

// One place the library's search passed over, as a line of the explanation:
// the place, when the note names one, and the library's sentence.
std::string searchNoteText(int index, const std::string &file) {
    const std::string sentence = loadProblemText(index);
    return printable(file.empty() ? sentence : file + ": " + sentence);
}

// The library's notes of its search for the map, in the order searched.
struct SearchNote {
    int index = 0;
    int kind = 0;
    std::string file;
    std::string detail;
};

std::vector<SearchNote> searchNotes() {
    std::vector<SearchNote> notes;
    for (int index = 0; index < GetLoadProblemCount(); ++index) {
        int severity = 0, kind = 0, line = 0;
        const char *file = nullptr, *detail = nullptr;
        if (GetLoadProblem(index, &severity, &kind, &file, &line, &detail) != LOCMAP50_OK ||
            severity != LOCMAP50_SEVERITY_NOTE || kind == LOCMAP50_PROBLEM_NOTE_OVERRIDDEN)
            continue;
        notes.push_back({index, kind, file != nullptr ? file : "", detail != nullptr ? detail : ""});
    }
    return notes;
}

// The places of the search, in its order.
enum class Stage { MapVariable, Project, Home, Wdir };

// Which place of the search gave the map: the one after the last place
// passed over.
Stage stageTaken(const std::vector<SearchNote> &notes) {
    if (notes.empty()) return Stage::MapVariable;
    const SearchNote &last = notes.back();
    switch (last.kind) {
    case LOCMAP50_PROBLEM_NOTE_VARIABLE_UNSET:
        return last.detail == "ZOR_LOCATION_MAP" ? Stage::Project : Stage::Wdir;
    case LOCMAP50_PROBLEM_NOTE_IN_PROJECT:
        return Stage::Home;
    default:
        return Stage::Wdir;
    }
}

std::string stageWords(Stage stage, const std::string &directoryWords) {
    switch (stage) {
    case Stage::MapVariable:
        return "named by ZOR_LOCATION_MAP";
    case Stage::Project:
        return directoryWords;
    case Stage::Home:
        return "under HOME";
    case Stage::Wdir:
        break;
    }
    return "in a directory of WDIR";
}

std::string environmentValue(const char *name) {
    const char *value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool isSet(const char *name) { return !environmentValue(name).empty(); }

std::string mapFileIn(const std::string &directory) {
    return locmap50::rules::toHostFileName(directory + "/zor_location_map");
}

bool isExistingFile(const std::string &file) {
    std::error_code error;
    return std::filesystem::is_regular_file(file, error);
}

// The places after the one taken, which the search never reached.
std::vector<SearchPlace> placesNotSearched(Stage taken, const std::string &directory) {
    const std::string reason = taken == Stage::MapVariable
                                   ? "ZOR_LOCATION_MAP is set, and then it alone is searched"
                                   : "an earlier place gave the map";
    std::vector<SearchPlace> places;
    if (taken < Stage::Project) {
        const std::string file = mapFileIn(directory);
        // A project's own map that the variable hides is what surprises.
        places.push_back({file, true, "not searched",
                          reason + (isExistingFile(file) ? " (this file exists and would be the map without it)" : "")});
    }
    if (taken < Stage::Home && isSet("HOME"))
        places.push_back({mapFileIn(environmentValue("HOME") + "/zor"), true, "not searched", reason});
    if (taken < Stage::Wdir && isSet("WDIR")) places.push_back({"WDIR", true, "not searched", reason});
    return places;
}

// Tells where the library's search looked and why it took nothing, from the
// notes it kept of that search.
void explainFailedDiscovery(const std::string &failure) {
    reportProblem(failure);
    for (const std::string &place : MapSource::placesPassedOver()) reportProblem("  " + place);
    for (const std::string &hint : MapSource::discoveryHints()) reportProblem(hint);
}

}  // namespace

MapSource::~MapSource() {
    if (!m_temporaryFile.empty()) std::remove(m_temporaryFile.c_str());
}

std::unique_ptr<MapSource> MapSource::fromFile(const std::string &mapFile) {
    std::unique_ptr<MapSource> source(new MapSource(Origin::File));
    std::string path = mapFile;
    if (mapFile == "-") {
        source->m_temporaryFile = copyStandardInput();
        if (source->m_temporaryFile.empty()) return nullptr;
        path = source->m_temporaryFile;
    }
    // The library takes any readable path, and a directory would then load as
    // an empty map "loaded successfully".
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        reportProblem("cannot read map file " + mapFile + ": " + reasonText(LOCMAP50_REASON_IS_DIRECTORY));
        return nullptr;
    }
    if (InitLocationMap(path.c_str(), 1) == LOCMAP50_OK) return source;
    const std::string reason = unreadableReason();
    reportProblem("cannot read map file " + mapFile + ": " + (reason.empty() ? "not a readable file" : reason));
    return nullptr;
}

std::unique_ptr<MapSource> MapSource::fromProject(const std::string &directory) {
    if (InitLocationMap(directory.c_str(), 0) == LOCMAP50_OK)
        return std::unique_ptr<MapSource>(new MapSource(Origin::Project, directory));
    explainFailedDiscovery("no map found for project directory " + printable(directory));
    return nullptr;
}

std::unique_ptr<MapSource> MapSource::discover() {
    if (InitLocationMap(".", 0) == LOCMAP50_OK)
        return std::unique_ptr<MapSource>(new MapSource(Origin::CurrentDirectory, "."));
    explainFailedDiscovery("no map found where a tool started here would look (give --map FILE or"
                           " --project DIR, or set ZOR_LOCATION_MAP)");
    return nullptr;
}

std::string MapSource::origin() const {
    switch (m_origin) {
    case Origin::File:
        return isFromStandardInput() ? "given with --map -" : "given with --map";
    case Origin::Project:
        return stageWords(stageTaken(searchNotes()), "in the project directory " + printable(m_directory));
    case Origin::CurrentDirectory:
        break;
    }
    return stageWords(stageTaken(searchNotes()), "in the current directory");
}

std::vector<SearchPlace> MapSource::searchPlaces() const {
    std::vector<SearchPlace> places;
    if (m_origin == Origin::File) return {{mainFileName(), true, "taken", origin()}};
    const std::vector<SearchNote> notes = searchNotes();
    for (const SearchNote &note : notes) {
        const bool namesFile = !note.file.empty();
        places.push_back({namesFile ? note.file : note.detail, namesFile, "passed over", loadProblemText(note.index)});
    }
    places.push_back({mainFileName(), true, "taken", origin()});
    for (SearchPlace &place : placesNotSearched(stageTaken(notes), m_directory)) places.push_back(std::move(place));
    return places;
}

std::vector<std::string> MapSource::discoveryHints() {
    std::vector<std::string> hints;
    const std::string wdir = environmentValue("WDIR");
#ifndef _WIN32
    if (wdir.find(':') != std::string::npos && wdir.find(';') == std::string::npos)
        hints.push_back("hint: WDIR is a list separated by ;, not :, so '" + printable(wdir) +
                        "' is taken as one folder");
#endif
    const std::string mapVariable = environmentValue("ZOR_LOCATION_MAP");
    std::error_code error;
    if (!mapVariable.empty() && std::filesystem::is_directory(mapVariable, error))
        hints.push_back("hint: ZOR_LOCATION_MAP names a folder; it names the map file itself, such as " +
                        printable(mapFileIn(mapVariable)));
    for (const char *name : {"ZOR_LOCATION_MAP", "WDIR"}) {
        const std::string value = environmentValue(name);
        if (value.rfind('~', 0) == 0 || value.find(";~") != std::string::npos)
            hints.push_back(std::string("hint: ") + name + " starts with ~, which the shell did not"
                            " expand (it does so only at the start of an unquoted word); write $HOME instead");
    }
    return hints;
}

std::vector<std::string> MapSource::placesPassedOver() {
    std::vector<std::string> places;
    for (const SearchNote &note : searchNotes()) places.push_back(searchNoteText(note.index, note.file));
    return places;
}

std::string MapSource::diagnostics() const {
    const char *text = GetErrorString();
    return presentable(text != nullptr ? text : "");
}

std::string MapSource::presentable(std::string text) const {
    if (isFromStandardInput()) replaceAll(text, locmap50::rules::toHostFileName(m_temporaryFile), kStandardInputName);
    return text;
}

std::string MapSource::mainFileName() const {
    if (isFromStandardInput()) return kStandardInputName;
    const char *name = CurrentMapName();
    return name != nullptr ? name : "";
}

std::vector<std::string> MapSource::notesOnWhoControlsIt() const {
    if (m_origin == Origin::File) return {};
    const std::string file = mainFileName();
    const locmap50::rules::FileControl control = locmap50::rules::fileControl(file);
    std::vector<std::string> notes;
    if (control.ownedByOther)
        notes.push_back("note: the map " + file + " belongs to " + control.owner + ", not to you");
    if (control.othersMayWrite) notes.push_back("note: other users may change the map " + file + " or its folder");
    return notes;
}

}  // namespace locmap_tool
