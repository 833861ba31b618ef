// SPDX-License-Identifier: Apache-2.0
// The names of the save lock and of a save's temporary file, and how a leftover is recognised.
#include "paths/SaveFileNames.h"

#include <algorithm>

#include "paths/AsciiText.h"
#include "paths/PathRules.h"

namespace locmap50::paths {
namespace {

constexpr char kTemporaryInfix[] = ".locmap50-";
constexpr char kTemporarySuffix[] = ".tmp";
constexpr char kUniqueAlphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

std::string temporaryNameBefore(const std::string &targetBase) {
    return "." + targetBase + kTemporaryInfix;
}

bool isLetterOrDigit(char c) { return isAsciiLetter(c) || isAsciiDigit(c); }

bool endsWith(const std::string &text, const std::string &tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string saveLockNameOf(const std::string &target) {
    return target + ".save-lock";
}

std::string temporaryPathOf(const std::string &target, std::uint64_t randomBits, PathStyle style) {
    const DirectoryAndBase parts = splitDirectoryAndBase(target, style);
    const std::size_t alphabetSize = sizeof kUniqueAlphabet - 1;
    std::string unique;
    for (std::size_t i = 0; i < kTemporaryUniqueLength; ++i, randomBits /= alphabetSize)
        unique += kUniqueAlphabet[randomBits % alphabetSize];
    return parts.directory + temporaryNameBefore(parts.base) + unique + kTemporarySuffix;
}

bool isLeftoverTemporaryName(const std::string &fileName, const std::string &targetBase) {
    const std::string before = temporaryNameBefore(targetBase);
    const std::string after = kTemporarySuffix;
    if (fileName.size() != before.size() + kTemporaryUniqueLength + after.size()) return false;
    if (fileName.compare(0, before.size(), before) != 0 || !endsWith(fileName, after)) return false;
    const auto unique = fileName.begin() + static_cast<std::ptrdiff_t>(before.size());
    return std::all_of(unique, unique + kTemporaryUniqueLength, isLetterOrDigit);
}

}  // namespace locmap50::paths
