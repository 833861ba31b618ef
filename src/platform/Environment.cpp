// SPDX-License-Identifier: Apache-2.0
// The environment's views: each walks the runtime's table once, through one entry rule.
#include "platform/Environment.h"

#include <utility>

#include "paths/AsciiText.h"
#include "paths/NameRules.h"
#include "paths/PathRules.h"
#include "platform/Platform.h"

namespace locmap50::platform {
namespace {

// One entry of the table as every view sees it: nullopt when it names no
// variable or its value is empty (an empty variable is an unset one).
std::optional<paths::EnvironmentEntry> setVariableOf(std::string_view text) {
    std::optional<paths::EnvironmentEntry> entry = paths::splitEnvironmentEntry(text);
    if (!entry || entry->value.empty()) return std::nullopt;
    return entry;
}

// Windows finds a variable whatever the case of its name; POSIX systems only
// by its exact name.
constexpr bool kNamesIgnoreCase = paths::kHostPathStyle == paths::PathStyle::Windows;

bool sameNameIgnoringCase(std::string_view one, std::string_view other) {
    if (one.size() != other.size()) return false;
    for (std::size_t i = 0; i < one.size(); ++i)
        if (!paths::sameIgnoringAsciiCase(one[i], other[i])) return false;
    return true;
}

}  // namespace

std::optional<std::vector<std::string>> environmentTable() {
    const char *const *table = runtimeEnvironmentTable();
    if (table == nullptr) return std::nullopt;
    std::vector<std::string> entries;
    for (; *table != nullptr; ++table) entries.emplace_back(*table);
    return entries;
}

std::optional<std::string> getEnvironmentVariable(std::string_view name) {
    if (name.empty()) return std::nullopt;
    const char *const *table = runtimeEnvironmentTable();
    if (table == nullptr) return std::nullopt;
    // One walk: an exact match ends it; otherwise the first match ignoring case stands.
    std::optional<std::string_view> firstIgnoringCase;
    for (; *table != nullptr; ++table) {
        const std::optional<paths::EnvironmentEntry> entry = setVariableOf(*table);
        if (!entry) continue;
        if (entry->name == name) return std::string(entry->value);
        if (kNamesIgnoreCase && !firstIgnoringCase && sameNameIgnoringCase(entry->name, name))
            firstIgnoringCase = entry->value;
    }
    if (firstIgnoringCase) return std::string(*firstIgnoringCase);
    return std::nullopt;
}

std::map<std::string, std::string> snapshotVariables(const std::vector<std::string> &entries) {
    std::map<std::string, std::string> variables;
    for (const std::string &text : entries)
        if (const std::optional<paths::EnvironmentEntry> entry = setVariableOf(text))
            variables[std::string(entry->name)] = std::string(entry->value);
    return variables;
}

std::map<std::string, std::string> variablesByAbsolutePath(const std::vector<std::string> &entries,
                                                           paths::PathStyle style) {
    std::map<std::string, std::string> variables;
    for (const std::string &text : entries) {
        const std::optional<paths::EnvironmentEntry> entry = setVariableOf(text);
        if (!entry || !paths::isAbsolute(entry->value, style) || !paths::entersEnvironmentTable(entry->name, style))
            continue;
        variables[std::string(entry->value)] = std::string(entry->name);
    }
    return variables;
}

EnvironmentIndex::EnvironmentIndex()
    : m_entries(environmentTable().value_or(std::vector<std::string>())), m_namesIgnoreCase(kNamesIgnoreCase) {
    indexEntries();
}

EnvironmentIndex::EnvironmentIndex(std::vector<std::string> entries, paths::PathStyle style)
    : m_entries(std::move(entries)), m_namesIgnoreCase(style == paths::PathStyle::Windows) {
    indexEntries();
}

void EnvironmentIndex::indexEntries() {
    m_exactNames.reserve(m_entries.size());
    if (m_namesIgnoreCase) m_foldedNames.reserve(m_entries.size());
    for (const std::string &text : m_entries) {
        const std::optional<paths::EnvironmentEntry> entry = setVariableOf(text);
        // Nameless entries (Windows keeps "=C:=C:\x" ones) are never asked for.
        if (!entry || entry->name.empty()) continue;
        // emplace keeps the first entry of a name in both tables, as the live walk finds it.
        m_exactNames.emplace(entry->name, entry->value);
        if (m_namesIgnoreCase) m_foldedNames.emplace(paths::toLowerAscii(std::string(entry->name)), entry->value);
    }
}

std::optional<std::string> EnvironmentIndex::value(std::string_view name) const {
    if (name.empty()) return std::nullopt;
    const auto exact = m_exactNames.find(name);
    if (exact != m_exactNames.end()) return std::string(exact->second);
    if (!m_namesIgnoreCase) return std::nullopt;
    m_foldedName.assign(name.data(), name.size());
    for (char &c : m_foldedName) c = paths::toLowerAscii(c);
    const auto folded = m_foldedNames.find(m_foldedName);
    if (folded != m_foldedNames.end()) return std::string(folded->second);
    return std::nullopt;
}

}  // namespace locmap50::platform
