#include "platform/focus_source.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/desktop_session.h"

namespace platform {

std::string BoundFocusText(std::string text) {
    if (text.size() <= kMaxFocusText) return text;
    size_t end = kMaxFocusText;
    // Back over continuation bytes so the cut lands before a sequence's first byte.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return text;
}

std::string ExecutableOfPid(int pid) {
    if (pid <= 0) return "";
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    char buf[4096];
    const ssize_t n = readlink(link.c_str(), buf, sizeof buf);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buf) return "";
    return BoundFocusText(std::string(buf, static_cast<size_t>(n)));
}

int OwnProcessId() {
    return static_cast<int>(getpid());
}

FocusDesktop DetectFocusDesktop(const SessionFacts& f) {
    if (!f.swaySock.empty()) return FocusDesktop::Sway;
    if (f.Wayland()) {
        if (DesktopListHas(f.currentDesktop, "KDE") && f.HasBusName("org.kde.KWin"))
            return FocusDesktop::KdeWayland;
        if (DesktopListHas(f.currentDesktop, "GNOME") && f.HasBusName("org.gnome.Shell"))
            return FocusDesktop::Gnome;
    }
    if (!f.Wayland() && !f.display.empty()) return FocusDesktop::X11;
    if (!f.waylandDisplay.empty() && !DesktopListHas(f.currentDesktop, "GNOME") &&
        !DesktopListHas(f.currentDesktop, "KDE"))
        return FocusDesktop::Wlr;
    return FocusDesktop::None;
}

std::unique_ptr<FocusSource> MakeSystemFocusSource(const SessionFacts& facts) {
    const char* off = std::getenv("MIVORA_FOCUS_SOURCE");
    if (off && std::strcmp(off, "none") == 0) return nullptr;
    switch (DetectFocusDesktop(facts)) {
        case FocusDesktop::X11:
            return MakeX11FocusSource(facts.display);
        case FocusDesktop::Sway:
            return MakeSwayFocusSource(facts.swaySock);
        case FocusDesktop::Wlr:
            if (WaylandOffersToplevelList(facts.waylandDisplay))
                return MakeWlrFocusSource(facts.waylandDisplay);
            break;
        case FocusDesktop::KdeWayland:
            return MakeKWinFocusSource(KWinFocusScriptPath());
        case FocusDesktop::Gnome:
            return MakeGnomeFocusSource();
        case FocusDesktop::None:
            break;
    }
    return nullptr;
}

}  // namespace platform
