// SPDX-License-Identifier: Apache-2.0
// The floors the library is measured against: the least any map of the same content could cost.
#ifndef LOCMAP50_BENCH_FLOORS_H
#define LOCMAP50_BENCH_FLOORS_H

#include <cstdio>
#include <fstream>
#include <list>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace bench {

// Each prefix and its hard paths, nothing else.
using FloorMap = std::unordered_map<std::string, std::vector<std::string>>;

// Reads the lines of a map file with std::getline into a FloorMap, following
// INCLUDE lines; no checks, no environment, no record for saving.
inline void readFloorMap(const std::string &path, FloorMap &map) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    std::vector<std::string> *hardPaths = nullptr;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '$')
            hardPaths = &map[line];
        else if (line.compare(0, 8, "INCLUDE ") == 0)
            readFloorMap(line.substr(8), map);
        else if (hardPaths != nullptr && line.compare(0, 4, "ZOR_") != 0)
            hardPaths->push_back(line);
    }
}

// One map file's record as VnLocMapFile.h fixes it.
struct FileTablesFloor {
    std::map<std::string, std::list<std::string>> entryHardPaths;  // m_entryHardPaths
    std::list<std::string> entryOrder;                             // m_entryOrder
};

// The public tables that VnLocMap.h and VnLocMapFile.h fix for a loaded map,
// of the same types: what any loader keeping that interface has to fill.
struct TablesFloor {
    std::map<std::string, std::string> primaryHardPaths;             // m_primaryHardPaths
    std::map<std::string, std::list<std::string>> softToHardMap;     // m_softToHardMap
    std::list<std::string> softPrefixOrder;                          // m_softPrefixOrder
    std::map<std::string, std::string> softToFileMap;                // m_softToFileMap
    std::list<FileTablesFloor> files;                                // each file's record
};

// Fills the tables from the lines of a map file read with std::getline,
// following INCLUDE lines, one file record each; no checks, no environment.
inline void readTablesFloor(const std::string &path, TablesFloor &tables) {
    std::ifstream in(path, std::ios::binary);
    tables.files.emplace_back();
    FileTablesFloor &file = tables.files.back();
    std::string line;
    const std::string *softPrefix = nullptr;
    std::list<std::string> *mergedHardPaths = nullptr;
    std::list<std::string> *fileHardPaths = nullptr;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '$') {
            const auto merged = tables.softToHardMap.try_emplace(line).first;
            softPrefix = &merged->first;
            mergedHardPaths = &merged->second;
            fileHardPaths = &file.entryHardPaths[line];
            tables.softPrefixOrder.push_back(line);
            tables.softToFileMap.emplace(line, path);
            file.entryOrder.push_back(line);
        } else if (line.compare(0, 8, "INCLUDE ") == 0) {
            file.entryOrder.emplace_back("INCLUDE");
            readTablesFloor(line.substr(8), tables);
        } else if (mergedHardPaths != nullptr && line.compare(0, 4, "ZOR_") != 0) {
            if (mergedHardPaths->empty()) tables.primaryHardPaths.emplace(*softPrefix, line);
            mergedHardPaths->push_back(line);
            fileHardPaths->push_back(line);
        }
    }
}

// Soft prefix to its first hard path, for the soft-to-hard floor.
inline std::unordered_map<std::string, std::string> floorPrimaries(const FloorMap &map) {
    std::unordered_map<std::string, std::string> primaries;
    for (const auto &[softPrefix, hardPaths] : map)
        if (!hardPaths.empty()) primaries.emplace(softPrefix, hardPaths.front());
    return primaries;
}

// One lookup and the same join as the library's: "$P\rest" -> hard path of
// $P without its trailing backslash, then "\rest".
inline bool floorHardName(const std::unordered_map<std::string, std::string> &primaries,
                          const std::string &name, std::string &hardName) {
    const std::size_t backslash = name.find('\\');
    const auto primary = primaries.find(name.substr(0, backslash));
    if (primary == primaries.end()) return false;
    const std::string &hardPath = primary->second;
    hardName.assign(hardPath, 0, !hardPath.empty() && hardPath.back() == '\\' ? hardPath.size() - 1 : hardPath.size());
    hardName.append(name, backslash, std::string::npos);
    return true;
}

// ---- Hard to soft: the one compare no lookup can do without

inline char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether hardName starts with hardPath, letters compared case-blind: what a
// lookup that already knew which hard path holds the name would still do. No
// early exit, so that the compiler can compare many bytes at a time.
inline bool caseBlindStartsWith(const std::string &hardName, const std::string &hardPath) {
    if (hardName.size() < hardPath.size()) return false;
    unsigned char differences = 0;
    for (std::size_t i = 0; i < hardPath.size(); ++i)
        differences |= static_cast<unsigned char>(asciiLower(hardName[i]) ^ asciiLower(hardPath[i]));
    return differences == 0;
}

// ---- Saving: the same bytes written and flushed to the disk, nothing else

// Each file's name and the bytes to write into it.
using FileBytes = std::vector<std::pair<std::string, std::string>>;

// fwrite + fsync of each file's bytes; false when a step fails.
inline bool writeAndSync(const FileBytes &files) {
    bool written = true;
    for (const auto &[path, bytes] : files) {
        FILE *file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) return false;
        written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && written;
        written = std::fflush(file) == 0 && written;
#if defined(_WIN32)
        written = _commit(_fileno(file)) == 0 && written;
#else
        written = fsync(fileno(file)) == 0 && written;
#endif
        written = std::fclose(file) == 0 && written;
    }
    return written;
}

}  // namespace bench

#endif  // LOCMAP50_BENCH_FLOORS_H
