// The environment snapshot: a table of the process environment at one moment.
#include "locmap50/VnLocMap.h"
#include "platform/Platform.h"

VnEnvSnapshot::VnEnvSnapshot() {
    VnEnvSnapshot::reload();  // a direct call: no override runs from a constructor
}

VnEnvSnapshot::~VnEnvSnapshot() = default;

void VnEnvSnapshot::reload() {
    const auto table = locmap50::platform::environmentTable();
    if (!table) return;
    m_variables.clear();
    for (const std::string &entry : *table) {
        const std::size_t equals = entry.find('=');
        if (equals == std::string::npos || equals + 1 == entry.size()) continue;
        m_variables[entry.substr(0, equals)] = entry.substr(equals + 1);
    }
}

std::string VnEnvSnapshot::expandLeadingName(const std::string &name) const {
    // The shortest qualifying leading part wins, so try lengths upwards.
    for (std::size_t length = 1; length <= name.size(); ++length) {
        const auto found = m_variables.find(name.substr(0, length));
        if (found != m_variables.end() && !found->second.empty())
            return found->second + name.substr(length);
    }
    return std::string();
}
