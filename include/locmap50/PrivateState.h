/* SPDX-License-Identifier: Apache-2.0 */
/* The private state of an exported class: one object behind a pointer, deep-copied with its owner. */
#ifndef LOCMAP50_PRIVATESTATE_H
#define LOCMAP50_PRIVATESTATE_H

#include <memory>
#include <utility>

namespace locmap50 {

/*
 * State is complete only inside the library, where the owning class's
 * constructors, assignments and destructor are defined; callers never see
 * into it. A copy gets its own copy of the state (what the state keeps over
 * its owner's tables, such as indexes, it rebuilds itself); a move hands the
 * state over. The state is made on first use, so a moved-from owner works.
 */
template <typename State>
class PrivateState {
public:
    PrivateState() = default;
    PrivateState(const PrivateState &other)
        : m_state(other.m_state ? std::make_unique<State>(*other.m_state) : nullptr) {}
    PrivateState(PrivateState &&other) noexcept : m_state(std::move(other.m_state)) {}
    PrivateState &operator=(const PrivateState &other) {
        if (this != &other) m_state = other.m_state ? std::make_unique<State>(*other.m_state) : nullptr;
        return *this;
    }
    PrivateState &operator=(PrivateState &&other) noexcept {
        m_state = std::move(other.m_state);
        return *this;
    }
    ~PrivateState() = default;

    State &get() {
        if (!m_state) m_state = std::make_unique<State>();
        return *m_state;
    }
    // Null until the state was first made.
    const State *find() const { return m_state.get(); }

private:
    std::unique_ptr<State> m_state;
};

}  /* namespace locmap50 */

#endif /* LOCMAP50_PRIVATESTATE_H */
