// The exported C functions that translate names, list, edit, save and export the location map.
#include <cstdint>
#include <optional>
#include <string>

#include "capi/CApiSupport.h"
#include "locmap/Translations.h"
#include "locmapfile/LastFailure.h"
#include "paths/NameRules.h"
#include "paths/PathRules.h"
#include "locmap50/locmap50.h"
#include "platform/Platform.h"

using locmap50::capi::existingMap;
using locmap50::capi::guardedCall;
using locmap50::locmap::TranslatedName;
using locmap50::locmap::Translations;

namespace {

namespace paths = locmap50::paths;

// The plain translation functions trust the caller's buffer to be big enough.
constexpr std::size_t kUnboundedSize = SIZE_MAX;

// A translation's result code and the text that goes into the caller's buffer
// (empty when the buffer is to stay empty).
struct Translation {
    int result;
    std::string text;
};

// Whether a soft-to-hard translation also makes relative names absolute
// (GetAbsoluteHardName) or leaves them alone (GetHardName).
enum class Resolution { AsGiven, Absolute };

bool isEmpty(const char *text) {
    return text == nullptr || *text == '\0';
}

// "$NAME" or "$NAME\rest" expanded through the process-wide snapshot. The two
// fallbacks join the rest differently: GetHardName with mergePaths,
// GetAbsoluteHardName by plain concatenation (a trailing "\" of the expansion
// then stays, doubling the separator).
Translation expandFromSnapshot(const std::string &name, Resolution resolution) {
    const paths::SoftNameParts parts = paths::splitSoftName(name);
    std::string expansion =
        locmap50::capi::g_processSnapshot.expandLeadingName(parts.softPrefix.substr(1));
    if (expansion.empty()) return {LOCMAP50_FAILED, std::string()};
    if (parts.rest.empty()) return {LOCMAP50_FROM_ENVIRONMENT, expansion};
    if (resolution == Resolution::AsGiven)
        paths::mergePaths(expansion, parts.rest);
    else
        expansion += parts.rest;
    return {LOCMAP50_FROM_ENVIRONMENT, expansion};
}

// "C:" for drive number 3; empty for 0 (no drive letter), which leaves "\x" as it is.
std::string driveRootOfNumber(int drive) {
    if (drive < 1 || drive > 26) return std::string();
    return std::string(1, static_cast<char>('A' + drive - 1)) + ":";
}

// A name that is neither soft, nor a URL, nor absolute, resolved against the
// current directory and drive.
Translation resolveFromCurrentDirectory(const std::string &name) {
    const std::optional<std::string> currentDirectory = locmap50::platform::currentDirectory();
    if (!currentDirectory) return {LOCMAP50_FAILED, std::string()};
    const std::string driveRoot = driveRootOfNumber(locmap50::platform::currentDriveNumber());
    return {LOCMAP50_FROM_ENVIRONMENT,
            paths::resolveAgainstCurrentDirectory(name, *currentDirectory, driveRoot)};
}

// The no-map translation of GetHardName and GetAbsoluteHardName. Separators
// are converted before the URL test, so a URL comes back with backslashes.
Translation hardNameFromEnvironment(const char *softName, Resolution resolution) {
    const std::string name = paths::toBackslashes(softName);
    if (name[0] == '$') return expandFromSnapshot(name, resolution);
    if (paths::isUrl(name) || paths::startsWithDriveOrDoubleBackslash(name))
        return {LOCMAP50_FROM_ENVIRONMENT, name};
    if (resolution == Resolution::Absolute) return resolveFromCurrentDirectory(name);
    return {LOCMAP50_FROM_ENVIRONMENT, std::string()};
}

Translation hardNameOf(const char *softName, Resolution resolution) {
    if (isEmpty(softName)) return {LOCMAP50_FAILED, std::string()};
    VnLocMap *map = existingMap();
    if (map == nullptr) return hardNameFromEnvironment(softName, resolution);
    std::string hardName;
    const int result = resolution == Resolution::Absolute
                           ? map->getAbsoluteHardName(softName, hardName)
                           : map->getHardName(softName, hardName);
    if (result != LOCMAP50_OK) hardName.clear();
    return {result, hardName};
}

// The no-map translation of GetSoftName. Unlike the hard-name fallbacks, the
// URL test comes first, so a URL comes back exactly as given.
Translation softNameFromEnvironment(const char *hardName) {
    if (paths::isUrl(hardName)) return {LOCMAP50_FROM_ENVIRONMENT, hardName};
    const std::string path = paths::toBackslashes(hardName);
    if (paths::passesThroughAsSoftName(path)) return {LOCMAP50_FROM_ENVIRONMENT, path};
    std::string softName;
    if (VnLocMap::getSoftNameFromEnv(path, softName) != LOCMAP50_OK)
        return {LOCMAP50_FAILED, std::string()};
    return {LOCMAP50_FROM_ENVIRONMENT, softName};
}

Translation softNameOf(const char *hardName) {
    if (hardName == nullptr) return {LOCMAP50_FAILED, std::string()};
    VnLocMap *map = existingMap();
    if (map == nullptr) return softNameFromEnvironment(hardName);
    if (*hardName == '\0') return {LOCMAP50_FAILED, std::string()};
    // Whatever the lookup left in its result goes to the caller, also on failure.
    std::string softName;
    const int result = map->getSoftName(hardName, softName);
    return {result, softName};
}

// The caller's buffer, which holds size bytes.
struct Buffer {
    char *data;
    std::size_t size;
};

// Hands a translation's text to the caller's buffer when it fits; an empty
// text leaves the buffer empty.
int deliver(const Translation &translation, Buffer buffer) {
    if (translation.text.empty()) return translation.result;
    return locmap50::capi::copyToBuffer(translation.text, buffer.data, buffer.size)
               ? translation.result
               : LOCMAP50_BUFFER_TOO_SMALL;
}

// The same for a map lookup's result, copied once, straight from its pieces.
int deliver(const TranslatedName &name, int result, Buffer buffer) {
    if (!name.isSet() || name.size() == 0) return result;
    if (!locmap50::capi::roomInBuffer(name.size(), buffer.data, buffer.size)) return LOCMAP50_BUFFER_TOO_SMALL;
    name.copyTo(buffer.data);
    return result;
}

// Empties the buffer, then lets translate fill it. The buffer is emptied
// first so that it is never left stale, even when the translation throws.
template <typename Translate>
int translateInto(char *buffer, std::size_t size, Translate &&translate) {
    if (buffer == nullptr) return LOCMAP50_FAILED;
    if (size > 0) buffer[0] = '\0';
    return guardedCall(LOCMAP50_FAILED, [&] { return translate(Buffer{buffer, size}); });
}

int hardNameInto(const char *softName, char *hardName, std::size_t size) {
    return translateInto(hardName, size, [&](Buffer buffer) {
        VnLocMap *map = existingMap();
        if (map == nullptr || isEmpty(softName)) return deliver(hardNameOf(softName, Resolution::AsGiven), buffer);
        std::string name(softName);
        TranslatedName result;
        const int code = Translations::hardName(*map, name, result);
        return code == LOCMAP50_OK ? deliver(result, code, buffer) : code;
    });
}

int absoluteHardNameInto(const char *softName, char *hardName, std::size_t size) {
    return translateInto(hardName, size,
                         [&](Buffer buffer) { return deliver(hardNameOf(softName, Resolution::Absolute), buffer); });
}

int softNameInto(const char *hardName, char *softName, std::size_t size) {
    return translateInto(softName, size, [&](Buffer buffer) {
        VnLocMap *map = existingMap();
        if (map == nullptr || isEmpty(hardName)) return deliver(softNameOf(hardName), buffer);
        // Whatever the lookup left in its result goes to the caller, also on failure.
        std::string path(hardName);
        TranslatedName result;
        return deliver(result, Translations::softName(*map, path, result), buffer);
    });
}

char *newHardPathList(const char *softName) {
    const VnLocMap *map = existingMap();
    if (map == nullptr || isEmpty(softName)) return nullptr;
    const auto entry = map->m_softToHardMap.find(softName);
    if (entry == map->m_softToHardMap.end()) return nullptr;
    return locmap50::capi::newCallerOwnedString(paths::joinHardPathList(entry->second));
}

// Records that what the caller gave was refused and returns LOCMAP50_FAILED.
int invalidInput(const std::string &file = std::string()) {
    return locmap50::mapfile::failedWith(LOCMAP50_REASON_INVALID_INPUT, file);
}

int changeEntry(const char *softName, const char *hardNames, int operation) {
    locmap50::mapfile::clearLastFailure();
    VnLocMap *map = existingMap();
    if (map == nullptr) return LOCMAP50_NO_MAP;
    if (isEmpty(softName)) return invalidInput();
    switch (operation) {
    case LOCMAP50_REPLACE_ENTRY:
        return hardNames != nullptr ? map->changeEntry(softName, hardNames) : invalidInput();
    case LOCMAP50_ADD_ENTRY:
        return hardNames != nullptr ? map->addEntry(softName, hardNames) : invalidInput();
    case LOCMAP50_DELETE_ENTRY:
        return map->deleteEntry(softName);
    default:
        return invalidInput();
    }
}

int exportMap(const char *target, int toStdout) {
    locmap50::mapfile::clearLastFailure();
    VnLocMap *map = existingMap();
    if (map == nullptr) return LOCMAP50_NO_MAP;
    if (isEmpty(target)) return invalidInput();
    const Translation file = hardNameOf(target, Resolution::AsGiven);
    if (file.result != LOCMAP50_OK) return invalidInput(target);
    return map->exportLocMap(file.text, toStdout != 0);
}

int lastFailure(int *reason, const char **file) {
    const locmap50::mapfile::FailureRecord &record = locmap50::mapfile::lastFailure();
    if (reason != nullptr) *reason = record.reason;
    if (file != nullptr) *file = record.file.c_str();
    const bool asked = reason != nullptr || file != nullptr;
    return asked && record.reason != LOCMAP50_REASON_NONE ? LOCMAP50_OK : LOCMAP50_FAILED;
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
    return guardedCall(LOCMAP50_FAILED, [&] { return changeEntry(softName, hardNames, operation); });
}

int Export(const char *target, int toStdout) {
    return guardedCall(LOCMAP50_FAILED, [&] { return exportMap(target, toStdout); });
}

int SaveLocationMap(int toStdout) {
    return guardedCall(LOCMAP50_FAILED, [&] {
        locmap50::mapfile::clearLastFailure();
        VnLocMap *map = existingMap();
        return map != nullptr ? map->save(toStdout != 0) : LOCMAP50_NO_MAP;
    });
}

int GetLastFailure(int *reason, const char **file) {
    return guardedCall(LOCMAP50_FAILED, [&] { return lastFailure(reason, file); });
}

int IsEnvOverridden(const char *name) {
    return guardedCall(0, [&] {
        VnLocMap *map = existingMap();
        return map != nullptr && !isEmpty(name) ? map->isEnvOverridden(name) : 0;
    });
}

}  // extern "C"
