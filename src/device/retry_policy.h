// How patient the device link is with a lossy wireless link: how often, how long and after what
// pause one exchange whose reply was lost or whose echo did not verify is tried again. Only
// exchanges that are safe to repeat use it (a read, or a write of the same bytes to the same
// address); a failed send ends an exchange at once.
#pragma once

#include <chrono>

struct RetryPolicy {
    int floorTries = 3;   // always allowed: the configured "Retry"
    int maxTries = 8;     // further tries beyond the floor, while the budget lasts
    int budgetMs = 2500;  // time one exchange may take over all its tries (beyond the floor)
    int pauseMs = 20;     // after a lost reply or an echo that did not verify
    // Pieces of a long read (ReadROM) that may be resumed after they used up their tries.
    int longReadResumes = 2;
};

// The policy of the device link, with the configured "Retry" as the floor of its tries.
RetryPolicy LinkRetryPolicy();

// Counts the tries of one exchange against a policy.
class RetryBudget {
  public:
    explicit RetryBudget(const RetryPolicy& policy);
    // Records a failed try. Returns true when another may follow (the caller then pauses with
    // Pause()); false when the tries or the time are used up. A try the mouse answered with a
    // refusal (or with the answer to another request) is no loss on the link: trying it again
    // is left to the configured floor.
    bool Another(bool answeredNo = false);
    int Made() const { return m_made; }
    void Pause() const;

  private:
    RetryPolicy m_policy;
    int m_made = 0;
    std::chrono::steady_clock::time_point m_start;
};
