// SPDX-License-Identifier: Apache-2.0
// What a load takes from the map files, prefix by prefix: VnLocMap::account.
#ifndef LOCMAP50_VNLOADACCOUNT_H
#define LOCMAP50_VNLOADACCOUNT_H

#include <string>
#include <vector>

#include "locmap50/VnExplanation.h"

/*
 * The account of a load, as the loader decides it: for each soft prefix the
 * block in effect (the first block, in the order a load reads the files,
 * that has a hard path or that the environment supplies), what the
 * environment did to it, the later blocks it shadows, and the hard path
 * facts a map checker warns about. Unlike the classes, these structures
 * stay free to change within 2.x: rebuild with each release.
 *
 * Lines are those found in the files on disk when the account is asked
 * for: a block's line is 0 when its file no longer holds it there (after an
 * edit not yet saved, or a change made by another hand).
 */

// One soft prefix block of a map file.
struct VnAccountBlock {
    std::string file;                    // the map file, as the map names it
    int line = 0;                        // its soft prefix line
    std::vector<std::string> hardPaths;  // what the file gives, in hard path form ("C:/x" as "C:\x")
    std::vector<int> hardPathLines;      // the line of each; 0 where it is not found
};

// A hard path of the prefix that an entry earlier in the map holds already,
// so that hard-to-soft translation never reaches it: paths under a drive or
// UNC hard path compare ignoring ASCII case, POSIX paths byte for byte.
struct VnCoveredHardPath {
    std::string hardPath;          // the prefix's hard path
    int line = 0;                  // its line, or the prefix's line when it came from the environment
    std::string coveringPrefix;    // the earlier entry
    std::string coveringHardPath;  // its hard path that holds hardPath
    std::string coveringFile;      // where that entry is in effect; "" when it is in no file
    int coveringLine = 0;          // that hard path's line there (or the entry's prefix line)
};

// A hard path the block in effect gives twice.
struct VnRepeatedHardPath {
    std::string hardPath;
    int line = 0;       // the repetition's line
    int firstLine = 0;  // the line that gave it first
};

struct VnPrefixAccount {
    std::string softPrefix;  // "$NAME"
    VnAccountBlock inEffect;
    // What the variable named like the prefix did (never in force mode).
    VnExplanation::Environment environment = VnExplanation::Environment::None;
    std::string variable;  // the variable, when it overrode or supplied
    std::string value;     // its value in hard path form, as the map took it
    // Later blocks of the prefix with hard paths, which the load skipped:
    // the block in effect shadows each of them.
    std::vector<VnAccountBlock> shadowed;
    // Of the hard paths the map holds for the prefix now.
    std::vector<VnCoveredHardPath> covered;
    std::vector<VnRepeatedHardPath> repeated;
};

#endif  // LOCMAP50_VNLOADACCOUNT_H
