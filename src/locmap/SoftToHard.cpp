// STUB: soft-to-hard translation (to be written).
#include "locmap/PathRules.h"
#include "locmap50/VnLocMap.h"

bool VnLocMap::isPathRelative(const std::string &path) { return !locmap50::paths::isAbsolute(path); }
void VnLocMap::mergePaths(std::string &hardPath, const std::string &rest) { locmap50::paths::mergePaths(hardPath, rest); }
int VnLocMap::getHardName(std::string, std::string &) { return 1; }
int VnLocMap::getAbsoluteHardName(std::string, std::string &) { return 1; }
