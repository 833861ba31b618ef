// The platform services that are the same on every system: standard output and the write-failure hook.
#include <cstdio>

#include "platform/Platform.h"
#include "platform/PlatformShared.h"

namespace locmap50::platform {

bool writeStandardOutput(const std::string &text) {
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    return std::fflush(stdout) == 0 && written;
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
