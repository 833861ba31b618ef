// The reasons of result_codes.h (LOCMAP50_REASON_*) in words, for messages and notes.
#ifndef LOCMAP50_PATHS_REASONTEXTS_H
#define LOCMAP50_PATHS_REASONTEXTS_H

#include <string>

namespace locmap50::paths {

// A short lower-case phrase ("permission denied", "no such file or
// directory"); empty for LOCMAP50_REASON_NONE.
std::string reasonText(int reason);

}  // namespace locmap50::paths

#endif  // LOCMAP50_PATHS_REASONTEXTS_H
