// SPDX-License-Identifier: Apache-2.0
// The record of the last failed save, export or edit, and the public code of each platform failure.
#include "locmapfile/LastFailure.h"

namespace locmap50::mapfile {
namespace {

// One per thread: a failure is told to the thread whose call failed, and
// saves or edits on other threads neither clear nor replace it.
FailureRecord &theRecord() {
    thread_local FailureRecord record;
    return record;
}

}  // namespace

const FailureRecord &lastFailure() {
    return theRecord();
}

void clearLastFailure() {
    theRecord() = FailureRecord();
}

int resultRecordingFailure(const platform::Status &status, const std::string &file) {
    return status ? LOCMAP50_OK : failedWith(reasonCode(status.failure()), file, status.detail());
}

int failedWith(int reason, const std::string &file, const std::string &detail) {
    FailureRecord &record = theRecord();
    record.reason = reason;
    record.file = file;
    record.detail = detail;
    return LOCMAP50_FAILED;
}

int reasonCode(platform::Failure failure) {
    using platform::Failure;
    switch (failure) {
    case Failure::None: return LOCMAP50_REASON_NONE;
    case Failure::PermissionDenied: return LOCMAP50_REASON_PERMISSION_DENIED;
    case Failure::NotFound: return LOCMAP50_REASON_NOT_FOUND;
    case Failure::IsDirectory: return LOCMAP50_REASON_IS_DIRECTORY;
    case Failure::NotRegularFile: return LOCMAP50_REASON_NOT_REGULAR_FILE;
    case Failure::NameTooLong: return LOCMAP50_REASON_NAME_TOO_LONG;
    case Failure::NoSpace: return LOCMAP50_REASON_NO_SPACE;
    case Failure::LockTimedOut: return LOCMAP50_REASON_LOCK_TIMED_OUT;
    case Failure::ChangedSinceRead: return LOCMAP50_REASON_CHANGED_SINCE_READ;
    case Failure::WouldNotReadBack: return LOCMAP50_REASON_WOULD_NOT_READ_BACK;
    case Failure::WouldLosePermissions: return LOCMAP50_REASON_WOULD_LOSE_PERMISSIONS;
    case Failure::ReadError: return LOCMAP50_REASON_READ_ERROR;
    case Failure::WriteError: return LOCMAP50_REASON_WRITE_ERROR;
    case Failure::Other: return LOCMAP50_REASON_OTHER;
    }
    return LOCMAP50_REASON_OTHER;
}

}  // namespace locmap50::mapfile
