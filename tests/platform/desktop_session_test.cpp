// The desktop is found from the running session, never from what is installed.
#include <gtest/gtest.h>

#include "platform/desktop_session.h"

namespace {

using platform::PointerDesktop;

TEST(DesktopSessionTest, TheRunningSessionDecides) {
    const struct {
        const char* desktop;
        const char* type;
        const char* sway;
        const char* display;
        const char* wayland;
        bool bus;
        std::vector<std::string> names;
        PointerDesktop want;
    } cases[] = {
        {"GNOME", "wayland", "", ":0", "wayland-0", true, {}, PointerDesktop::Gnome},
        {"ubuntu:GNOME", "x11", "", ":0", "", true, {}, PointerDesktop::Gnome},
        {"gnome", "", "", "", "", true, {}, PointerDesktop::Gnome},
        {"GNOME", "wayland", "", "", "wayland-0", false, {}, PointerDesktop::None},
        {"GNOME-Flashback", "x11", "", ":0", "", true, {}, PointerDesktop::X11},
        {"KDE",
         "wayland",
         "",
         ":1",
         "wayland-0",
         true,
         {"org.kde.KWin"},
         PointerDesktop::KdeWayland},
        {"KDE", "", "", "", "wayland-0", true, {"org.kde.KWin"}, PointerDesktop::KdeWayland},
        // KWin gone from the bus (a crashed compositor): nothing to talk to.
        {"KDE",
         "wayland",
         "",
         "",
         "wayland-0",
         true,
         {"org.freedesktop.DBus"},
         PointerDesktop::None},
        {"KDE", "x11", "", ":0", "", true, {"org.kde.KWin"}, PointerDesktop::KdeX11},
        {"sway",
         "wayland",
         "/run/user/1000/sway-ipc.sock",
         "",
         "wayland-1",
         false,
         {},
         PointerDesktop::Sway},
        // Another wlroots compositor that serves sway's socket protocol.
        {"", "", "/tmp/ipc.sock", "", "wayland-1", false, {}, PointerDesktop::Sway},
        // A SWAYSOCK inherited into an X session is not ours.
        {"XFCE", "x11", "/tmp/ipc.sock", ":0", "", true, {}, PointerDesktop::X11},
        {"XFCE", "x11", "", ":0", "", true, {"org.xfce.Xfconf"}, PointerDesktop::X11},
        {"", "", "", ":0", "", false, {}, PointerDesktop::X11},
        {"Hyprland", "wayland", "", ":0", "wayland-1", true, {}, PointerDesktop::None},
        {"", "tty", "", "", "", false, {}, PointerDesktop::None},
    };
    for (const auto& c : cases) {
        platform::SessionFacts f;
        f.currentDesktop = c.desktop;
        f.sessionType = c.type;
        f.swaySock = c.sway;
        f.display = c.display;
        f.waylandDisplay = c.wayland;
        f.sessionBus = c.bus;
        f.busNames = c.names;
        EXPECT_EQ(static_cast<int>(c.want), static_cast<int>(DetectPointerDesktop(f)))
            << c.desktop << " " << c.type << " sway=" << c.sway << " display=" << c.display
            << " wayland=" << c.wayland;
    }
}

TEST(DesktopSessionTest, DesktopListsCompareEachNameWithoutCase) {
    EXPECT_TRUE(platform::DesktopListHas("ubuntu:GNOME", "gnome"));
    EXPECT_TRUE(platform::DesktopListHas("KDE", "KDE"));
    EXPECT_FALSE(platform::DesktopListHas("GNOME-Classic", "GNOME"));
    EXPECT_FALSE(platform::DesktopListHas("", "GNOME"));
    EXPECT_FALSE(platform::DesktopListHas("KDEX:", "KDE"));
}

}  // namespace
