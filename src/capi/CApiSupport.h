// What the exported C functions share: the process-wide snapshot, buffer copies, the exception guard.
#ifndef LOCMAP50_CAPI_CAPISUPPORT_H
#define LOCMAP50_CAPI_CAPISUPPORT_H

#include "locmap50/VnLocMap.h"

namespace locmap50::capi {

// The C interface's own environment snapshot, used only by the no-map
// fallbacks; filled at library load and refreshed by InitLocationMap.
extern VnEnvSnapshot g_processSnapshot;

}  // namespace locmap50::capi

#endif  // LOCMAP50_CAPI_CAPISUPPORT_H
