// An index of hard paths by their case-folded base, answering "which entry holds a path over this one" in a few probes.
#ifndef LOCMAP50_LOCMAP_HARDPATHINDEX_H
#define LOCMAP50_LOCMAP_HARDPATHINDEX_H

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "containers/FlatHashTable.h"
#include "paths/AsciiText.h"
#include "paths/PathRules.h"

namespace locmap50::locmap {

// A path P lies under a hard path H when P begins with H's base (H without one
// trailing separator; letters folded for Windows-style paths, exact for POSIX
// ones) and the base ends on a component boundary of P. Both kinds are keyed
// by the folded hash: the caller's exact check sorts out a POSIX candidate
// that differs only in case, so the index stays one flat table for both. So only P's own boundary prefixes can be bases over it: the index keys
// each hard path by a hash of its folded base and probes P's boundary
// prefixes, and only at lengths some base has. The lookup thus costs what
// P's length costs, never what the number of entries costs.
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
        ++m_basesOfLength[baseLength];
        m_candidates.insert(foldedHash(hardPath, baseLength), Candidate{holder, rank});
    }

    void remove(const std::string &hardPath, const Holder *holder) {
        if (m_hardPathCount > 0) --m_hardPathCount;
        const std::size_t baseLength = paths::hardPathBaseLength(hardPath);
        if (baseLength == 0) return;
        if (m_candidates.erase(foldedHash(hardPath, baseLength),
                               [&](const Candidate &candidate) { return candidate.holder == holder; }))
            --m_basesOfLength[baseLength];
    }

    void clear() {
        m_candidates.clear();
        m_basesOfLength.clear();
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
        std::uint64_t hash = kHashStart;
        const char separator = paths::separatorOf(path);
        const std::size_t longest = std::min(path.size(), m_basesOfLength.empty() ? 0 : m_basesOfLength.size() - 1);
        for (std::size_t length = 1; length <= longest; ++length) {
            hash = hashStep(hash, path[length - 1]);
            if (m_basesOfLength[length] == 0 || !paths::endsOnComponentBoundary(path, length, separator)) continue;
            m_candidates.forEach(finished(hash), [&](const Candidate &c) {
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

    // A rotate-and-xor over the folded characters, cheap enough to run along
    // every character of a path, mixed well only where a probe needs it.
    static constexpr std::uint64_t kHashStart = 0x9e3779b97f4a7c15ull;
    static std::uint64_t hashStep(std::uint64_t hash, char c) {
        return ((hash << 7) | (hash >> 57)) ^ static_cast<unsigned char>(paths::toLowerAscii(c));
    }
    static std::uint64_t finished(std::uint64_t hash) {
        hash ^= hash >> 33;
        hash *= 0xff51afd7ed558ccdull;
        hash ^= hash >> 33;
        return hash;
    }
    static std::uint64_t foldedHash(const std::string &text, std::size_t length) {
        std::uint64_t hash = kHashStart;
        for (std::size_t i = 0; i < length; ++i) hash = hashStep(hash, text[i]);
        return finished(hash);
    }

    containers::FlatHashTable<Candidate> m_candidates;
    std::vector<std::uint32_t> m_basesOfLength;  // how many bases have each length
    std::size_t m_hardPathCount = 0;
};

}  // namespace locmap50::locmap

#endif  // LOCMAP50_LOCMAP_HARDPATHINDEX_H
