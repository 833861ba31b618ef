// STUB: the map file record (to be written).
#include "locmap50/VnLocMapFile.h"

VnLocMapFile::VnLocMapFile() : m_force(false) {}
VnLocMapFile::VnLocMapFile(const VnLocMapFile &other) = default;
VnLocMapFile &VnLocMapFile::operator=(const VnLocMapFile &other) = default;
VnLocMapFile::~VnLocMapFile() = default;
int VnLocMapFile::clearMap() { return 0; }
