// The reasons of result_codes.h in words.
#include "paths/ReasonTexts.h"

#include "locmap50/result_codes.h"

namespace locmap50::paths {

std::string reasonText(int reason) {
    switch (reason) {
    case LOCMAP50_REASON_NONE: return std::string();
    case LOCMAP50_REASON_PERMISSION_DENIED: return "permission denied";
    case LOCMAP50_REASON_NOT_FOUND: return "no such file or directory";
    case LOCMAP50_REASON_IS_DIRECTORY: return "it is a directory";
    case LOCMAP50_REASON_NOT_REGULAR_FILE: return "it is not a regular file";
    case LOCMAP50_REASON_NAME_TOO_LONG: return "the file name is too long";
    case LOCMAP50_REASON_NO_SPACE: return "no space left on the disk";
    case LOCMAP50_REASON_LOCK_TIMED_OUT: return "the save lock timed out (another save of the file held it)";
    case LOCMAP50_REASON_CHANGED_SINCE_READ: return "changed on disk since it was read";
    case LOCMAP50_REASON_READ_ERROR: return "reading it failed";
    case LOCMAP50_REASON_WRITE_ERROR: return "writing it failed";
    case LOCMAP50_REASON_NOT_LOADED: return "it did not load whole";
    case LOCMAP50_REASON_INVALID_INPUT: return "the map refused the name or path given";
    case LOCMAP50_REASON_ALREADY_PRESENT: return "the soft prefix is already in the map";
    case LOCMAP50_REASON_NO_SUCH_ENTRY: return "the map file does not hold the soft prefix";
    case LOCMAP50_REASON_WOULD_NOT_READ_BACK: return "what would be written would not read back as the map holds it";
    case LOCMAP50_REASON_WOULD_LOSE_PERMISSIONS: return "replacing it would lose its group, access list, attributes or links";
    default: return "the system refused it";
    }
}

}  // namespace locmap50::paths
