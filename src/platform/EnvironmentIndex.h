// One copy of the process environment with its names indexed, for answering many lookups in a row.
#ifndef LOCMAP50_PLATFORM_ENVIRONMENTINDEX_H
#define LOCMAP50_PLATFORM_ENVIRONMENTINDEX_H

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace locmap50::platform {

// Answers as getEnvironmentVariable does, from the table as it stood when the
// index was made: an exact-case match first, otherwise the first entry in
// table order whose name matches ignoring ASCII case. Each lookup costs the
// same however many variables there are.
class EnvironmentIndex {
public:
    // Copies the process environment table now.
    EnvironmentIndex();
    // Indexes the given entries ("NAME=value"), for tests.
    explicit EnvironmentIndex(std::vector<std::string> entries);

    std::optional<std::string> value(std::string_view name) const;

private:
    void indexEntries();

    std::vector<std::string> m_entries;
    std::unordered_map<std::string_view, std::string_view> m_exactNames;   // first entry of each name
    std::unordered_map<std::string, std::string_view> m_foldedNames;      // lower-case name -> first value
    mutable std::string m_foldedName;  // the name being looked up, folded, kept to save an allocation each
};

}  // namespace locmap50::platform

#endif  // LOCMAP50_PLATFORM_ENVIRONMENTINDEX_H
