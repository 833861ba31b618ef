// SPDX-License-Identifier: Apache-2.0
// The list position index: kept current by the owner's appends and removals, rebuilt when the list changed behind it.
#include "locmapfile/ListPositions.h"

#include <functional>
#include <iterator>
#include <limits>

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

std::uint64_t ListPositions::hashOf(std::string_view text) {
    return std::hash<std::string_view>()(text);
}

ListPositions::Position *ListPositions::positionOf(std::string_view text) {
    return m_positions.find(hashOf(text), [&](const Position &position) { return *position.first == text; });
}

void ListPositions::add(List::iterator element) {
    if (Position *known = positionOf(*element)) {
        ++known->count;
        return;
    }
    addNew(element, hashOf(*element));
}

void ListPositions::addNew(List::iterator element, std::uint64_t hash) {
    Position position;
    position.first = element;
    position.rank = m_nextRank++;
    position.count = 1;
    m_positions.insert(hash, position);
}

void ListPositions::noteAppendTo(List &list) {
    if (m_nextRank == std::numeric_limits<std::uint32_t>::max())
        rebuild(list);
    else
        noteShapeOf(list);
}

void ListPositions::rebuild(List &list) {
    m_positions.clear();
    m_positions.reserve(list.size());
    m_nextRank = 0;
    for (auto element = list.begin(); element != list.end(); ++element) add(element);
    ++m_generation;
    noteShapeOf(list);
}

const ListPositions::Position *ListPositions::find(std::string_view text) const {
    return m_positions.find(hashOf(text), [&](const Position &position) { return *position.first == text; });
}

void ListPositions::append(List &list, const std::string &text) {
    list.push_back(text);
    add(std::prev(list.end()));
    noteAppendTo(list);
}

std::optional<std::uint32_t> ListPositions::appendIfNew(List &list, const std::string &text) {
    const std::uint64_t hash = hashOf(text);
    if (m_positions.find(hash, [&](const Position &position) { return *position.first == text; }) != nullptr)
        return std::nullopt;
    list.push_back(text);
    addNew(std::prev(list.end()), hash);
    noteAppendTo(list);
    // The last rank handed out, also when ranks were handed out afresh.
    return m_nextRank - 1;
}

void ListPositions::dropLast(List &list) {
    if (list.empty()) return;
    const std::string &last = list.back();
    Position *position = positionOf(last);
    if (position != nullptr && --position->count == 0)
        m_positions.erase(hashOf(last), [&](const Position &p) { return *p.first == last; });
    list.pop_back();
    noteShapeOf(list);
}

bool ListPositions::removeFirst(List &list, std::string_view text) {
    const Position *position = positionOf(text);
    if (position == nullptr) return false;
    const List::iterator first = position->first;
    const bool repeated = position->count > 1;
    m_positions.erase(hashOf(text), [&](const Position &p) { return p.first == first; });
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
