// SPDX-License-Identifier: Apache-2.0
// The names of the files a save makes beside its target: the save lock and the temporary file.
#ifndef LOCMAP50_PATHS_SAVEFILENAMES_H
#define LOCMAP50_PATHS_SAVEFILENAMES_H

#include <cstdint>
#include <string>

#include "paths/PathRules.h"

namespace locmap50::paths {

// "<file>.save-lock": the lock file that serialises saves of <file>. Programs
// built on older and newer versions of the library must agree on it, so it
// never changes.
std::string saveLockNameOf(const std::string &target);

// A save first writes ".<base>.locmap50-<unique>.tmp" beside <file> (whose
// last part is <base>): hidden, and of a shape no person would choose.
// <unique> is kTemporaryUniqueLength letters or digits, made from
// randomBits.
constexpr std::size_t kTemporaryUniqueLength = 8;
std::string temporaryPathOf(const std::string &target, std::uint64_t randomBits,
                            PathStyle style = kHostPathStyle);

// Whether fileName, found beside the file called targetBase, has exactly the
// shape of a temporary file of a save of that file: what a crashed save
// leaves behind. Names of any other shape belong to someone else.
bool isLeftoverTemporaryName(const std::string &fileName, const std::string &targetBase);

}  // namespace locmap50::paths

#endif  // LOCMAP50_PATHS_SAVEFILENAMES_H
