// SPDX-License-Identifier: Apache-2.0
// An open-addressing hash table of values filed under 64-bit hashes, for indexes that must fill fast and small.
#ifndef LOCMAP50_CONTAINERS_FLATHASHTABLE_H
#define LOCMAP50_CONTAINERS_FLATHASHTABLE_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace locmap50::containers {

// Values sit in one array, found by linear probing from their hash, so an
// insert costs one probe sequence and no allocation of its own; a table of
// nodes costs an allocation and two cache misses for each. Several values
// may share a hash (the caller tells them apart). A slot keeps 32 bits of
// the hash, which place it and sort out nearly every other value before the
// caller's test, beside a 32-bit distance: 8 bytes beyond the value.
//
// Robin Hood order: a value never lies further from its home slot than the
// values it passed on the way, so every probe stops after a few slots, at
// the first slot whose value is nearer its home than the probe is; an erase
// shifts the values after it back instead of leaving a mark.
template <typename Value>
class FlatHashTable {
public:
    void insert(std::uint64_t hash, Value value) {
        if ((m_used + 1) * 8 > m_slots.size() * 7) rebuild(std::max(slotsFor(m_used + 1), 2 * m_slots.size()));
        Slot moving{static_cast<std::uint32_t>(hash), 0, std::move(value)};
        for (std::size_t at = home(hash);; at = next(at), ++moving.distance) {
            Slot &slot = m_slots[at];
            if (slot.distance == kEmpty) {
                slot = std::move(moving);
                ++m_used;
                return;
            }
            if (slot.distance < moving.distance) std::swap(slot, moving);
        }
    }

    // Erases the first value filed under hash for which matches(value) holds.
    template <typename Matches>
    bool erase(std::uint64_t hash, Matches &&matches) {
        const std::size_t found = slotOf(hash, matches);
        if (found == kNone) return false;
        std::size_t at = found;
        for (std::size_t after = next(at); m_slots[after].distance != kEmpty && m_slots[after].distance > 0;
             at = after, after = next(after)) {
            m_slots[at] = std::move(m_slots[after]);
            --m_slots[at].distance;
        }
        m_slots[at].distance = kEmpty;
        --m_used;
        return true;
    }

    // The first value filed under hash for which matches(value) holds; null when none.
    template <typename Matches>
    const Value *find(std::uint64_t hash, Matches &&matches) const {
        const std::size_t found = slotOf(hash, matches);
        return found == kNone ? nullptr : &m_slots[found].value;
    }

    // The same, to change in place what the hash does not depend on.
    template <typename Matches>
    Value *find(std::uint64_t hash, Matches &&matches) {
        const std::size_t found = slotOf(hash, matches);
        return found == kNone ? nullptr : &m_slots[found].value;
    }

    // Calls visit(value) for every value filed under hash.
    template <typename Visit>
    void forEach(std::uint64_t hash, Visit &&visit) const {
        slotOf(hash, [&](const Value &value) {
            visit(value);
            return false;
        });
    }

    void clear() {
        m_slots.clear();
        m_used = 0;
    }

    // Makes room for count values without a rebuild on the way.
    void reserve(std::size_t count) {
        if (count * 8 > m_slots.size() * 7) rebuild(slotsFor(count));
    }

    // Gives back the room that growing by doubling left unused: for a table
    // filled once and then mostly read.
    void shrinkToFit() {
        if (slotsFor(m_used) < m_slots.size()) rebuild(slotsFor(m_used));
    }

private:
    static constexpr std::uint32_t kEmpty = 0xffffffffu;
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    struct Slot {
        std::uint32_t hash = 0;           // the low half of the value's hash
        std::uint32_t distance = kEmpty;  // from the home slot of hash
        Value value = Value();
    };

    // Tables stay far below 2^32 slots, so the low half of a hash places it,
    // scaled to the table's size (any size, not only powers of two).
    std::size_t home(std::uint64_t hash) const {
        return static_cast<std::size_t>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(hash)) *
                                         m_slots.size()) >> 32);
    }
    std::size_t next(std::size_t at) const { return at + 1 == m_slots.size() ? 0 : at + 1; }

    // The slot of the first value under hash that matches; kNone when none.
    template <typename Matches>
    std::size_t slotOf(std::uint64_t hash, Matches &&matches) const {
        if (m_slots.empty()) return kNone;
        std::uint32_t distance = 0;
        for (std::size_t at = home(hash);; at = next(at), ++distance) {
            const Slot &slot = m_slots[at];
            // Past this slot no value of hash can lie: it would have taken it.
            if (slot.distance == kEmpty || slot.distance < distance) return kNone;
            if (slot.hash == static_cast<std::uint32_t>(hash) && matches(slot.value)) return at;
        }
    }

    // The slots that count values fill to seven eighths at most: Robin Hood
    // order keeps probes short even that full.
    static std::size_t slotsFor(std::size_t count) { return std::max<std::size_t>(16, count * 8 / 7 + 1); }

    void rebuild(std::size_t size) {
        std::vector<Slot> old(size);
        old.swap(m_slots);
        m_used = 0;
        for (Slot &slot : old)
            if (slot.distance != kEmpty) insert(slot.hash, std::move(slot.value));
    }

    std::vector<Slot> m_slots;
    std::size_t m_used = 0;
};

}  // namespace locmap50::containers

#endif  // LOCMAP50_CONTAINERS_FLATHASHTABLE_H
