#include "device/reply_queue.h"

#include <functional>
#include <thread>

#include "core/log.h"

void ReplyQueue::Push(const CRetParam& reply) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_queue.size() >= kReplyQueueLimit) {
            m_queue.pop_front();
            ++m_dropped;
        }
        m_queue.push_back(reply);
    }
    m_arrived.notify_one();
}

void ReplyQueue::NoteForeign() {
    std::lock_guard<std::mutex> lock(m_lock);
    ++m_foreign;
}

unsigned long ReplyQueue::Dropped() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_dropped;
}

unsigned long ReplyQueue::Foreign() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_foreign;
}

void ReplyQueue::Clear() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_queue.clear();
}

int ReplyQueue::Waiting() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_waiting;
}

size_t ReplyQueue::Size() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_queue.size();
}

int ReplyQueue::WaitNotify(int cmdId, CRetParam& out, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock<std::mutex> lock(m_lock);
    ++m_waiting;
    const unsigned long foreignBefore = m_foreign;
    auto summary = [&] {
        const unsigned long skipped = m_foreign - foreignBefore;
        if (skipped && g_nLogLevel == 3)
            g_pfnLog("WaitNotify: skipped %lu reports of other ids", skipped);
    };
    for (;;) {
        while (!m_queue.empty()) {
            out = m_queue.front();
            m_queue.pop_front();
            if (out.r[0] == static_cast<uint8_t>(cmdId)) {
                summary();
                --m_waiting;
                return 1;
            }
            // A late reply to an earlier command: thrown away, the deadline stays.
        }
        if (!m_arrived.wait_until(lock, deadline, [this] { return !m_queue.empty(); })) break;
    }
    summary();
    --m_waiting;
    lock.unlock();
    unsigned tid = static_cast<unsigned>(std::hash<std::thread::id>{}(std::this_thread::get_id()));
    g_pfnLog("WaitNotify TimeOut for nCmdID=%x, ThreadId=0x%x", static_cast<unsigned>(cmdId & 0xFF),
             tid);
    return -1;
}
