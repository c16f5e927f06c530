// The desktop's pointer settings (double-click time, wheel lines, acceleration, speed, trails).
// Each desktop backend offers what it has; the profile keeps every value either way.
#pragma once

#include <memory>
#include <string>

namespace platform {

class DbusConnection;
class XInputPointers;

// The settings a desktop takes, as bits of PointerSettingsBackend::Supported.
enum PointerSetting : unsigned {
    kPointerDoubleClick = 1,
    kPointerScrollLines = 2,
    kPointerPrecision = 4,
    kPointerSpeed = 8,
    kPointerTrails = 16,
};

class PointerSettingsBackend {
  public:
    virtual ~PointerSettingsBackend() = default;
    // The desktop's name for the log.
    virtual const char* Name() const { return "none"; }
    // The settings this desktop has (PointerSetting bits); the others' Get and Set return false.
    virtual unsigned Supported() const {
        return kPointerDoubleClick | kPointerScrollLines | kPointerPrecision | kPointerSpeed |
               kPointerTrails;
    }
    // False for the backend of a desktop whose settings are unknown (it stores nothing).
    virtual bool Available() const { return true; }
    // True when the settings were turned off on purpose (MIVORA_POINTER_SETTINGS=none), which
    // nobody needs to be told about.
    virtual bool TurnedOff() const { return false; }
    // Each Get returns false when the value cannot be read or the desktop has no such setting;
    // each Set returns false when the value was not stored.
    virtual bool GetDoubleClickTime(int& ms) = 0;
    virtual bool SetDoubleClickTime(int ms) = 0;
    virtual bool GetScrollLines(int& lines) = 0;  // -1: one screen per notch
    virtual bool SetScrollLines(int lines) = 0;
    virtual bool GetPrecision(bool& on) = 0;  // enhanced pointer precision (acceleration)
    virtual bool SetPrecision(bool on) = 0;
    virtual bool GetSpeed(int& speed) = 0;  // 1..20
    virtual bool SetSpeed(int speed) = 0;
    virtual bool GetTrails(int& trails) = 0;
    virtual bool SetTrails(int trails) = 0;
};

// Every backend maps with pointer_mapping.h: speed 1..20 onto -1..1 in equal steps with 10 at
// 0, precision on = adaptive acceleration and off = flat, and where only a scroll factor exists,
// lines / 3. A Set counts as stored only when the value reads back.

// GNOME: schema org.gnome.desktop.peripherals.mouse through the gsettings program. Numbers are
// written and read in the C locale's form whatever the session's language. Wheel lines and
// trails have no setting there: their Get and Set return false without doing anything.
std::unique_ptr<PointerSettingsBackend> MakeGnomePointerSettings(
    const std::string& gsettingsProgram = "gsettings");
// sway and i3-compatible compositors: "input type:pointer ..." commands on the IPC socket, read
// back from get_inputs. Scroll lines become the scroll factor; no double-click time there.
std::unique_ptr<PointerSettingsBackend> MakeSwayPointerSettings(const std::string& socketPath);
// KDE Plasma on Wayland: KWin's input devices that are pointers and not touchpads
// (org.kde.KWin, /org/kde/KWin/InputDevice/eventN), which KWin saves itself; double-click time
// and wheel lines in kdeglobals [KDE] under configDir, announced with KDE's change signals.
std::unique_ptr<PointerSettingsBackend> MakeKdeWaylandPointerSettings(
    std::unique_ptr<DbusConnection> bus, const std::string& configDir);
// KDE Plasma on X11: the X server's libinput pointers for the running session, and kcminputrc
// [Mouse] (which Plasma applies at its next start) plus kdeglobals as on Wayland.
std::unique_ptr<PointerSettingsBackend> MakeKdeX11PointerSettings(
    std::unique_ptr<XInputPointers> x, std::unique_ptr<DbusConnection> bus,
    const std::string& configDir);
// Any other X11 session: the libinput pointers' XInput properties "libinput Accel Speed" and
// "libinput Accel Profile Enabled"; with Xfce's settings daemon running (xfconf given) also its
// channel "pointers", which it would otherwise put back.
std::unique_ptr<PointerSettingsBackend> MakeX11PointerSettings(
    std::unique_ptr<XInputPointers> x, std::unique_ptr<DbusConnection> xfconf = nullptr);
// Stores nothing: for desktops whose pointer settings are unknown (or, turnedOff, when the
// user turned them off).
std::unique_ptr<PointerSettingsBackend> MakeNullPointerSettings(bool turnedOff = false);
// True when `gsettings list-schemas` lists the GNOME mouse schema.
bool GnomeMouseSchemaInstalled(const std::string& gsettingsProgram = "gsettings");
// The backend of the running session (desktop_session.h), else the null backend. The
// environment value MIVORA_POINTER_SETTINGS=none forces the null backend, turned off (test runs
// must not touch the desktop).
std::unique_ptr<PointerSettingsBackend> MakeSystemPointerSettings();

}  // namespace platform
