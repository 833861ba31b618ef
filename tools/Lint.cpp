// SPDX-License-Identifier: Apache-2.0
// The warnings of "locmap check" that the library itself does not give.
//
// Every fact comes from the library's account of the load (which block of
// each prefix is in effect, which blocks it shadows, which hard paths an
// earlier entry covers and which are given twice, with their files and
// lines); nothing here decides what the map means.
#include "Lint.h"

#include <cstdlib>
#include <set>
#include <string>

#include "locmap50/VnLoadAccount.h"
#include "locmap50/VnLocMap.h"
#include "locmap50/rules.h"

namespace locmap_tool {

namespace {

std::string where(const std::string &file, int line) {
    return file + ":" + std::to_string(line);
}

// Hard-to-soft translation tries entries in map order and takes the first
// that holds the path, so a hard path inside an earlier entry's is never
// translated to its own prefix.
void lintCoveredHardPaths(const std::vector<VnPrefixAccount> &accounts, std::vector<LintFinding> &warnings) {
    for (const VnPrefixAccount &account : accounts) {
        for (const VnCoveredHardPath &covered : account.covered) {
            warnings.push_back({LintKind::CoveredHardPath, account.inEffect.file, covered.line,
                                "hard path " + covered.hardPath + " of " + account.softPrefix +
                                    " lies within hard path " + covered.coveringHardPath + " of " +
                                    covered.coveringPrefix + " (" + where(covered.coveringFile, covered.coveringLine) +
                                    "), which is tried first; paths there always translate to " +
                                    covered.coveringPrefix,
                                std::string()});
        }
    }
}

void lintRepeatedHardPaths(const std::vector<VnPrefixAccount> &accounts, std::vector<LintFinding> &warnings) {
    for (const VnPrefixAccount &account : accounts)
        for (const VnRepeatedHardPath &repeated : account.repeated)
            warnings.push_back({LintKind::RepeatedHardPath, account.inEffect.file, repeated.line,
                                "hard path " + repeated.hardPath + " is given twice for " + account.softPrefix +
                                    " (first at line " + std::to_string(repeated.firstLine) + ")",
                                std::string()});
}

// A later block of a prefix already in effect is skipped by the reader
// without a message.
void lintIgnoredRedefinitions(const std::vector<VnPrefixAccount> &accounts, std::vector<LintFinding> &warnings) {
    for (const VnPrefixAccount &account : accounts) {
        std::set<std::string> filesSeen{account.inEffect.file};
        for (const VnAccountBlock &block : account.shadowed) {
            // A later file's first block, overridden by an earlier file's
            // entry, is layering, which the library notes itself.
            if (filesSeen.insert(block.file).second) continue;
            warnings.push_back({LintKind::IgnoredRedefinition, block.file, block.line,
                                account.softPrefix + " is defined again and ignored; the definition at " +
                                    where(account.inEffect.file, account.inEffect.line) + " is used",
                                std::string()});
        }
    }
}

// A relative value is used as it stands, so what names under the prefix
// stand for changes with each tool's current directory. Quoted as it was set.
void lintRelativeEnvironmentValues(const std::vector<VnPrefixAccount> &accounts,
                                   std::vector<LintFinding> &warnings) {
    for (const VnPrefixAccount &account : accounts) {
        if (account.environment == VnExplanation::Environment::None ||
            locmap50::rules::isAbsolute(account.value))
            continue;
        const char *set = std::getenv(account.variable.c_str());
        const std::string assignment = account.variable + "=" + (set != nullptr ? set : account.value);
        const bool overrode = account.environment == VnExplanation::Environment::Overrode;
        warnings.push_back({LintKind::RelativeEnvironmentValue, account.inEffect.file, account.inEffect.line,
                            "environment variable " + assignment + " holds no absolute path, and " +
                                (overrode ? "overrides " : "supplies ") + account.softPrefix + " as it stands",
                            account.softPrefix + "=" + (set != nullptr ? set : account.value)});
    }
}

}  // namespace

std::vector<LintFinding> lintWarnings() {
    std::vector<VnPrefixAccount> accounts;
    if (VnLocMap::exists()) VnLocMap::createMap()->account(accounts);
    std::vector<LintFinding> warnings;
    lintCoveredHardPaths(accounts, warnings);
    lintRepeatedHardPaths(accounts, warnings);
    lintIgnoredRedefinitions(accounts, warnings);
    lintRelativeEnvironmentValues(accounts, warnings);
    return warnings;
}

}  // namespace locmap_tool
