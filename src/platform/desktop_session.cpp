#include "platform/desktop_session.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/dbus_client.h"

namespace platform {

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

bool SessionFacts::HasBusName(const char* name) const {
    return std::find(busNames.begin(), busNames.end(), name) != busNames.end();
}

bool SessionFacts::Wayland() const {
    return Upper(sessionType) == "WAYLAND" || !waylandDisplay.empty();
}

bool DesktopListHas(const std::string& list, const char* name) {
    const std::string wanted = Upper(name);
    size_t start = 0;
    while (start <= list.size()) {
        size_t colon = list.find(':', start);
        if (colon == std::string::npos) colon = list.size();
        if (Upper(list.substr(start, colon - start)) == wanted) return true;
        start = colon + 1;
    }
    return false;
}

PointerDesktop DetectPointerDesktop(const SessionFacts& f) {
    // sway sets SWAYSOCK for its clients; a nested or stale one without Wayland is not ours.
    if (!f.swaySock.empty() && f.Wayland()) return PointerDesktop::Sway;
    if (DesktopListHas(f.currentDesktop, "GNOME") && f.sessionBus) return PointerDesktop::Gnome;
    if (DesktopListHas(f.currentDesktop, "KDE")) {
        if (f.Wayland()) {
            return f.HasBusName("org.kde.KWin") ? PointerDesktop::KdeWayland : PointerDesktop::None;
        }
        if (!f.display.empty()) return PointerDesktop::KdeX11;
    }
    // Any other X session: the X server's input devices are the settings.
    if (!f.Wayland() && !f.display.empty()) return PointerDesktop::X11;
    return PointerDesktop::None;
}

SessionFacts CurrentSessionFacts() {
    SessionFacts f;
    f.currentDesktop = Env("XDG_CURRENT_DESKTOP");
    f.sessionType = Env("XDG_SESSION_TYPE");
    f.swaySock = Env("SWAYSOCK");
    f.display = Env("DISPLAY");
    f.waylandDisplay = Env("WAYLAND_DISPLAY");
    if (auto bus = DbusConnection::OpenSession()) {
        f.sessionBus = true;
        bus->ListNames(f.busNames);
    }
    return f;
}

}  // namespace platform
