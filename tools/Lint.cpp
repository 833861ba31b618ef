// The warnings of "locmap check" that the library itself does not give.
//
// What the map means comes from the library (which prefixes it holds, in which
// order, from which file, and how a hard path translates back); the map files
// are scanned here only to find the line on which each entry and path stands
// and the redefinitions the library skipped without a word.
#include "Lint.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "ToolSupport.h"
#include "locmap50/entry_lines.h"
#include "locmap50/locmap50.h"
#include "locmap50/rules.h"

namespace locmap_tool {

namespace {

namespace mapfile = locmap50::rules;

// One soft prefix block of a map file, and where it stands.
struct Block {
    std::string file;
    mapfile::EntryLines lines;
};

std::string fileText(const std::string &file) {
    std::ifstream stream(file, std::ios::binary);
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

std::string where(const std::string &file, int line) {
    return file + ":" + std::to_string(line);
}

// The lines of the map files, indexed by soft prefix.
class MapLines {
public:
    explicit MapLines(const std::vector<std::string> &mapFiles) {
        for (const std::string &file : mapFiles)
            for (auto &[softPrefix, blocks] : mapfile::entryLinesOf(fileText(file)))
                for (mapfile::EntryLines &lines : blocks) m_blocks[softPrefix].push_back({file, std::move(lines)});
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

    // Where hardPath of softPrefix stands: its file and line, or the prefix
    // line when the path came from the environment; line 0 when the prefix
    // is on no line.
    LintFinding placeOf(const std::string &softPrefix, const std::string &hardPath) const {
        LintFinding place{LintKind::CoveredHardPath, std::string(), 0, std::string()};
        const Block *block = definition(softPrefix);
        if (block == nullptr) return place;
        place.file = block->file;
        place.line = block->lines.line;
        for (const mapfile::HardPathLine &path : block->lines.hardPaths) {
            if (path.path != hardPath) continue;
            place.line = path.line;
            break;
        }
        return place;
    }

    const std::map<std::string, std::vector<Block>> &blocks() const { return m_blocks; }

private:
    std::map<std::string, std::vector<Block>> m_blocks;
};

// The soft prefix a translated soft name starts with ("." is the current project).
std::string prefixOfSoftName(const std::string &softName, std::string &tail) {
    locmap50::rules::SoftNameParts parts = locmap50::rules::splitSoftName(softName);
    tail = std::move(parts.rest);
    return parts.softPrefix == "." ? "$" + std::string(locmap50::rules::kCurrentProjectVariable) : parts.softPrefix;
}

// Which of owner's hard paths took path: the one that, without a trailing
// "\", is the part of path before tail; the first one otherwise.
std::string coveringHardPath(const std::string &owner, const std::string &path, const std::string &tail) {
    const std::vector<std::string> candidates = hardPathsOf(owner);
    if (candidates.empty()) return std::string();
    const std::string matched = path.substr(0, path.size() - std::min(tail.size(), path.size()));
    for (const std::string &candidate : candidates) {
        const std::string base = candidate.substr(0, locmap50::rules::hardPathBaseLength(candidate));
        if (locmap50::rules::toLowerAscii(base) == locmap50::rules::toLowerAscii(matched)) return candidate;
    }
    return candidates.front();
}

// Hard-to-soft translation tries entries in map order and takes the first
// that holds the path, so a hard path inside an earlier entry's is never
// translated to its own prefix. The library's translation decides.
void lintCoveredHardPaths(const MapLines &lines, std::vector<LintFinding> &warnings) {
    for (const std::string &softPrefix : softPrefixes()) {
        for (const std::string &hardPath : hardPathsOf(softPrefix)) {
            std::string softName, tail;
            if (translate(GetSoftNameEx, hardPath, softName) != LOCMAP50_OK) continue;
            const std::string owner = prefixOfSoftName(softName, tail);
            if (owner == softPrefix || !hasSoftPrefix(owner)) continue;
            const std::string ownerPath = coveringHardPath(owner, hardPath, tail);
            LintFinding finding = lines.placeOf(softPrefix, hardPath);
            const LintFinding ownerPlace = lines.placeOf(owner, ownerPath);
            finding.text = "hard path " + hardPath + " of " + softPrefix + " lies within hard path " + ownerPath +
                           " of " + owner + " (" + where(ownerPlace.file, ownerPlace.line) +
                           "), which is tried first; paths there always translate to " + owner;
            warnings.push_back(std::move(finding));
        }
    }
}

void lintRepeatedHardPaths(const MapLines &lines, std::vector<LintFinding> &warnings) {
    for (const std::string &softPrefix : softPrefixes()) {
        const Block *block = lines.definition(softPrefix);
        if (block == nullptr) continue;
        const std::vector<mapfile::HardPathLine> &hardPaths = block->lines.hardPaths;
        for (std::size_t i = 0; i < hardPaths.size(); ++i) {
            for (std::size_t earlier = 0; earlier < i; ++earlier) {
                if (hardPaths[earlier].path != hardPaths[i].path) continue;
                warnings.push_back({LintKind::RepeatedHardPath, block->file, hardPaths[i].line,
                                    "hard path " + hardPaths[i].path + " is given twice for " + softPrefix +
                                        " (first at line " + std::to_string(hardPaths[earlier].line) + ")"});
                break;
            }
        }
    }
}

// A later block of a prefix that is already defined is skipped by the reader
// without a message. Blocks without hard paths are left out: the library
// reports those itself when they matter.
void lintIgnoredRedefinitions(const MapLines &lines, std::vector<LintFinding> &warnings) {
    for (const std::string &softPrefix : softPrefixes()) {
        const Block *definition = lines.definition(softPrefix);
        if (definition == nullptr) continue;
        for (const Block &block : lines.blocks().at(softPrefix)) {
            if (&block == definition || block.lines.hardPaths.empty()) continue;
            warnings.push_back({LintKind::IgnoredRedefinition, block.file, block.lines.line,
                                softPrefix + " is defined again and ignored; the definition at " +
                                    where(definition->file, definition->lines.line) + " is used"});
        }
    }
}

}  // namespace

std::vector<LintFinding> lintWarnings(const std::vector<std::string> &mapFiles) {
    const MapLines lines(mapFiles);
    std::vector<LintFinding> warnings;
    lintCoveredHardPaths(lines, warnings);
    lintRepeatedHardPaths(lines, warnings);
    lintIgnoredRedefinitions(lines, warnings);
    return warnings;
}

}  // namespace locmap_tool
