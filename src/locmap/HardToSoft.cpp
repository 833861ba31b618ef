// STUB: hard-to-soft translation (to be written).
#include "locmap50/VnLocMap.h"

int VnLocMap::getSoftName(std::string, std::string &) { return 1; }
int VnLocMap::getSoftNameFromEnv(std::string, std::string &) { return 1; }
