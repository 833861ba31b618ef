// The environment index: one copy of the table, looked up by exact and by case-folded name.
#include "platform/EnvironmentIndex.h"

#include <utility>

#include "paths/AsciiText.h"
#include "paths/NameRules.h"
#include "platform/Platform.h"

namespace locmap50::platform {

EnvironmentIndex::EnvironmentIndex() : m_entries(environmentTable().value_or(std::vector<std::string>())) {
    indexEntries();
}

EnvironmentIndex::EnvironmentIndex(std::vector<std::string> entries) : m_entries(std::move(entries)) {
    indexEntries();
}

void EnvironmentIndex::indexEntries() {
    m_exactNames.reserve(m_entries.size());
    m_foldedNames.reserve(m_entries.size());
    for (const std::string &text : m_entries) {
        // Entries without a name (Windows keeps "=C:=C:\x" ones) are never asked for.
        const std::optional<paths::EnvironmentEntry> entry = paths::splitEnvironmentEntry(text);
        if (!entry) continue;
        // The first entry of a name wins in both tables, as a walk in table order would find it.
        m_exactNames.emplace(entry->name, entry->value);
        m_foldedNames.emplace(paths::toLowerAscii(std::string(entry->name)), entry->value);
    }
}

std::optional<std::string> EnvironmentIndex::value(std::string_view name) const {
    if (name.empty() || name.find('=') != std::string_view::npos) return std::nullopt;
    const auto exact = m_exactNames.find(name);
    if (exact != m_exactNames.end()) return std::string(exact->second);
    m_foldedName.assign(name.data(), name.size());
    for (char &c : m_foldedName) c = paths::toLowerAscii(c);
    const auto folded = m_foldedNames.find(m_foldedName);
    if (folded != m_foldedNames.end()) return std::string(folded->second);
    return std::nullopt;
}

}  // namespace locmap50::platform
