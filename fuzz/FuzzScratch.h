// SPDX-License-Identifier: Apache-2.0
// What the fuzz targets share: a private scratch directory as the current directory, and the guard that keeps every write inside it.
#ifndef LOCMAP50_FUZZ_FUZZSCRATCH_H
#define LOCMAP50_FUZZ_FUZZSCRATCH_H

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "locmap50/VnLocMap.h"
#include "locmapfile/FileState.h"

namespace fuzzscratch {

namespace fs = std::filesystem;

// The scratch directory of this process; every file a run writes lies in it.
inline fs::path &directory() {
    static fs::path path;
    return path;
}

// Makes the scratch directory the current directory, so relative names in
// the input stay inside it, and removes it when the process ends.
inline void enter(const char *name) {
    directory() = fs::temp_directory_path() / (std::string(name) + "_" + std::to_string(getpid()));
    fs::create_directories(directory());
    directory() = fs::canonical(directory());
    fs::current_path(directory());
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(directory(), ignored);
    });
}

inline void writeFile(const std::string &name, const std::string &text) {
    std::ofstream(directory() / name, std::ios::binary | std::ios::trunc) << text;
}

inline void removeEverything() {
    std::error_code ignored;
    for (const auto &entry : fs::directory_iterator(directory(), ignored)) fs::remove_all(entry.path(), ignored);
}

// Inputs whose include lines could name files outside the scratch directory
// are skipped: a save writes every file it read back where it was read.
inline bool includesOnlyScratchFiles(const std::string &text) {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        const std::size_t keyword = line.find("INCLUDE");
        if (keyword != std::string::npos) {
            const std::string named = line.substr(keyword);
            if (named.find_first_of("/\\:") != std::string::npos || named.find("..") != std::string::npos)
                return false;
        }
        start = end + 1;
    }
    return true;
}

// The backstop behind that filter: a loaded file outside the scratch
// directory means an include line got past it (an injected one, say), and
// the run stops before a save could write there.
inline void requireLoadedFilesInScratch() {
    if (!VnLocMap::exists()) return;
    const std::string root = directory().string();
    for (const VnLocMapFile &file : VnLocMap::createMap()->m_mapFiles) {
        const locmap50::mapfile::LoadState &loaded = locmap50::mapfile::loadStateOf(file);
        std::string path = loaded.absolutePath;
        for (char &c : path)
            if (c == '\\') c = '/';
        if (loaded.read && !path.empty() && path.compare(0, root.size() + 1, root + "/") != 0) {
            std::fprintf(stderr, "loaded file outside the scratch directory: %s\n", path.c_str());
            std::abort();
        }
    }
}

}  // namespace fuzzscratch

#endif  // LOCMAP50_FUZZ_FUZZSCRATCH_H
