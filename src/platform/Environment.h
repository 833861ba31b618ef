// SPDX-License-Identifier: Apache-2.0
// The process environment as the library sees it: the one place that reads the table and splits its entries.
#ifndef LOCMAP50_PLATFORM_ENVIRONMENT_H
#define LOCMAP50_PLATFORM_ENVIRONMENT_H

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "paths/PathRules.h"

// Every view of the environment the library uses is filled here, so that they
// agree on what a variable is. The rules, once for all views:
//
// - An entry of the table is "NAME=value", split at its first "=" (the value
//   may hold further "="). An entry without "=" names nothing.
// - An empty value is no value: an entry "NAME=" counts as unset in every
//   view, as if it were not in the table. Windows cannot hold such an entry
//   (putting "NAME=" removes NAME), so this shows only on POSIX, where it
//   makes an empty variable mean there what it means on Windows.
//
// Each view then has its own rule for letter case and for a name that the
// table holds more than once. Names ignore case only where the system's do:
// on POSIX systems every view matches names exactly, as the system does.
//
// | View                      | Names                          | A name given twice          |
// |---------------------------|--------------------------------|-----------------------------|
// | snapshotVariables         | exact, case significant; an    | the later entry wins        |
// |                           | entry "=x=y" is kept under ""  |                             |
// | EnvironmentIndex,         | an exact-case match first,     | the first entry wins, in    |
// | getEnvironmentVariable    | else (Windows only) the first  | both steps (as Windows      |
// |                           | entry in table order matching  | finds a variable)           |
// |                           | ignoring ASCII case; "" names  |                             |
// |                           | nothing                        |                             |
// | variablesByAbsolutePath   | keyed by value: every absolute | the later variable holding  |
// |                           | value (paths::isAbsolute), as  | the same value wins         |
// |                           | it stands, to its name, when   |                             |
// |                           | paths::entersEnvironmentTable  |                             |
//
// getEnvironmentVariable is live: it reads the table at the moment of the
// call. The other views are copies of the table at the moment they are made;
// they take the process table, or given entries (for tests).
namespace locmap50::platform {

// The process environment table copied entry by entry ("NAME=value"), in
// table order, names as they stand; nullopt when the process has none.
std::optional<std::vector<std::string>> environmentTable();

// The value of the variable name in the process environment now, found by
// the name rule above; nullopt when it is unset or empty. For discovery and
// for "$P\rest" when the map lacks $P.
std::optional<std::string> getEnvironmentVariable(std::string_view name);

// Variable name to value, for VnEnvSnapshot.
std::map<std::string, std::string> snapshotVariables(const std::vector<std::string> &entries);

// Absolute path held by a variable to that variable's name, for
// VnLocMap::s_envHardToSoftMap.
std::map<std::string, std::string> variablesByAbsolutePath(const std::vector<std::string> &entries,
                                                           paths::PathStyle style = paths::kHostPathStyle);

// Answers as getEnvironmentVariable does, from the table as it stood when the
// index was made, for the many lookups of one load. Each lookup costs the
// same however many variables there are. The index owns its copy of the
// entries, so it may be kept as long as a caller likes.
class EnvironmentIndex {
public:
    // Copies the process environment table now.
    EnvironmentIndex();
    // Indexes the given entries ("NAME=value"), names matched as under
    // style's system, for tests.
    explicit EnvironmentIndex(std::vector<std::string> entries,
                              paths::PathStyle style = paths::kHostPathStyle);
    // The index points into its own entries: a copy would point into the
    // original's, so there is none; a move keeps the entries where they are.
    EnvironmentIndex(const EnvironmentIndex &) = delete;
    EnvironmentIndex &operator=(const EnvironmentIndex &) = delete;
    EnvironmentIndex(EnvironmentIndex &&) = default;
    EnvironmentIndex &operator=(EnvironmentIndex &&) = default;

    std::optional<std::string> value(std::string_view name) const;

private:
    void indexEntries();

    std::vector<std::string> m_entries;
    std::unordered_map<std::string_view, std::string_view> m_exactNames;   // first entry of each name
    std::unordered_map<std::string, std::string_view> m_foldedNames;      // lower-case name -> first value
    bool m_namesIgnoreCase = false;
    mutable std::string m_foldedName;  // the name being looked up, folded, kept to save an allocation each
};

}  // namespace locmap50::platform

#endif  // LOCMAP50_PLATFORM_ENVIRONMENT_H
