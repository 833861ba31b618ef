// The warnings of "locmap check" that the library itself does not give.
//
// What the map means comes from the library (which prefixes it holds, in which
// order, from which file, and how a hard path translates back); the map files
// are scanned here only to find the line on which each entry and path stands
// and the redefinitions the library skipped without a word.
#include "Lint.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>

#include "ToolSupport.h"
#include "locmap50/locmap50.h"

namespace locmap_tool {

namespace {

const char kCurrentProjectPrefix[] = "$CURRENT_PROJECT_PATH";

struct PathLine {
    std::string path;
    int line;
};

// One soft prefix line of a file and the hard path lines under it.
struct Block {
    std::string file;
    std::string softPrefix;
    int line;
    std::vector<PathLine> paths;
};

std::string trimmed(const std::string &text) {
    const char *blanks = " \t\n\v\f\r";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool isIncludeLine(const std::string &line) {
    return line.size() > 8 && line.compare(0, 7, "INCLUDE") == 0 && (line[7] == ' ' || line[7] == '\t');
}

// The soft prefix blocks of one file, in file order. Lines are cut at "#" and
// trimmed as the reader does; the first remaining line is the header.
std::vector<Block> scanBlocks(const std::string &file) {
    std::vector<Block> blocks;
    std::ifstream stream(nativePath(file), std::ios::binary);
    std::string raw;
    int number = 0;
    bool headerSeen = false;
    bool inBlock = false;
    while (std::getline(stream, raw)) {
        ++number;
        if (!raw.empty() && raw[0] == '#') continue;
        const std::string line = trimmed(raw.substr(0, raw.find('#')));
        if (line.empty()) continue;
        if (!headerSeen) {
            headerSeen = true;
        } else if (line[0] == '$') {
            blocks.push_back({file, line, number, {}});
            inBlock = true;
        } else if (isIncludeLine(line)) {
            inBlock = false;
        } else if (inBlock) {
            std::string path = line;
            for (char &c : path)
                if (c == '/') c = '\\';
            blocks.back().paths.push_back({path, number});
        }
    }
    return blocks;
}

std::string where(const std::string &file, int line) {
    return file + ":" + std::to_string(line);
}

// The lines of the map files, indexed by soft prefix.
class MapLines {
public:
    explicit MapLines(const std::vector<std::string> &mapFiles) {
        for (const std::string &file : mapFiles)
            for (Block &block : scanBlocks(file)) m_blocks[block.softPrefix].push_back(std::move(block));
    }

    // The block that defines softPrefix: the first one in its defining file.
    const Block *definition(const std::string &softPrefix) const {
        const char *file = CurrentEntryFileName(softPrefix.c_str());
        const auto found = m_blocks.find(softPrefix);
        if (file == nullptr || found == m_blocks.end()) return nullptr;
        for (const Block &block : found->second)
            if (block.file == file) return &block;
        return nullptr;
    }

    // Where hardPath of softPrefix stands; the prefix line when the path came
    // from the environment; "" when the prefix is on no line.
    std::string placeOf(const std::string &softPrefix, const std::string &hardPath) const {
        const Block *block = definition(softPrefix);
        if (block == nullptr) return std::string();
        for (const PathLine &path : block->paths)
            if (path.path == hardPath) return where(block->file, path.line);
        return where(block->file, block->line);
    }

    const std::map<std::string, std::vector<Block>> &blocks() const { return m_blocks; }

private:
    std::map<std::string, std::vector<Block>> m_blocks;
};

std::string withPlace(const std::string &place) {
    return place.empty() ? std::string() : place + ": ";
}

bool equalFoldingAsciiCase(const std::string &a, const std::string &b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// The soft prefix a translated soft name starts with ("." is the current project).
std::string prefixOfSoftName(const std::string &softName, std::string &tail) {
    const std::size_t cut = softName.find('\\');
    const std::string head = softName.substr(0, cut);
    tail = cut == std::string::npos ? std::string() : softName.substr(cut);
    return head == "." ? kCurrentProjectPrefix : head;
}

// Which of owner's hard paths took path: the one that, without a trailing
// "\", is the part of path before tail; the first one otherwise.
std::string coveringHardPath(const std::string &owner, const std::string &path, const std::string &tail) {
    const std::vector<std::string> candidates = hardPathsOf(owner);
    if (candidates.empty()) return std::string();
    const std::string matched = path.substr(0, path.size() - std::min(tail.size(), path.size()));
    for (std::string candidate : candidates) {
        const std::string original = candidate;
        if (!candidate.empty() && candidate.back() == '\\') candidate.pop_back();
        if (equalFoldingAsciiCase(candidate, matched)) return original;
    }
    return candidates.front();
}

// Hard-to-soft translation tries entries in map order and takes the first
// that holds the path, so a hard path inside an earlier entry's is never
// translated to its own prefix. The library's translation decides.
void lintCoveredHardPaths(const MapLines &lines, std::vector<std::string> &warnings) {
    for (const std::string &softPrefix : softPrefixes()) {
        for (const std::string &hardPath : hardPathsOf(softPrefix)) {
            std::string softName, tail;
            if (translate(GetSoftNameEx, hardPath, softName) != LOCMAP50_OK) continue;
            const std::string owner = prefixOfSoftName(softName, tail);
            if (owner == softPrefix || !hasSoftPrefix(owner)) continue;
            const std::string ownerPath = coveringHardPath(owner, hardPath, tail);
            warnings.push_back("Warning: " + withPlace(lines.placeOf(softPrefix, hardPath)) + "hard path " +
                               hardPath + " of " + softPrefix + " lies within hard path " + ownerPath +
                               " of " + owner + " (" + lines.placeOf(owner, ownerPath) +
                               "), which is tried first; paths there always translate to " + owner + ".");
        }
    }
}

void lintRepeatedHardPaths(const MapLines &lines, std::vector<std::string> &warnings) {
    for (const std::string &softPrefix : softPrefixes()) {
        const Block *block = lines.definition(softPrefix);
        if (block == nullptr) continue;
        for (std::size_t i = 0; i < block->paths.size(); ++i) {
            for (std::size_t earlier = 0; earlier < i; ++earlier) {
                if (block->paths[earlier].path != block->paths[i].path) continue;
                warnings.push_back("Warning: " + where(block->file, block->paths[i].line) + ": hard path " +
                                   block->paths[i].path + " is given twice for " + softPrefix +
                                   " (first at line " + std::to_string(block->paths[earlier].line) + ").");
                break;
            }
        }
    }
}

// A later block of a prefix that is already defined is skipped by the reader
// without a message. Blocks without hard paths are left out: the library
// reports those itself when they matter.
void lintIgnoredRedefinitions(const MapLines &lines, std::vector<std::string> &warnings) {
    for (const std::string &softPrefix : softPrefixes()) {
        const Block *definition = lines.definition(softPrefix);
        if (definition == nullptr) continue;
        for (const Block &block : lines.blocks().at(softPrefix)) {
            if (&block == definition || block.paths.empty()) continue;
            warnings.push_back("Warning: " + where(block.file, block.line) + ": " + softPrefix +
                               " is defined again and ignored; the definition at " +
                               where(definition->file, definition->line) + " is used.");
        }
    }
}

void lintEnvironmentOverrides(const MapLines &lines, std::vector<std::string> &warnings) {
    for (const std::string &softPrefix : softPrefixes()) {
        if (IsEnvOverridden(softPrefix.c_str()) != 1) continue;
        const std::string variable = softPrefix.substr(1);
        const char *value = std::getenv(variable.c_str());
        const Block *block = lines.definition(softPrefix);
        warnings.push_back("Warning: " + (block != nullptr ? where(block->file, block->line) + ": " : "") +
                           "environment variable " + variable + "=" + (value != nullptr ? value : "") +
                           " overrides the hard paths of " + softPrefix + ".");
    }
}

}  // namespace

std::vector<std::string> lintWarnings(const std::vector<std::string> &mapFiles) {
    const MapLines lines(mapFiles);
    std::vector<std::string> warnings;
    lintCoveredHardPaths(lines, warnings);
    lintRepeatedHardPaths(lines, warnings);
    lintIgnoredRedefinitions(lines, warnings);
    lintEnvironmentOverrides(lines, warnings);
    return warnings;
}

}  // namespace locmap_tool
