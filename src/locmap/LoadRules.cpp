// SPDX-License-Identifier: Apache-2.0
// The override rule and the include walk, shared by the loader and the account of a load.
#include "locmap/LoadRules.h"

#include <algorithm>

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

IncludeWalk::Step IncludeWalk::step(const std::string &identity) {
    if (std::find(m_chain.begin(), m_chain.end(), identity) != m_chain.end()) return Step::Cycle;
    if (!m_read.insert(identity).second) return Step::ReadBefore;
    return Step::Read;
}

}  // namespace locmap50::locmap
