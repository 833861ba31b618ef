// What the exported C functions share: the process-wide snapshot, buffer copies, the exception guard.
#ifndef LOCMAP50_CAPI_CAPISUPPORT_H
#define LOCMAP50_CAPI_CAPISUPPORT_H

#include <cstddef>
#include <string>
#include <vector>

#include "locmap50/VnLocMap.h"

namespace locmap50::capi {

// The C interface's own environment snapshot, used only by the no-map
// fallbacks; filled at library load and refreshed by InitLocationMap.
extern VnEnvSnapshot g_processSnapshot;

// The problems of the last InitLocationMap that found no map: the map is
// destroyed then, and these tell the caller why there is none.
extern std::vector<VnLoadProblem> g_problemsWithoutMap;

// The singleton when it exists, else null; never creates it.
VnLocMap *existingMap();

// Runs body and returns its result; any exception, std::bad_alloc included,
// becomes failure instead, because nothing may cross the C boundary.
template <typename Result, typename Body>
Result guardedCall(Result failure, Body &&body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

// Copies text and its NUL into a buffer the caller made large enough.
void copyToBuffer(const std::string &text, char *buffer);

// Whether length characters and a NUL fit in size bytes; when they do not,
// buffer is left holding the empty string (when size > 0).
bool roomInBuffer(std::size_t length, char *buffer, std::size_t size);

// Copies text and its NUL when they fit in size bytes and returns true.
// Otherwise returns false, leaving an empty string when size > 0.
bool copyToBuffer(const std::string &text, char *buffer, std::size_t size);

// A new NUL-terminated copy of text, for the lists the caller releases with
// FreeHardPathList (which uses delete[]).
char *newCallerOwnedString(const std::string &text);

}  // namespace locmap50::capi

#endif  // LOCMAP50_CAPI_CAPISUPPORT_H
