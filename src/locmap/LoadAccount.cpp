// SPDX-License-Identifier: Apache-2.0
// The account of a load: the loaded files' records walked as a load reads the files, and VnLocMap::account.
#include "locmap/LoadAccount.h"

#include <map>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "locmap/LookupIndexes.h"
#include "locmap50/VnLoadAccount.h"
#include "locmap50/VnLocMap.h"
#include "locmapfile/EntryLines.h"
#include "locmapfile/FileState.h"
#include "locmapfile/Format.h"
#include "locmapfile/NameOnDisk.h"
#include "paths/PathRules.h"
#include "platform/Environment.h"
#include "platform/Platform.h"

namespace locmap50::locmap {

// Every block of every record in reading order: the kept blocks at their
// anchors, each included file at its include marker, where the load read it.
// The files are those the load's own walk reached (MapLoader.h), so a file is
// known here as the load knew it, whatever names its include lines give.
class RecordWalk {
public:
    template <typename Visit>
    static void walk(const std::list<VnLocMapFile> &files, Visit &&visit) {
        if (files.empty()) return;
        LoadOrder order(files);
        std::vector<Reading> stack;
        stack.emplace_back(files.front());
        order.markWalked(files.front());
        visitKept(stack.back(), mapfile::KeptBlockAnchor(), visit);
        while (!stack.empty()) {
            Reading &reading = stack.back();
            if (reading.pendingInclude) {
                visitKept(reading, *reading.pendingInclude, visit);
                reading.pendingInclude.reset();
            }
            if (reading.entry == reading.file->m_entryOrder.end()) {
                stack.pop_back();
                continue;
            }
            const std::string &entry = *reading.entry++;
            if (entry != mapfile::kIncludeMarker) {
                const auto hardPaths = reading.file->m_entryHardPaths.find(entry);
                if (hardPaths != reading.file->m_entryHardPaths.end())
                    visit(RecordBlock{reading.file, &entry, &hardPaths->second, reading.ordinalOf(entry)});
                visitKept(reading, mapfile::KeptBlockAnchor(entry, 0), visit);
                continue;
            }
            // A marker with no include line left stands for nothing.
            if (reading.includeIndex >= reading.file->m_includeLines.size()) continue;
            const unsigned includeIndex = reading.includeIndex++;
            reading.pendingInclude = mapfile::KeptBlockAnchor(mapfile::kIncludeMarker, includeIndex);
            const VnLocMapFile *included = order.readAt(reading.state, includeIndex);
            if (included == nullptr || !order.markWalked(*included)) continue;
            stack.emplace_back(*included);
            visitKept(stack.back(), mapfile::KeptBlockAnchor(), visit);
        }
    }

private:
    // The loaded files by the order the load began reading them.
    class LoadOrder {
    public:
        explicit LoadOrder(const std::list<VnLocMapFile> &files) {
            for (const VnLocMapFile &file : files) {
                const mapfile::FileState *state = file.m_private.find();
                if (state == nullptr) continue;
                if (m_files.size() <= state->readOrdinal) m_files.resize(state->readOrdinal + 1, nullptr);
                if (m_files[state->readOrdinal] == nullptr) m_files[state->readOrdinal] = &file;
            }
            m_walked.assign(m_files.size(), false);
        }

        // The file the includeIndex-th include line of a record read; null when it read none.
        const VnLocMapFile *readAt(const mapfile::FileState *state, unsigned includeIndex) const {
            if (state == nullptr || includeIndex >= state->includeReads.size()) return nullptr;
            const std::size_t ordinal = state->includeReads[includeIndex];
            return ordinal < m_files.size() ? m_files[ordinal] : nullptr;
        }

        // False when the file was walked already: records are walked once
        // each, as the load read each file once.
        bool markWalked(const VnLocMapFile &file) {
            const mapfile::FileState *state = file.m_private.find();
            if (state == nullptr || state->readOrdinal >= m_walked.size() || m_files[state->readOrdinal] != &file)
                return true;
            if (m_walked[state->readOrdinal]) return false;
            m_walked[state->readOrdinal] = true;
            return true;
        }

    private:
        std::vector<const VnLocMapFile *> m_files;
        std::vector<bool> m_walked;
    };

    struct Reading {
        explicit Reading(const VnLocMapFile &read)
            : file(&read), state(read.m_private.find()), entry(read.m_entryOrder.begin()) {}

        // Blocks are counted only for prefixes the file keeps blocks of; the others have one.
        unsigned ordinalOf(const std::string &softPrefix) {
            if (state == nullptr || state->keptBlockCounts.count(softPrefix) == 0) return 0;
            return counts[softPrefix]++;
        }

        const VnLocMapFile *file;
        const mapfile::FileState *state;
        std::list<std::string>::const_iterator entry;
        unsigned includeIndex = 0;
        std::optional<mapfile::KeptBlockAnchor> pendingInclude;  // whose kept blocks follow the included file
        std::map<std::string, unsigned> counts;
    };

    template <typename Visit>
    static void visitKept(Reading &reading, const mapfile::KeptBlockAnchor &anchor, Visit &visit) {
        if (reading.state == nullptr || reading.state->keptBlocks.empty()) return;
        const auto kept = reading.state->keptBlocks.find(anchor);
        if (kept == reading.state->keptBlocks.end()) return;
        for (const mapfile::KeptBlock &block : kept->second)
            visit(RecordBlock{reading.file, &block.softPrefix, &block.hardPaths, reading.ordinalOf(block.softPrefix)});
    }
};

int hardPathLineIn(const VnAccountBlock &block, const std::string &hardPath) {
    for (std::size_t i = 0; i < block.hardPaths.size(); ++i)
        if (block.hardPaths[i] == hardPath && block.hardPathLines[i] != 0) return block.hardPathLines[i];
    return 0;
}

std::vector<std::string> readerHardPaths(const std::list<std::string> &hardPaths) {
    std::vector<std::string> taken;
    for (const std::string &hardPath : hardPaths) {
        if (!mapfile::withinHardPathLimit(taken.size() + 1)) break;
        if (!mapfile::readsBackAsNothing(hardPath)) taken.push_back(paths::toHardPathForm(hardPath));
    }
    return taken;
}

namespace {

// The first hard path the reader takes from a record's paths; nullopt when it takes none.
std::optional<std::string> firstReaderHardPath(const std::list<std::string> &hardPaths) {
    for (const std::string &hardPath : hardPaths)
        if (!mapfile::readsBackAsNothing(hardPath)) return paths::toHardPathForm(hardPath);
    return std::nullopt;
}

}  // namespace

void resolveRecords(const std::list<VnLocMapFile> &files, ResolutionSink &sink) {
    const platform::EnvironmentIndex environment;
    std::unordered_set<std::string_view> inEffect;
    const std::vector<std::string> noHardPaths;
    RecordWalk::walk(files, [&](const RecordBlock &block) {
        const std::string &softPrefix = *block.softPrefix;
        const std::optional<std::string> first = firstReaderHardPath(*block.hardPaths);
        const bool wanted = sink.wantsHardPaths(softPrefix);
        if (inEffect.count(softPrefix) != 0) {
            if (first && wanted) sink.shadowed(block, readerHardPaths(*block.hardPaths));
            return;
        }
        const BlockSettlement settled =
            settleBlock(environment, block.file->m_force, softPrefix, first ? &*first : nullptr);
        if (!settled.defines) return;
        inEffect.insert(softPrefix);
        sink.inEffect(block, wanted ? readerHardPaths(*block.hardPaths) : noHardPaths, settled.verdict);
    });
}

namespace {

// The blocks of each file as they stand on disk now, read once per account.
class DiskLines {
public:
    VnAccountBlock blockOf(const RecordBlock &record, const std::vector<std::string> &hardPaths) {
        VnAccountBlock block;
        block.file = record.file->m_fileName;
        block.hardPaths = hardPaths;
        block.hardPathLines.assign(hardPaths.size(), 0);
        const mapfile::FileEntryLines &lines = linesOf(*record.file);
        const auto blocks = lines.find(*record.softPrefix);
        if (blocks == lines.end() || record.ordinal >= blocks->second.size()) return block;
        const mapfile::EntryLines &onDisk = blocks->second[record.ordinal];
        block.line = onDisk.line;
        for (std::size_t i = 0; i < hardPaths.size() && i < onDisk.hardPaths.size(); ++i)
            if (onDisk.hardPaths[i].path == hardPaths[i]) block.hardPathLines[i] = onDisk.hardPaths[i].line;
        return block;
    }

private:
    const mapfile::FileEntryLines &linesOf(const VnLocMapFile &file) {
        auto read = m_lines.find(&file);
        if (read != m_lines.end()) return read->second;
        const std::optional<std::string> text = platform::readRegularFile(mapfile::nameOnDisk(file));
        return m_lines.emplace(&file, text ? mapfile::entryLinesOf(*text) : mapfile::FileEntryLines()).first->second;
    }

    std::unordered_map<const VnLocMapFile *, mapfile::FileEntryLines> m_lines;
};

VnExplanation::Environment environmentOf(const EnvironmentVerdict &verdict) {
    switch (verdict.effect) {
    case EnvironmentVerdict::Effect::Overrides: return VnExplanation::Environment::Overrode;
    case EnvironmentVerdict::Effect::Supplies: return VnExplanation::Environment::Supplied;
    case EnvironmentVerdict::Effect::None: break;
    }
    return VnExplanation::Environment::None;
}

// Every prefix's account, in the order of the blocks in effect.
class AccountSink : public ResolutionSink {
public:
    AccountSink(std::vector<VnPrefixAccount> &accounts, const std::string *only)
        : m_accounts(accounts), m_only(only) {}

    void inEffect(const RecordBlock &block, const std::vector<std::string> &hardPaths,
                  const EnvironmentVerdict &verdict) override {
        if (!wanted(block)) return;
        VnPrefixAccount account;
        account.softPrefix = *block.softPrefix;
        account.inEffect = m_lines.blockOf(block, hardPaths);
        account.environment = environmentOf(verdict);
        if (account.environment != VnExplanation::Environment::None) {
            account.variable = account.softPrefix.substr(1);
            account.value = verdict.hardPath;
        }
        addRepeated(account);
        m_positions.emplace(account.softPrefix, m_accounts.size());
        m_accounts.push_back(std::move(account));
    }

    void shadowed(const RecordBlock &block, const std::vector<std::string> &hardPaths) override {
        if (!wanted(block)) return;
        const auto position = m_positions.find(*block.softPrefix);
        if (position != m_positions.end())
            m_accounts[position->second].shadowed.push_back(m_lines.blockOf(block, hardPaths));
    }

    const VnPrefixAccount *find(const std::string &softPrefix) const {
        const auto position = m_positions.find(softPrefix);
        return position != m_positions.end() ? &m_accounts[position->second] : nullptr;
    }

    bool wantsHardPaths(const std::string &softPrefix) const override {
        return m_only == nullptr || *m_only == softPrefix;
    }

private:
    bool wanted(const RecordBlock &block) const { return wantsHardPaths(*block.softPrefix); }

    static void addRepeated(VnPrefixAccount &account) {
        const VnAccountBlock &block = account.inEffect;
        for (std::size_t i = 0; i < block.hardPaths.size(); ++i) {
            for (std::size_t earlier = 0; earlier < i; ++earlier) {
                if (block.hardPaths[earlier] != block.hardPaths[i]) continue;
                account.repeated.push_back({block.hardPaths[i], block.hardPathLines[i], block.hardPathLines[earlier]});
                break;
            }
        }
    }

    DiskLines m_lines;
    std::vector<VnPrefixAccount> &m_accounts;
    const std::string *m_only;
    std::unordered_map<std::string, std::size_t> m_positions;
};

// The line of hardPath in the block, or the block's own line when it gives none such.
int lineOfHardPath(const VnAccountBlock &block, const std::string &hardPath) {
    const int line = hardPathLineIn(block, hardPath);
    return line != 0 ? line : block.line;
}

}  // namespace

}  // namespace locmap50::locmap

void VnLocMap::account(std::vector<VnPrefixAccount> &accounts) {
    accounts.clear();
    locmap50::locmap::AccountSink sink(accounts, nullptr);
    locmap50::locmap::resolveRecords(m_mapFiles, sink);
    for (VnPrefixAccount &account : accounts) addCoveredHardPaths(account, [&](const std::string &softPrefix) {
        return sink.find(softPrefix);
    });
}

int VnLocMap::account(const std::string &softPrefix, VnPrefixAccount &out) {
    std::vector<VnPrefixAccount> accounts;
    locmap50::locmap::AccountSink sink(accounts, &softPrefix);
    locmap50::locmap::resolveRecords(m_mapFiles, sink);
    if (accounts.empty()) return LOCMAP50_FAILED;
    out = std::move(accounts.front());
    // The covering entries' places come from their own accounts.
    std::map<std::string, VnPrefixAccount> covering;
    addCoveredHardPaths(out, [&](const std::string &owner) -> const VnPrefixAccount * {
        auto found = covering.find(owner);
        if (found == covering.end()) {
            std::vector<VnPrefixAccount> ownerAccounts;
            locmap50::locmap::AccountSink ownerSink(ownerAccounts, &owner);
            locmap50::locmap::resolveRecords(m_mapFiles, ownerSink);
            if (ownerAccounts.empty()) return nullptr;
            found = covering.emplace(owner, std::move(ownerAccounts.front())).first;
        }
        return &found->second;
    });
    return LOCMAP50_OK;
}

void VnLocMap::addCoveredHardPaths(VnPrefixAccount &account,
                                   const std::function<const VnPrefixAccount *(const std::string &)> &accountOf) {
    namespace locmap = locmap50::locmap;
    const auto merged = m_softToHardMap.find(account.softPrefix);
    if (merged == m_softToHardMap.end()) return;
    for (const std::string &hardPath : merged->second) {
        std::size_t tail = 0;
        // Hard-to-soft translation takes the entry defined first of those holding the path.
        const locmap::MergedEntry *owner = indexes().earliestEntryOver(*this, hardPath, tail);
        if (owner == nullptr || owner->first == account.softPrefix) continue;
        VnCoveredHardPath covered;
        covered.hardPath = hardPath;
        covered.line = locmap::lineOfHardPath(account.inEffect, hardPath);
        covered.coveringPrefix = owner->first;
        for (const std::string &ownerPath : owner->second) {
            if (locmap50::paths::tailPositionUnderHardPath(ownerPath, hardPath) == std::string::npos) continue;
            covered.coveringHardPath = ownerPath;
            break;
        }
        if (const VnPrefixAccount *ownerAccount = accountOf(owner->first)) {
            covered.coveringFile = ownerAccount->inEffect.file;
            covered.coveringLine = locmap::lineOfHardPath(ownerAccount->inEffect, covered.coveringHardPath);
        }
        account.covered.push_back(std::move(covered));
    }
}
