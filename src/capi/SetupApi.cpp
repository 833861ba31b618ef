// SPDX-License-Identifier: Apache-2.0
// The exported C functions that set up and inspect the location map.
#include <mutex>
#include <string>
#include <utility>

#include "capi/CApiSupport.h"
#include "locmap50/VnLocMapFile.h"
#include "locmap50/locmap50.h"
#include "locmap/HandedOutText.h"
#include "paths/NameRules.h"
#include "platform/Platform.h"

using locmap50::capi::existingMap;
using locmap50::capi::guardedCall;
using locmap50::capi::underExclusiveLock;
using locmap50::capi::underSharedLock;

namespace {

// Creates, locates and reads a fresh map. A half-built map never survives:
// without a map file, or when reading throws, it is destroyed again.
int loadFreshMap(const std::string &path, int isMapFile) {
    VnLocMap *map = VnLocMap::createMap();
    if (map == nullptr) return LOCMAP50_NO_MAP;
    try {
        if (map->load(path, isMapFile) == LOCMAP50_NO_MAP) {
            locmap50::capi::g_problemsWithoutMap = map->loadProblems();
            map->DestroyMap();
            return LOCMAP50_NO_MAP;
        }
    } catch (...) {
        if (VnLocMap::exists()) VnLocMap::createMap()->DestroyMap();
        throw;
    }
    return LOCMAP50_OK;
}

int initLocationMap(const char *path, int isMapFile) {
    if (path == nullptr) return LOCMAP50_FAILED;
    if (isMapFile == 0)
        locmap50::platform::putEnvironmentEntry(std::string(locmap50::paths::kCurrentProjectVariable) + "=" + path);
    VnLocMap::fetchEnvVariables();
    locmap50::capi::g_processSnapshot.reload();
    locmap50::capi::g_problemsWithoutMap.clear();

    if (VnLocMap *current = existingMap()) {
        // A map found through ZOR_LOCATION_MAP, HOME or WDIR serves every
        // project, so another project directory does not replace it.
        if (current->m_globalMapInUse && isMapFile == 0) return LOCMAP50_OK;
        current->DestroyMap();
    }
    return loadFreshMap(path, isMapFile);
}

}  // namespace

extern "C" {

int InitLocationMap(const char *path, int isMapFile) {
    return guardedCall(LOCMAP50_NO_MAP, [&] {
        // No save or export of this process is between its steps meanwhile.
        const std::lock_guard<std::mutex> fileWork(locmap50::capi::fileWorkLock());
        return underExclusiveLock([&] { return initLocationMap(path, isMapFile); });
    });
}

int IsLocMapPresent(void) {
    return guardedCall(0, [] { return underSharedLock([] { return VnLocMap::exists() ? 1 : 0; }); });
}

const char *CurrentMapName(void) {
    return guardedCall<const char *>(nullptr, [] {
        return underSharedLock([]() -> const char * {
            const VnLocMap *map = existingMap();
            return map != nullptr ? map->m_mapFileName.c_str() : nullptr;
        });
    });
}

const char *GetErrorString(void) {
    return guardedCall<const char *>(nullptr, [] {
        return underSharedLock([]() -> const char * {
            const VnLocMap *map = existingMap();
            return map != nullptr ? map->m_errorText.c_str() : nullptr;
        });
    });
}

int UnsetLocMapEnvVariable(void) {
    return guardedCall(-1, [] {
        return underExclusiveLock([] { return locmap50::platform::putEnvironmentEntry("ZOR_LOCATION_MAP="); });
    });
}

const char *CurrentEntryFileName(const char *softName) {
    return guardedCall<const char *>(nullptr, [&] {
        return underSharedLock([&]() -> const char * {
            VnLocMap *map = existingMap();
            if (map == nullptr || softName == nullptr || *softName == '\0') return nullptr;
            return locmap50::locmap::HandedOutText::definingFileName(*map, softName);
        });
    });
}

}  // extern "C"
