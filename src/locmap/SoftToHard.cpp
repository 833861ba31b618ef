// SPDX-License-Identifier: Apache-2.0
// Soft-to-hard translation: getHardName, getAbsoluteHardName and the two static path rules.
#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

#include "locmap/LookupIndexes.h"
#include "locmap/MapState.h"
#include "locmap/Translations.h"
#include "locmap50/VnLocMap.h"
#include "paths/NameRules.h"
#include "paths/PathRules.h"
#include "platform/Environment.h"
#include "platform/Platform.h"

namespace paths = locmap50::paths;
namespace platform = locmap50::platform;
using locmap50::locmap::TranslatedName;
using locmap50::locmap::Translations;

namespace {

// A hard path joined with the rest of a name as mergePaths joins them. A
// Windows-style hard path is left in two pieces: the hard path without one
// trailing "\", then the rest. A POSIX one takes the rest with "/", which
// only a copy can give.
void setMerged(std::string_view hardPath, std::string_view rest, TranslatedName &result) {
    if (!paths::isPosixAbsolute(hardPath)) {
        result.set(hardPath.substr(0, paths::hardPathBaseLength(hardPath)), rest);
        return;
    }
    std::string merged(hardPath);
    paths::mergePaths(merged, std::string(rest));
    result.scratch() = std::move(merged);
    result.set(result.scratch());
}

// The absolute form getAbsoluteHardName remembered for name; null when none.
// Map nodes never move and a remembered answer never changes, so the text
// stays put after the guard is let go, until the map is emptied.
const std::string *rememberedAnswer(const VnLocMap &map, locmap50::locmap::LookupGuards &guards,
                                    const std::string &name) {
    if (!guards.memoInUse.load(std::memory_order_acquire)) return nullptr;
    const std::shared_lock<std::shared_mutex> reading(guards.memo);
    const auto remembered = map.m_resolvedNameCache.find(name);
    return remembered != map.m_resolvedNameCache.end() ? &remembered->second : nullptr;
}

}  // namespace

void TranslatedName::set(std::string_view first, std::string_view second, std::string_view third) {
    m_pieces[0] = first;
    m_pieces[1] = second;
    m_pieces[2] = third;
    m_isSet = true;
}

std::size_t TranslatedName::size() const {
    return m_pieces[0].size() + m_pieces[1].size() + m_pieces[2].size();
}

void TranslatedName::assignTo(std::string &text) const {
    text.assign(m_pieces[0].data(), m_pieces[0].size());
    text.append(m_pieces[1].data(), m_pieces[1].size());
    text.append(m_pieces[2].data(), m_pieces[2].size());
}

void TranslatedName::copyTo(char *buffer) const {
    for (const std::string_view &piece : m_pieces) buffer = std::copy(piece.begin(), piece.end(), buffer);
    *buffer = '\0';
}

int Translations::hardName(VnLocMap &map, std::string &name, TranslatedName &result) {
    // A URL keeps its slashes.
    if (paths::isUrl(name)) {
        result.set(name);
        return LOCMAP50_OK;
    }
    name = paths::toHardPathForm(std::move(name));
    if (const std::string *remembered = rememberedAnswer(map, map.m_private.get().guards, name)) {
        result.set(*remembered);
        return LOCMAP50_OK;
    }
    if (paths::isAbsolute(name)) {
        result.set(name);
        return LOCMAP50_OK;
    }
    if (name.empty() || name[0] != '$') return LOCMAP50_FAILED;

    const std::size_t prefixEnd = paths::softPrefixEnd(name);
    const std::string_view softPrefix = std::string_view(name).substr(0, prefixEnd);
    const std::string *primary = map.indexes().primaryHardPath(map, softPrefix);
    if (prefixEnd == name.size()) {
        // "$P" alone: the primary hard path exactly as stored, else the
        // snapshot's leading-name expansion of P.
        if (primary != nullptr) {
            result.set(*primary);
            return LOCMAP50_OK;
        }
        result.scratch() = map.m_environment.expandLeadingName(name.substr(1));
        if (result.scratch().empty()) return LOCMAP50_FAILED;
        result.set(result.scratch());
        return LOCMAP50_OK;
    }
    // "$P\rest": the primary hard path, else the live environment variable P
    // (names compared as the platform does): callers may set a variable after
    // the map was made and still expect "$VAR\x" to resolve.
    const std::string_view rest = std::string_view(name).substr(prefixEnd);
    if (primary != nullptr) {
        setMerged(*primary, rest, result);
        return LOCMAP50_OK;
    }
    std::optional<std::string> value = platform::getEnvironmentVariable(softPrefix.substr(1));
    if (!value) return LOCMAP50_FAILED;
    result.scratch() = std::move(*value);
    paths::mergeVariableValue(result.scratch(), std::string(rest));
    result.set(result.scratch());
    return LOCMAP50_OK;
}

bool VnLocMap::isPathRelative(const std::string &path) {
    return !paths::isAbsolute(path);
}

void VnLocMap::mergePaths(std::string &hardPath, const std::string &rest) {
    paths::mergePaths(hardPath, rest);
}

int VnLocMap::getHardName(std::string name, std::string &hardName) {
    Translations::noteMemoContents(*this);
    TranslatedName result;
    const int code = Translations::hardName(*this, name, result);
    if (code == LOCMAP50_OK) result.assignTo(hardName);
    return code;
}

int Translations::absoluteHardName(VnLocMap &map, std::string &name, TranslatedName &result) {
    // hardName leaves a relative name in backslash form, which is what it
    // looks up remembered names under.
    if (hardName(map, name, result) == LOCMAP50_OK) return LOCMAP50_OK;
    if (paths::isSoftName(name)) return LOCMAP50_FAILED;

    const auto currentDirectory = platform::currentDirectory();
    if (!currentDirectory) return LOCMAP50_FAILED;
    std::string absolute =
        paths::resolveAgainstCurrentDirectory(name, *currentDirectory, platform::currentDriveRoot());
    // Another thread may have remembered it meanwhile: the first answer wins.
    locmap50::locmap::LookupGuards &guards = map.m_private.get().guards;
    const std::unique_lock<std::shared_mutex> writing(guards.memo);
    guards.memoInUse.store(true, std::memory_order_release);
    const auto remembered = map.m_resolvedNameCache.emplace(name, std::move(absolute)).first;
    result.set(remembered->second);
    return LOCMAP50_OK;
}

int VnLocMap::getAbsoluteHardName(std::string name, std::string &hardName) {
    Translations::noteMemoContents(*this);
    TranslatedName result;
    const int code = Translations::absoluteHardName(*this, name, result);
    if (code == LOCMAP50_OK) result.assignTo(hardName);
    return code;
}

void Translations::noteMemoContents(VnLocMap &map) {
    map.m_private.get().guards.memoInUse.store(!map.m_resolvedNameCache.empty(), std::memory_order_release);
}
