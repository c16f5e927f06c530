// A rule's switch carried out on the virtual mouse: the key matrix and the current stage in its
// memory follow the window in front.
#include <gtest/gtest.h>

#include <atomic>

#include "device_profile_fixture.h"
#include "profile/focus_switcher_mouse.h"
#include "profile/key_set_switch.h"
#include "profile/profile_apply.h"

namespace profile_test {
namespace {

using Bytes = std::vector<uint8_t>;

platform::FocusedWindow App(const std::string& wmClass) {
    platform::FocusedWindow w;
    w.wmClass = wmClass;
    w.pid = 77;
    return w;
}

class FocusSwitchMouseTest : public DeviceProfileTest {
  protected:
    void SetUp() override {
        DeviceProfileTest::SetUp();
        // Set 1 swaps the DPI buttons of set 0.
        g_ProfileList.Edit([&](ProfileRecord& r) {
            r.keys[1][5] = Key(kFunDpiDown, 6);
            r.keys[1][6] = Key(kFunDpiUp, 7);
            r.curKeySet = 0;
        });
        g_nCurDpiLevel = 0;
        g_ApplyThread.Start(link.get());
        PostApply(kApplyKeys | kApplyCurStage, kApplyAll);
        ASSERT_TRUE(g_ApplyThread.WaitIdle(10000));
        setZero = Mem(0x15, 32);
    }
    Bytes setZero;
};

TEST_F(FocusSwitchMouseTest, TheMouseHoldsTheRulesSetAndStageThenTheDefault) {
    std::atomic<int> shown{-1};
    FocusSwitcher sw(MouseSwitchFn(10000, [&](int stage) { shown = stage; }), 4242, "mivora");
    AppRules rules;
    ASSERT_TRUE(rules.Put({"Game", 1, 1}));
    ASSERT_TRUE(rules.Put({"Editor", 1, 7}));  // a stage the mouse does not cycle
    sw.SetRules(rules);

    sw.OnFocus(App("game"));
    ASSERT_TRUE(sw.WaitIdle(10000));
    EXPECT_EQ(1, CurrentKeySet());
    EXPECT_EQ((Bytes{0x02, 0x03, 0x00, 0x50, 0x02, 0x02, 0x00, 0x51}), Mem(0x15 + 4 * 5, 8));
    EXPECT_EQ((Bytes{0x01, 0x54}), Mem(0x04, 2));
    EXPECT_EQ(1, shown);

    sw.OnFocus(App("terminal"));
    ASSERT_TRUE(sw.WaitIdle(10000));
    EXPECT_EQ(0, CurrentKeySet());
    EXPECT_EQ(setZero, Mem(0x15, 32));
    EXPECT_EQ((Bytes{0x01, 0x54}), Mem(0x04, 2));  // the default keeps the stage

    shown = -1;
    sw.OnFocus(App("editor"));
    ASSERT_TRUE(sw.WaitIdle(10000));
    EXPECT_EQ(1, CurrentKeySet());
    EXPECT_EQ((Bytes{0x01, 0x54}), Mem(0x04, 2));
    EXPECT_EQ(-1, shown);
    EXPECT_EQ(3, sw.Switches());
    EXPECT_EQ(0, sw.Failures());
}

TEST_F(FocusSwitchMouseTest, AMouseThatStopsAnsweringIsAFailedSwitch) {
    FocusSwitcher sw(MouseSwitchFn(10000, nullptr), 4242, "");
    AppRules rules;
    ASSERT_TRUE(rules.Put({"game", 1, -1}));
    sw.SetRules(rules);
    backend->Unplug(0);
    sw.OnFocus(App("game"));
    ASSERT_TRUE(sw.WaitIdle(20000));
    EXPECT_EQ(1, sw.Failures());
    EXPECT_FALSE(sw.Holding());
}

}  // namespace
}  // namespace profile_test
