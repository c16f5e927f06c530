// Replies read by the reader thread, waiting for the command that asked for them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "device/device_report.h"

// How long WaitNotify waits for its reply: the classic 10 ms plus 11 polls of 20 ms.
constexpr int kWaitNotifyMs = 10 + 11 * 20;
// Replies nobody waits for (a late answer, a stream of them from a confused firmware) must not
// grow the queue without end: past this the oldest is dropped.
constexpr size_t kReplyQueueLimit = 64;

class ReplyQueue {
  public:
    // Reader thread: appends one reply and wakes the waiting command. A full queue drops its
    // oldest entry first (counted in Dropped).
    void Push(const CRetParam& reply);
    // Reader thread: an input report of another id was read and skipped. WaitNotify sums
    // them up in one log line at the highest log level instead of a line per report.
    void NoteForeign();
    unsigned long Dropped();
    unsigned long Foreign();
    // Removes every entry (each exchange starts with an empty queue).
    void Clear();
    size_t Size();

    // Takes replies in arrival order until one answers cmdId: returns 1 with it in out.
    // Replies to other commands are dropped. Returns -1 with one log line when none answered
    // within timeoutMs. A reply already queued is taken at once.
    int WaitNotify(int cmdId, CRetParam& out, int timeoutMs = kWaitNotifyMs);
    // How many threads are inside WaitNotify now (for diagnosis, and for tests that must feed
    // reports only once a wait runs).
    int Waiting();

  private:
    std::mutex m_lock;  // the queue lock; never held while waiting
    std::condition_variable m_arrived;
    std::deque<CRetParam> m_queue;
    unsigned long m_dropped = 0;
    unsigned long m_foreign = 0;
    int m_waiting = 0;
};
