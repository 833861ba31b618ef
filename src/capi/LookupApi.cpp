// SPDX-License-Identifier: Apache-2.0
// The exported C functions that translate names, list, edit, save and export the location map.
#include <cstdint>
#include <list>
#include <mutex>
#include <optional>
#include <string>

#include "capi/CApiSupport.h"
#include "catalogue/Catalogue.h"
#include "locmap/MapSaving.h"
#include "locmap/OneFileEdit.h"
#include "locmap/Translations.h"
#include "locmapfile/LastFailure.h"
#include "paths/NameRules.h"
#include "paths/PathRules.h"
#include "locmap50/locmap50.h"
#include "platform/Platform.h"

using locmap50::capi::existingMap;
using locmap50::capi::guardedCall;
using locmap50::capi::underExclusiveLock;
using locmap50::capi::underSharedLock;
using locmap50::locmap::OneFileEdit;
using locmap50::locmap::LoadedFileName;
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
        paths::mergeVariableValue(expansion, parts.rest);
    else
        expansion += paths::restInSeparatorsOfValue(expansion, parts.rest);
    return {LOCMAP50_FROM_ENVIRONMENT, expansion};
}

// A name that is neither soft, nor a URL, nor absolute, resolved against the
// current directory and drive by the same rule as the map's own fallback.
Translation resolveFromCurrentDirectory(const std::string &name) {
    const std::optional<std::string> currentDirectory = locmap50::platform::currentDirectory();
    if (!currentDirectory) return {LOCMAP50_FAILED, std::string()};
    return {LOCMAP50_FROM_ENVIRONMENT,
            paths::resolveAgainstCurrentDirectory(name, *currentDirectory, locmap50::platform::currentDriveRoot())};
}

// The no-map translation of GetHardName and GetAbsoluteHardName. Separators
// are converted before the URL test, so a URL comes back with backslashes.
Translation hardNameFromEnvironment(const char *softName, Resolution resolution) {
    const std::string name = paths::toHardPathForm(softName);
    if (paths::isSoftName(name)) return expandFromSnapshot(name, resolution);
    if (paths::isUrl(name) || paths::passesThroughWithoutMap(name))
        return {LOCMAP50_FROM_ENVIRONMENT, name};
    if (resolution == Resolution::Absolute) return resolveFromCurrentDirectory(name);
    return {LOCMAP50_FROM_ENVIRONMENT, std::string()};
}

// The no-map translation of GetSoftName. Unlike the hard-name fallbacks, the
// URL test comes first, so a URL comes back exactly as given.
Translation softNameFromEnvironment(const char *hardName) {
    if (paths::isUrl(hardName)) return {LOCMAP50_FROM_ENVIRONMENT, hardName};
    const std::string path = paths::toHardPathForm(hardName);
    if (paths::passesThroughAsSoftName(path)) return {LOCMAP50_FROM_ENVIRONMENT, path};
    std::string softName;
    if (VnLocMap::getSoftNameFromEnv(path, softName) != LOCMAP50_OK)
        return {LOCMAP50_FAILED, std::string()};
    return {LOCMAP50_FROM_ENVIRONMENT, softName};
}

// The caller's buffer, which holds size bytes, and where the N forms want
// the room the answer needs (null for the others).
struct Buffer {
    char *data;
    std::size_t size;
    std::size_t *needed;
};

// Hands a translation's text to the caller's buffer when it fits; an empty
// text leaves the buffer empty.
int deliver(const Translation &translation, Buffer buffer) {
    const std::size_t length = translation.text.size();
    int result = translation.result;
    if (length > 0 && !locmap50::capi::copyToBuffer(translation.text, buffer.data, buffer.size))
        result = LOCMAP50_BUFFER_TOO_SMALL;
    return locmap50::capi::withRoomNeeded(result, length, buffer.size, buffer.needed);
}

// The same for a map lookup's result, copied once, straight from its pieces.
int deliver(const TranslatedName &name, int result, Buffer buffer) {
    const std::size_t length = name.isSet() ? name.size() : 0;
    if (length > 0) {
        if (locmap50::capi::roomInBuffer(length, buffer.data, buffer.size))
            name.copyTo(buffer.data);
        else
            result = LOCMAP50_BUFFER_TOO_SMALL;
    }
    return locmap50::capi::withRoomNeeded(result, length, buffer.size, buffer.needed);
}

// A map's translation: the name converted in place, the result in pieces.
using MapTranslation = int (*)(VnLocMap &, std::string &, TranslatedName &);

// Every C translation runs here: the environment fallback without a map,
// otherwise the map's own translation, whose result goes to the caller
// whenever it set one (the soft-name lookup also sets one on failure). The
// result is copied out before the map's lock is let go.
int translateInto(const char *input, Buffer output, MapTranslation withMap, Translation (*withoutMap)(const char *)) {
    if (output.needed != nullptr) *output.needed = 0;
    // An N form may ask for the room alone, with no buffer.
    if (output.data == nullptr && (output.needed == nullptr || output.size != 0)) return LOCMAP50_FAILED;
    if (output.size > 0) output.data[0] = '\0';
    return guardedCall(LOCMAP50_FAILED, [&] {
        if (input == nullptr) return LOCMAP50_FAILED;
        return underSharedLock([&] {
            VnLocMap *map = existingMap();
            if (map == nullptr) return deliver(withoutMap(input), output);
            if (*input == '\0') return LOCMAP50_FAILED;
            std::string name(input);
            TranslatedName result;
            const int code = withMap(*map, name, result);
            return deliver(result, code, output);
        });
    });
}

Translation hardNameWithoutMap(const char *softName) {
    if (*softName == '\0') return {LOCMAP50_FAILED, std::string()};
    return hardNameFromEnvironment(softName, Resolution::AsGiven);
}

Translation absoluteHardNameWithoutMap(const char *softName) {
    if (*softName == '\0') return {LOCMAP50_FAILED, std::string()};
    return hardNameFromEnvironment(softName, Resolution::Absolute);
}

int hardNameInto(const char *softName, Buffer hardName) {
    return translateInto(softName, hardName, Translations::hardName, hardNameWithoutMap);
}

int absoluteHardNameInto(const char *softName, Buffer hardName) {
    return translateInto(softName, hardName, Translations::absoluteHardName, absoluteHardNameWithoutMap);
}

int softNameInto(const char *hardName, Buffer softName) {
    return translateInto(hardName, softName, Translations::softName, softNameFromEnvironment);
}

char *newHardPathList(const char *softName) {
    const VnLocMap *map = existingMap();
    if (map == nullptr || isEmpty(softName)) return nullptr;
    const auto entry = map->m_softToHardMap.find(softName);
    if (entry == map->m_softToHardMap.end()) return nullptr;
    return locmap50::capi::newCallerOwnedString(paths::joinHardPathList(entry->second));
}

// Records that what the caller gave was refused, broken naming the rule,
// and returns LOCMAP50_FAILED.
int invalidInput(const std::string &broken, const std::string &file = std::string()) {
    return locmap50::mapfile::failedWith(LOCMAP50_REASON_INVALID_INPUT, file, broken);
}

const char kNoSoftPrefix[] = "no soft prefix given";
const char kNoHardPathList[] = "no hard path list given";

int unknownOperation(int operation) {
    return invalidInput("unknown operation " + std::to_string(operation));
}

int changeEntry(const char *softName, const char *hardNames, int operation) {
    VnLocMap *map = existingMap();
    if (map == nullptr) return LOCMAP50_NO_MAP;
    if (isEmpty(softName)) return invalidInput(kNoSoftPrefix);
    switch (operation) {
    case LOCMAP50_REPLACE_ENTRY:
        return hardNames != nullptr ? map->changeEntry(softName, hardNames) : invalidInput(kNoHardPathList);
    case LOCMAP50_ADD_ENTRY:
        return hardNames != nullptr ? map->addEntry(softName, hardNames) : invalidInput(kNoHardPathList);
    case LOCMAP50_DELETE_ENTRY:
        return map->deleteEntry(softName);
    default:
        return unknownOperation(operation);
    }
}

// The one-file edit of what name names, under the map's lock; nothing when
// the name is first to be identified (with the lock let go).
std::optional<int> changeEntryInFile(const std::optional<LoadedFileName> &name, const char *softName,
                                     const char *hardNames, int operation) {
    VnLocMap *map = existingMap();
    if (map == nullptr) return LOCMAP50_NO_MAP;
    if (!name) return invalidInput("no map file name given");
    if (isEmpty(softName)) return invalidInput(kNoSoftPrefix);
    const auto edit = [&](OneFileEdit::Kind kind) {
        return OneFileEdit::tryOn(*map, *name, kind, softName, hardNames != nullptr ? hardNames : "");
    };
    switch (operation) {
    case LOCMAP50_REPLACE_ENTRY:
        return hardNames != nullptr ? edit(OneFileEdit::Kind::Change) : invalidInput(kNoHardPathList);
    case LOCMAP50_ADD_ENTRY:
        return hardNames != nullptr ? edit(OneFileEdit::Kind::Add) : invalidInput(kNoHardPathList);
    case LOCMAP50_DELETE_ENTRY:
        return edit(OneFileEdit::Kind::Delete);
    default:
        return unknownOperation(operation);
    }
}

// Why an export target did not translate to a file name.
std::string untranslatableTarget(const std::string &target) {
    const std::string quoted = "'" + locmap50::catalogue::quotedLine(target) + "'";
    if (paths::isSoftName(target)) return "no soft prefix of " + quoted + " is in the map or the environment";
    return quoted + " is relative: give an absolute path or a soft name";
}

// The map, when there is one; a save or an export holds fileWorkLock, so no
// load replaces it before the call ends.
VnLocMap *mapForFileWork() {
    return underSharedLock([] { return existingMap(); });
}

int exportMap(const char *target, int toStdout) {
    const std::lock_guard<std::mutex> fileWork(locmap50::capi::fileWorkLock());
    locmap50::mapfile::clearLastFailure();
    VnLocMap *map = mapForFileWork();
    if (map == nullptr) return LOCMAP50_NO_MAP;
    if (isEmpty(target)) return invalidInput("no file name given");
    // The target is a name like any other: soft, or absolute, or one the map
    // made absolute before.
    std::string fileName;
    if (underExclusiveLock([&] { return map->getHardName(target, fileName); }) != LOCMAP50_OK)
        return invalidInput(untranslatableTarget(target), target);
    return locmap50::locmap::exportMap(*map, fileName, toStdout != 0, locmap50::capi::runUnderMapLock);
}

int saveMap(int toStdout) {
    const std::lock_guard<std::mutex> fileWork(locmap50::capi::fileWorkLock());
    locmap50::mapfile::clearLastFailure();
    VnLocMap *map = mapForFileWork();
    return map != nullptr ? locmap50::locmap::saveMap(*map, toStdout != 0, locmap50::capi::runUnderMapLock)
                          : LOCMAP50_NO_MAP;
}

int saveMapKeepingLayout() {
    const std::lock_guard<std::mutex> fileWork(locmap50::capi::fileWorkLock());
    locmap50::mapfile::clearLastFailure();
    VnLocMap *map = mapForFileWork();
    std::list<std::string> writtenFiles;
    return map != nullptr ? locmap50::locmap::saveMapKeepingLayout(*map, writtenFiles, locmap50::capi::runUnderMapLock)
                          : LOCMAP50_NO_MAP;
}

int lastFailure(int *reason, const char **file) {
    const locmap50::mapfile::FailureRecord &record = locmap50::mapfile::lastFailure();
    if (reason != nullptr) *reason = record.reason;
    if (file != nullptr) *file = record.file.c_str();
    const bool asked = reason != nullptr || file != nullptr;
    return asked && record.reason != LOCMAP50_REASON_NONE ? LOCMAP50_OK : LOCMAP50_FAILED;
}

int lastFailureDetail(const char **detail) {
    if (detail == nullptr) return LOCMAP50_FAILED;
    const locmap50::mapfile::FailureRecord &record = locmap50::mapfile::lastFailure();
    *detail = record.detail.c_str();
    return record.reason != LOCMAP50_REASON_NONE ? LOCMAP50_OK : LOCMAP50_FAILED;
}

}  // namespace

extern "C" {

int GetHardName(const char *softName, char *hardName) {
    return hardNameInto(softName, Buffer{hardName, kUnboundedSize, nullptr});
}

int GetHardNameEx(const char *softName, char *hardName, size_t size) {
    return hardNameInto(softName, Buffer{hardName, size, nullptr});
}

int GetHardNameExN(const char *softName, char *hardName, size_t size, size_t *needed) {
    if (needed == nullptr) return LOCMAP50_FAILED;
    return hardNameInto(softName, Buffer{hardName, size, needed});
}

int GetAbsoluteHardName(const char *softName, char *hardName) {
    return absoluteHardNameInto(softName, Buffer{hardName, kUnboundedSize, nullptr});
}

int GetAbsoluteHardNameEx(const char *softName, char *hardName, size_t size) {
    return absoluteHardNameInto(softName, Buffer{hardName, size, nullptr});
}

int GetAbsoluteHardNameExN(const char *softName, char *hardName, size_t size, size_t *needed) {
    if (needed == nullptr) return LOCMAP50_FAILED;
    return absoluteHardNameInto(softName, Buffer{hardName, size, needed});
}

int GetSoftName(const char *hardName, char *softName) {
    return softNameInto(hardName, Buffer{softName, kUnboundedSize, nullptr});
}

int GetSoftNameEx(const char *hardName, char *softName, size_t size) {
    return softNameInto(hardName, Buffer{softName, size, nullptr});
}

int GetSoftNameExN(const char *hardName, char *softName, size_t size, size_t *needed) {
    if (needed == nullptr) return LOCMAP50_FAILED;
    return softNameInto(hardName, Buffer{softName, size, needed});
}

char *ReturnAllHardPath(const char *softName) {
    return guardedCall<char *>(nullptr, [&] { return underSharedLock([&] { return newHardPathList(softName); }); });
}

void FreeHardPathList(char *list) {
    delete[] list;
}

int ChangeEntry(const char *softName, const char *hardNames, int operation) {
    return guardedCall(LOCMAP50_FAILED, [&] {
        locmap50::mapfile::clearLastFailure();
        return underExclusiveLock([&] { return changeEntry(softName, hardNames, operation); });
    });
}

int Export(const char *target, int toStdout) {
    return guardedCall(LOCMAP50_FAILED, [&] { return exportMap(target, toStdout); });
}

int SaveLocationMap(int toStdout) {
    return guardedCall(LOCMAP50_FAILED, [&] { return saveMap(toStdout); });
}

int SaveLocationMapKeepingLayout(void) {
    return guardedCall(LOCMAP50_FAILED, [&] { return saveMapKeepingLayout(); });
}

int ChangeEntryInFile(const char *mapFile, const char *softName, const char *hardNames, int operation) {
    return guardedCall(LOCMAP50_FAILED, [&] {
        locmap50::mapfile::clearLastFailure();
        // The name is spelled, and identified when need be, outside the lock.
        std::optional<LoadedFileName> name;
        if (!isEmpty(mapFile)) name.emplace(mapFile);
        for (;;) {
            const std::optional<int> result =
                underExclusiveLock([&] { return changeEntryInFile(name, softName, hardNames, operation); });
            if (result) return *result;
            name->identify();
        }
    });
}

int GetLastFailure(int *reason, const char **file) {
    return guardedCall(LOCMAP50_FAILED, [&] { return lastFailure(reason, file); });
}

int GetLastFailureDetail(const char **detail) {
    return guardedCall(LOCMAP50_FAILED, [&] { return lastFailureDetail(detail); });
}

int IsEnvOverridden(const char *name) {
    return guardedCall(0, [&] {
        return underSharedLock([&] {
            VnLocMap *map = existingMap();
            return map != nullptr && !isEmpty(name) ? map->isEnvOverridden(name) : 0;
        });
    });
}

}  // extern "C"
