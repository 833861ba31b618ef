// Where each text of a list of texts first stands, so that finding or removing it needs no walk.
#ifndef LOCMAP50_LOCMAPFILE_LISTPOSITIONS_H
#define LOCMAP50_LOCMAPFILE_LISTPOSITIONS_H

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>

namespace locmap50::mapfile {

// Keys are views of the list's own elements (list nodes never move), so the
// index stores no text. Lists are public tables that callers could change
// directly: describes() tells whether the index still matches the list's
// size and ends, and the owner rebuilds it when not.
class ListPositions {
public:
    using List = std::list<std::string>;
    struct Position {
        List::iterator first;  // the first element holding the text
        std::uint64_t rank;    // grows with the position in the list
        std::size_t count;     // how many elements hold the text
    };

    bool describes(const List &list) const;
    void rebuild(List &list);
    // Bumped by every rebuild, which gives new ranks.
    std::uint64_t generation() const { return m_generation; }

    const Position *find(std::string_view text) const;
    void append(List &list, const std::string &text);
    void dropLast(List &list);
    // Removes the first element holding text; false when there is none.
    bool removeFirst(List &list, std::string_view text);

private:
    void noteShapeOf(const List &list);

    std::unordered_map<std::string_view, Position> m_positions;
    std::uint64_t m_nextRank = 0;
    std::uint64_t m_generation = 0;
    // The list as last seen: its size and the addresses of its two ends.
    std::size_t m_size = 0;
    const std::string *m_front = nullptr;
    const std::string *m_back = nullptr;
};

}  // namespace locmap50::mapfile

#endif  // LOCMAP50_LOCMAPFILE_LISTPOSITIONS_H
