// SPDX-License-Identifier: Apache-2.0
// Which Windows path names stand for devices rather than files, kept free of OS calls so every leg tests the rule.
#ifndef LOCMAP50_PATHS_DEVICENAMES_H
#define LOCMAP50_PATHS_DEVICENAMES_H

#include <string>

#include "paths/AsciiText.h"

namespace locmap50::paths {

// Windows opens the device whatever directory or extension goes with these
// names ("C:\maps\nul.map" is NUL), so a save must never treat them as files.
inline bool isReservedDeviceBaseName(const std::string &name) {
    std::string base;
    for (char c : name) {
        if (c == '.' || c == ':') break;
        base += toUpperAscii(c);
    }
    while (!base.empty() && base.back() == ' ') base.pop_back();
    static const char *const kPlainNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char *plain : kPlainNames)
        if (base == plain) return true;
    const bool numbered = base.size() == 4 && base[3] >= '1' && base[3] <= '9' &&
                          (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0);
    return numbered;
}

// A path naming a Windows device: "\\.\" paths and the reserved names above
// as the last component, in either separator form.
inline bool isWindowsDevicePath(const std::string &path) {
    const auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() >= 4 && isSeparator(path[0]) && isSeparator(path[1]) && path[2] == '.' &&
        isSeparator(path[3]))
        return true;
    const std::size_t separator = path.find_last_of("\\/");
    return isReservedDeviceBaseName(separator == std::string::npos ? path : path.substr(separator + 1));
}

}  // namespace locmap50::paths

#endif  // LOCMAP50_PATHS_DEVICENAMES_H
