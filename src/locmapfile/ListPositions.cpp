// The list position index: kept current by the owner's appends and removals, rebuilt when the list changed behind it.
#include "locmapfile/ListPositions.h"

namespace locmap50::mapfile {

bool ListPositions::describes(const List &list) const {
    if (list.size() != m_size) return false;
    if (list.empty()) return true;
    return &list.front() == m_front && &list.back() == m_back;
}

void ListPositions::noteShapeOf(const List &list) {
    m_size = list.size();
    m_front = list.empty() ? nullptr : &list.front();
    m_back = list.empty() ? nullptr : &list.back();
}

void ListPositions::rebuild(List &list) {
    m_positions.clear();
    m_positions.reserve(list.size());
    m_nextRank = 0;
    for (auto element = list.begin(); element != list.end(); ++element) {
        const auto [position, added] = m_positions.try_emplace(*element, Position{element, m_nextRank, 1});
        if (added)
            ++m_nextRank;
        else
            ++position->second.count;
    }
    ++m_generation;
    noteShapeOf(list);
}

const ListPositions::Position *ListPositions::find(std::string_view text) const {
    const auto position = m_positions.find(text);
    return position == m_positions.end() ? nullptr : &position->second;
}

void ListPositions::append(List &list, const std::string &text) {
    list.push_back(text);
    const auto [position, added] =
        m_positions.try_emplace(list.back(), Position{std::prev(list.end()), m_nextRank, 1});
    if (added)
        ++m_nextRank;
    else
        ++position->second.count;
    noteShapeOf(list);
}

void ListPositions::dropLast(List &list) {
    if (list.empty()) return;
    const auto position = m_positions.find(list.back());
    if (position != m_positions.end() && --position->second.count == 0) m_positions.erase(position);
    list.pop_back();
    noteShapeOf(list);
}

bool ListPositions::removeFirst(List &list, std::string_view text) {
    const auto position = m_positions.find(text);
    if (position == m_positions.end()) return false;
    const List::iterator first = position->second.first;
    const bool repeated = position->second.count > 1;
    // The key views the element about to go, so the entry goes first.
    m_positions.erase(position);
    list.erase(first);
    // A text listed twice moves its first place to a later element; the
    // library never lists a prefix twice, so a fresh build is cheap enough.
    if (repeated)
        rebuild(list);
    else
        noteShapeOf(list);
    return true;
}

}  // namespace locmap50::mapfile
