// SPDX-License-Identifier: Apache-2.0
// What a folder holds, entry by entry, so that a test can tell whether a save left every entry but its target alone.
#ifndef LOCMAP50_TESTS_FOLDERSNAPSHOT_H
#define LOCMAP50_TESTS_FOLDERSNAPSHOT_H

#include <filesystem>
#include <map>
#include <string>

#include "support/ScratchNodes.h"  // <windows.h> or <sys/stat.h>
#include "support/TestSupport.h"

namespace testsupport {

// The entry's type, identity (device and inode; volume and file index on
// Windows) and modification time, as one text; "" when it cannot be read.
// Links are described, not followed.
inline std::string identityAndTime(const std::filesystem::path &entry) {
#ifdef _WIN32
    const HANDLE file =
        ::CreateFileW(entry.wstring().c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    BY_HANDLE_FILE_INFORMATION information;
    const bool read = ::GetFileInformationByHandle(file, &information) != 0;
    ::CloseHandle(file);
    if (!read) return std::string();
    return "attributes " + std::to_string(information.dwFileAttributes) + " file " +
           std::to_string(information.dwVolumeSerialNumber) + ":" + std::to_string(information.nFileIndexHigh) + ":" +
           std::to_string(information.nFileIndexLow) + " links " + std::to_string(information.nNumberOfLinks) +
           " modified " + std::to_string(information.ftLastWriteTime.dwHighDateTime) + ":" +
           std::to_string(information.ftLastWriteTime.dwLowDateTime);
#else
    struct stat status;
    if (::lstat(entry.c_str(), &status) != 0) return std::string();
    return "mode " + std::to_string(status.st_mode) + " owner " + std::to_string(status.st_uid) + " inode " +
           std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino) + " links " +
           std::to_string(status.st_nlink) + " modified " + std::to_string(status.st_mtim.tv_sec) + "." +
           std::to_string(status.st_mtim.tv_nsec);
#endif
}

// Every entry of dir but `except`, by name: its identity and time, and for a
// regular file its bytes too. Two snapshots are equal when nothing but
// `except` was made, removed, replaced, written or touched.
inline std::map<std::string, std::string> folderSnapshot(const std::filesystem::path &dir,
                                                         const std::string &except) {
    std::map<std::string, std::string> entries;
    for (const auto &entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name == except) continue;
        std::string state = identityAndTime(entry.path());
        if (entry.is_regular_file() && !entry.is_symlink())
            state += " bytes " + readFile(entry.path().string()).value_or("?");
        entries[name] = state;
    }
    return entries;
}

}  // namespace testsupport

#endif  // LOCMAP50_TESTS_FOLDERSNAPSHOT_H
