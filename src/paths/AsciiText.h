// SPDX-License-Identifier: Apache-2.0
// ASCII letter tests and case folding: the one definition of "ignoring case" in the library.
#ifndef LOCMAP50_PATHS_ASCIITEXT_H
#define LOCMAP50_PATHS_ASCIITEXT_H

#include <string>

// Only ASCII letters fold: names and paths are 8-bit text in the process's
// code page, whose other letters have no case rule we could rely on.
namespace locmap50::paths {

inline bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

inline bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

inline char toLowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline char toUpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline bool sameIgnoringAsciiCase(char a, char b) {
    return toLowerAscii(a) == toLowerAscii(b);
}

inline std::string toLowerAscii(std::string text) {
    for (char &c : text) c = toLowerAscii(c);
    return text;
}

}  // namespace locmap50::paths

#endif  // LOCMAP50_PATHS_ASCIITEXT_H
