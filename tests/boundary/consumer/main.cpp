// SPDX-License-Identifier: Apache-2.0
// Runs out of memory inside locmap50 on purpose and prints what reached this program: what the headers promise.
//
// VnLocMap.h: only running out of memory escapes a class operation, as
// std::bad_alloc. locmap50.h: no C function throws; ChangeEntry returns
// LOCMAP50_FAILED when memory ran out. The library must carry the test
// build's allocation hook (Locmap50TestFailAllocations).
#include <iostream>
#include <new>
#include <string>

#include "locmap50/VnLocMap.h"
#include "locmap50/locmap50.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

using FailAllocations = void (*)(int);

FailAllocations findAllocationHook() {
#ifdef _WIN32
    HMODULE library = GetModuleHandleA("locmap50.dll");
    if (library == nullptr) return nullptr;
    return reinterpret_cast<FailAllocations>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "Locmap50TestFailAllocations")));
#else
    return reinterpret_cast<FailAllocations>(dlsym(RTLD_DEFAULT, "Locmap50TestFailAllocations"));
#endif
}

// What a call did, as this side of the boundary saw it.
template <typename Call>
std::string outcomeOf(FailAllocations failAllocations, Call &&call) {
    std::string outcome;
    failAllocations(1);
    try {
        outcome = "returned " + std::to_string(call());
    } catch (const std::bad_alloc &) {
        outcome = "threw std::bad_alloc";
    } catch (...) {
        outcome = "threw something else";
    }
    failAllocations(0);
    return outcome;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::cerr << "usage: boundary_consumer MAPFILE\n";
        return 2;
    }
    const FailAllocations failAllocations = findAllocationHook();
    if (failAllocations == nullptr) {
        std::cerr << "this locmap50 has no allocation hook\n";
        return 2;
    }
    VnLocMap *map = VnLocMap::createMap();
    if (map == nullptr || map->load(argv[1], 1) == LOCMAP50_NO_MAP) {
        std::cerr << "cannot load " << argv[1] << "\n";
        return 1;
    }
    std::cout << "VnLocMap::addEntry "
              << outcomeOf(failAllocations, [&] { return map->addEntry("$ADDED", "C:\\added`"); }) << "\n";
    std::cout << "ChangeEntry "
              << outcomeOf(failAllocations, [] { return ChangeEntry("$ADDED", "C:\\added`", LOCMAP50_ADD_ENTRY); })
              << "\n";
    // With memory back, the map answers as before.
    std::string hardName;
    const int hardResult = map->getHardName("$TOOLS\\bin\\cc.exe", hardName);
    std::cout << "hard " << hardResult << " " << hardName << "\n";
    map->DestroyMap();
    return 0;
}
