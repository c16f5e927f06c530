// A scripted HidBackend for exact byte and timing cases: it records every feature report,
// lets a test answer each one, and delivers queued input reports to ReadInput.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/hid_backend.h"

namespace device_test {

using Bytes = std::vector<uint8_t>;

class FakeHid : public platform::HidBackend {
  public:
    struct Sent {
        platform::HidHandle h;
        Bytes report;
        std::chrono::steady_clock::time_point at;
    };
    // Called (without the fake's lock) for every feature report that is accepted.
    std::function<void(FakeHid&, platform::HidHandle, const Bytes&)> onFeature;

    std::vector<platform::HidInterfaceInfo> interfaces;

    std::vector<platform::HidInterfaceInfo> Enumerate() override {
        std::lock_guard<std::mutex> lock(m_lock);
        return interfaces;
    }
    platform::HidHandle Open(const std::string& path, int* err) override {
        std::lock_guard<std::mutex> lock(m_lock);
        const platform::HidHandle h = ++m_next;
        m_paths[h] = path;
        if (err) *err = 0;
        return h;
    }
    void Close(platform::HidHandle h) override {
        std::lock_guard<std::mutex> lock(m_lock);
        m_closed.insert(h);
        m_cv.notify_all();
    }
    int SetFeature(platform::HidHandle h, const uint8_t* data, size_t length) override {
        Bytes report(data, data + length);
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_sent.push_back({h, report, std::chrono::steady_clock::now()});
            if (m_dead.count(h)) return platform::kHidErrDeviceNotConnected;
            if (!m_featureErrors.empty()) {
                const int e = m_featureErrors.front();
                m_featureErrors.pop_front();
                return e;
            }
        }
        if (onFeature) onFeature(*this, h, report);
        return platform::kHidOk;
    }
    int ReadInput(platform::HidHandle h, uint8_t* buf, size_t length, int timeoutMs,
                  size_t* got) override {
        std::unique_lock<std::mutex> lock(m_lock);
        auto ready = [&] {
            return !m_inputs[h].empty() || m_cancel.count(h) || m_closed.count(h) ||
                   m_dead.count(h);
        };
        if (timeoutMs < 0)
            m_cv.wait(lock, ready);
        else if (!m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready))
            return platform::kHidErrTimeout;
        if (m_cancel.erase(h) || m_closed.count(h)) return platform::kHidErrOperationAborted;
        if (m_inputs[h].empty()) return platform::kHidErrDeviceNotConnected;
        Bytes r = m_inputs[h].front();
        m_inputs[h].pop_front();
        const size_t n = std::min(r.size(), length);
        std::copy(r.begin(), r.begin() + static_cast<long>(n), buf);
        *got = n;
        return platform::kHidOk;
    }
    void CancelRead(platform::HidHandle h) override {
        std::lock_guard<std::mutex> lock(m_lock);
        m_cancel.insert(h);
        m_cv.notify_all();
    }
    bool IsAttached(platform::HidHandle h) override {
        std::lock_guard<std::mutex> lock(m_lock);
        return !m_dead.count(h);
    }

    // Test side.
    void QueueInput(platform::HidHandle h, Bytes report) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_inputs[h].push_back(std::move(report));
        m_cv.notify_all();
    }
    // Queues a 15-byte input report 09 r[0..13].
    void QueueReply(platform::HidHandle h, Bytes r) {
        r.resize(14);
        r.insert(r.begin(), 9);
        QueueInput(h, std::move(r));
    }
    void Kill(platform::HidHandle h) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_dead.insert(h);
        m_cv.notify_all();
    }
    void Revive(platform::HidHandle h) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_dead.erase(h);
    }
    void FailFeatures(std::initializer_list<int> errors) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_featureErrors.insert(m_featureErrors.end(), errors);
    }
    std::vector<Sent> Sent_() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_sent;
    }
    void ClearSent() {
        std::lock_guard<std::mutex> lock(m_lock);
        m_sent.clear();
    }
    platform::HidHandle OpenedAs(const std::string& path) {
        std::lock_guard<std::mutex> lock(m_lock);
        for (auto& [h, p] : m_paths)
            if (p == path) return h;
        return platform::kNoHidHandle;
    }

  private:
    std::mutex m_lock;
    std::condition_variable m_cv;
    platform::HidHandle m_next = 100;
    std::map<platform::HidHandle, std::string> m_paths;
    std::map<platform::HidHandle, std::deque<Bytes>> m_inputs;
    std::set<platform::HidHandle> m_cancel, m_closed, m_dead;
    std::deque<int> m_featureErrors;
    std::vector<Sent> m_sent;
};

}  // namespace device_test
