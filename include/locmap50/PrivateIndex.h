/* An index an object keeps over its own public tables, never shared with a copy. */
#ifndef LOCMAP50_PRIVATEINDEX_H
#define LOCMAP50_PRIVATEINDEX_H

#include <memory>

namespace locmap50 {

/*
 * The index points into the tables of the object that holds it, so a copy
 * or a moved-to object starts without one and builds its own when first
 * asked. Index is complete only inside the library, which alone calls get().
 */
template <typename Index>
class PrivateIndex {
public:
    PrivateIndex() = default;
    PrivateIndex(const PrivateIndex &) {}
    PrivateIndex(PrivateIndex &&) noexcept {}
    PrivateIndex &operator=(const PrivateIndex &) {
        m_index.reset();
        return *this;
    }
    PrivateIndex &operator=(PrivateIndex &&) noexcept {
        m_index.reset();
        return *this;
    }
    ~PrivateIndex() = default;

    Index &get() {
        if (!m_index) m_index = std::make_unique<Index>();
        return *m_index;
    }

private:
    std::unique_ptr<Index> m_index;
};

}  // namespace locmap50

#endif /* LOCMAP50_PRIVATEINDEX_H */
