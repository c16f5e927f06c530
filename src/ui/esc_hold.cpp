#include "ui/esc_hold.h"

CEscHold::Step CEscHold::Feed(bool esc, bool press, bool repeat, uint64_t timestamp,
                              uint32_t nowMs) {
    if (!esc) {
        // A marked repeat of another key does not end the hold; it cannot start between.
        if (!repeat) m_down = false;
        return m_down && m_left ? Step::kSpent : Step::kOther;
    }
    if (press) {
        // A press goes on with the hold when it is marked as a repeat, when no release came
        // since the last press, or when it carries the time of the release before it.
        const bool goesOn =
            m_down && (repeat || !m_released || (timestamp != 0 && timestamp == m_releaseTime));
        m_released = false;
        if (!goesOn) {
            m_down = true;
            m_left = false;
            m_sinceMs = nowMs;
            return Step::kStarted;
        }
    } else {
        if (!m_down) return Step::kOther;
        if (!repeat) {
            // Perhaps the end, perhaps half of a pair: the next press tells.
            m_released = true;
            m_releaseTime = timestamp;
        }
    }
    if (m_left) return Step::kSpent;
    if (nowMs - m_sinceMs < m_holdMs) return Step::kGoing;
    m_left = true;
    return Step::kLeave;
}
