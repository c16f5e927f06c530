#include "profile/focus_switcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

platform::FocusedWindow App(const std::string& appId, int pid = 100) {
    platform::FocusedWindow w;
    w.appId = appId;
    w.pid = pid;
    return w;
}

AppRules GameAndWeb() {
    AppRules rules;
    rules.defaultSet = 0;
    rules.Put({"game", 1, 2});
    rules.Put({"web", 2, -1});
    return rules;
}

// A mouse that takes a while per switch; records what it was asked to hold, and fails when two
// switches would overlap.
struct SlowMouse {
    std::mutex mutex;
    std::vector<SwitchTarget> done;
    std::atomic<int> running{0};
    std::atomic<bool> overlapped{false};
    std::atomic<int> delayMs{0};
    std::atomic<bool> fail{false};
    std::atomic<int> failFirst{0};  // this many switches fail before the others go through
    std::atomic<int> started{0};

    // Waits until the n-th switch has begun.
    void AwaitStart(int n) {
        while (started.load() < n) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    FocusSwitcher::SwitchFn Fn() {
        return [this](const SwitchTarget& t) {
            if (running.fetch_add(1) != 0) overlapped = true;
            started.fetch_add(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs.load()));
            {
                std::lock_guard<std::mutex> lock(mutex);
                done.push_back(t);
            }
            running.fetch_sub(1);
            return !fail.load() && failFirst.fetch_sub(1) <= 0;
        };
    }
    std::vector<SwitchTarget> Done() {
        std::lock_guard<std::mutex> lock(mutex);
        return done;
    }
};

constexpr int kOwnPid = 4242;

TEST(FocusSwitcher, SwitchesByRuleAndToTheDefaultForTheRest) {
    SlowMouse mouse;
    FocusSwitcher sw(mouse.Fn(), kOwnPid, "mivora");
    sw.SetRules(GameAndWeb());
    sw.OnFocus(App("Game"));
    ASSERT_TRUE(sw.WaitIdle(2000));
    sw.OnFocus(App("terminal"));
    ASSERT_TRUE(sw.WaitIdle(2000));
    sw.OnFocus(App("other-terminal"));  // same target: nothing to write
    ASSERT_TRUE(sw.WaitIdle(2000));
    EXPECT_EQ((std::vector<SwitchTarget>{{1, 2}, {0, -1}}), mouse.Done());
    EXPECT_EQ((SwitchTarget{0, -1}), sw.Holding());
}

TEST(FocusSwitcher, OwnWindowsTheDesktopPauseAndNoRulesChangeNothing) {
    SlowMouse mouse;
    FocusSwitcher sw(mouse.Fn(), kOwnPid, "mivora");
    sw.OnFocus(App("game"));  // no rule yet: switching is off
    sw.SetRules(GameAndWeb());
    sw.OnFocus(App("game", kOwnPid));
    platform::FocusedWindow ownClass;
    ownClass.wmInstance = "mivora";
    ownClass.wmClass = "Mivora";
    sw.OnFocus(ownClass);
    platform::FocusedWindow desktop;
    desktop.none = true;
    sw.OnFocus(desktop);
    sw.SetPaused(true);
    sw.OnFocus(App("web"));
    ASSERT_TRUE(sw.WaitIdle(2000));
    EXPECT_TRUE(mouse.Done().empty());
    sw.SetPaused(false);
    sw.OnFocus(App("web"));
    ASSERT_TRUE(sw.WaitIdle(2000));
    EXPECT_EQ((std::vector<SwitchTarget>{{2, -1}}), mouse.Done());
}

TEST(FocusSwitcher, RapidFocusChangesFinishTheRunningSwitchThenTakeTheLatest) {
    SlowMouse mouse;
    mouse.delayMs = 150;
    FocusSwitcher sw(mouse.Fn(), kOwnPid, "");
    sw.SetRules(GameAndWeb());
    sw.OnFocus(App("game"));
    mouse.AwaitStart(1);
    // Events from several threads while it runs: only the last one's target follows it.
    std::thread a([&] { sw.OnFocus(App("web")); });
    a.join();
    std::thread b([&] { sw.OnFocus(App("terminal")); });
    b.join();
    sw.OnFocus(App("web"));
    ASSERT_TRUE(sw.WaitIdle(3000));
    EXPECT_FALSE(mouse.overlapped);
    EXPECT_EQ((std::vector<SwitchTarget>{{1, 2}, {2, -1}}), mouse.Done());
    // Back to what the running switch writes: the waiting one is dropped, nothing follows.
    sw.OnFocus(App("game"));
    mouse.AwaitStart(3);
    sw.OnFocus(App("web"));
    sw.OnFocus(App("game"));
    ASSERT_TRUE(sw.WaitIdle(3000));
    EXPECT_EQ(3u, mouse.Done().size());
    EXPECT_EQ(3, sw.Switches());
}

TEST(FocusSwitcher, AFailedSwitchIsTriedAgainAtTheNextWindow) {
    SlowMouse mouse;
    mouse.fail = true;
    FocusSwitcher sw(mouse.Fn(), kOwnPid, "");
    sw.SetRules(GameAndWeb());
    sw.OnFocus(App("game"));
    ASSERT_TRUE(sw.WaitIdle(2000));
    EXPECT_EQ(1, sw.Failures());
    EXPECT_FALSE(sw.Holding());
    mouse.fail = false;
    sw.OnFocus(App("game"));
    ASSERT_TRUE(sw.WaitIdle(2000));
    EXPECT_EQ(2u, mouse.Done().size());
    EXPECT_EQ((SwitchTarget{1, 2}), sw.Holding());
}

// A window reported while the mouse was away (the program starting, the mouse unplugged): its
// switch failed, and when the mouse is read it gets the set of the window still in front.
TEST(FocusSwitcher, WhenTheMouseIsReadTheWindowInFrontGetsItsSetAfterAFailure) {
    SlowMouse mouse;
    mouse.fail = true;
    FocusSwitcher sw(mouse.Fn(), kOwnPid, "mivora");
    sw.SetRules(GameAndWeb());
    sw.OnFocus(App("game"));
    ASSERT_TRUE(sw.WaitIdle(2000));
    sw.OnFocus(App("mivora", kOwnPid));  // the own window: game is still the one wanted
    mouse.fail = false;
    sw.MouseReady();
    ASSERT_TRUE(sw.WaitIdle(2000));
    EXPECT_EQ((std::vector<SwitchTarget>{{1, 2}, {1, 2}}), mouse.Done());
    EXPECT_EQ((SwitchTarget{1, 2}), sw.Holding());

    // Held already, or paused: nothing to write.
    sw.MouseReady();
    sw.SetPaused(true);
    sw.OnFocus(App("web"));
    sw.MouseReady();
    ASSERT_TRUE(sw.WaitIdle(2000));
    EXPECT_EQ(2u, mouse.Done().size());
}

// The mouse is read while the switch runs that began before it was there.
TEST(FocusSwitcher, WhenTheMouseIsReadDuringAFailingSwitchItIsTriedOnceMore) {
    SlowMouse mouse;
    mouse.delayMs = 100;
    mouse.failFirst = 1;
    FocusSwitcher sw(mouse.Fn(), kOwnPid, "");
    sw.SetRules(GameAndWeb());
    sw.OnFocus(App("game"));
    mouse.AwaitStart(1);
    sw.MouseReady();
    ASSERT_TRUE(sw.WaitIdle(2000));
    EXPECT_EQ((std::vector<SwitchTarget>{{1, 2}, {1, 2}}), mouse.Done());
    EXPECT_EQ((SwitchTarget{1, 2}), sw.Holding());
}

TEST(FocusSwitcher, EndsWithASwitchInFlight) {
    SlowMouse mouse;
    mouse.delayMs = 100;
    {
        FocusSwitcher sw(mouse.Fn(), kOwnPid, "");
        sw.SetRules(GameAndWeb());
        sw.OnFocus(App("game"));
        mouse.AwaitStart(1);
        sw.OnFocus(App("web"));  // waiting: dropped at the end
    }
    EXPECT_EQ((std::vector<SwitchTarget>{{1, 2}}), mouse.Done());
}

}  // namespace
