// Worker threads never touch windows: they post numbered messages to a sink. The GUI turns a
// post into a queued event for the receiving widget; the CLI and tests keep a queue.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

struct PostedMessage {
    uint32_t msg = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Must not block on the receiver; safe to call from any thread.
    virtual void Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) = 0;
};

// A thread-safe queue of posted messages, for the CLI's event loop and for tests.
class QueueMessageSink : public MessageSink {
public:
    void Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_queue.push_back({msg, wParam, lParam});
        }
        m_cv.notify_all();
    }
    // Takes the oldest message, waiting up to timeoutMs; false when none came.
    bool Take(PostedMessage& out, int timeoutMs) {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return !m_queue.empty(); }))
            return false;
        out = m_queue.front();
        m_queue.pop_front();
        return true;
    }
    // Waits up to timeoutMs for a message with this number, dropping the ones before it.
    bool WaitFor(uint32_t msg, PostedMessage& out, int timeoutMs) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            while (!m_queue.empty()) {
                out = m_queue.front();
                m_queue.pop_front();
                if (out.msg == msg) return true;
            }
            if (m_cv.wait_until(lock, deadline) == std::cv_status::timeout && m_queue.empty())
                return false;
        }
    }
    size_t Size() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_queue.size();
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.clear();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<PostedMessage> m_queue;
};
