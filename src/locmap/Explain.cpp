// VnLocMap::explain: the facts behind one translation, with the lines of the entries read again from their files.
#include <algorithm>
#include <map>
#include <optional>
#include <utility>

#include "locmap/LookupIndexes.h"
#include "locmap50/VnExplanation.h"
#include "locmap50/VnLocMap.h"
#include "locmapfile/EntryLines.h"
#include "locmapfile/NameOnDisk.h"
#include "paths/NameRules.h"
#include "paths/PathRules.h"
#include "platform/Environment.h"
#include "platform/Platform.h"

namespace locmap50::locmap {
namespace {

namespace mapfile = locmap50::mapfile;

using Standing = VnExplainedEntry::Standing;

}  // namespace

// Builds explanations from the map's tables and indexes; each map file is
// read again at most once per explainer, when a line in it is asked for.
class Explainer {
public:
    explicit Explainer(VnLocMap &map) : m_map(map) {}

    int explain(const std::string &name, VnExplanation &out) {
        out = VnExplanation();
        out.name = name;
        if (!name.empty() && name[0] == '$') {
            out.status = m_map.getHardName(name, out.result);
            explainSoftName(paths::toBackslashes(name), out);
        } else {
            out.status = m_map.getSoftName(name, out.result);
            explainPath(paths::toHardPathForm(name), out);
        }
        if (out.status != LOCMAP50_OK) out.result.clear();
        return out.status;
    }

private:
    void explainSoftName(const std::string &name, VnExplanation &out) {
        const std::size_t prefixEnd = paths::softPrefixEnd(name);
        out.softPrefix = name.substr(0, prefixEnd);
        out.variable = out.softPrefix.substr(1);
        const std::string *primary = m_map.indexes().primaryHardPath(m_map, out.softPrefix);
        if (primary != nullptr) {
            explainEntry(*primary, out);
        } else if (prefixEnd == name.size()) {
            out.kind = VnExplanation::Kind::LeadingName;
            out.variable = m_map.m_environment.leadingVariable(out.variable);
            if (!out.variable.empty()) out.value = m_map.m_environment.m_variables.at(out.variable);
        } else {
            out.kind = VnExplanation::Kind::LiveVariable;
            out.value = platform::getEnvironmentVariable(out.variable).value_or("");
        }
        if (out.status == LOCMAP50_OK) return;
        out.kind = VnExplanation::Kind::NotTranslated;
        out.whyNot = prefixEnd == name.size() ? VnExplanation::WhyNot::NoLeadingName : VnExplanation::WhyNot::NoEntry;
    }

    void explainEntry(const std::string &primary, VnExplanation &out) {
        out.kind = VnExplanation::Kind::SoftName;
        out.hardPathUsed = primary;
        const auto merged = m_map.m_softToHardMap.find(out.softPrefix);
        if (merged != m_map.m_softToHardMap.end())
            out.hardPaths.assign(merged->second.begin(), merged->second.end());
        const auto defined = m_map.m_softToFileMap.find(out.softPrefix);
        if (defined == m_map.m_softToFileMap.end()) return;  // added by an edit
        out.file = defined->second;
        if (const mapfile::EntryLines *block = blockOf(out.file, out.softPrefix)) out.line = block->line;
        if (m_map.isEnvOverridden(out.softPrefix) == 1)
            out.environment = VnExplanation::Environment::Overrode;
        else if (const VnLocMapFile *file = fileNamed(out.file); file != nullptr && suppliedInFile(*file, out.softPrefix))
            out.environment = VnExplanation::Environment::Supplied;
        if (out.environment != VnExplanation::Environment::None) out.value = primary;
    }

    // A prefix the file gives no hard path has its paths from the environment.
    static bool suppliedInFile(const VnLocMapFile &file, const std::string &softPrefix) {
        const auto entry = file.m_entryHardPaths.find(softPrefix);
        return entry != file.m_entryHardPaths.end() && entry->second.empty();
    }

    void explainPath(const std::string &path, VnExplanation &out) {
        if (paths::isUrl(out.name) || paths::passesThroughAsSoftName(path) || !paths::isAbsolute(path)) {
            out.kind = out.status == LOCMAP50_OK ? VnExplanation::Kind::PassedThrough : VnExplanation::Kind::NotTranslated;
            if (out.status != LOCMAP50_OK) out.whyNot = VnExplanation::WhyNot::RelativeName;
            return;
        }
        out.kind = VnExplanation::Kind::HardPath;
        addMapHolders(path, out);
        addFileHolders(path, out);
        addEnvironmentHolders(path, out);
        if (out.status != LOCMAP50_OK) {
            out.kind = VnExplanation::Kind::NotTranslated;
            out.whyNot = VnExplanation::WhyNot::NoEntryHoldsPath;
        } else if (out.holders.empty()) {
            out.kind = VnExplanation::Kind::PassedThrough;
        }
        // The one used first, the others in the order they were found.
        std::stable_partition(out.holders.begin(), out.holders.end(),
                              [](const VnExplainedEntry &entry) { return entry.standing == Standing::Used; });
    }

    // The merged entries in definition order; the library's index names the one used.
    void addMapHolders(const std::string &path, VnExplanation &out) {
        std::size_t tail = 0;
        const MergedEntry *used = m_map.indexes().earliestEntryOver(m_map, path, tail);
        for (const std::string &softPrefix : m_map.m_softPrefixOrder) {
            const auto merged = m_map.m_softToHardMap.find(softPrefix);
            if (merged == m_map.m_softToHardMap.end()) continue;
            const std::string *holding = firstHolding(merged->second, path);
            if (holding == nullptr) continue;
            const auto defined = m_map.m_softToFileMap.find(softPrefix);
            const std::string file = defined != m_map.m_softToFileMap.end() ? defined->second : std::string();
            const Standing standing =
                used != nullptr && used->first == softPrefix ? Standing::Used : Standing::LaterEntry;
            out.holders.push_back(holderAt(standing, softPrefix, file, *holding));
        }
    }

    // What the files say but the map did not take: hard paths an environment
    // variable replaced, and blocks of a prefix defined before, which only
    // the files themselves still show.
    void addFileHolders(const std::string &path, VnExplanation &out) {
        for (const std::string &softPrefix : m_map.m_envOverridden) {
            const auto defined = m_map.m_softToFileMap.find(softPrefix);
            const VnLocMapFile *file = defined != m_map.m_softToFileMap.end() ? fileNamed(defined->second) : nullptr;
            if (file == nullptr) continue;
            const auto entry = file->m_entryHardPaths.find(softPrefix);
            if (entry == file->m_entryHardPaths.end()) continue;
            if (const std::string *holding = firstHolding(entry->second, path))
                out.holders.push_back(
                    holderAt(Standing::OverriddenByEnvironment, softPrefix, file->m_fileName, *holding));
        }
        for (const VnLocMapFile &file : m_map.m_mapFiles) {
            for (const auto &[softPrefix, blocks] : blocksOf(file.m_fileName)) {
                const auto defined = m_map.m_softToFileMap.find(softPrefix);
                const bool definedHere = defined != m_map.m_softToFileMap.end() && defined->second == file.m_fileName;
                for (std::size_t i = definedHere ? 1 : 0; i < blocks.size(); ++i)
                    addShadowedBlock(path, file.m_fileName, softPrefix, blocks[i], out);
            }
        }
    }

    void addShadowedBlock(const std::string &path, const std::string &file, const std::string &softPrefix,
                          const mapfile::EntryLines &block, VnExplanation &out) {
        std::string rest;
        for (const auto &[hardPath, line] : block.hardPaths) {
            if (!paths::liesUnderHardPath(hardPath, path, rest)) continue;
            VnExplainedEntry entry;
            entry.standing = Standing::ShadowedRedefinition;
            entry.softPrefix = softPrefix;
            entry.file = file;
            entry.line = block.line;
            entry.hardPath = hardPath;
            entry.hardPathLine = line;
            out.holders.push_back(std::move(entry));
            return;
        }
    }

    void addEnvironmentHolders(const std::string &path, VnExplanation &out) {
        std::size_t tail = 0;
        const bool mapAnswered = !out.holders.empty() && out.holders.front().standing == Standing::Used;
        const EnvironmentEntry *used =
            mapAnswered ? nullptr : EnvironmentTableIndex::instance().earliestEntryOver(path, tail);
        for (const auto &[hardPath, variable] : VnLocMap::s_envHardToSoftMap) {
            std::string rest;
            if (!paths::liesUnderHardPath(hardPath, path, rest)) continue;
            VnExplainedEntry entry;
            entry.standing = used != nullptr && used->first == hardPath ? Standing::Used : Standing::EnvironmentTable;
            entry.softPrefix = "$" + variable;
            entry.hardPath = hardPath;
            out.holders.push_back(std::move(entry));
        }
    }

    static const std::string *firstHolding(const std::list<std::string> &hardPaths, const std::string &path) {
        std::string rest;
        for (const std::string &hardPath : hardPaths)
            if (paths::liesUnderHardPath(hardPath, path, rest)) return &hardPath;
        return nullptr;
    }

    VnExplainedEntry holderAt(Standing standing, const std::string &softPrefix, const std::string &file,
                              const std::string &hardPath) {
        VnExplainedEntry entry;
        entry.standing = standing;
        entry.softPrefix = softPrefix;
        entry.file = file;
        entry.hardPath = hardPath;
        if (const mapfile::EntryLines *block = blockOf(file, softPrefix)) {
            entry.line = block->line;
            for (const auto &[linePath, line] : block->hardPaths) {
                if (linePath != hardPath) continue;
                entry.hardPathLine = line;
                break;
            }
        }
        return entry;
    }

    const VnLocMapFile *fileNamed(const std::string &fileName) const {
        for (const VnLocMapFile &file : m_map.m_mapFiles)
            if (file.m_fileName == fileName) return &file;
        return nullptr;
    }

    // The file is read again from where the load read it, whatever the
    // current directory is now.
    const mapfile::FileEntryLines &blocksOf(const std::string &fileName) {
        auto read = m_files.find(fileName);
        if (read == m_files.end()) read = m_files.emplace(fileName, readBlocks(fileName)).first;
        return read->second;
    }

    // The first block of softPrefix in the file: the one a load takes.
    const mapfile::EntryLines *blockOf(const std::string &fileName, const std::string &softPrefix) {
        const mapfile::FileEntryLines &blocks = blocksOf(fileName);
        const auto block = blocks.find(softPrefix);
        return block != blocks.end() && !block->second.empty() ? &block->second.front() : nullptr;
    }

    mapfile::FileEntryLines readBlocks(const std::string &fileName) const {
        const VnLocMapFile *file = fileNamed(fileName);
        const std::optional<std::string> text =
            platform::readRegularFile(file != nullptr ? mapfile::nameOnDisk(*file) : platform::FileName(fileName));
        if (!text) return {};
        return mapfile::entryLinesOf(*text);
    }

    VnLocMap &m_map;
    std::map<std::string, mapfile::FileEntryLines> m_files;  // file name -> its blocks
};

}  // namespace locmap50::locmap

int VnLocMap::explain(const std::string &name, VnExplanation &explanation) {
    return locmap50::locmap::Explainer(*this).explain(name, explanation);
}

void VnLocMap::explain(const std::vector<std::string> &names, std::vector<VnExplanation> &explanations) {
    locmap50::locmap::Explainer explainer(*this);
    explanations.assign(names.size(), VnExplanation());
    for (std::size_t i = 0; i < names.size(); ++i) explainer.explain(names[i], explanations[i]);
}
