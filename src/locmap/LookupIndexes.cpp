// SPDX-License-Identifier: Apache-2.0
// The location map's private indexes: kept in step with every change the library makes, rebuilt after changes made behind them.
#include "locmap/LookupIndexes.h"

#include <iterator>
#include <utility>

namespace locmap50::locmap {

namespace {

// Whether entry holds a hard path over path; tailPosition then says where
// path's tail starts under the first such hard path, which is the one the
// first-match search would take.
bool holdsHardPathOver(const MergedEntry &entry, const std::string &path, std::size_t &tailPosition) {
    for (const std::string &hardPath : entry.second) {
        tailPosition = paths::tailPositionUnderHardPath(hardPath, path);
        if (tailPosition != std::string::npos) return true;
    }
    return false;
}

std::uint64_t prefixHash(std::string_view softPrefix) {
    return std::hash<std::string_view>()(softPrefix);
}

}  // namespace

void LookupIndexes::clear() {
    *this = LookupIndexes();
}

void LookupIndexes::shrinkToFit() {
    m_order.shrinkToFit();
    m_primaries.shrinkToFit();
    m_hardPaths.shrinkToFit();
}

void LookupIndexes::syncWith(VnLocMap &map) {
    if (!m_order.describes(map.m_softPrefixOrder)) m_order.rebuild(map.m_softPrefixOrder);
    if (m_hardPathsOrderGeneration != m_order.generation() ||
        !(m_mergedShape == TableShape::of(map.m_softToHardMap)))
        rebuildMergedIndex(map);
    syncPrimariesWith(map);
}

bool LookupIndexes::describes(const VnLocMap &map) const {
    return m_order.describes(map.m_softPrefixOrder) && m_hardPathsOrderGeneration == m_order.generation() &&
           m_mergedShape == TableShape::of(map.m_softToHardMap) &&
           m_primaryShape == TableShape::of(map.m_primaryHardPaths);
}

void LookupIndexes::syncPrimariesWith(VnLocMap &map) {
    if (!(m_primaryShape == TableShape::of(map.m_primaryHardPaths))) rebuildPrimaryIndex(map);
}

std::optional<std::uint64_t> LookupIndexes::rankOf(std::string_view softPrefix) const {
    const mapfile::ListPositions::Position *position = m_order.find(softPrefix);
    if (position == nullptr) return std::nullopt;
    return position->rank;
}

void LookupIndexes::indexMergedEntry(const MergedEntry &entry, std::uint64_t rank) {
    for (const std::string &hardPath : entry.second) m_hardPaths.add(hardPath, &entry, rank);
}

void LookupIndexes::unindexMergedEntry(const MergedEntry &entry) {
    for (const std::string &hardPath : entry.second) m_hardPaths.remove(hardPath, &entry);
}

// Only prefixes of the order list are searched, each at its first place.
void LookupIndexes::rebuildMergedIndex(VnLocMap &map) {
    m_hardPaths.clear();
    for (const std::string &softPrefix : map.m_softPrefixOrder) {
        const mapfile::ListPositions::Position *position = m_order.find(softPrefix);
        if (position == nullptr || &*position->first != &softPrefix) continue;
        const auto entry = map.m_softToHardMap.find(softPrefix);
        if (entry != map.m_softToHardMap.end()) indexMergedEntry(*entry, position->rank);
    }
    m_hardPathsOrderGeneration = m_order.generation();
    m_mergedShape = TableShape::of(map.m_softToHardMap);
}

void LookupIndexes::rebuildPrimaryIndex(VnLocMap &map) {
    m_primaries.clear();
    m_primaries.reserve(map.m_primaryHardPaths.size());
    for (const PrimaryEntry &entry : map.m_primaryHardPaths) m_primaries.insert(prefixHash(entry.first), &entry);
    m_primaryShape = TableShape::of(map.m_primaryHardPaths);
}

bool LookupIndexes::holdsSoftPrefix(VnLocMap &map, const std::string &softPrefix) {
    syncWith(map);
    return m_order.find(softPrefix) != nullptr;
}

void LookupIndexes::appendSoftPrefix(VnLocMap &map, const std::string &softPrefix) {
    syncWith(map);
    const bool known = m_order.find(softPrefix) != nullptr;
    m_order.append(map.m_softPrefixOrder, softPrefix);
    // A newly listed prefix may already own hard paths (added to the table directly).
    if (!known) {
        const auto entry = map.m_softToHardMap.find(softPrefix);
        if (entry != map.m_softToHardMap.end()) indexMergedEntry(*entry, *rankOf(softPrefix));
    }
}

void LookupIndexes::dropLastSoftPrefix(VnLocMap &map) {
    syncWith(map);
    if (map.m_softPrefixOrder.empty()) return;
    const mapfile::ListPositions::Position *position = m_order.find(map.m_softPrefixOrder.back());
    if (position != nullptr && position->count == 1) {
        const auto entry = map.m_softToHardMap.find(map.m_softPrefixOrder.back());
        if (entry != map.m_softToHardMap.end()) unindexMergedEntry(*entry);
    }
    m_order.dropLast(map.m_softPrefixOrder);
}

void LookupIndexes::removeFirstSoftPrefix(VnLocMap &map, const std::string &softPrefix) {
    syncWith(map);
    const auto entry = map.m_softToHardMap.find(softPrefix);
    const bool listed = m_order.find(softPrefix) != nullptr;
    if (listed && entry != map.m_softToHardMap.end()) unindexMergedEntry(*entry);
    const std::uint64_t generation = m_order.generation();
    if (!m_order.removeFirst(map.m_softPrefixOrder, softPrefix)) return;
    // Still listed further down (only when listed twice): searched from there.
    const std::optional<std::uint64_t> rank = rankOf(softPrefix);
    if (rank && entry != map.m_softToHardMap.end() && generation == m_order.generation())
        indexMergedEntry(*entry, *rank);
    if (generation != m_order.generation()) rebuildMergedIndex(map);
}

bool LookupIndexes::isFollowedBy(VnLocMap &map, const std::string &softPrefix, const std::string *next) {
    syncWith(map);
    const mapfile::ListPositions::Position *position = m_order.find(softPrefix);
    if (position == nullptr) return false;
    const auto following = std::next(position->first);
    if (next == nullptr) return following == map.m_softPrefixOrder.end();
    return following != map.m_softPrefixOrder.end() && *following == *next;
}

void LookupIndexes::insertSoftPrefixBefore(VnLocMap &map, const std::string &softPrefix, const std::string &before) {
    syncWith(map);
    const mapfile::ListPositions::Position *position = m_order.find(before);
    if (position == nullptr) {
        appendSoftPrefix(map, softPrefix);
        return;
    }
    map.m_softPrefixOrder.insert(position->first, softPrefix);
    m_order.rebuild(map.m_softPrefixOrder);
    rebuildMergedIndex(map);
}

std::optional<std::uint64_t> LookupIndexes::listNewSoftPrefix(VnLocMap &map, const std::string &softPrefix,
                                                             MergedPosition &merged) {
    syncWith(map);
    const std::optional<std::uint32_t> rank = m_order.appendIfNew(map.m_softPrefixOrder, softPrefix);
    if (!rank) return std::nullopt;
    merged = map.m_softToHardMap.lower_bound(softPrefix);
    // A newly listed prefix may already own hard paths (added to the table directly).
    if (merged != map.m_softToHardMap.end() && merged->first == softPrefix) indexMergedEntry(*merged, *rank);
    return *rank;
}

MergedPosition LookupIndexes::appendMergedHardPath(VnLocMap &map, MergedPosition at, const std::string &softPrefix,
                                                   std::optional<std::uint64_t> rank, const std::string &hardPath) {
    syncWith(map);
    const bool atTheList = at != map.m_softToHardMap.end() && at->first == softPrefix;
    // With `at` right, entering costs no search of the table.
    const auto entry = atTheList ? at : map.m_softToHardMap.try_emplace(at, softPrefix);
    entry->second.push_back(hardPath);
    if (rank) m_hardPaths.add(entry->second.back(), &*entry, *rank);
    m_mergedShape = TableShape::of(map.m_softToHardMap);
    return entry;
}

bool LookupIndexes::enterMergedHardPaths(VnLocMap &map, const std::string &softPrefix,
                                         std::list<std::string> hardPaths) {
    syncWith(map);
    const auto [entry, entered] = map.m_softToHardMap.try_emplace(softPrefix, std::move(hardPaths));
    if (!entered) return false;
    if (const std::optional<std::uint64_t> rank = rankOf(softPrefix)) indexMergedEntry(*entry, *rank);
    m_mergedShape = TableShape::of(map.m_softToHardMap);
    return true;
}

bool LookupIndexes::replaceMergedHardPaths(VnLocMap &map, const std::string &softPrefix,
                                           std::list<std::string> hardPaths) {
    syncWith(map);
    const auto entry = map.m_softToHardMap.find(softPrefix);
    if (entry == map.m_softToHardMap.end()) return false;
    const std::optional<std::uint64_t> rank = rankOf(softPrefix);
    if (rank) unindexMergedEntry(*entry);
    entry->second = std::move(hardPaths);
    if (rank) indexMergedEntry(*entry, *rank);
    return true;
}

void LookupIndexes::eraseMergedHardPaths(VnLocMap &map, const std::string &softPrefix) {
    syncWith(map);
    const auto entry = map.m_softToHardMap.find(softPrefix);
    if (entry == map.m_softToHardMap.end()) return;
    if (rankOf(softPrefix)) unindexMergedEntry(*entry);
    map.m_softToHardMap.erase(entry);
    m_mergedShape = TableShape::of(map.m_softToHardMap);
}

void LookupIndexes::resetPrimaryHardPath(VnLocMap &map, const std::string &softPrefix,
                                         const std::string *hardPath) {
    syncPrimariesWith(map);
    const auto entry = map.m_primaryHardPaths.find(softPrefix);
    if (entry == map.m_primaryHardPaths.end()) {
        if (hardPath != nullptr) enterPrimaryHardPath(map, softPrefix, *hardPath);
        return;
    }
    // The index files the node, which a new value leaves where it is.
    if (hardPath != nullptr) {
        entry->second = *hardPath;
        return;
    }
    const PrimaryEntry *node = &*entry;
    m_primaries.erase(prefixHash(entry->first), [node](const PrimaryEntry *filed) { return filed == node; });
    map.m_primaryHardPaths.erase(entry);
    m_primaryShape = TableShape::of(map.m_primaryHardPaths);
}

void LookupIndexes::enterPrimaryHardPath(VnLocMap &map, const std::string &softPrefix,
                                         const std::string &hardPath) {
    syncPrimariesWith(map);
    const auto [entry, entered] = map.m_primaryHardPaths.try_emplace(softPrefix, hardPath);
    if (!entered) return;
    m_primaries.insert(prefixHash(entry->first), &*entry);
    m_primaryShape = TableShape::of(map.m_primaryHardPaths);
}

const std::string *LookupIndexes::primaryHardPath(VnLocMap &map, std::string_view softPrefix) {
    syncPrimariesWith(map);
    const PrimaryEntry *const *entry = m_primaries.find(
        prefixHash(softPrefix), [&](const PrimaryEntry *candidate) { return candidate->first == softPrefix; });
    return entry == nullptr ? nullptr : &(*entry)->second;
}

const MergedEntry *LookupIndexes::earliestEntryOver(VnLocMap &map, const std::string &path,
                                                    std::size_t &tailPosition) {
    syncWith(map);
    return m_hardPaths.earliestHolder(path, [&](const MergedEntry &entry) {
        std::size_t tail = 0;
        if (!holdsHardPathOver(entry, path, tail)) return false;
        tailPosition = tail;
        return true;
    });
}

bool LookupIndexes::anyHardPathExamined(VnLocMap &map) {
    syncWith(map);
    return m_hardPaths.hardPathCount() > 0;
}

EnvironmentTableIndex &EnvironmentTableIndex::instance() {
    static EnvironmentTableIndex index;
    return index;
}

void EnvironmentTableIndex::syncWith(const std::map<std::string, std::string> &table) {
    if (m_built && m_shape == TableShape::of(table)) return;
    m_hardPaths.clear();
    // The table's own byte order decides between entries.
    std::uint64_t rank = 0;
    for (const EnvironmentEntry &entry : table) m_hardPaths.add(entry.first, &entry, rank++);
    m_shape = TableShape::of(table);
    m_built = true;
}

bool EnvironmentTableIndex::describesTable() const {
    return m_built && m_shape == TableShape::of(VnLocMap::s_envHardToSoftMap);
}

void EnvironmentTableIndex::syncWithTable() {
    syncWith(VnLocMap::s_envHardToSoftMap);
}

const EnvironmentEntry *EnvironmentTableIndex::earliestEntryOver(const std::string &path, std::size_t &tailPosition) {
    syncWith(VnLocMap::s_envHardToSoftMap);
    return m_hardPaths.earliestHolder(path, [&](const EnvironmentEntry &entry) {
        const std::size_t tail = paths::tailPositionUnderHardPath(entry.first, path);
        if (tail == std::string::npos) return false;
        tailPosition = tail;
        return true;
    });
}

}  // namespace locmap50::locmap
