// The environment index now lives with the other environment views; this name stays only for the map file reader.
#ifndef LOCMAP50_PLATFORM_ENVIRONMENTINDEX_H
#define LOCMAP50_PLATFORM_ENVIRONMENTINDEX_H

#include "platform/Environment.h"

#endif  // LOCMAP50_PLATFORM_ENVIRONMENTINDEX_H
