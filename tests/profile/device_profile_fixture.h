// A profile test with a virtual mouse of the test model found on a link.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/messages.h"
#include "device/device_discovery.h"
#include "device/session_state.h"
#include "device/usb_driver.h"
#include "profile/profile_apply.h"
#include "profile/profile_store.h"
#include "profile_fixture.h"
#include "sim/virtual_mouse.h"

namespace profile_test {

class DeviceProfileTest : public ProfileTest {
  protected:
    void SetUp() override {
        ProfileTest::SetUp();
        backend = std::make_unique<sim::VirtualMouseBackend>();
        backend->SetLatency(std::chrono::microseconds(0));
        sim::VirtualMouseSetup setup;
        setup.cid = kCid;
        setup.mid = kMid;
        setup.model = &g_DeviceModels[0];
        std::string error;
        ASSERT_EQ(0, backend->AddMouse(setup, error)) << error;
        link = std::make_unique<CUSBDriver>(*backend);
        ASSERT_EQ(1, FindDev(*link));
        ASSERT_EQ(1, LoadPro());
    }
    void TearDown() override {
        g_ApplyThread.Stop();
        link->StopServiceThread();
        link.reset();
        backend.reset();
        ProfileTest::TearDown();
    }
    std::vector<uint8_t> Mem(int address, int count) {
        return backend->ReadMemory(0, address, count);
    }
    ProfileRecord Current() { return *g_ProfileList.Snapshot(); }
    void SetKey(int k, const KeyEntry& e) {
        g_ProfileList.Edit([&](ProfileRecord& r) { r.keys[0][k] = e; });
    }
    int Apply(int flag, int data) {
        return ApplyProfileToDevice(Current(), nullptr, link.get(), WM_PROGRESS, flag, data);
    }
    uint32_t AddMacro(const StMacro& m) { return AddMacroCopy(m)->dwMacroID; }

    std::unique_ptr<sim::VirtualMouseBackend> backend;
    std::unique_ptr<CUSBDriver> link;
};

}  // namespace profile_test
