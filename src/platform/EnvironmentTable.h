// Copying the runtime's environment table, the same on every system.
#ifndef LOCMAP50_PLATFORM_ENVIRONMENTTABLE_H
#define LOCMAP50_PLATFORM_ENVIRONMENTTABLE_H

#include <optional>
#include <string>
#include <vector>

namespace locmap50::platform::detail {

// The runtime's environment table copied entry by entry; nullopt when there is none.
inline std::optional<std::vector<std::string>> copiedEnvironmentTable(char **table) {
    if (table == nullptr) return std::nullopt;
    std::vector<std::string> entries;
    for (char **entry = table; *entry != nullptr; ++entry) entries.emplace_back(*entry);
    return entries;
}

}  // namespace locmap50::platform::detail

#endif  // LOCMAP50_PLATFORM_ENVIRONMENTTABLE_H
