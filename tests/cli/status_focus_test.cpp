// mivora-cli status names the focus source of the session it runs in, or says there is none,
// with the rules of the data folder.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "platform/headless_sway.h"
#include "platform/dbus_service.h"
#include "platform/pointer_test_parts.h"
#include "support/support.h"

namespace {

TEST(CliStatus, SaysWhichFocusSourceThisDesktopHas) {
    testing_support::TempDir dir;
    const auto run = [&](const std::string& env) {
        const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY -u SWAYSOCK " + env + " " +
                                MIVORA_BIN_DIR + "/mivora-cli --data-dir '" + dir.path() +
                                "' --virtual-mouse='" + dir.File("m.bin") + "' status >'" +
                                dir.File("out") + "' 2>&1";
        const int status = std::system(cmd.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << cmd;
        return testing_support::Slurp(dir.File("out"));
    };
    std::string out = run("XDG_SESSION_TYPE=tty");
    EXPECT_NE(std::string::npos,
              out.find("application switching: no focus source on this desktop\n"))
        << out;
    dir.Write("AppRules.ini", "[Rules]\nCount=1\nPaused=1\n[Rule1]\nApp=game\nKeySet=2\n");
    out = run("XDG_SESSION_TYPE=x11 DISPLAY=:77");
    EXPECT_NE(std::string::npos,
              out.find("application switching: X11 focus source, 1 rule, paused\n"))
        << out;
    out = run("XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-1 SWAYSOCK=/run/nothing.sock");
    EXPECT_NE(std::string::npos, out.find("application switching: sway focus source, 1 rule"))
        << out;
    EXPECT_NE(std::string::npos, out.find("connection status: 1")) << out;

    // KDE and GNOME on Wayland: named when the compositor is on the session bus, not before.
    platform_test::PrivateBus bus;
    ASSERT_FALSE(bus.Address().empty());
    const std::string wayland =
        "XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-0 "
        "DBUS_SESSION_BUS_ADDRESS='" +
        bus.Address() + "' ";
    out = run(wayland + "XDG_CURRENT_DESKTOP=KDE");
    EXPECT_NE(std::string::npos, out.find("no focus source on this desktop")) << out;
    std::string error;
    auto kwin = platform::DbusService::OpenAddress(bus.Address(), error);
    ASSERT_TRUE(kwin && kwin->RequestName("org.kde.KWin", error)) << error;
    out = run(wayland + "XDG_CURRENT_DESKTOP=KDE");
    EXPECT_NE(std::string::npos, out.find("application switching: KWin focus source, 1 rule"))
        << out;
    ASSERT_TRUE(kwin->RequestName("org.gnome.Shell", error)) << error;
    out = run(wayland + "XDG_CURRENT_DESKTOP=GNOME");
    EXPECT_NE(std::string::npos,
              out.find("application switching: GNOME Shell focus source, 1 rule"))
        << out;
    // Another Wayland compositor: the wlroots source only where the compositor lists its windows.
    out = run("XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=/nonexistent/wayland-9");
    EXPECT_NE(std::string::npos, out.find("application switching: no focus source")) << out;
    if (!platform_test::OnPath("sway")) return;
    platform_test::HeadlessSway sway;
    ASSERT_FALSE(sway.Socket().empty()) << sway.Log();
    out = run("XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=labwc:wlroots WAYLAND_DISPLAY=" +
              sway.Dir() + "/wayland-1");
    EXPECT_NE(std::string::npos, out.find("application switching: wlroots focus source, 1 rule"))
        << out;
}

}  // namespace
