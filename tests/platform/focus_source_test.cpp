#include "platform/focus_source.h"

#include <gtest/gtest.h>

#include "platform/desktop_session.h"

namespace {

TEST(FocusSource, ChosenFromTheRunningSessionNeverAGuess) {
    using platform::FocusDesktop;
    struct Case {
        const char* desktop;
        const char* type;
        const char* swaySock;
        const char* display;
        const char* wayland;
        FocusDesktop expected;
        const char* busName = "";
    } cases[] = {
        {"sway", "wayland", "/run/sway.sock", ":0", "wayland-1", FocusDesktop::Sway},
        {"KDE", "x11", "", ":0", "", FocusDesktop::X11},
        {"XFCE", "", "", ":1", "", FocusDesktop::X11},
        // Xwayland sees only the X clients of a Wayland session: no source there.
        {"GNOME", "wayland", "", ":0", "wayland-0", FocusDesktop::None},
        {"KDE", "wayland", "", ":1", "wayland-0", FocusDesktop::None},
        // Other Wayland compositors: the wlroots toplevel list, if the compositor has it.
        {"labwc:wlroots", "wayland", "", ":0", "wayland-0", FocusDesktop::Wlr},
        {"Hyprland", "", "", "", "wayland-1", FocusDesktop::Wlr},
        {"river", "wayland", "", "", "", FocusDesktop::None},
        // KDE and GNOME on Wayland when the compositor itself is on the bus to talk to.
        {"KDE", "wayland", "", ":1", "wayland-0", FocusDesktop::KdeWayland, "org.kde.KWin"},
        {"ubuntu:GNOME", "wayland", "", ":0", "wayland-0", FocusDesktop::Gnome, "org.gnome.Shell"},
        {"GNOME", "x11", "", ":0", "", FocusDesktop::X11, "org.gnome.Shell"},
        {"KDE", "wayland", "", ":1", "wayland-0", FocusDesktop::None, "org.gnome.Shell"},
        {"", "tty", "", "", "", FocusDesktop::None},
    };
    for (const Case& c : cases) {
        platform::SessionFacts f;
        f.currentDesktop = c.desktop;
        f.sessionType = c.type;
        f.swaySock = c.swaySock;
        f.display = c.display;
        f.waylandDisplay = c.wayland;
        if (*c.busName) f.busNames = {c.busName};
        EXPECT_EQ(c.expected, platform::DetectFocusDesktop(f))
            << c.desktop << " " << c.type << " " << c.busName;
    }
}

TEST(FocusSource, TextFromOtherProgramsIsCutWithoutSplittingACharacter) {
    EXPECT_EQ("short", platform::BoundFocusText("short"));
    const std::string ascii(platform::kMaxFocusText + 10, 'a');
    EXPECT_EQ(platform::kMaxFocusText, platform::BoundFocusText(ascii).size());
    // A two-byte character straddling the limit goes whole.
    const std::string text = std::string(platform::kMaxFocusText - 1, 'a') + "\xC3\xA4tail";
    EXPECT_EQ(std::string(platform::kMaxFocusText - 1, 'a'), platform::BoundFocusText(text));
    EXPECT_EQ("", platform::ExecutableOfPid(0));
    EXPECT_EQ("", platform::ExecutableOfPid(-5));
}

}  // namespace
