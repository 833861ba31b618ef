// SPDX-License-Identifier: Apache-2.0
// An index an object keeps over its own public tables, never shared with a copy.
#ifndef LOCMAP50_CONTAINERS_PRIVATEINDEX_H
#define LOCMAP50_CONTAINERS_PRIVATEINDEX_H

#include <memory>
#include <utility>

namespace locmap50 {

/*
 * The index points into the nodes of the tables of the object that holds
 * it, so a copy starts without one and builds its own when first asked. A
 * move takes it along: moved lists and maps keep their nodes.
 */
template <typename Index>
class PrivateIndex {
public:
    PrivateIndex() = default;
    PrivateIndex(const PrivateIndex &) {}
    PrivateIndex(PrivateIndex &&other) noexcept : m_index(std::move(other.m_index)) {}
    PrivateIndex &operator=(const PrivateIndex &) {
        m_index.reset();
        return *this;
    }
    PrivateIndex &operator=(PrivateIndex &&other) noexcept {
        m_index = std::move(other.m_index);
        return *this;
    }
    ~PrivateIndex() = default;

    Index &get() {
        if (!m_index) m_index = std::make_unique<Index>();
        return *m_index;
    }
    // Null until the index was first made.
    const Index *find() const { return m_index.get(); }

private:
    std::unique_ptr<Index> m_index;
};

}  // namespace locmap50

#endif  // LOCMAP50_CONTAINERS_PRIVATEINDEX_H
