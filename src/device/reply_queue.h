// Replies read by the reader thread, waiting for the command that asked for them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "device/device_report.h"

// How long WaitNotify waits for its reply: the classic 10 ms plus 11 polls of 20 ms.
constexpr int kWaitNotifyMs = 10 + 11 * 20;

class ReplyQueue {
  public:
    // Reader thread: appends one reply and wakes the waiting command.
    void Push(const CRetParam& reply);
    // Removes every entry (each exchange starts with an empty queue).
    void Clear();
    size_t Size();

    // Takes replies in arrival order until one answers cmdId: returns 1 with it in out.
    // Replies to other commands are dropped. Returns -1 with one log line when none answered
    // within timeoutMs. A reply already queued is taken at once.
    int WaitNotify(int cmdId, CRetParam& out, int timeoutMs = kWaitNotifyMs);

  private:
    std::mutex m_lock;  // the queue lock; never held while waiting
    std::condition_variable m_arrived;
    std::deque<CRetParam> m_queue;
};
