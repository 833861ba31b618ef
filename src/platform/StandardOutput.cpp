// SPDX-License-Identifier: Apache-2.0
// The platform service that is the same on every system: writing to standard output.
#include <cstdio>

#include "platform/Platform.h"

namespace locmap50::platform {

Status writeStandardOutput(const std::string &text) {
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    return std::fflush(stdout) == 0 && written ? Status::success() : Status(Failure::WriteError);
}

}  // namespace locmap50::platform
