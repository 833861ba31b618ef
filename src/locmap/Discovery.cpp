// STUB: map file discovery and environment tables (to be written).
#include "locmap50/VnLocMap.h"

int VnLocMap::initialize(const std::string &, int) { return 1; }
void VnLocMap::checkInWDIR() {}
void VnLocMap::fetchEnvVariables() {}
int VnLocMap::isEnvOverridden(std::string) { return 0; }
