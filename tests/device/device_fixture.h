// Shared set-up of the device tests: a known configuration and model table, and a small
// firmware that answers the scripted backend the way a mouse does.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "config/device_model.h"
#include "config/program_config.h"
#include "config/sensor_dpi.h"
#include "device/session_state.h"
#include "device/usb_driver.h"
#include "fake_hid.h"
#include "support/support.h"

namespace device_test {

constexpr int kVid = 0x1209;
constexpr int kPid = 0x0007;
constexpr int kPidBt = 0x0008;
constexpr int kCid = 0x21;
constexpr int kMid = 0x07;

// Resets configuration, model table and session state; one model (cid 0x21, mid 7, sensor
// 0x3325, 3 stages, receiver and Bluetooth).
inline void ResetDeviceConfig() {
    ClearProgramConfig();
    for (auto& m : g_DeviceModels) m = DeviceModel{};
    BuildSensorDpiTable(0);
    g_Config.Retry = 3;
    g_Config.VID = kVid;
    g_Config.PID = kPid;
    g_Config.PIDBT = kPidBt;
    DeviceModel& m = g_DeviceModels[0];
    m.CID = kCid;
    m.MID = kMid;
    m.Sensor = 0x3325;
    m.DM = 3;
    m.DevTy = 3;
    pSensorCfg = &g_DeviceModels[0];
    g_bSearchDevice = 0;
    g_bProfileReady = 0;
}

inline int CountLines(const testing_support::LogCapture& log, const std::string& text) {
    const auto lines = log.Lines();
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.find(text) != std::string::npos;
    }));
}

// Answers commands 2 to 5 from a byte memory, on the notification handle it is given.
// Faults: damage the next N write echoes, drop the next N replies, lose the next N requests on
// the way in (not carried out, not answered), refuse the next N requests (status 1); a read-only
// memory answers writes without carrying them out.
class FakeFirmware {
  public:
    uint8_t mem[0xE00] = {};
    int damageEchoes = 0;
    int dropReplies = 0;
    int readAddressSkew = 0;  // added to the address a read reply names
    int ignoreRequests = 0;
    int refuseReplies = 0;
    bool readOnly = false;

    void Attach(FakeHid& hid, platform::HidHandle hNotify) {
        m_notify = hNotify;
        hid.onFeature = [this](FakeHid& f, platform::HidHandle, const Bytes& report) {
            Respond(f, report);
        };
    }

  private:
    void Respond(FakeHid& f, const Bytes& report) {
        if (ignoreRequests > 0) {
            --ignoreRequests;
            return;
        }
        const uint8_t* q = report.data() + 1;
        Bytes r(14, 0);
        r[0] = q[0];
        const int addr = (q[2] << 8) | q[3];
        const int n = std::min<int>(q[4], 8);
        switch (q[0]) {
            case 2:
                r[5] = 1;
                break;
            case 3:
                if (addr + n <= 0xE00 && !readOnly)
                    std::memcpy(mem + addr, q + 5, static_cast<size_t>(n));
                std::copy(q + 2, q + 13, r.begin() + 2);
                if (damageEchoes > 0) {
                    --damageEchoes;
                    r[6] ^= 0xFF;
                }
                break;
            case 4: {
                const int named = addr + readAddressSkew;
                r[2] = static_cast<uint8_t>(named >> 8);
                r[3] = static_cast<uint8_t>(named);
                r[4] = q[4];
                if (addr + n <= 0xE00)
                    std::memcpy(r.data() + 5, mem + addr, static_cast<size_t>(n));
                break;
            }
            case 5:
                break;
            default:
                r[1] = 1;
                break;
        }
        if (refuseReplies > 0) {
            --refuseReplies;
            r[1] = 1;
        }
        if (dropReplies > 0) {
            --dropReplies;
            return;
        }
        f.QueueReply(m_notify, r);
    }
    platform::HidHandle m_notify = platform::kNoHidHandle;
};

// A link on the scripted backend with command handle 1 and notification handle 2 and its
// reader thread running.
class LinkTest : public ::testing::Test {
  protected:
    static constexpr platform::HidHandle kCmd = 1;
    static constexpr platform::HidHandle kNotify = 2;
    void SetUp() override {
        ResetDeviceConfig();
        firmware.Attach(hid, kNotify);
        link.m_hCmd = kCmd;
        link.m_hNotify = kNotify;
        link.SetOwner(&sink);
        link.StartServiceThread();
    }
    void TearDown() override { link.StopServiceThread(); }
    // Request bytes q[0..12] of every report sent so far.
    std::vector<Bytes> Requests() {
        std::vector<Bytes> out;
        for (const auto& s : hid.Sent_())
            out.emplace_back(s.report.begin() + 1, s.report.end() - 1);
        return out;
    }

    testing_support::LogCapture log;  // first: the log sink is set before any thread logs
    FakeHid hid;
    FakeFirmware firmware;
    QueueMessageSink sink;
    CUSBDriver link{hid};
};

}  // namespace device_test
