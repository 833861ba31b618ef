// SPDX-License-Identifier: Apache-2.0
// What VnLocMap::explain tells about one name: which rule translated it, from which entry, file and line.
#ifndef LOCMAP50_VNEXPLANATION_H
#define LOCMAP50_VNEXPLANATION_H

#include <string>
#include <vector>

/*
 * An entry of the map, or of the environment table, that holds the hard
 * path being explained, and how it fared. Files and lines are those of the
 * soft prefix line; lines are found by reading the file again, so they are 0
 * when the file has changed since the load and no longer holds the entry.
 */
struct VnExplainedEntry {
    enum class Standing {
        Used,                     // it gave the soft name
        LaterEntry,               // an earlier entry holds the path too: entries are tried in map order
        ShadowedRedefinition,     // a block of a prefix defined before; the map never took it
        OverriddenByEnvironment,  // the file's hard path, which an environment variable replaced
        EnvironmentTable,         // a variable holding an absolute path: tried only after every entry
    };
    Standing standing = Standing::Used;
    std::string softPrefix;  // "$NAME"; for the environment table "$" and the variable's name
    std::string file;        // the map file holding the entry; "" for the environment table
    int line = 0;            // the soft prefix line in file
    std::string hardPath;    // the hard path that holds the path explained
    int hardPathLine = 0;    // its line in file; 0 when it is no line of the file
};

/*
 * Why one name translates as it does (VnLocMap::explain). A name starting
 * with "$" is explained as getHardName translates it, an absolute path as
 * getSoftName does; result and status are what that operation gives.
 */
struct VnExplanation {
    enum class Kind {
        SoftName,       // "$P..." and the map has an entry for $P
        LeadingName,    // "$P" alone, no entry: the environment snapshot's leading-name expansion of P
        LiveVariable,   // "$P\rest", no entry: the environment variable P as it is now
        HardPath,       // an absolute path: the entries holding it (holders)
        PassedThrough,  // a URL, "\\" alone, or an absolute path the map's tables are empty for
        NotTranslated,  // see whyNot
    };
    // What the environment did to a soft prefix's entry while the map was loaded.
    enum class Environment {
        None,      // nothing: the hard paths are the file's
        Overrode,  // the variable's value replaced the file's hard paths
        Supplied,  // the file gave no hard path; the variable's value is the only one
    };
    enum class WhyNot {
        Translated,        // it did translate
        NoEntry,           // "$P\rest": no entry for $P, and the variable P is not set
        NoLeadingName,     // "$P": no entry for $P, and no leading part of P names a variable
        RelativeName,      // neither a "$" name, a URL nor an absolute path
        NoEntryHoldsPath,  // an absolute path that no entry and no variable holds
    };

    std::string name;  // as given
    Kind kind = Kind::NotTranslated;
    int status = 0;      // the LOCMAP50_* code of the translation
    std::string result;  // the translation; "" when there is none
    WhyNot whyNot = WhyNot::Translated;

    // "$" names.
    std::string softPrefix;      // "$P"
    std::string file;            // the map file that defined it
    int line = 0;                // its soft prefix line there; 0 when not found
    Environment environment = Environment::None;
    std::string variable;        // the variable that overrode, supplied or expanded it, or was looked for
    std::string value;           // that variable's value as used; "" when unset
    std::vector<std::string> hardPaths;  // the entry's hard paths, in order
    std::string hardPathUsed;    // the one the rest of the name is joined to

    // Absolute paths: every entry holding the path, the one used first when
    // there is one, then the others in map order, then the environment table.
    std::vector<VnExplainedEntry> holders;
};

#endif  // LOCMAP50_VNEXPLANATION_H
