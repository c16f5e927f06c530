// Which application is in front: one source per session kind behind this interface, chosen from
// what the running session is (desktop_session.h). Every source reports on its own thread.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace platform {

struct SessionFacts;

// What a source knows of the window in front; fields it cannot tell stay empty (pid 0).
struct FocusedWindow {
    std::string appId;       // Wayland app id (or the desktop file name GNOME and KDE give)
    std::string wmInstance;  // X11 WM_CLASS, first string
    std::string wmClass;     // X11 WM_CLASS, second string
    std::string exe;         // full path of the executable, from /proc/PID/exe
    std::string title;
    int pid = 0;
    bool none = false;  // nothing in front (the desktop, or every window closed)
};

// Longest text a source keeps of one field: window properties come from other programs.
constexpr size_t kMaxFocusText = 512;

// Cuts text to kMaxFocusText bytes without splitting a UTF-8 sequence.
std::string BoundFocusText(std::string text);
// The executable of a process (the target of /proc/PID/exe), or "" when it cannot be read.
std::string ExecutableOfPid(int pid);
// The id of this process, to tell the program's own windows from the others.
int OwnProcessId();

class FocusSource {
  public:
    using Callback = std::function<void(const FocusedWindow&)>;
    virtual ~FocusSource() = default;
    // The source's name for the window, the CLI and the log ("X11", "sway", "KWin").
    virtual const char* Name() const = 0;
    // Starts watching: onFocus is called on the source's own thread for the window in front at
    // the start and at every change. False when the session cannot be watched (nothing started).
    virtual bool Start(Callback onFocus) = 0;
    // Ends the watching; no call of onFocus runs after it returns. Safe to call twice.
    virtual void Stop() = 0;
};

// The session kinds that say which window is in front.
enum class FocusDesktop { None, X11, Sway, KdeWayland, Gnome, Wlr };
// From the running session: sway's socket on Wayland; KDE or GNOME on Wayland when KWin or the
// Shell is on the session bus; else an X11 session. A Wayland session of another compositor is
// Wlr (whether it lists its toplevels is asked when the source is made); KDE or GNOME without
// their compositor on the bus is None: their Xwayland sees only the X clients.
FocusDesktop DetectFocusDesktop(const SessionFacts& facts);

// X11 (and Xwayland): _NET_ACTIVE_WINDOW of the root window, on an own connection to display
// ("" = $DISPLAY).
std::unique_ptr<FocusSource> MakeX11FocusSource(const std::string& display = "");
// sway and i3: window events of change "focus" on the IPC socket.
std::unique_ptr<FocusSource> MakeSwayFocusSource(const std::string& socketPath);
// wlroots compositors: the zwlr_foreign_toplevel_manager_v1 global on its own connection to
// display (a name in XDG_RUNTIME_DIR or a path; "" = $WAYLAND_DISPLAY).
std::unique_ptr<FocusSource> MakeWlrFocusSource(const std::string& display = "");
// Whether the compositor at display offers that global.
bool WaylandOffersToplevelList(const std::string& display);
// KDE Plasma on Wayland: the KWin script at scriptPath, loaded into KWin over the bus at address
// ("" = the session bus), calls the program back on the name io.mivora.Mivora1.Focus.
std::unique_ptr<FocusSource> MakeKWinFocusSource(const std::string& scriptPath,
                                                 const std::string& address = "");
// The shipped KWin script: kwin/mivora-focus.js in the program folder.
std::string KWinFocusScriptPath();
// GNOME on Wayland: the package's Shell extension calls the program back on the same name.
std::unique_ptr<FocusSource> MakeGnomeFocusSource(const std::string& address = "");
// The source of the running session, or null when none knows this desktop. The environment
// value MIVORA_FOCUS_SOURCE=none turns watching off.
std::unique_ptr<FocusSource> MakeSystemFocusSource(const SessionFacts& facts);

}  // namespace platform
