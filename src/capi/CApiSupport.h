// SPDX-License-Identifier: Apache-2.0
// What the exported C functions share: the process-wide snapshot, buffer copies, the exception guard.
#ifndef LOCMAP50_CAPI_CAPISUPPORT_H
#define LOCMAP50_CAPI_CAPISUPPORT_H

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "locmap50/VnLocMap.h"

namespace locmap50::capi {

// The C interface's own environment snapshot, used only by the no-map
// fallbacks; filled at library load and refreshed by InitLocationMap.
extern VnEnvSnapshot g_processSnapshot;

// The problems of the last InitLocationMap that found no map: the map is
// destroyed then, and these tell the caller why there is none.
extern std::vector<VnLoadProblem> g_problemsWithoutMap;

// The singleton when it exists, else null; never creates it.
VnLocMap *existingMap();

// A std::shared_mutex whose waiting writer holds back new readers: the
// system's lock may let a steady stream of lookups keep an edit out for good.
class MapLock {
public:
    void lock_shared() {
        if (m_writersWaiting.load(std::memory_order_acquire) != 0) {
            const std::lock_guard<std::mutex> passThrough(m_gate);
        }
        m_lock.lock_shared();
    }
    void unlock_shared() { m_lock.unlock_shared(); }
    void lock() {
        m_writersWaiting.fetch_add(1, std::memory_order_acq_rel);
        {
            // Readers that come now wait at the gate until the writer is in.
            const std::lock_guard<std::mutex> closed(m_gate);
            m_lock.lock();
        }
        m_writersWaiting.fetch_sub(1, std::memory_order_acq_rel);
    }
    void unlock() { m_lock.unlock(); }

private:
    std::shared_mutex m_lock;
    std::mutex m_gate;
    std::atomic<int> m_writersWaiting{0};
};

// The lock on the map and on what the C interface keeps beside it (the
// snapshot, the problems without a map, the environment). Lookups hold it
// shared and only read, every other call holds it exclusively, and only
// while it reads or changes the map: never across a save's or an export's
// file work, but InitLocationMap reads the map files under it (locmap50.h,
// "Threads", says who waits for what).
MapLock &mapLock();

// Orders this process's saves, exports and loads among its threads, so that
// the file work each does outside the map lock sees the map files a load
// made, and the records learn what each save wrote in the order written.
// Taken before mapLock, never while holding it.
std::mutex &fileWorkLock();

// Whether lookups may run side by side now: every index they read is built.
// Needs mapLock held, shared at least.
bool lookupsReady();
// Builds what lookupsReady finds missing. Needs mapLock held exclusively.
void prepareLookups();

// Runs body under mapLock held shared, once every index a lookup reads is
// built, so that body only reads. The calls of this interface build them
// before they let go of the exclusive lock, but they also go stale outside
// it (VnLocMap::fetchEnvVariables, reindex): a lookup that finds one stale
// builds it under the exclusive lock, as only one thread may, and looks
// again once it holds the shared lock anew, as a writer may have come first.
template <typename Body>
auto underSharedLock(Body &&body) {
    std::shared_lock<MapLock> shared(mapLock());
    while (!lookupsReady()) {
        shared.unlock();
        {
            std::unique_lock<MapLock> exclusive(mapLock());
            prepareLookups();
        }
        shared.lock();
    }
    return body();
}

// Runs body under mapLock held exclusively, and builds what body left stale
// before the lock goes, so that no lookup after it need build.
template <typename Body>
auto underExclusiveLock(Body &&body) {
    std::unique_lock<MapLock> exclusive(mapLock());
    if constexpr (std::is_void_v<std::invoke_result_t<Body &>>) {
        body();
        prepareLookups();
    } else {
        auto result = body();
        prepareLookups();
        return result;
    }
}

// How a save or an export reaches the map between its file work: under the
// exclusive lock.
void runUnderMapLock(const std::function<void()> &step);

// Runs body and returns its result; any exception, std::bad_alloc included,
// becomes failure instead, because nothing may cross the C boundary.
template <typename Result, typename Body>
Result guardedCall(Result failure, Body &&body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

// Copies text and its NUL into a buffer the caller made large enough.
void copyToBuffer(const std::string &text, char *buffer);

// Whether length characters and a NUL fit in size bytes; when they do not,
// buffer is left holding the empty string (when size > 0).
bool roomInBuffer(std::size_t length, char *buffer, std::size_t size);

// Copies text and its NUL when they fit in size bytes and returns true.
// Otherwise returns false, leaving an empty string when size > 0.
bool copyToBuffer(const std::string &text, char *buffer, std::size_t size);

// The sized calls that also tell the room an answer needs (the N forms):
// *needed gets length and its NUL when result carries a text (LOCMAP50_OK,
// LOCMAP50_FROM_ENVIRONMENT, LOCMAP50_BUFFER_TOO_SMALL), else 0, and such an
// answer into no room at all (size 0, where even an empty text's NUL does
// not fit) becomes LOCMAP50_BUFFER_TOO_SMALL. A null needed changes nothing:
// the Ex forms keep their results.
int withRoomNeeded(int result, std::size_t length, std::size_t size, std::size_t *needed);

// A new NUL-terminated copy of text, for the lists the caller releases with
// FreeHardPathList (which uses delete[]).
char *newCallerOwnedString(const std::string &text);

}  // namespace locmap50::capi

#endif  // LOCMAP50_CAPI_CAPISUPPORT_H
