// The names of the save lock and of a save's temporary files, and how a leftover is recognised.
#include "paths/SaveFileNames.h"

#include <algorithm>

#include "paths/AsciiText.h"

namespace locmap50::paths {
namespace {

constexpr std::size_t kMkstempUniqueLength = 6;

bool isSixLettersOrDigits(const std::string &tail) {
    return tail.size() == kMkstempUniqueLength &&
           std::all_of(tail.begin(), tail.end(), [](char c) { return isAsciiLetter(c) || isAsciiDigit(c); });
}

// Three runs of digits joined by two "-".
bool isProcessTickCounter(const std::string &tail) {
    int separators = 0;
    std::size_t digits = 0;
    for (char c : tail) {
        if (isAsciiDigit(c)) {
            ++digits;
            continue;
        }
        if (c != '-' || digits == 0) return false;
        ++separators;
        digits = 0;
    }
    return separators == 2 && digits != 0;
}

}  // namespace

const char kTemporaryNameSuffix[] = ".tmp-";

std::string saveLockNameOf(const std::string &target) {
    return target + ".save-lock";
}

bool isLeftoverTemporaryName(const std::string &fileName, const std::string &targetBase,
                             TemporaryNameStyle style) {
    const std::string prefix = targetBase + kTemporaryNameSuffix;
    if (fileName.size() <= prefix.size() || fileName.compare(0, prefix.size(), prefix) != 0) return false;
    const std::string tail = fileName.substr(prefix.size());
    return style == TemporaryNameStyle::SixLettersOrDigits ? isSixLettersOrDigits(tail)
                                                           : isProcessTickCounter(tail);
}

}  // namespace locmap50::paths
