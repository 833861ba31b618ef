// SPDX-License-Identifier: Apache-2.0
// Loads the map file named on the command line through the installed classes and translates one name each way.
#include <iostream>
#include <string>

#include "locmap50/VnLocMap.h"
#include "locmap50/locmap50.h"

int main(int argc, char **argv) {
    if (argc != 2) {
        std::cerr << "usage: cxx_consumer MAPFILE\n";
        return 2;
    }
    VnLocMap *map = VnLocMap::createMap();
    if (map == nullptr || map->load(argv[1], 1) == LOCMAP50_NO_MAP) {
        std::cerr << "cannot load " << argv[1] << "\n";
        return 1;
    }
    std::string hardName, softName;
    const int hardResult = map->getHardName("$TOOLS\\bin\\cc.exe", hardName);
    const int softResult = map->getSoftName("\\\\server\\vendor\\ip\\core.v", softName);
    std::cout << "errors " << map->loadErrorCount() << "\n"
              << "hard " << hardResult << " " << hardName << "\n"
              << "soft " << softResult << " " << softName << "\n";
    map->DestroyMap();
    return 0;
}
