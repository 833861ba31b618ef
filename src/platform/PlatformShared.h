// Pieces both platform implementations share: the simulated full disk of the
// write-failure hook, environment entry helpers and the extended-length path
// form, kept free of OS calls so every leg tests them.
#ifndef LOCMAP50_PLATFORM_PLATFORMSHARED_H
#define LOCMAP50_PLATFORM_PLATFORMSHARED_H

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace locmap50::platform::detail {

// Plain scalars, so they are ready before any static constructor of the
// library runs (the platform layer is used during static initialisation).
inline bool s_failWrites = false;
inline std::size_t s_bytesBeforeFailure = 0;

// How many of `wanted` bytes the next write may hand the OS; 0 means the
// simulated disk is full and the write must fail.
inline std::size_t bytesAllowedToWrite(std::size_t wanted) {
    if (!s_failWrites) return wanted;
    return wanted < s_bytesBeforeFailure ? wanted : s_bytesBeforeFailure;
}

inline void countBytesWritten(std::size_t written) {
    if (s_failWrites) s_bytesBeforeFailure -= written;
}

// The runtime's environment table copied entry by entry; nullopt when there is none.
inline std::optional<std::vector<std::string>> copiedEnvironmentTable(char **table) {
    if (table == nullptr) return std::nullopt;
    std::vector<std::string> entries;
    for (char **entry = table; *entry != nullptr; ++entry) entries.emplace_back(*entry);
    return entries;
}

// Where the name of "NAME=value" ends; npos when there is no "=" or no name.
inline std::size_t entryNameLength(const std::string &entry) {
    const std::size_t equals = entry.find('=');
    return equals == 0 ? std::string::npos : equals;
}

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

}  // namespace locmap50::platform::detail

#endif  // LOCMAP50_PLATFORM_PLATFORMSHARED_H
