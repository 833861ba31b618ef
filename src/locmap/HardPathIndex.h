// SPDX-License-Identifier: Apache-2.0
// An index of hard paths by their case-folded base, answering "which entry holds a path over this one" in a few probes.
#ifndef LOCMAP50_LOCMAP_HARDPATHINDEX_H
#define LOCMAP50_LOCMAP_HARDPATHINDEX_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "containers/FlatHashTable.h"
#include "paths/AsciiText.h"
#include "paths/PathRules.h"

namespace locmap50::locmap {

// Hashes of the leading bytes of one text, letters folded, for growing
// lengths: eight bytes at a time, and each whole word is mixed in once, so a
// probe at a longer length goes on from where the last one stopped.
class FoldedPrefixHash {
public:
    explicit FoldedPrefixHash(std::string_view text) : m_text(text) {}

    // Lengths asked for must not shrink.
    std::uint64_t of(std::size_t length) {
        for (; m_mixed + 8 <= length; m_mixed += 8) m_state = mix(m_state, wholeWord(m_text.data() + m_mixed));
        std::uint64_t hash = m_state;
        if (length > m_mixed) hash = mix(hash, partWord(m_text.data() + m_mixed, length - m_mixed));
        return finished(hash ^ length);
    }

private:
    // Sets bit 0x20 in every byte holding 'A'..'Z', all eight at once.
    static std::uint64_t folded(std::uint64_t word) {
        constexpr std::uint64_t kOnes = 0x0101010101010101ull;
        constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
        const std::uint64_t low7 = word & ~kHighBits;
        const std::uint64_t atLeastA = low7 + (0x80 - 'A') * kOnes;
        const std::uint64_t beyondZ = low7 + (0x80 - 'Z' - 1) * kOnes;
        const std::uint64_t upper = atLeastA & ~beyondZ & ~word & kHighBits;
        return word | (upper >> 2);
    }
    static std::uint64_t wholeWord(const char *bytes) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes, 8);
        return folded(word);
    }
    static std::uint64_t partWord(const char *bytes, std::size_t count) {
        std::uint64_t word = 0;
        for (std::size_t i = 0; i < count; ++i) word |= std::uint64_t(static_cast<unsigned char>(bytes[i])) << (8 * i);
        return folded(word);
    }
    static std::uint64_t mix(std::uint64_t hash, std::uint64_t word) {
        hash = (((hash << 23) | (hash >> 41)) ^ word) * 0x9e3779b97f4a7c15ull;
        return hash ^ (hash >> 31);
    }
    static std::uint64_t finished(std::uint64_t hash) {
        hash ^= hash >> 33;
        hash *= 0xff51afd7ed558ccdull;
        hash ^= hash >> 33;
        return hash;
    }

    std::string_view m_text;
    std::uint64_t m_state = 0x9e3779b97f4a7c15ull;
    std::size_t m_mixed = 0;  // bytes mixed into m_state
};

// A path P lies under a hard path H when P begins with H's base (H without one
// trailing separator; letters folded for Windows-style paths, exact for POSIX
// ones) and the base ends on a component boundary of P. Both kinds are keyed
// by the folded hash: the caller's exact check sorts out a POSIX candidate
// that differs only in case, so the index stays one flat table for both. So only P's own boundary prefixes can be bases over it: the index keys
// each hard path by a hash of its folded base and probes P's prefixes only
// at the lengths some base has, where they end on a component boundary. The
// lookup thus costs what P's length costs, never what the number of entries
// costs.
//
// Holder is whatever owns hard paths (a map entry, an environment entry);
// rank orders holders, the smallest winning. Hashes may collide, so every
// candidate is confirmed by the caller against its real hard paths.
template <typename Holder>
class HardPathIndex {
public:
    void add(const std::string &hardPath, const Holder *holder, std::uint64_t rank) {
        ++m_hardPathCount;
        const std::size_t baseLength = paths::hardPathBaseLength(hardPath);
        if (baseLength == 0) return;  // lies over nothing
        if (m_basesOfLength.size() <= baseLength) m_basesOfLength.resize(baseLength + 1, 0);
        if (m_basesOfLength[baseLength]++ == 0)
            m_baseLengths.insert(std::lower_bound(m_baseLengths.begin(), m_baseLengths.end(), baseLength), baseLength);
        m_candidates.insert(FoldedPrefixHash(hardPath).of(baseLength), Candidate{holder, rank});
    }

    void remove(const std::string &hardPath, const Holder *holder) {
        if (m_hardPathCount > 0) --m_hardPathCount;
        const std::size_t baseLength = paths::hardPathBaseLength(hardPath);
        if (baseLength == 0) return;
        if (m_candidates.erase(FoldedPrefixHash(hardPath).of(baseLength),
                               [&](const Candidate &candidate) { return candidate.holder == holder; }) &&
            --m_basesOfLength[baseLength] == 0)
            m_baseLengths.erase(std::lower_bound(m_baseLengths.begin(), m_baseLengths.end(), baseLength));
    }

    void clear() {
        m_candidates.clear();
        m_basesOfLength.clear();
        m_baseLengths.clear();
        m_hardPathCount = 0;
    }

    // Gives back the room the table grew into and does not use.
    void shrinkToFit() { m_candidates.shrinkToFit(); }

    // Hard paths indexed, those that lie over nothing included.
    std::size_t hardPathCount() const { return m_hardPathCount; }

    // The smallest-ranked holder for which holdsPathOver(holder) confirms
    // that one of its hard paths lies over path; null when none does.
    template <typename HoldsPathOver>
    const Holder *earliestHolder(const std::string &path, HoldsPathOver &&holdsPathOver) const {
        const Holder *best = nullptr;
        std::uint64_t bestRank = std::numeric_limits<std::uint64_t>::max();
        const char separator = paths::separatorOf(path);
        FoldedPrefixHash hash(path);
        for (const std::size_t length : m_baseLengths) {
            if (length > path.size()) break;
            if (!paths::endsOnComponentBoundary(path, length, separator)) continue;
            m_candidates.forEach(hash.of(length), [&](const Candidate &c) {
                if (c.rank < bestRank && holdsPathOver(*c.holder)) {
                    best = c.holder;
                    bestRank = c.rank;
                }
            });
        }
        return best;
    }

private:
    struct Candidate {
        const Holder *holder = nullptr;
        std::uint64_t rank = 0;
    };

    containers::FlatHashTable<Candidate> m_candidates;
    std::vector<std::uint32_t> m_basesOfLength;  // how many bases have each length
    std::vector<std::size_t> m_baseLengths;      // the lengths some base has, ascending
    std::size_t m_hardPathCount = 0;
};

}  // namespace locmap50::locmap

#endif  // LOCMAP50_LOCMAP_HARDPATHINDEX_H
