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

// Eight bytes per step, multiplied and folded in: quick next to the write it
// guards, and ample to tell one version of a small text file from another.
// Only stamps made by this function in this process are ever compared.
ContentStamp stampOf(const std::string &bytes) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    ContentStamp stamp;
    stamp.size = bytes.size();
    std::uint64_t hash = 14695981039346656037ull ^ bytes.size();
    std::size_t position = 0;
    for (; position + 8 <= bytes.size(); position += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes.data() + position, 8);
        hash = (hash ^ word) * kMultiplier;
        hash ^= hash >> 29;
    }
    for (; position < bytes.size(); ++position)
        hash = (hash ^ static_cast<unsigned char>(bytes[position])) * 1099511628211ull;
    stamp.hash = hash;
    return stamp;
}

}  // namespace locmap50::platform
