// The real link engine against the virtual mouse.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/device_discovery.h"
#include "device/device_session.h"
#include "device_fixture.h"
#include "sim/virtual_mouse.h"

namespace device_test {

class VirtualTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetDeviceConfig();
        backend.SetLatency(std::chrono::microseconds(0));
    }
    int Plug(int cid = kCid, int mid = kMid, sim::LinkKind kind = sim::LinkKind::kReceiver) {
        sim::VirtualMouseSetup s;
        s.cid = cid;
        s.mid = mid;
        s.link = kind;
        std::string error;
        const int i = backend.AddMouse(s, error);
        EXPECT_GE(i, 0) << error;
        return i;
    }

    testing_support::LogCapture log;  // first: the log sink is set before any thread logs
    sim::VirtualMouseBackend backend;
    QueueMessageSink sink;
    CUSBDriver link{backend, &sink};
};

// Records what the session asks the window to do.
class RecordingWindow : public SessionWindow {
  public:
    void ShowMessage(const std::string& key) override { Add("msg:" + key); }
    void ClearConnectionIndicators() override { Add("clear-connection"); }
    void ClearBluetoothIndicator() override { Add("clear-bluetooth"); }
    void RefreshLayout() override { Add("layout"); }
    void ShowProfile() override { Add("profile"); }
    bool HasDpiPopup() override { return true; }
    void ShowDpiPopup(const std::string& s, const std::string& x, const std::string& y) override {
        Add("popup:" + s + "|" + x + "|" + y);
    }
    void MarkDpiStage(int stage) override { Add("stage:" + std::to_string(stage)); }
    void ShowLightingMode() override { Add("lighting"); }
    void ShowPermissionHelp() override { Add("permission"); }

    std::vector<std::string> Calls() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_calls;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(m_lock);
        m_calls.clear();
    }
    int Count(const std::string& call) {
        int n = 0;
        for (const auto& c : Calls()) n += c == call;
        return n;
    }
    bool Has(const std::string& call) {
        for (const auto& c : Calls())
            if (c == call) return true;
        return false;
    }

  private:
    void Add(std::string c) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_calls.push_back(std::move(c));
    }
    std::mutex m_lock;
    std::vector<std::string> m_calls;
};

}  // namespace device_test
