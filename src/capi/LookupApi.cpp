// The exported C functions that translate names, list, edit, save and export the location map.
#include <cstdint>
#include <optional>
#include <string>

#include "capi/CApiSupport.h"
#include "locmap/PathRules.h"
#include "locmap50/locmap50.h"
#include "platform/Platform.h"

using locmap50::capi::existingMap;
using locmap50::capi::guardedCall;

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kFromEnvironment = 2;  // translated without a map
constexpr int kNoMap = 2;
constexpr int kBufferTooSmall = 3;

// The plain translation functions trust the caller's buffer to be big enough.
constexpr std::size_t kUnboundedSize = SIZE_MAX;

// A translation's result code and the text that goes into the caller's buffer
// (empty when the buffer is to stay empty).
struct Translation {
    int result;
    std::string text;
};

bool isEmpty(const char *text) {
    return text == nullptr || *text == '\0';
}

// "$NAME" or "$NAME\rest" expanded through the process-wide snapshot. The two
// fallbacks join the rest differently: GetHardName with mergePaths,
// GetAbsoluteHardName by plain concatenation (a trailing "\" of the expansion
// then stays, doubling the separator).
Translation expandFromSnapshot(const std::string &name, bool mergeWithRest) {
    const std::size_t backslash = name.find('\\');
    const std::string variable = name.substr(1, backslash == std::string::npos ? std::string::npos : backslash - 1);
    std::string expansion = locmap50::capi::g_processSnapshot.expandLeadingName(variable);
    if (expansion.empty()) return {kFailed, std::string()};
    if (backslash != std::string::npos) {
        const std::string rest = name.substr(backslash);
        if (mergeWithRest)
            VnLocMap::mergePaths(expansion, rest);
        else
            expansion += rest;
    }
    return {kFromEnvironment, expansion};
}

// A name that is neither soft, nor a URL, nor absolute, resolved against the
// current directory and drive; drive 0 (no drive letter) leaves "\x" as it is.
Translation resolveFromCurrentDirectory(const std::string &name) {
    const std::optional<std::string> currentDirectory = locmap50::platform::currentDirectory();
    if (!currentDirectory) return {kFailed, std::string()};
    const int drive = locmap50::platform::currentDriveNumber();
    const std::string driveRoot =
        drive >= 1 && drive <= 26 ? std::string(1, static_cast<char>('A' + drive - 1)) + ":" : std::string();
    return {kFromEnvironment,
            locmap50::paths::resolveAgainstCurrentDirectory(name, *currentDirectory, driveRoot)};
}

// The no-map translation of GetHardName (absolute false) and of
// GetAbsoluteHardName (absolute true). Separators are converted before the
// URL test, so a URL comes back with backslashes.
Translation hardNameFromEnvironment(const char *softName, bool absolute) {
    const std::string name = locmap50::paths::toBackslashes(softName);
    if (name[0] == '$') return expandFromSnapshot(name, !absolute);
    if (locmap50::paths::isUrl(name) || locmap50::paths::startsWithDriveOrDoubleBackslash(name))
        return {kFromEnvironment, name};
    if (absolute) return resolveFromCurrentDirectory(name);
    return {kFromEnvironment, std::string()};
}

Translation hardNameOf(const char *softName, bool absolute) {
    if (isEmpty(softName)) return {kFailed, std::string()};
    VnLocMap *map = existingMap();
    if (map == nullptr) return hardNameFromEnvironment(softName, absolute);
    std::string hardName;
    const int result = absolute ? map->getAbsoluteHardName(softName, hardName)
                                : map->getHardName(softName, hardName);
    if (result != kDone) hardName.clear();
    return {result, hardName};
}

// The no-map translation of GetSoftName. Unlike the hard-name fallbacks, the
// URL test comes first, so a URL comes back exactly as given.
Translation softNameFromEnvironment(const char *hardName) {
    if (locmap50::paths::isUrl(hardName)) return {kFromEnvironment, hardName};
    const std::string path = locmap50::paths::toBackslashes(hardName);
    if (path == "\\\\" || (!path.empty() && path[0] == '$')) return {kFromEnvironment, path};
    std::string softName;
    if (VnLocMap::getSoftNameFromEnv(path, softName) != kDone) return {kFailed, std::string()};
    return {kFromEnvironment, softName};
}

Translation softNameOf(const char *hardName) {
    if (hardName == nullptr) return {kFailed, std::string()};
    VnLocMap *map = existingMap();
    if (map == nullptr) return softNameFromEnvironment(hardName);
    if (*hardName == '\0') return {kFailed, std::string()};
    // Whatever the lookup left in its result goes to the caller, also on 1.
    std::string softName;
    const int result = map->getSoftName(hardName, softName);
    return {result, softName};
}

// Empties the buffer, translates, and hands the text over when it fits. The
// buffer is emptied first so that it is never left stale, even when the
// translation throws.
template <typename Translate>
int translateInto(char *buffer, std::size_t size, Translate &&translate) {
    if (buffer == nullptr) return kFailed;
    if (size > 0) buffer[0] = '\0';
    return guardedCall(kFailed, [&] {
        const Translation translation = translate();
        if (translation.text.empty()) return translation.result;
        return locmap50::capi::copyToBuffer(translation.text, buffer, size) ? translation.result
                                                                            : kBufferTooSmall;
    });
}

int hardNameInto(const char *softName, char *hardName, std::size_t size) {
    return translateInto(hardName, size, [&] { return hardNameOf(softName, false); });
}

int absoluteHardNameInto(const char *softName, char *hardName, std::size_t size) {
    return translateInto(hardName, size, [&] { return hardNameOf(softName, true); });
}

int softNameInto(const char *hardName, char *softName, std::size_t size) {
    return translateInto(softName, size, [&] { return softNameOf(hardName); });
}

char *newHardPathList(const char *softName) {
    const VnLocMap *map = existingMap();
    if (map == nullptr || isEmpty(softName)) return nullptr;
    const auto entry = map->m_softToHardMap.find(softName);
    if (entry == map->m_softToHardMap.end()) return nullptr;
    return locmap50::capi::newCallerOwnedString(locmap50::paths::joinHardPathList(entry->second));
}

int changeEntry(const char *softName, const char *hardNames, int operation) {
    VnLocMap *map = existingMap();
    if (map == nullptr) return kNoMap;
    if (isEmpty(softName)) return kFailed;
    switch (operation) {
    case 0:
        return hardNames != nullptr ? map->changeEntry(softName, hardNames) : kFailed;
    case 1:
        return hardNames != nullptr ? map->addEntry(softName, hardNames) : kFailed;
    case 2:
        return map->deleteEntry(softName);
    default:
        return kFailed;
    }
}

int exportMap(const char *target, int toStdout) {
    VnLocMap *map = existingMap();
    if (map == nullptr) return kNoMap;
    if (isEmpty(target)) return kFailed;
    const Translation file = hardNameOf(target, false);
    if (file.result != kDone) return kFailed;
    return map->exportLocMap(file.text, toStdout != 0);
}

}  // namespace

extern "C" {

int GetHardName(const char *softName, char *hardName) {
    return hardNameInto(softName, hardName, kUnboundedSize);
}

int GetHardNameEx(const char *softName, char *hardName, size_t size) {
    return hardNameInto(softName, hardName, size);
}

int GetAbsoluteHardName(const char *softName, char *hardName) {
    return absoluteHardNameInto(softName, hardName, kUnboundedSize);
}

int GetAbsoluteHardNameEx(const char *softName, char *hardName, size_t size) {
    return absoluteHardNameInto(softName, hardName, size);
}

int GetSoftName(const char *hardName, char *softName) {
    return softNameInto(hardName, softName, kUnboundedSize);
}

int GetSoftNameEx(const char *hardName, char *softName, size_t size) {
    return softNameInto(hardName, softName, size);
}

char *ReturnAllHardPath(const char *softName) {
    return guardedCall<char *>(nullptr, [&] { return newHardPathList(softName); });
}

void FreeHardPathList(char *list) {
    delete[] list;
}

int ChangeEntry(const char *softName, const char *hardNames, int operation) {
    return guardedCall(kFailed, [&] { return changeEntry(softName, hardNames, operation); });
}

int Export(const char *target, int toStdout) {
    return guardedCall(kFailed, [&] { return exportMap(target, toStdout); });
}

int SaveLocationMap(int toStdout) {
    return guardedCall(kFailed, [&] {
        VnLocMap *map = existingMap();
        return map != nullptr ? map->save(toStdout != 0) : kNoMap;
    });
}

int IsEnvOverridden(const char *name) {
    return guardedCall(0, [&] {
        VnLocMap *map = existingMap();
        return map != nullptr && !isEmpty(name) ? map->isEnvOverridden(name) : 0;
    });
}

}  // extern "C"
