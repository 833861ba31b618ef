// Content stamps: the fingerprint by which a save tells whether a file still holds what was read from it.
#include "platform/Platform.h"

namespace locmap50::platform {

bool operator==(const ContentStamp &left, const ContentStamp &right) {
    return left.size == right.size && left.hash == right.hash;
}

bool operator!=(const ContentStamp &left, const ContentStamp &right) {
    return !(left == right);
}

// FNV-1a: quick, and ample to tell one version of a small text file from another.
ContentStamp stampOf(const std::string &bytes) {
    ContentStamp stamp;
    stamp.size = bytes.size();
    stamp.hash = 14695981039346656037ull;
    for (const char c : bytes) {
        stamp.hash ^= static_cast<unsigned char>(c);
        stamp.hash *= 1099511628211ull;
    }
    return stamp;
}

}  // namespace locmap50::platform
