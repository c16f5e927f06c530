#include "profile/app_rules.h"

#include <gtest/gtest.h>

#include "support/support.h"

namespace {

platform::FocusedWindow Window(std::string appId, std::string wmClass = "", std::string exe = "") {
    platform::FocusedWindow w;
    w.appId = std::move(appId);
    w.wmClass = std::move(wmClass);
    w.exe = std::move(exe);
    return w;
}

TEST(AppRules, MatchesAppIdClassOrExecutableWithoutCase) {
    AppRules rules;
    rules.defaultSet = 2;
    ASSERT_TRUE(rules.Put({"firefox", 1, -1}));
    ASSERT_TRUE(rules.Put({"Steam_App_730", 0, 3}));
    ASSERT_TRUE(rules.Put({"/opt/game/bin/Game.x86_64", 1, 0}));
    ASSERT_TRUE(rules.Put({"blender", 1, -1}));
    platform::FocusedWindow instance;
    instance.wmInstance = "BLENDER";
    struct Case {
        platform::FocusedWindow w;
        SwitchTarget expected;
    } cases[] = {
        {Window("org.mozilla.firefox", "Firefox"), {1, -1}},
        {Window("", "steam_app_730"), {0, 3}},
        {Window("", "", "/opt/game/bin/Game.x86_64"), {1, 0}},
        {Window("", "", "/usr/bin/FireFox"), {1, -1}},  // the executable's file name
        {instance, {1, -1}},
        {Window("firefox-esr"), {2, -1}},  // no partial names
        {Window("", "", "/opt/game/bin"), {2, -1}},
        {Window(""), {2, -1}},
    };
    for (const Case& c : cases) {
        const SwitchTarget t = rules.TargetFor(c.w);
        EXPECT_EQ(c.expected, t) << c.w.appId << "|" << c.w.wmClass << "|" << c.w.exe;
    }
}

TEST(AppRules, PutReplacesTheSameAppAndRefusesBadRules) {
    AppRules rules;
    ASSERT_TRUE(rules.Put({"Code", 1, -1}));
    ASSERT_TRUE(rules.Put({"code", 2, 4}));
    ASSERT_EQ(1u, rules.rules.size());
    EXPECT_EQ((AppRule{"code", 2, 4}), rules.rules[0]);
    for (const AppRule& bad : {AppRule{"", 0, -1}, AppRule{"x", 3, -1}, AppRule{"x", -1, -1},
                               AppRule{"x", 0, 8}, AppRule{"x", 0, -2}, AppRule{"a\nb", 0, -1},
                               AppRule{std::string(kMaxRuleAppChars + 1, 'a'), 0, -1}})
        EXPECT_FALSE(rules.Put(bad)) << bad.app;
    for (int i = 1; i < kMaxAppRules; ++i) ASSERT_TRUE(rules.Put({"app" + std::to_string(i), 0}));
    EXPECT_FALSE(rules.Put({"one-too-many", 0}));
}

TEST(AppRules, SwitchingStaysOffUntilTheFirstRuleAndWhilePaused) {
    AppRules rules;
    EXPECT_FALSE(rules.Active());
    ASSERT_TRUE(rules.Put({"game", 1}));
    EXPECT_TRUE(rules.Active());
    rules.paused = true;
    EXPECT_FALSE(rules.Active());
}

TEST(AppRulesFile, RoundTripsThroughTheDataFolder) {
    testing_support::TempDir dir;
    AppRules rules;
    rules.defaultSet = 1;
    rules.paused = true;
    ASSERT_TRUE(rules.Put({"org.mozilla.firefox", 2, -1}));
    ASSERT_TRUE(rules.Put({"/usr/games/Doom Eternal", 0, 7}));
    const std::string path = dir.File(kAppRulesFile);
    ASSERT_TRUE(SaveAppRules(rules, path));
    const AppRules back = LoadAppRules(path);
    EXPECT_EQ(rules.rules, back.rules);
    EXPECT_EQ(1, back.defaultSet);
    EXPECT_TRUE(back.paused);
    // Readable as the window numbers things.
    EXPECT_NE(std::string::npos,
              testing_support::Slurp(path).find("[Rule2]\nApp=/usr/games/Doom Eternal\nKeySet=1\n"
                                                "Stage=8\n"));
    EXPECT_TRUE(LoadAppRules(dir.File("missing.ini")).rules.empty());
}

TEST(AppRulesFile, AHandEditedFileKeepsOnlyWhatIsSound) {
    testing_support::TempDir dir;
    const std::string path =
        dir.Write(kAppRulesFile,
                  "[Rules]\nCount=99999\nDefaultSet=7\n"
                  "[Rule1]\nApp=game\nKeySet=2\nStage=0\n"  // stage 0: unchanged
                  "[Rule2]\nApp=\nKeySet=1\n"               // no name
                  "[Rule3]\nApp=web\nKeySet=4\n"            // no such set
                  "[Rule4]\nApp=" +
                      std::string(kMaxRuleAppChars + 1, 'x') +
                      "\nKeySet=1\n"
                      "[Rule5]\nApp=GAME\nKeySet=3\nStage=99\n"  // same app: replaces
                      "[Rule6]\nApp=mail\nKeySet=1\nStage=8\n");
    const AppRules rules = LoadAppRules(path);
    EXPECT_EQ(0, rules.defaultSet);
    EXPECT_FALSE(rules.paused);
    EXPECT_EQ((std::vector<AppRule>{{"GAME", 2, -1}, {"mail", 0, 7}}), rules.rules);
}

}  // namespace
