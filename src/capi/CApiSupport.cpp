// SPDX-License-Identifier: Apache-2.0
// Helpers shared by the exported C functions: singleton access and buffer copies.
#include "capi/CApiSupport.h"

#include <cstring>

#include "locmap/Translations.h"

namespace locmap50::capi {

VnLocMap *existingMap() {
    return VnLocMap::exists() ? VnLocMap::createMap() : nullptr;
}

MapLock &mapLock() {
    static MapLock lock;
    return lock;
}

std::mutex &fileWorkLock() {
    static std::mutex lock;
    return lock;
}

bool lookupsReady() {
    return locmap50::locmap::Translations::readyForSharedLookups(existingMap());
}

void prepareLookups() {
    locmap50::locmap::Translations::prepareSharedLookups(existingMap());
}

void runUnderMapLock(const std::function<void()> &step) {
    underExclusiveLock(step);
}

void copyToBuffer(const std::string &text, char *buffer) {
    std::memcpy(buffer, text.c_str(), text.size() + 1);
}

bool roomInBuffer(std::size_t length, char *buffer, std::size_t size) {
    if (length < size) return true;
    if (size > 0) buffer[0] = '\0';
    return false;
}

bool copyToBuffer(const std::string &text, char *buffer, std::size_t size) {
    if (!roomInBuffer(text.size(), buffer, size)) return false;
    copyToBuffer(text, buffer);
    return true;
}

int withRoomNeeded(int result, std::size_t length, std::size_t size, std::size_t *needed) {
    if (needed == nullptr) return result;
    const bool carriesText =
        result == LOCMAP50_OK || result == LOCMAP50_FROM_ENVIRONMENT || result == LOCMAP50_BUFFER_TOO_SMALL;
    *needed = carriesText ? length + 1 : 0;
    return carriesText && size == 0 ? LOCMAP50_BUFFER_TOO_SMALL : result;
}

char *newCallerOwnedString(const std::string &text) {
    char *copy = new char[text.size() + 1];
    copyToBuffer(text, copy);
    return copy;
}

}  // namespace locmap50::capi
