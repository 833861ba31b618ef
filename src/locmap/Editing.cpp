// STUB: editing, saving and export of the merged map (to be written).
#include "locmap50/VnLocMap.h"

int VnLocMap::addEntry(std::string, std::string) { return 0; }
int VnLocMap::changeEntry(std::string, std::string) { return 0; }
int VnLocMap::deleteEntry(std::string) { return 0; }
int VnLocMap::save(bool) { return 0; }
int VnLocMap::exportLocMap(std::string, bool) { return 0; }
