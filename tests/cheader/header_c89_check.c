/* SPDX-License-Identifier: Apache-2.0 */
/* Compiles the public C header as C89: no //-comments, no inline, nothing newer. */
#include "locmap50/locmap50.h"

int locmap50_c89_header_check(void) {
    static const char version[] = LOCMAP50_VERSION_STRING;
    int reason = LOCMAP50_REASON_NONE;
    const char *file = 0;
    const char *detail = 0;
    char buffer[64];
    return IsLocMapPresent() + GetLoadProblemCount() + LOCMAP50_VERSION_MAJOR + LOCMAP50_BUFFER_TOO_SMALL +
           LOCMAP50_SEVERITY_NOTE + LOCMAP50_PROBLEM_NOTE_WDIR_EMPTY + (int)sizeof version +
           GetLastFailure(&reason, &file) + GetLastFailureDetail(&detail) + LOCMAP50_REASON_OTHER +
           SaveLocationMapKeepingLayout() + ChangeEntryInFile("a.map", "$P", "C:\\p`", LOCMAP50_ADD_ENTRY) +
           LOCMAP50_REASON_NO_SUCH_ENTRY + LOCMAP50_REASON_WOULD_NOT_READ_BACK +
           LOCMAP50_REASON_WOULD_LOSE_PERMISSIONS + LOCMAP50_MAX_HARD_PATHS + GetLoadProblemReason(0, &reason) +
           GetLoadProblemText(0, buffer, sizeof buffer) + (GetProblemKindName(1) != 0) +
           (GetFailureReasonText(1) != 0);
}
