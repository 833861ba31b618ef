// SPDX-License-Identifier: Apache-2.0
// libFuzzer target: loads the input as a main map file and a second file it may include, then translates, saves and exports.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "locmap50/VnLocMap.h"
#include "locmap50/VnLocMapFile.h"
#include "locmapfile/FileState.h"

namespace fs = std::filesystem;

namespace {

// A private directory that is also the current directory, so relative INCLUDE
// lines in the input ("INCLUDE main.map" makes a cycle) stay inside it.
fs::path g_workDir;
const std::string kSplitLine = "\n%%\n";

void writeFile(const std::string &name, const std::string &text) {
    std::ofstream(g_workDir / name, std::ios::binary) << text;
}

// Device and process files never end; an include of one would hang the run.
bool namesEndlessFile(const std::string &text) {
    for (const char *device : {"dev", "proc", "sys"}) {
        for (char separator : {'/', '\\'}) {
            if (text.find(separator + std::string(device)) != std::string::npos) return true;
        }
    }
    return false;
}

// Lines of the input serve as names to translate both ways.
void translateSomeLines(VnLocMap *map, const std::string &text) {
    std::size_t start = 0;
    for (int count = 0; count < 16 && start < text.size(); ++count) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        std::string result;
        map->getHardName(line, result);
        map->getHardName(line + "\\x\\y.v", result);
        map->getAbsoluteHardName(line, result);
        map->getSoftName(line, result);
        start = end + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    g_workDir = fs::temp_directory_path() / ("locmap50_fuzz_" + std::to_string(getpid()));
    fs::create_directories(g_workDir);
    fs::current_path(g_workDir);
    std::atexit([] { std::error_code ignored; fs::remove_all(g_workDir, ignored); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    if (namesEndlessFile(text)) return 0;
    // A line "%%" splits the input: before it the main file, after it the file
    // that the seeds' "INCLUDE shared.map" lines name.
    const std::size_t split = text.find(kSplitLine);
    const bool hasSplit = split != std::string::npos;
    writeFile("main.map", text.substr(0, split));
    writeFile("shared.map", hasSplit ? text.substr(split + kSplitLine.size()) : std::string());

    VnLocMap *map = VnLocMap::createMap();
    map->load("main.map", 1);

    translateSomeLines(map, text);
    // Saved copies go to one scratch file: an included file may be any
    // readable file, so the copies forget where they were read from.
    for (VnLocMapFile file : map->m_mapFiles) {
        file.m_fileName = "saved.map";
        locmap50::mapfile::loadStateOf(file) = locmap50::mapfile::LoadState();
        file.save(false);
    }
    map->exportLocMap("exported.map", false);

    map->DestroyMap();
    for (const char *name : {"main.map", "shared.map", "saved.map", "exported.map"}) {
        std::error_code ignored;
        fs::remove(g_workDir / name, ignored);
    }
    return 0;
}
