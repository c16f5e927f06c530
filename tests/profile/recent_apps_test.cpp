#include "profile/recent_apps.h"

#include <gtest/gtest.h>

#include "profile/app_rules.h"

namespace {

platform::FocusedWindow Window(std::string appId, std::string wmClass = "", std::string exe = "") {
    platform::FocusedWindow w;
    w.appId = std::move(appId);
    w.wmClass = std::move(wmClass);
    w.wmInstance = w.wmClass.empty() ? "" : "instance";
    w.exe = std::move(exe);
    return w;
}

TEST(RecentApps, ARuleNameIsTheFirstNameARuleCanHold) {
    const std::string tooLong(kMaxRuleAppChars + 1, 'a');
    const struct {
        platform::FocusedWindow w;
        std::string name;
    } cases[] = {
        {Window("org.gnome.Maps", "Maps", "/usr/bin/gnome-maps"), "org.gnome.Maps"},
        {Window("", "Firefox", "/usr/lib/firefox/firefox"), "Firefox"},
        {Window("", "", "/opt/game/bin/game.x86_64"), "game.x86_64"},
        {Window(tooLong, "", "/usr/bin/tool"), "tool"},
        {Window("\x1b[31m", "", ""), ""},
        {Window("", "", ""), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.name, RecentApps::RuleName(c.w)) << c.name;
}

TEST(RecentApps, NewestFirstOnceEachAndBounded) {
    RecentApps recent;
    recent.Note(Window("steam_app_730"));
    recent.Note(Window("firefox"));
    recent.Note(Window("FireFox"));  // the same application in another case
    platform::FocusedWindow desktop;
    desktop.none = true;
    recent.Note(desktop);
    recent.Note(Window(""));  // nothing to name it by
    EXPECT_EQ((std::vector<std::string>{"FireFox", "steam_app_730"}), recent.Names());

    for (size_t i = 0; i < RecentApps::kMax + 5; ++i)
        recent.Note(Window("app" + std::to_string(i)));
    const auto names = recent.Names();
    ASSERT_EQ(RecentApps::kMax, names.size());
    EXPECT_EQ("app" + std::to_string(RecentApps::kMax + 4), names.front());
}

}  // namespace
