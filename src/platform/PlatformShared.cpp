// The platform services that are the same on every system: standard output, content stamps and the write-failure hook.
#include <cstdio>

#include "platform/Platform.h"
#include "platform/PlatformShared.h"

namespace locmap50::platform {

bool writeStandardOutput(const std::string &text) {
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    return std::fflush(stdout) == 0 && written;
}

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

namespace testing {

void failWritesAfter(std::size_t bytes) {
    detail::s_failWrites = true;
    detail::s_bytesBeforeFailure = bytes;
}

void stopFailingWrites() {
    detail::s_failWrites = false;
    detail::s_bytesBeforeFailure = 0;
}

}  // namespace testing
}  // namespace locmap50::platform
