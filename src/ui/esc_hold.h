// Tells an Esc held down from Esc taps, for the dialogs that capture every key (recording a
// macro, capturing a combination) and leave that capture when Esc is held a while.
//
// A held key reaches the program in one of three ways: repeated presses marked as repeats;
// release and press pairs that carry the same server time but were not marked (the toolkit only
// marks a pair it sees whole, which a busy program does not always); or, with key repeat
// switched off, a single press and its release. The hold lasts from the first press while Esc
// stays down by any of these, and ends on another key or a release that no press follows at
// the same time.
#pragma once

#include <cstdint>

class CEscHold {
  public:
    enum class Step {
        kOther,    // not part of a hold: the key is the caller's
        kStarted,  // the press that starts a hold: the caller keeps what it may have to undo
        kGoing,    // the hold goes on, not yet long enough: the key is the caller's
        kLeave,    // held long enough: the caller leaves the capture; the key is not captured
        kSpent,    // the rest of a hold that already left: the caller drops the key
    };

    explicit CEscHold(uint32_t holdMs) : m_holdMs(holdMs) {}

    // One key event: whether it is Esc, a press (else a release), marked as a repeat, its
    // server time (0 when unknown) and the clock in milliseconds.
    Step Feed(bool esc, bool press, bool repeat, uint64_t timestamp, uint32_t nowMs);
    void Reset() { *this = CEscHold(m_holdMs); }
    bool Down() const { return m_down; }

  private:
    uint32_t m_holdMs;
    bool m_down = false;      // a hold is on (Esc down, or a release that a press may follow)
    bool m_released = false;  // its last event was an unmarked release
    bool m_left = false;      // this hold already made the caller leave
    uint64_t m_releaseTime = 0;
    uint32_t m_sinceMs = 0;
};
