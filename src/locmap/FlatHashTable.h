// An open-addressing hash table of values filed under 64-bit hashes, for indexes that must fill fast and small.
#ifndef LOCMAP50_LOCMAP_FLATHASHTABLE_H
#define LOCMAP50_LOCMAP_FLATHASHTABLE_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace locmap50::locmap {

// Values sit in one array, found by linear probing from their hash, so an
// insert costs one probe and no allocation of its own; a table of nodes
// costs an allocation and two cache misses for each. Several values may
// share a hash (the caller tells them apart). Erased slots are marked and
// reused, and the array is rebuilt when marks and values fill three
// quarters of it.
template <typename Value>
class FlatHashTable {
public:
    void insert(std::uint64_t hash, const Value &value) {
        if ((m_used + m_erased + 1) * 4 > m_slots.size() * 3) rebuild(m_used + 1);
        std::size_t at = static_cast<std::size_t>(hash) & (m_slots.size() - 1);
        while (m_slots[at].state == State::Used) at = (at + 1) & (m_slots.size() - 1);
        if (m_slots[at].state == State::Erased) --m_erased;
        m_slots[at] = Slot{hash, value, State::Used};
        ++m_used;
    }

    // Erases the first value filed under hash for which matches(value) holds.
    template <typename Matches>
    bool erase(std::uint64_t hash, Matches &&matches) {
        for (std::size_t at = firstSlot(hash); at != kNone; at = nextSlot(at)) {
            Slot &slot = m_slots[at];
            if (slot.state != State::Used || slot.hash != hash || !matches(slot.value)) continue;
            slot.state = State::Erased;
            --m_used;
            ++m_erased;
            return true;
        }
        return false;
    }

    // Calls visit(value) for every value filed under hash.
    template <typename Visit>
    void forEach(std::uint64_t hash, Visit &&visit) const {
        for (std::size_t at = firstSlot(hash); at != kNone; at = nextSlot(at)) {
            const Slot &slot = m_slots[at];
            if (slot.state == State::Used && slot.hash == hash) visit(slot.value);
        }
    }

    void clear() {
        m_slots.clear();
        m_used = 0;
        m_erased = 0;
    }

    // Makes room for count values without a rebuild on the way.
    void reserve(std::size_t count) {
        if ((count + m_erased) * 4 > m_slots.size() * 3) rebuild(count);
    }

private:
    enum class State : std::uint8_t { Empty, Used, Erased };
    struct Slot {
        std::uint64_t hash;
        Value value;
        State state;
    };
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // Where the probe for hash starts; kNone in an empty table.
    std::size_t firstSlot(std::uint64_t hash) const {
        if (m_slots.empty()) return kNone;
        const std::size_t at = static_cast<std::size_t>(hash) & (m_slots.size() - 1);
        return m_slots[at].state == State::Empty ? kNone : at;
    }
    // The next slot of the probe; kNone at the first empty one.
    std::size_t nextSlot(std::size_t at) const {
        at = (at + 1) & (m_slots.size() - 1);
        return m_slots[at].state == State::Empty ? kNone : at;
    }

    // A power of two at least a third larger than count, holding the used values only.
    void rebuild(std::size_t count) {
        std::size_t size = 16;
        while (size * 3 < count * 4 + 4) size *= 2;
        std::vector<Slot> old(size, Slot{0, Value(), State::Empty});
        old.swap(m_slots);
        m_used = 0;
        m_erased = 0;
        for (const Slot &slot : old)
            if (slot.state == State::Used) insert(slot.hash, slot.value);
    }

    std::vector<Slot> m_slots;
    std::size_t m_used = 0;
    std::size_t m_erased = 0;
};

}  // namespace locmap50::locmap

#endif  // LOCMAP50_LOCMAP_FLATHASHTABLE_H
