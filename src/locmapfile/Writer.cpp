// STUB: the map file writer (to be written).
#include "locmap50/VnLocMapFile.h"

int VnLocMapFile::save(bool) { return 0; }
int VnLocMapFile::changeEntry(std::string, std::string) { return 0; }
int VnLocMapFile::deleteEntry(std::string) { return 0; }
