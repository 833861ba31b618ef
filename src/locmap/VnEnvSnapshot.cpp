// The environment snapshot: a table of the process environment at one moment.
#include "locmap50/VnLocMap.h"
#include "paths/NameRules.h"
#include "platform/Platform.h"

VnEnvSnapshot::VnEnvSnapshot() {
    VnEnvSnapshot::reload();  // a direct call: no override runs from a constructor
}

VnEnvSnapshot::~VnEnvSnapshot() = default;

void VnEnvSnapshot::reload() {
    const auto table = locmap50::platform::environmentTable();
    if (!table) return;
    m_variables.clear();
    for (const std::string &text : *table) {
        std::optional<locmap50::paths::EnvironmentEntry> entry =
            locmap50::paths::splitEnvironmentEntry(text);
        if (entry && !entry->value.empty())
            m_variables[std::move(entry->name)] = std::move(entry->value);
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
