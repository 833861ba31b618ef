// STUB: the map file reader (to be written).
#include "locmap50/VnLocMap.h"

int VnLocMapFile::readMap() { return 0; }
int VnLocMapFile::readWithinChain(std::vector<std::string> &) { return 0; }
void VnLocMapFile::onSoftPathState(std::string, VnLocMap *, bool, std::string) {}
void VnLocMapFile::removeLeadingTrailingSpace(std::string &) {}
