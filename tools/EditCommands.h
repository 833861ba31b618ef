// SPDX-License-Identifier: Apache-2.0
// locmap's edits (set, add, remove): which file they change, the layout-keeping save, --dry-run diffs and exit codes.
#ifndef LOCMAP_TOOLS_EDITCOMMANDS_H
#define LOCMAP_TOOLS_EDITCOMMANDS_H

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MapSource.h"

namespace locmap_tool {

enum class EditKind { Set, Add, Remove };

struct EditRequest {
    EditKind kind = EditKind::Set;
    std::string softPrefix;
    std::vector<std::string> paths;
    std::string file;       // --file: the map file to change ("" chooses as described in the help)
    bool allFiles = false;  // --all-files: every file holding the prefix
    bool dryRun = false;
    bool quiet = false;
};

// Loads the map again, as the run first did; null when it cannot.
using MapReloader = std::function<std::unique_ptr<MapSource>()>;

// Makes the edit on the loaded map and saves it keeping each file's layout,
// printing each file written (or, with dryRun, the diff it would write).
// On a concurrent change it reloads once and tries again. Returns an exit code.
int runEdit(const MapSource &source, const EditRequest &request, const MapReloader &reload);

// Why an edit tried again gave up, from the library's reason for the second
// failure (a LOCMAP50_REASON_* code) and its detail: another save's lock,
// named, held all the time allowed, or the map changed on disk again.
std::string whyTheRetryFailed(int reason, const std::string &lockFile);

struct SaveRequest {
    bool dryRun = false;
    bool quiet = false;
    bool force = false;  // also a file whose comments or CR LF line ends the rewrite drops
};

// Rewrites every loaded map file in the standard layout, main file first,
// printing each file written (or, with dryRun, the diff it would write).
// Refuses, writing nothing, when a file holds what the rewrite drops,
// unless force. The caller has made sure the map may be saved. Returns an
// exit code.
int runSave(const MapSource &source, const SaveRequest &request);

// The exit code of a failed save, export or edit, from the library's reason.
int exitCodeOfLibraryFailure();

}  // namespace locmap_tool

#endif  // LOCMAP_TOOLS_EDITCOMMANDS_H
