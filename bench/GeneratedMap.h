// SPDX-License-Identifier: Apache-2.0
// Generated location map files of a chosen size, shaped like real site maps, for the benchmarks.
#ifndef LOCMAP50_BENCH_GENERATEDMAP_H
#define LOCMAP50_BENCH_GENERATEDMAP_H

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace bench {

namespace fs = std::filesystem;

// Soft prefix number index, e.g. "$DIGITAL_LIB_04217"; no environment
// variable of a normal session is named like these.
inline std::string prefixName(long index) {
    static const char *const areas[] = {"DIGITAL", "ANALOG", "MEMORY", "PADS", "IO_RING"};
    std::string number = std::to_string(index);
    if (number.size() < 5) number.insert(0, 5 - number.size(), '0');
    return std::string("$") + areas[index % 5] + "_LIB_" + number;
}

inline std::string libraryName(long index) {
    return prefixName(index).substr(1);
}

// Every prefix has a local hard path; every other one also a server copy,
// written with a trailing backslash as people often do.
inline std::string firstHardPath(long index) {
    return "C:\\eda\\projects\\soc_top\\libraries\\" + libraryName(index);
}
inline bool hasSecondHardPath(long index) {
    return index % 2 == 1;
}
inline std::string secondHardPath(long index) {
    return "\\\\fileserver\\eda_share\\libraries\\" + libraryName(index) + "\\";
}

// A file under the last hard path that prefix index defines.
inline std::string pathUnderLastHardPath(long index) {
    const std::string base = hasSecondHardPath(index) ? secondHardPath(index) : firstHardPath(index) + "\\";
    return base + "src\\rtl\\top_module.v";
}
inline std::string pathUnderFirstHardPath(long index) {
    return firstHardPath(index) + "\\src\\rtl\\top_module.v";
}

inline void appendEntry(std::string &text, long index) {
    text += prefixName(index) + "\n" + firstHardPath(index) + "\n";
    if (hasSecondHardPath(index)) text += secondHardPath(index) + "\n";
    text += "\n";
}

// A map of prefixCount prefixes in the temporary directory: a main file with
// comments and an INCLUDE line in its middle, which pulls in a tenth of the
// entries (at least one), so definition order is prefix 0 to prefixCount - 1.
// Both files are removed when the object goes.
class GeneratedMap {
public:
    // stem names the files, so that a benchmark that saves has copies of its own.
    explicit GeneratedMap(long prefixCount, const std::string &stem = "locmap50_bench_")
        : m_mainPath(fs::temp_directory_path() / (stem + std::to_string(prefixCount) + ".map")),
          m_includedPath(fs::temp_directory_path() / (stem + std::to_string(prefixCount) + "_shared.map")) {
        const long includedFirst = prefixCount / 2;
        const long includedEnd = includedFirst + (prefixCount / 10 > 0 ? prefixCount / 10 : 1);
        std::string mainText = "ZOR_LOCATION_MAP_2\n# Location map of the soc_top project, generated.\n\n";
        std::string includedText = "ZOR_LOCATION_MAP_2\n# Libraries shared with other projects.\n\n";
        for (long i = 0; i < prefixCount; ++i) {
            const bool included = i >= includedFirst && i < includedEnd;
            if (i == includedFirst) mainText += "INCLUDE " + m_includedPath.string() + "\n\n";
            if (i % 50 == 0) (included ? includedText : mainText) += "# Libraries from number " + std::to_string(i) + "\n";
            appendEntry(included ? includedText : mainText, i);
        }
        std::ofstream(m_mainPath, std::ios::binary) << mainText;
        std::ofstream(m_includedPath, std::ios::binary) << includedText;
    }
    ~GeneratedMap() {
        std::error_code ignored;
        fs::remove(m_mainPath, ignored);
        fs::remove(m_includedPath, ignored);
    }
    GeneratedMap(const GeneratedMap &) = delete;
    GeneratedMap &operator=(const GeneratedMap &) = delete;

    std::string path() const { return m_mainPath.string(); }
    std::string includedPath() const { return m_includedPath.string(); }

private:
    fs::path m_mainPath;
    fs::path m_includedPath;
};

// A chain of fileCount one-entry map files, each including the next, in a
// folder of its own in the temporary directory; removed when the object goes.
class GeneratedChain {
public:
    explicit GeneratedChain(long fileCount)
        : m_folder(fs::temp_directory_path() / ("locmap50_bench_chain_" + std::to_string(fileCount))) {
        fs::create_directories(m_folder);
        for (long i = 0; i < fileCount; ++i) {
            std::string text = "ZOR_LOCATION_MAP_2\n" + prefixName(i) + "\n" + firstHardPath(i) + "\n";
            if (i + 1 < fileCount) text += "INCLUDE " + fileOf(i + 1).string() + "\n";
            std::ofstream(fileOf(i), std::ios::binary) << text;
        }
    }
    ~GeneratedChain() {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }
    GeneratedChain(const GeneratedChain &) = delete;
    GeneratedChain &operator=(const GeneratedChain &) = delete;

    std::string path() const { return fileOf(0).string(); }

private:
    fs::path fileOf(long index) const { return m_folder / ("c" + std::to_string(index) + ".map"); }

    fs::path m_folder;
};

}  // namespace bench

#endif  // LOCMAP50_BENCH_GENERATEDMAP_H
