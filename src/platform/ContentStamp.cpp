// SPDX-License-Identifier: Apache-2.0
// Content stamps: the fingerprint by which a save tells whether a file still holds what was read from it.
#include "platform/Platform.h"

#include <cstdint>
#include <cstring>

namespace locmap50::platform {

bool operator==(const ContentStamp &left, const ContentStamp &right) {
    return left.size == right.size && left.hash == right.hash;
}

bool operator!=(const ContentStamp &left, const ContentStamp &right) {
    return !(left == right);
}

namespace {

std::uint64_t mixed(std::uint64_t hash, std::uint64_t word) {
    hash ^= word * 0x9e3779b97f4a7c15ull;
    hash = (hash << 27) | (hash >> 37);
    return hash * 0xff51afd7ed558ccdull;
}

}  // namespace

// Eight bytes a step: a large map is stamped as it loads, so this runs over
// every byte of it. Ample to tell one version of a text file from another.
ContentStamp stampOf(const std::string &bytes) {
    ContentStamp stamp;
    stamp.size = bytes.size();
    std::uint64_t hash = 0xcbf29ce484222325ull ^ stamp.size;
    std::size_t at = 0;
    for (; at + 8 <= bytes.size(); at += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes.data() + at, 8);
        hash = mixed(hash, word);
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, bytes.data() + at, bytes.size() - at);
    hash = mixed(hash, tail);
    stamp.hash = hash ^ (hash >> 32);
    return stamp;
}

}  // namespace locmap50::platform
