// The floors the library is measured against: the least any map of the same content could cost.
#ifndef LOCMAP50_BENCH_FLOORS_H
#define LOCMAP50_BENCH_FLOORS_H

#include <fstream>
#include <string>
#include <unordered_map>
#include <vector>

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

}  // namespace bench

#endif  // LOCMAP50_BENCH_FLOORS_H
