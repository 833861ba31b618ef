// SPDX-License-Identifier: Apache-2.0
// The override rule and the include walk, shared by the loader and the account of a load.
#include "locmap/LoadRules.h"

#include <atomic>

#include "locmapfile/Format.h"
#include "paths/PathRules.h"

namespace locmap50::locmap {

EnvironmentVerdict environmentVerdict(bool force, const std::optional<std::string> &value,
                                      const std::string *firstHardPath, paths::PathStyle style) {
    EnvironmentVerdict verdict;
    if (force || !value) return verdict;
    if (!mapfile::fitsOnOneLine(*value)) {
        verdict.lineBreak = true;
        return verdict;
    }
    verdict.hardPath = paths::toHardPathForm(*value, style);
    if (style == paths::PathStyle::Posix && !paths::isAbsolute(verdict.hardPath, style)) {
        verdict.notAbsolute = true;
        verdict.hardPath.clear();
        return verdict;
    }
    if (firstHardPath == nullptr)
        verdict.effect = EnvironmentVerdict::Effect::Supplies;
    else if (verdict.hardPath != *firstHardPath)
        verdict.effect = EnvironmentVerdict::Effect::Overrides;
    return verdict;
}

BlockSettlement settleBlock(const platform::EnvironmentIndex &environment, bool force,
                            const std::string &softPrefix, const std::string *firstHardPath) {
    BlockSettlement settled;
    // Most files never need the environment: force mode asks nothing.
    if (!force) settled.value = environment.value(std::string_view(softPrefix).substr(1));
    settled.verdict = environmentVerdict(force, settled.value, firstHardPath);
    settled.defines = definesPrefix(firstHardPath != nullptr, settled.verdict);
    return settled;
}

namespace {

std::atomic<std::uint64_t> g_includeWalkWork{0};

}  // namespace

IncludeWalk::Step IncludeWalk::step(const std::string &identity) {
    g_includeWalkWork.fetch_add(1, std::memory_order_relaxed);
    if (m_open.count(identity) != 0) return Step::Cycle;
    if (!m_read.insert(identity).second) return Step::ReadBefore;
    return Step::Read;
}

void IncludeWalk::enter(const std::string &identity) {
    // The set's strings never move, so the chain and m_open can view them.
    const std::string &kept = *m_read.insert(identity).first;
    m_chain.push_back(&kept);
    m_open.insert(kept);
}

void IncludeWalk::leave() {
    m_open.erase(*m_chain.back());
    m_chain.pop_back();
}

std::uint64_t IncludeWalk::workDone() {
    return g_includeWalkWork.load(std::memory_order_relaxed);
}

}  // namespace locmap50::locmap
