// SPDX-License-Identifier: Apache-2.0
// Linked only into the test build's second copy of the shared library: makes the library's own allocations fail on demand.
//
// Replacing the global allocation functions inside the library reaches every
// allocation its own code makes (new, and the containers' nodes and
// buffers), and none of its caller's: on Windows a DLL binds these within
// itself, and on Linux the version script keeps them local. What the
// standard library allocates in its own DLL or shared object is not
// affected.
#include <cstdlib>
#include <new>

#include "locmap50/export.h"

namespace {

bool g_failing = false;

void *allocate(std::size_t size) {
    if (g_failing) throw std::bad_alloc();
    if (void *memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}

}  // namespace

// Nonzero: every allocation the library's own code makes fails from now on,
// as when memory has run out. Zero: allocations work again. Found by name
// (GetProcAddress, dlsym), so that no header declares it.
extern "C" LOCMAP50_API void Locmap50TestFailAllocations(int failing) {
    g_failing = failing != 0;
}

void *operator new(std::size_t size) {
    return allocate(size);
}
void *operator new[](std::size_t size) {
    return allocate(size);
}
void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
    return g_failing ? nullptr : std::malloc(size == 0 ? 1 : size);
}
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept {
    return g_failing ? nullptr : std::malloc(size == 0 ? 1 : size);
}
void operator delete(void *memory) noexcept {
    std::free(memory);
}
void operator delete[](void *memory) noexcept {
    std::free(memory);
}
void operator delete(void *memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void *memory, std::size_t) noexcept {
    std::free(memory);
}
