// Helpers shared by the exported C functions: singleton access, buffer copies, the fallbacks' absolute test.
#include "capi/CApiSupport.h"

#include <cstring>

namespace locmap50::capi {

VnLocMap *existingMap() {
    return VnLocMap::exists() ? VnLocMap::createMap() : nullptr;
}

void copyToBuffer(const std::string &text, char *buffer) {
    std::memcpy(buffer, text.c_str(), text.size() + 1);
}

bool copyToBuffer(const std::string &text, char *buffer, std::size_t size) {
    if (text.size() < size) {
        copyToBuffer(text, buffer);
        return true;
    }
    if (size > 0) buffer[0] = '\0';
    return false;
}

bool startsWithDriveOrDoubleBackslash(const std::string &name) {
    if (name.size() < 2) return false;
    const char first = name[0];
    const bool isLetter = (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z');
    return (isLetter && name[1] == ':') || (first == '\\' && name[1] == '\\');
}

}  // namespace locmap50::capi
