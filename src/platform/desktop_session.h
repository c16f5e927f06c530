// Which desktop's pointer settings this session has, from what the running session shows (its
// environment and the names on its session bus), never from what happens to be installed.
#pragma once

#include <string>
#include <vector>

namespace platform {

enum class PointerDesktop {
    None,        // nothing known: the values stay in the profile
    Gnome,       // gsettings, schema org.gnome.desktop.peripherals.mouse
    KdeWayland,  // KWin's input devices on the session bus, kdeglobals
    KdeX11,      // XInput properties for now, kcminputrc and kdeglobals for later sessions
    Sway,        // the compositor's IPC socket
    X11,         // XInput properties (and Xfce's settings daemon where it runs)
};

// What the session shows; empty strings for unset variables.
struct SessionFacts {
    std::string currentDesktop;  // XDG_CURRENT_DESKTOP, a colon-separated list
    std::string sessionType;     // XDG_SESSION_TYPE
    std::string swaySock;        // SWAYSOCK
    std::string display;         // DISPLAY
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    bool sessionBus = false;     // a session bus is reachable
    std::vector<std::string> busNames;

    bool HasBusName(const char* name) const;
    bool Wayland() const;
};

// True when the colon-separated list holds the name (compared without case).
bool DesktopListHas(const std::string& list, const char* name);

PointerDesktop DetectPointerDesktop(const SessionFacts& facts);

// The facts of this process's session: its environment and, when a session bus answers, the
// names on it.
SessionFacts CurrentSessionFacts();

}  // namespace platform
