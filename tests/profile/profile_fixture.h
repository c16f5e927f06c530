// Shared set-up of the profile tests: one known model, a data folder of its own, an empty macro
// library, UI texts the tests look for and a pointer-settings backend that records its calls.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/device_model.h"
#include "config/program_config.h"
#include "config/sensor_dpi.h"
#include "config/ui_text.h"
#include "core/paths.h"
#include "macro/macro_library.h"
#include "macro/macro_record.h"
#include "platform/pointer_settings.h"
#include "profile/apply_thread.h"
#include "profile/function_codes.h"
#include "profile/pointer_apply.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"
#include "support/support.h"

namespace profile_test {

constexpr int kCid = 1;
constexpr int kMid = 3;

// Remembers every Set and answers Get from its values (a read fails while readFails is set).
class FakePointer : public platform::PointerSettingsBackend {
  public:
    int dbl = 500, lines = 3, speed = 10, trails = 0;
    bool precision = false;
    bool readFails = false;
    std::string refuse;  // the name of a setting whose Set stores nothing
    unsigned supported = platform::PointerSettingsBackend::Supported();
    std::vector<std::string> sets;

    const char* Name() const override { return "fake"; }
    unsigned Supported() const override { return supported; }

    bool GetDoubleClickTime(int& v) override { return Get(dbl, v); }
    bool SetDoubleClickTime(int v) override { return Set("dbl", dbl, v); }
    bool GetScrollLines(int& v) override { return Get(lines, v); }
    bool SetScrollLines(int v) override { return Set("lines", lines, v); }
    bool GetPrecision(bool& v) override {
        if (readFails) return false;
        v = precision;
        return true;
    }
    bool SetPrecision(bool v) override {
        sets.push_back(std::string("precision=") + (v ? "1" : "0"));
        if (refuse == "precision") return false;
        precision = v;
        return true;
    }
    bool GetSpeed(int& v) override { return Get(speed, v); }
    bool SetSpeed(int v) override { return Set("speed", speed, v); }
    bool GetTrails(int& v) override { return Get(trails, v); }
    bool SetTrails(int v) override { return Set("trails", trails, v); }

  private:
    bool Get(int field, int& v) {
        if (readFails) return false;
        v = field;
        return true;
    }
    bool Set(const char* name, int& field, int v) {
        sets.push_back(std::string(name) + "=" + std::to_string(v));
        if (refuse == name) return false;
        field = v;
        return true;
    }
};

inline KeyEntry Key(uint32_t fun, uint32_t pos) {
    KeyEntry e;
    e.dwFunID = fun;
    e.dwMatrixPos = pos;
    return e;
}

inline StMacro TestMacro(const std::string& name, int events, uint32_t delay = 50) {
    StMacro m;
    InitMacroRecord(name, &m);
    for (int i = 0; i < events; ++i)
        m.stEvents[i] = {static_cast<uint16_t>(0x41 + (i / 2) % 26),
                         static_cast<uint16_t>(i % 2 == 0), delay};
    return m;
}

// Model 1/3: sensor 0x3325, 4 stages 800..3200, 8 keys at matrix positions 1..8, 500 Hz.
inline void ResetProfileWorld() {
    ClearProgramConfig();
    for (auto& m : g_DeviceModels) m = DeviceModel{};
    BuildSensorDpiTable(0);
    g_Config.Retry = 3;
    g_Config.VID = 0x1209;
    g_Config.PID = 0x0007;
    DeviceModel& m = g_DeviceModels[0];
    m.CID = kCid;
    m.MID = kMid;
    m.Sensor = 0x3325;
    m.DM = 4;
    const int dpi[4] = {800, 1600, 2400, 3200};
    for (int i = 0; i < 4; ++i) {
        m.DPI[i] = dpi[i];
        m.DC[i] = 0x0000FF << (i * 4);
    }
    m.DR = 0x500;
    m.DefLEDMode = 0x20200;
    m.KeyCount = 8;
    m.DevTy = 1;
    const uint32_t funs[8] = {kFunLeft,    kFunRight, kFunMiddle,  kFunBack,
                              kFunForward, kFunDpiUp, kFunDpiDown, kFunDpiCycle};
    for (int s = 0; s < kKeySets; ++s)
        for (int k = 0; k < 8; ++k)
            m.DefaultKeys[s][k] = Key(funs[k], static_cast<uint32_t>(k + 1));
    pSensorCfg = &m;
    FillDefaultKeys(m);
    g_UiText = UiTextTable{};
    g_UiText.tc_msg14 = "Standard profile of this mouse";
    g_UiText.tc_msg1 = "Keep one left button";
    g_UiText.tc_msg15 = "No mouse";
    g_UiText.tc_adv_str15 = "Read the mouse first";
    g_ProfileList.Clear();
    g_nCurDpiLevel = 0;
    ClearMacroLibrary();
    g_ApplyThread.Stop();
    g_ApplyThread.ClearPending();
}

class ProfileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_savedDataDir = g_szDataDir;
        g_szDataDir = dir.path() + "/";
        ResetProfileWorld();
        auto fake = std::make_unique<FakePointer>();
        pointer = fake.get();
        SetPointerSettingsBackend(std::move(fake));
    }
    void TearDown() override {
        g_ApplyThread.Stop();
        g_ApplyThread.ClearPending();
        SetPointerSettingsBackend(nullptr);
        ClearMacroLibrary();
        g_ProfileList.Clear();
        g_szDataDir = m_savedDataDir;
    }

    testing_support::TempDir dir;
    testing_support::RecordingNotifier notes;
    FakePointer* pointer = nullptr;
    std::string m_savedDataDir;
};

}  // namespace profile_test
