// SPDX-License-Identifier: Apache-2.0
// Choosing and loading the map for one locmap run: a named file, standard input, or discovery from a project directory.
#ifndef LOCMAP_TOOLS_MAPSOURCE_H
#define LOCMAP_TOOLS_MAPSOURCE_H

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace locmap_tool {

// One place the search for the map looked at, or passed by.
struct SearchPlace {
    std::string place;    // a file, or the variable that named none
    bool placeLeads = true;  // a line names the place before the reason (a variable's own sentence names it)
    std::string outcome;  // "taken", "passed over" or "not searched"
    std::string reason;
};

// The map the command works on, loaded into the process's location map.
class MapSource {
public:
    ~MapSource();
    MapSource(const MapSource &) = delete;
    MapSource &operator=(const MapSource &) = delete;

    // Loads mapFile ("-": standard input, copied to a temporary file first).
    // Null, with the reason on standard error, when it cannot be read.
    static std::unique_ptr<MapSource> fromFile(const std::string &mapFile);
    // Finds the map as any tool of the project would (ZOR_LOCATION_MAP, the
    // directory, HOME/zor, WDIR). Null when none is found, with every place
    // looked at and why it was passed over on standard error.
    static std::unique_ptr<MapSource> fromProject(const std::string &directory);
    // Finds the map as a tool started in the current directory would: as
    // fromProject(".").
    static std::unique_ptr<MapSource> discover();

    // Where the map came from, in words ("given with --map", "through HOME").
    std::string origin() const;
    // Each place the search passed over and why, in the order searched, as
    // the library's notes say; empty for a map named with --map.
    static std::vector<std::string> placesPassedOver();
    // Every place in search order with what happened there: passed over and
    // why, taken, or not searched because an earlier place gave the map.
    std::vector<SearchPlace> searchPlaces() const;
    // Hints on values of ZOR_LOCATION_MAP and WDIR that cannot mean what
    // whoever set them meant ("hint: ..."); none when they look right.
    static std::vector<std::string> discoveryHints();

    // The load diagnostics as the library collected them.
    std::string diagnostics() const;
    // text with the name of standard input's temporary copy, as the library
    // writes it, replaced by "(standard input)".
    std::string presentable(std::string text) const;
    // The map came from standard input and has no file of its own to save to.
    bool isFromStandardInput() const { return !m_temporaryFile.empty(); }
    // The main map file, as the library names it.
    std::string mainFileName() const;
    // Notes on a map the search found that another user owns, or that other
    // users may write or replace: it is used all the same (a team's project
    // folder belongs to one of them), but whoever runs a tool there should
    // know who decides what it says. None for a map named with --map.
    std::vector<std::string> notesOnWhoControlsIt() const;

private:
    enum class Origin { File, Project, CurrentDirectory };
    explicit MapSource(Origin origin, std::string directory = std::string())
        : m_origin(origin), m_directory(std::move(directory)) {}

    Origin m_origin;
    std::string m_directory;      // the project directory searched from
    std::string m_temporaryFile;  // native path of standard input's copy, if any
};

}  // namespace locmap_tool

#endif  // LOCMAP_TOOLS_MAPSOURCE_H
