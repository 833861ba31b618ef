// SPDX-License-Identifier: Apache-2.0
// The location map's private indexes over its public tables: definition order, hard paths and primary hard paths.
#ifndef LOCMAP50_LOCMAP_LOOKUPINDEXES_H
#define LOCMAP50_LOCMAP_LOOKUPINDEXES_H

#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "containers/FlatHashTable.h"
#include "locmap/HardPathIndex.h"
#include "locmap50/VnLocMap.h"
#include "locmapfile/ListPositions.h"

namespace locmap50::locmap {

using MergedEntry = std::map<std::string, std::list<std::string>>::value_type;
using MergedPosition = std::map<std::string, std::list<std::string>>::iterator;
using PrimaryEntry = std::map<std::string, std::string>::value_type;
using EnvironmentEntry = std::map<std::string, std::string>::value_type;

// The size and the two end nodes of a table, as last seen: a change made to
// the table behind the index's back almost always alters one of them.
struct TableShape {
    std::size_t size = 0;
    const void *first = nullptr;
    const void *last = nullptr;

    template <typename Table>
    static TableShape of(const Table &table) {
        if (table.empty()) return TableShape();
        return TableShape{table.size(), &*table.begin(), &*table.rbegin()};
    }
    bool operator==(const TableShape &other) const {
        return size == other.size && first == other.first && last == other.last;
    }
};

// Every change the library makes to the indexed tables goes through here, so
// the indexes follow them step by step. A change made to a table directly
// (the tables are public) is noticed by its shape, and the index over that
// table is then built afresh before it is used.
class LookupIndexes {
public:
    // Rebuilds what no longer describes the map's tables; cheap when all do.
    void syncWith(VnLocMap &map);
    void syncPrimariesWith(VnLocMap &map);
    // Whether nothing is to be rebuilt: syncWith would change nothing.
    bool describes(const VnLocMap &map) const;
    void clear();
    // After a load: the room the indexes grew into and do not use is given back.
    void shrinkToFit();

    // m_softPrefixOrder
    bool holdsSoftPrefix(VnLocMap &map, const std::string &softPrefix);
    void appendSoftPrefix(VnLocMap &map, const std::string &softPrefix);
    void dropLastSoftPrefix(VnLocMap &map);
    void removeFirstSoftPrefix(VnLocMap &map, const std::string &softPrefix);
    // Whether softPrefix is listed, its first place followed by next (by
    // nothing when null).
    bool isFollowedBy(VnLocMap &map, const std::string &softPrefix, const std::string *next);
    // Lists softPrefix right before the first place of before, which is
    // listed; the indexes are built afresh.
    void insertSoftPrefixBefore(VnLocMap &map, const std::string &softPrefix, const std::string &before);

    // For the reader: lists softPrefix when it is not listed yet, with
    // `merged` at its merged list or where that goes, and returns its rank;
    // nothing, changing nothing, when it is listed.
    std::optional<std::uint64_t> listNewSoftPrefix(VnLocMap &map, const std::string &softPrefix,
                                                   MergedPosition &merged);

    // m_softToHardMap
    // Appends hardPath to the merged list of softPrefix, which is entered
    // when it has none; `at` is that list, or where it goes (a lower bound),
    // so a reader adding an entry's paths searches the table once per entry.
    // Returns the list's position. rank is what listNewSoftPrefix gave,
    // which saves a search per hard path.
    MergedPosition appendMergedHardPath(VnLocMap &map, MergedPosition at, const std::string &softPrefix,
                                        std::optional<std::uint64_t> rank, const std::string &hardPath);
    // Enters the list only when softPrefix has none yet; true when entered.
    bool enterMergedHardPaths(VnLocMap &map, const std::string &softPrefix, std::list<std::string> hardPaths);
    // Replaces the list of a prefix that has one; false when it has none.
    bool replaceMergedHardPaths(VnLocMap &map, const std::string &softPrefix, std::list<std::string> hardPaths);
    void eraseMergedHardPaths(VnLocMap &map, const std::string &softPrefix);

    // m_primaryHardPaths (insert only, as the table is)
    void enterPrimaryHardPath(VnLocMap &map, const std::string &softPrefix, const std::string &hardPath);
    const std::string *primaryHardPath(VnLocMap &map, std::string_view softPrefix);
    // Only for an edit that makes the map answer as a reload would: the
    // prefix's primary path becomes hardPath, or it goes (null).
    void resetPrimaryHardPath(VnLocMap &map, const std::string &softPrefix, const std::string *hardPath);

    // The entry defined first of those holding a hard path that path lies
    // under, with where path's tail starts under the first such hard path of
    // the entry; null when none. anyHardPathExamined tells whether the
    // first-match search would have tried any hard path at all.
    const MergedEntry *earliestEntryOver(VnLocMap &map, const std::string &path, std::size_t &tailPosition);
    bool anyHardPathExamined(VnLocMap &map);

private:
    void rebuildMergedIndex(VnLocMap &map);
    void rebuildPrimaryIndex(VnLocMap &map);
    void indexMergedEntry(const MergedEntry &entry, std::uint64_t rank);
    void unindexMergedEntry(const MergedEntry &entry);
    std::optional<std::uint64_t> rankOf(std::string_view softPrefix) const;

    mapfile::ListPositions m_order;
    HardPathIndex<MergedEntry> m_hardPaths;
    std::uint64_t m_hardPathsOrderGeneration = 0;
    TableShape m_mergedShape;

    containers::FlatHashTable<const PrimaryEntry *> m_primaries;  // filed under the hash of the prefix
    TableShape m_primaryShape;
};

// The environment table's index (s_envHardToSoftMap is one per process, and
// so is this). Rebuilt whenever the table's shape changed, and after
// fetchEnvVariables, which may refill it with nodes at the same addresses.
class EnvironmentTableIndex {
public:
    static EnvironmentTableIndex &instance();
    void tableRefilled() { m_built = false; }
    // Whether the index describes s_envHardToSoftMap as it is, and making it so.
    bool describesTable() const;
    void syncWithTable();
    // The entry with the smallest hard path that path lies under, with where
    // path's tail starts under it; null when none.
    const EnvironmentEntry *earliestEntryOver(const std::string &path, std::size_t &tailPosition);

private:
    void syncWith(const std::map<std::string, std::string> &table);

    HardPathIndex<EnvironmentEntry> m_hardPaths;
    TableShape m_shape;
    bool m_built = false;
};

}  // namespace locmap50::locmap

#endif  // LOCMAP50_LOCMAP_LOOKUPINDEXES_H
