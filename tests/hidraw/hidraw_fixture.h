// The real hidraw backend on emulated nodes: a fixture's nodes served by the emulator with the
// virtual mouse behind them, and the engine's configuration for the test model.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "config/device_model.h"
#include "config/program_config.h"
#include "config/sensor_dpi.h"
#include "device/device_fixture.h"
#include "device/session_state.h"
#include "hidemu/emulator.h"
#include "platform/hidraw_backend.h"
#include "support/support.h"

namespace hidraw_test {

using device_test::kCid;
using device_test::kMid;

// Why FUSE cannot serve the nodes here, found out once per process ("" when it can).
inline const std::string& FuseProblem() {
    static const std::string reason = hidemu::FuseUnavailableReason();
    return reason;
}

inline bool InCi() {
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

// Skips the test when FUSE cannot be mounted, saying why; under CI=true that is a failure.
#define HIDEMU_REQUIRE_FUSE()                                                                \
    do {                                                                                     \
        if (!::hidraw_test::FuseProblem().empty()) {                                         \
            if (::hidraw_test::InCi())                                                       \
                FAIL() << "FUSE is needed in CI: " << ::hidraw_test::FuseProblem();          \
            GTEST_SKIP() << "FUSE cannot be mounted here: " << ::hidraw_test::FuseProblem(); \
        }                                                                                    \
    } while (0)

// One model (cid 0x21, mid 7, sensor 0x3325, 3 stages, receiver and Bluetooth), vendor 1209,
// product ids 7 (receiver) and 8 (Bluetooth): the device tests' own.
inline void ResetLinkConfig() {
    device_test::ResetDeviceConfig();
}

inline sim::VirtualMouseSetup MouseSetup(const std::string& fixture, int cid = kCid,
                                         int mid = kMid) {
    sim::VirtualMouseSetup s;
    s.cid = cid;
    s.mid = mid;
    s.model = nullptr;
    if (fixture == "c") s.link = sim::LinkKind::kBluetooth;
    return s;
}

// Starts a fixture; the mouse answers without latency.
class EmulatorTest : public ::testing::Test {
  protected:
    void SetUp() override { HIDEMU_REQUIRE_FUSE(); }
    // Returns false (with a failure) when the emulator does not start.
    bool StartFixture(const std::string& fixture, const sim::VirtualMouseSetup& setup) {
        std::string error;
        if (!emu.Start(fixture, setup, error)) {
            ADD_FAILURE() << "fixture " << fixture << ": " << error;
            return false;
        }
        emu.Mouse().SetLatency(std::chrono::microseconds(0));
        backend = std::make_unique<platform::HidrawBackend>(emu.SysRoot(), emu.DevRoot());
        return true;
    }
    bool StartFixture(const std::string& fixture) {
        return StartFixture(fixture, MouseSetup(fixture));
    }

    testing_support::LogCapture log;  // first: the log sink is set before any thread logs
    hidemu::Emulator emu;
    std::unique_ptr<platform::HidrawBackend> backend;
};

}  // namespace hidraw_test
