// SPDX-License-Identifier: Apache-2.0
// The extended-length form of Windows paths and the limit on one name, kept free of OS calls so every leg tests them.
#ifndef LOCMAP50_PLATFORM_EXTENDEDLENGTHPATH_H
#define LOCMAP50_PLATFORM_EXTENDEDLENGTHPATH_H

#include <string>

namespace locmap50::platform::detail {

// "\\?\" lets the Windows W functions take paths beyond the classic length limit.
inline bool hasExtendedLengthPrefix(const std::wstring &path) {
    return path.compare(0, 4, L"\\\\?\\") == 0;
}

// A full path in its extended-length form: "\\?\C:\a" for drive paths,
// "\\?\UNC\server\share\a" for UNC paths. Device paths ("\\.\") and paths
// already in that form stay as they are.
inline std::wstring extendedLengthForm(const std::wstring &fullPath) {
    if (hasExtendedLengthPrefix(fullPath) || fullPath.compare(0, 4, L"\\\\.\\") == 0)
        return fullPath;
    if (fullPath.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + fullPath.substr(2);
    if (fullPath.size() >= 3 && fullPath[1] == L':' && fullPath[2] == L'\\')
        return L"\\\\?\\" + fullPath;
    return fullPath;
}

// Windows file systems hold no name longer than this many UTF-16 units; the
// extended-length form lifts the limit of a whole path, never this one.
constexpr std::size_t kLongestNameOnDisk = 255;

// Whether a component of path ("\\" or "/" separated) is longer than any
// name a file system holds: the OS's "not found" for such a path means its
// name is too long.
inline bool hasOverlongComponent(const std::wstring &path) {
    std::size_t length = 0;
    for (wchar_t c : path) {
        length = (c == L'\\' || c == L'/') ? 0 : length + 1;
        if (length > kLongestNameOnDisk) return true;
    }
    return false;
}

}  // namespace locmap50::platform::detail

#endif  // LOCMAP50_PLATFORM_EXTENDEDLENGTHPATH_H
