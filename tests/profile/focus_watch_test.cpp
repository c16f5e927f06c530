#include "profile/focus_watch.h"

#include <gtest/gtest.h>

#include "support/support.h"

namespace {

// A source the test drives: counts its starts and stops, and reports what the test says.
class FakeSource : public platform::FocusSource {
  public:
    explicit FakeSource(int* starts, int* stops) : m_starts(starts), m_stops(stops) {}
    const char* Name() const override { return "fake"; }
    bool Start(Callback cb) override {
        ++*m_starts;
        callback = std::move(cb);
        return true;
    }
    void Stop() override {
        if (callback) ++*m_stops;
        callback = nullptr;
    }
    Callback callback;

  private:
    int* m_starts;
    int* m_stops;
};

struct Watch {
    int starts = 0, stops = 0;
    FakeSource* source = nullptr;
    std::vector<SwitchTarget> done;
    std::unique_ptr<FocusWatch> watch;

    explicit Watch(const std::string& path) {
        auto s = std::make_unique<FakeSource>(&starts, &stops);
        source = s.get();
        watch = std::make_unique<FocusWatch>(
            path, std::move(s),
            [this](const SwitchTarget& t) {
                done.push_back(t);
                return true;
            },
            1, "mivora");
    }
};

TEST(FocusWatch, WatchesOnlyWhileARuleExistsAndSwitchingIsNotPaused) {
    testing_support::TempDir dir;
    const std::string path = dir.File(kAppRulesFile);
    Watch w(path);
    EXPECT_EQ(0, w.starts);  // no rule yet: no window is watched
    AppRules rules;
    ASSERT_TRUE(rules.Put({"game", 2, -1}));
    ASSERT_TRUE(w.watch->SetRules(rules));
    ASSERT_TRUE(w.watch->Watching());
    platform::FocusedWindow game;
    game.appId = "game";
    w.source->callback(game);
    ASSERT_TRUE(w.watch->Switcher().WaitIdle(2000));
    EXPECT_EQ((std::vector<SwitchTarget>{{2, -1}}), w.done);

    ASSERT_TRUE(w.watch->SetPaused(true));
    EXPECT_FALSE(w.watch->Watching());
    EXPECT_EQ(1, w.stops);
    EXPECT_EQ("application switching: fake focus source, 1 rule, paused",
              FocusStatusLine("fake", w.watch->Rules()));

    // The next start keeps what the user chose.
    Watch again(path);
    EXPECT_EQ(0, again.starts);
    EXPECT_TRUE(again.watch->Rules().paused);
    ASSERT_TRUE(again.watch->SetPaused(false));
    EXPECT_EQ(1, again.starts);
}

// The rules dialog's list: while the user picks, the source runs even without a rule and the
// other applications brought to the front are offered, the program's own windows never.
TEST(FocusWatch, PickingWatchesForTheRecentListButNeverWhilePaused) {
    testing_support::TempDir dir;
    Watch w(dir.File(kAppRulesFile));
    w.watch->SetPicking(true);
    ASSERT_EQ(1, w.starts);
    platform::FocusedWindow own, browser, editor;
    own.pid = 1;  // the program's own pid in Watch
    own.appId = "something";
    browser.appId = "org.mozilla.firefox";
    editor.wmClass = "Gedit";
    editor.pid = 77;
    for (const auto* win : {&browser, &own, &editor}) w.source->callback(*win);
    EXPECT_EQ((std::vector<std::string>{"Gedit", "org.mozilla.firefox"}), w.watch->RecentApps());
    ASSERT_TRUE(w.watch->Switcher().WaitIdle(2000));
    EXPECT_TRUE(w.done.empty()) << "no rule yet: nothing switches";

    w.watch->SetPicking(false);
    EXPECT_EQ(1, w.stops);
    ASSERT_TRUE(w.watch->SetPaused(true));
    w.watch->SetPicking(true);
    EXPECT_EQ(1, w.starts) << "a paused program watches no window";
}

TEST(FocusWatch, RulesThatCannotBeStoredChangeNothing) {
    testing_support::TempDir dir;
    // A file where the data folder should be: nothing can be written below it, not even by root.
    const std::string notAFolder = dir.Write("data", "x");
    Watch w(notAFolder + "/" + kAppRulesFile);
    AppRules rules;
    ASSERT_TRUE(rules.Put({"game", 1, -1}));
    EXPECT_FALSE(w.watch->SetRules(rules));
    EXPECT_TRUE(w.watch->Rules().rules.empty());
    EXPECT_FALSE(w.watch->Watching());
}

TEST(FocusWatch, StatusSaysWhenNoSourceKnowsTheDesktop) {
    AppRules rules;
    EXPECT_EQ("application switching: no focus source on this desktop",
              FocusStatusLine(nullptr, rules));
    EXPECT_EQ("application switching: X11 focus source, 0 rules, off until a rule exists",
              FocusStatusLine("X11", rules));
    ASSERT_TRUE(rules.Put({"a", 1}));
    ASSERT_TRUE(rules.Put({"b", 1}));
    EXPECT_EQ("application switching: sway focus source, 2 rules, on",
              FocusStatusLine("sway", rules));
}

}  // namespace
