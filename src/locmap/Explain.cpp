// SPDX-License-Identifier: Apache-2.0
// VnLocMap::explain: the facts behind one translation, with the files and lines the account of the load gives.
#include <algorithm>
#include <map>
#include <optional>
#include <utility>

#include "locmap/LoadAccount.h"
#include "locmap/LookupIndexes.h"
#include "locmap50/VnExplanation.h"
#include "locmap50/VnLoadAccount.h"
#include "locmap50/VnLocMap.h"
#include "paths/NameRules.h"
#include "paths/PathRules.h"
#include "platform/Environment.h"

namespace locmap50::locmap {
namespace {

namespace mapfile = locmap50::mapfile;

using Standing = VnExplainedEntry::Standing;

}  // namespace

// Builds explanations from the map's tables and indexes, and from the account
// of the load, worked out once per explainer when a file or line is asked for.
class Explainer {
public:
    explicit Explainer(VnLocMap &map) : m_map(map) {}

    int explain(const std::string &name, VnExplanation &out) {
        out = VnExplanation();
        out.name = name;
        if (paths::isSoftName(name)) {
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
        const VnPrefixAccount *account = accountOf(out.softPrefix);
        if (account != nullptr && account->inEffect.file == out.file) {
            out.line = account->inEffect.line;
            out.environment = account->environment;
        } else if (m_map.isEnvOverridden(out.softPrefix) == 1) {
            out.environment = VnExplanation::Environment::Overrode;
        }
        if (out.environment != VnExplanation::Environment::None) out.value = primary;
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
    // variable replaced, and later blocks of a prefix, which the load skipped.
    void addFileHolders(const std::string &path, VnExplanation &out) {
        for (const VnPrefixAccount &account : accounts()) {
            if (account.environment == VnExplanation::Environment::Overrode)
                addBlockHolder(Standing::OverriddenByEnvironment, path, account.softPrefix, account.inEffect, out);
            for (const VnAccountBlock &block : account.shadowed)
                addBlockHolder(Standing::ShadowedRedefinition, path, account.softPrefix, block, out);
        }
    }

    static void addBlockHolder(Standing standing, const std::string &path, const std::string &softPrefix,
                               const VnAccountBlock &block, VnExplanation &out) {
        std::string rest;
        for (std::size_t i = 0; i < block.hardPaths.size(); ++i) {
            if (!paths::liesUnderHardPath(block.hardPaths[i], path, rest)) continue;
            VnExplainedEntry entry;
            entry.standing = standing;
            entry.softPrefix = softPrefix;
            entry.file = block.file;
            entry.line = block.line;
            entry.hardPath = block.hardPaths[i];
            entry.hardPathLine = block.hardPathLines[i];
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
        const VnPrefixAccount *account = accountOf(softPrefix);
        if (account != nullptr && account->inEffect.file == file) {
            entry.line = account->inEffect.line;
            entry.hardPathLine = hardPathLineIn(account->inEffect, hardPath);
        }
        return entry;
    }

    const std::vector<VnPrefixAccount> &accounts() {
        if (!m_accountTaken) {
            m_map.account(m_accounts);
            for (std::size_t i = 0; i < m_accounts.size(); ++i) m_positions.emplace(m_accounts[i].softPrefix, i);
            m_accountTaken = true;
        }
        return m_accounts;
    }

    const VnPrefixAccount *accountOf(const std::string &softPrefix) {
        accounts();
        const auto position = m_positions.find(softPrefix);
        return position != m_positions.end() ? &m_accounts[position->second] : nullptr;
    }

    VnLocMap &m_map;
    bool m_accountTaken = false;
    std::vector<VnPrefixAccount> m_accounts;
    std::map<std::string, std::size_t> m_positions;  // prefix -> its account
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
