// SPDX-License-Identifier: Apache-2.0
// The reason of the last failed save, export or edit, kept so that a caller can ask after the call.
#ifndef LOCMAP50_LOCMAPFILE_LASTFAILURE_H
#define LOCMAP50_LOCMAPFILE_LASTFAILURE_H

#include <string>

#include "locmap50/result_codes.h"
#include "platform/Platform.h"

// One record per thread, so that each thread asks after its own calls. Every save,
// export and edit (of VnLocMapFile, VnLocMap and the C interface) clears it
// when it begins and fills it when it fails, so it never speaks of an
// earlier call.
namespace locmap50::mapfile {

struct FailureRecord {
    int reason = LOCMAP50_REASON_NONE;  // a LOCMAP50_REASON_* code
    std::string file;                   // the file it concerns, "" when none
    std::string detail;                 // what exactly: a soft prefix, what would be lost; "" when none
};

const FailureRecord &lastFailure();
void clearLastFailure();

// The LOCMAP50_REASON_* code that tells callers of failure.
int reasonCode(platform::Failure failure);

// LOCMAP50_OK when status is a success; otherwise records its failure (and
// the failure's detail) for file and returns LOCMAP50_FAILED.
int resultRecordingFailure(const platform::Status &status, const std::string &file);

// Records reason for file and returns LOCMAP50_FAILED: how an operation that
// refuses says why.
int failedWith(int reason, const std::string &file = std::string(), const std::string &detail = std::string());

}  // namespace locmap50::mapfile

#endif  // LOCMAP50_LOCMAPFILE_LASTFAILURE_H
