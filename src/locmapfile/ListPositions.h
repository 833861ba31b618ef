// SPDX-License-Identifier: Apache-2.0
// Where each text of a list of texts first stands, so that finding or removing it needs no walk.
#ifndef LOCMAP50_LOCMAPFILE_LISTPOSITIONS_H
#define LOCMAP50_LOCMAPFILE_LISTPOSITIONS_H

#include <cstddef>
#include <cstdint>
#include <list>
#include <optional>
#include <string>
#include <string_view>

#include "containers/FlatHashTable.h"

namespace locmap50::mapfile {

// Positions point into the list itself (list nodes never move), so the index
// stores no text. Lists are public tables that callers could change
// directly: describes() tells whether the index still matches the list's
// size and ends, and the owner rebuilds it when not.
class ListPositions {
public:
    using List = std::list<std::string>;
    // 16 bytes: the index of a large map holds one for each prefix.
    struct Position {
        List::iterator first;    // the first element holding the text
        std::uint32_t rank = 0;  // grows with the position in the list
        std::uint32_t count = 0; // how many elements hold the text
    };

    bool describes(const List &list) const;
    void rebuild(List &list);
    // Gives back the room the index grew into and does not use.
    void shrinkToFit() { m_positions.shrinkToFit(); }
    // Bumped by every rebuild, which gives new ranks.
    std::uint64_t generation() const { return m_generation; }

    const Position *find(std::string_view text) const;
    void append(List &list, const std::string &text);
    // Appends text and returns its rank when the list does not hold it yet
    // (one hash, one probe); nothing, changing nothing, when it does.
    std::optional<std::uint32_t> appendIfNew(List &list, const std::string &text);
    void dropLast(List &list);
    // Removes the first element holding text; false when there is none.
    bool removeFirst(List &list, std::string_view text);

private:
    void noteShapeOf(const List &list);
    static std::uint64_t hashOf(std::string_view text);
    Position *positionOf(std::string_view text);
    void add(List::iterator element);
    void addNew(List::iterator element, std::uint64_t hash);
    // Ranks are handed out from 0 again, once they ran out, by a rebuild.
    void noteAppendTo(List &list);

    containers::FlatHashTable<Position> m_positions;  // filed under the hash of the text
    std::uint32_t m_nextRank = 0;
    std::uint64_t m_generation = 0;
    // The list as last seen: its size and the addresses of its two ends.
    std::size_t m_size = 0;
    const std::string *m_front = nullptr;
    const std::string *m_back = nullptr;
};

}  // namespace locmap50::mapfile

#endif  // LOCMAP50_LOCMAPFILE_LISTPOSITIONS_H
