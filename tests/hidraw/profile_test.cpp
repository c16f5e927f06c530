// Reading and applying the whole profile through emulated hidraw nodes, with pointer motion
// and keys arriving on the vendor node all along.
#include "core/messages.h"
#include "device/device_discovery.h"
#include "hidraw_fixture.h"
#include "profile/profile_apply.h"
#include "profile/profile_fixture.h"
#include "profile/profile_read.h"
#include "profile/profile_store.h"

namespace hidraw_test {
namespace {

using Bytes = std::vector<uint8_t>;
using profile_test::Key;

class HidrawProfileTest : public profile_test::ProfileTest {
  protected:
    void SetUp() override {
        ProfileTest::SetUp();
        HIDEMU_REQUIRE_FUSE();
        sim::VirtualMouseSetup setup;
        setup.cid = profile_test::kCid;
        setup.mid = profile_test::kMid;
        setup.model = &g_DeviceModels[0];
        std::string error;
        ASSERT_TRUE(emu.Start("b", setup, error)) << error;
        emu.Mouse().SetLatency(std::chrono::microseconds(0));
        backend = std::make_unique<platform::HidrawBackend>(emu.SysRoot(), emu.DevRoot());
        link = std::make_unique<CUSBDriver>(*backend);
        emu.StartNoise(1000, 100);
        ASSERT_EQ(1, FindDev(*link));
        ASSERT_EQ(1, LoadPro());
    }
    void TearDown() override {
        g_ApplyThread.Stop();
        if (link) link->StopServiceThread();
        link.reset();
        backend.reset();
        emu.Stop();
        ProfileTest::TearDown();
    }
    Bytes Mem(int address, int count) { return emu.Mouse().ReadMemory(0, address, count); }
    ProfileRecord Current() { return *g_ProfileList.Snapshot(); }
    void SetKey(int k, const KeyEntry& e) {
        g_ProfileList.Edit([&](ProfileRecord& r) { r.keys[0][k] = e; });
    }
    int Apply(int flag, int data) {
        return ApplyProfileToDevice(Current(), nullptr, link.get(), WM_PROGRESS, flag, data);
    }

    hidemu::Emulator emu;
    std::unique_ptr<platform::HidrawBackend> backend;
    std::unique_ptr<CUSBDriver> link;
};

TEST_F(HidrawProfileTest, ReadsStagesRatesAndLighting) {
    const int x0 = DpiToCode(0x3325, 1200), x2 = DpiToCode(0x3325, 4000);
    const uint8_t head[6] = {0x12, 0, 3, 0, 2, 0};
    const uint8_t stages[9] = {uint8_t(x0), uint8_t(x0), 0, uint8_t(x0), uint8_t(x0), 0,
                               uint8_t(x2), uint8_t(x0), 0};
    const uint8_t led[7] = {2, 0xFF, 0x80, 0x00, 3, 4, 0};
    ASSERT_TRUE(emu.Mouse().WriteMemory(0, 0, head, 6));
    ASSERT_TRUE(emu.Mouse().WriteMemory(0, 6, stages, 9));
    ASSERT_TRUE(emu.Mouse().WriteMemory(0, 0x35, led, 7));
    ProfileRecord r = Current();
    ASSERT_EQ(1, ReadProfileFromDevice(*link, r));
    EXPECT_EQ(2, g_nCurDpiLevel.load());
    EXPECT_EQ(0x500u, r.rate24);
    EXPECT_EQ(0x1000u, r.rateBt);
    EXPECT_EQ(1200, r.stages[0].xDpi);
    EXPECT_EQ(4000, r.stages[2].xDpi);
    EXPECT_EQ(2u, r.lightMode);
    EXPECT_EQ(0x0080FFu, r.lightColor);
    EXPECT_GT(emu.NoiseQueued(), 0);
}

TEST_F(HidrawProfileTest, AppliesKeysWithMacrosAndReadsThemBack) {
    StMacro m = profile_test::TestMacro("Hello", 6, 80);
    const uint32_t macroId = AddMacroCopy(m)->dwMacroID;
    KeyEntry macro = Key(kFunMacro, 4);
    macro.dwMacroID = macroId;
    macro.dwParameter = 3;
    KeyEntry combo = Key(kFunComboMod, 2);
    combo.stCombo[0] = 0x03;
    combo.stCombo[1] = 0x41;
    const std::vector<KeyEntry> keys = {
        Key(kFunLeft, 1),  combo,           Key(kFunForward, 3),     macro,
        Key(kFunDpiUp, 5), Key(kFunOff, 6), Key(kFunLightSwitch, 7), Key(kFunDpiCycle, 8)};
    for (int k = 0; k < 8; ++k) SetKey(k, keys[k]);
    ASSERT_EQ(1, Apply(kApplyKeys | kApplyLighting | kApplyRates, kApplyAll));
    const Bytes slot = Mem(0x200 + 3 * 384, 41);
    EXPECT_EQ(0x0A, slot[0]);  // the macro's slot: name length, then the name
    EXPECT_EQ('H', slot[1]);

    ProfileRecord r = Current();
    for (int k = 0; k < 8; ++k) r.keys[0][k] = Key(kFunOff, static_cast<uint32_t>(k + 1));
    ASSERT_EQ(1, ReadProfileFromDevice(*link, r));
    for (int k = 0; k < 8; ++k) {
        KeyEntry want = keys[k];
        if (want.dwFunID == kFunComboMod) want.dwFunID = kFunComboRead;  // as the mouse keeps it
        EXPECT_EQ(want, r.keys[0][k]) << "key " << k;
    }
    EXPECT_EQ(1u, MacroCount());
}

}  // namespace
}  // namespace hidraw_test
