// SPDX-License-Identifier: Apache-2.0
// The environment snapshot: a table of the process environment at one moment.
#include "locmap50/VnLocMap.h"
#include "platform/Environment.h"

VnEnvSnapshot::VnEnvSnapshot() {
    VnEnvSnapshot::reload();  // a direct call: no override runs from a constructor
}

VnEnvSnapshot::~VnEnvSnapshot() = default;

void VnEnvSnapshot::reload() {
    const auto table = locmap50::platform::environmentTable();
    if (!table) return;
    m_variables = locmap50::platform::snapshotVariables(*table);
}

std::string VnEnvSnapshot::expandLeadingName(const std::string &name) const {
    const std::string variable = leadingVariable(name);
    if (variable.empty()) return std::string();
    return m_variables.at(variable) + name.substr(variable.size());
}

std::string VnEnvSnapshot::leadingVariable(const std::string &name) const {
    // The shortest qualifying leading part wins, so try lengths upwards. The
    // table is ordered, so once no variable name begins with the leading part
    // none can for any longer one: the work is bounded by the longest
    // variable name, not by the length of name.
    std::string leading;
    for (const char c : name) {
        leading += c;
        const auto candidate = m_variables.lower_bound(leading);
        if (candidate == m_variables.end() ||
            candidate->first.compare(0, leading.size(), leading) != 0)
            break;
        if (candidate->first.size() == leading.size() && !candidate->second.empty())
            return leading;
    }
    return std::string();
}
