// The warnings of "locmap check" that the library itself does not give.
//
// What the map means comes from the library (which prefixes it holds, in which
// order, from which file, and how a hard path translates back); the map files
// are scanned here only to find the line on which each entry and path stands
// and the redefinitions the library skipped without a word.
#include "Lint.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>

#include "ToolSupport.h"
#include "paths/NameRules.h"
#include "locmap50/locmap50.h"
#include "locmapfile/Parser.h"
#include "paths/AsciiText.h"
#include "paths/PathRules.h"

namespace locmap_tool {

namespace {

namespace mapfile = locmap50::mapfile;

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

std::string fileText(const std::string &file) {
    std::ifstream stream(file, std::ios::binary);
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

// Collects the soft prefix blocks of one file, in file order, from the
// library's own parser, so that a block holds just the lines the loader read
// for its entry.
class BlockScan : public mapfile::ParseSink {
public:
    explicit BlockScan(std::string file) : m_file(std::move(file)) {}

    std::vector<Block> take() { return std::move(m_blocks); }

    void header(const mapfile::LineSpans &, const mapfile::Header &) override {}
    void softPrefix(const mapfile::LineSpans &spans, std::string &text) override {
        m_blocks.push_back({m_file, std::move(text), lineOf(spans), {}});
        m_inBlock = true;
    }
    void hardPath(const mapfile::LineSpans &spans, std::string &text) override {
        if (m_inBlock)
            m_blocks.back().paths.push_back({locmap50::paths::toHardPathForm(std::move(text)), lineOf(spans)});
    }
    mapfile::AfterInclude include(const mapfile::LineSpans &, std::string &) override {
        m_inBlock = false;
        return mapfile::AfterInclude::Continue;  // each loaded file is scanned on its own
    }
    void commentOrBlank(const mapfile::LineSpans &) override {}
    // A rejected soft prefix line opens an entry of no use, and an include
    // line ends one: the hard paths after either belong to no block.
    void problem(const mapfile::LineSpans &, mapfile::ParseProblem problem, std::string &) override {
        using mapfile::ParseProblem;
        if (problem == ParseProblem::BadSoftPrefix || problem == ParseProblem::NulInSoftPrefix ||
            problem == ParseProblem::NulInInclude)
            m_inBlock = false;
    }

private:
    static int lineOf(const mapfile::LineSpans &spans) {
        return static_cast<int>(std::min<unsigned long>(spans.number, std::numeric_limits<int>::max()));
    }

    std::string m_file;
    std::vector<Block> m_blocks;
    bool m_inBlock = false;
};

std::vector<Block> scanBlocks(const std::string &file) {
    const std::string text = fileText(file);
    BlockScan scan(file);
    mapfile::Parser(text).parse(scan);
    return scan.take();
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

    // Where hardPath of softPrefix stands: its file and line, or the prefix
    // line when the path came from the environment; line 0 when the prefix
    // is on no line.
    LintFinding placeOf(const std::string &softPrefix, const std::string &hardPath) const {
        LintFinding place{LintKind::CoveredHardPath, std::string(), 0, std::string()};
        const Block *block = definition(softPrefix);
        if (block == nullptr) return place;
        place.file = block->file;
        place.line = block->line;
        for (const PathLine &path : block->paths) {
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
    locmap50::paths::SoftNameParts parts = locmap50::paths::splitSoftName(softName);
    tail = std::move(parts.rest);
    return parts.softPrefix == "." ? "$" + std::string(locmap50::paths::kCurrentProjectVariable) : parts.softPrefix;
}

// Which of owner's hard paths took path: the one that, without a trailing
// "\", is the part of path before tail; the first one otherwise.
std::string coveringHardPath(const std::string &owner, const std::string &path, const std::string &tail) {
    const std::vector<std::string> candidates = hardPathsOf(owner);
    if (candidates.empty()) return std::string();
    const std::string matched = path.substr(0, path.size() - std::min(tail.size(), path.size()));
    for (const std::string &candidate : candidates) {
        const std::string base = candidate.substr(0, locmap50::paths::hardPathBaseLength(candidate));
        if (locmap50::paths::toLowerAscii(base) == locmap50::paths::toLowerAscii(matched)) return candidate;
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
        for (std::size_t i = 0; i < block->paths.size(); ++i) {
            for (std::size_t earlier = 0; earlier < i; ++earlier) {
                if (block->paths[earlier].path != block->paths[i].path) continue;
                warnings.push_back({LintKind::RepeatedHardPath, block->file, block->paths[i].line,
                                    "hard path " + block->paths[i].path + " is given twice for " + softPrefix +
                                        " (first at line " + std::to_string(block->paths[earlier].line) + ")"});
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
            if (&block == definition || block.paths.empty()) continue;
            warnings.push_back({LintKind::IgnoredRedefinition, block.file, block.line,
                                softPrefix + " is defined again and ignored; the definition at " +
                                    where(definition->file, definition->line) + " is used"});
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
