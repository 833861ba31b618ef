// SPDX-License-Identifier: Apache-2.0
// The library's process-wide objects, defined together so that they are
// constructed in this order at load (and destroyed in reverse at unload)
// whatever order the linker puts the other files in.
#include <map>
#include <string>
#include <vector>

#include "capi/CApiSupport.h"
#include "locmap50/VnLocMap.h"
#include "locmapfile/Diagnostics.h"

VnLocMap *VnLocMap::_instance = nullptr;
bool VnLocMap::showOnError = false;

std::map<std::string, std::string> VnLocMap::s_envHardToSoftMap;
std::vector<std::string> locmap50::mapfile::s_messageArgs;
VnEnvSnapshot locmap50::capi::g_processSnapshot;
std::vector<VnLoadProblem> locmap50::capi::g_problemsWithoutMap;
