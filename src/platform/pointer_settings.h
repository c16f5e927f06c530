// The desktop's pointer settings (double-click time, wheel lines, acceleration, speed, trails).
// Each desktop backend offers what it has; the profile keeps every value either way.
#pragma once

#include <memory>
#include <string>

namespace platform {

class PointerSettingsBackend {
  public:
    virtual ~PointerSettingsBackend() = default;
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

// GNOME: schema org.gnome.desktop.peripherals.mouse through the gsettings program (speed 1..20
// onto -1..1 with the default 10 at GNOME's default 0, precision on = accel-profile "default",
// off = "flat"). Numbers are written and read in the C locale's form whatever the session's
// language. A Set counts as stored only when the value reads back. Wheel lines and trails have
// no setting there: their Get and Set return false without doing anything.
std::unique_ptr<PointerSettingsBackend> MakeGnomePointerSettings(
    const std::string& gsettingsProgram = "gsettings");
// Stores nothing: for desktops whose pointer settings are unknown (or, turnedOff, when the
// user turned them off).
std::unique_ptr<PointerSettingsBackend> MakeNullPointerSettings(bool turnedOff = false);
// True when the environment values describe a running GNOME session: a session bus (its
// address, or the bus socket in the runtime folder) and GNOME among XDG_CURRENT_DESKTOP's names.
// Without it gsettings may exist yet store nothing that any desktop reads.
bool GnomeSessionRunning(const char* currentDesktop, const char* busAddress,
                         const char* runtimeDir);
// True when `gsettings list-schemas` lists the GNOME mouse schema.
bool GnomeMouseSchemaInstalled(const std::string& gsettingsProgram = "gsettings");
// The GNOME backend in a running GNOME session whose schema is installed, else the null
// backend. The environment value MIVORA_POINTER_SETTINGS=none forces the null backend, turned
// off (test runs must not touch the desktop).
std::unique_ptr<PointerSettingsBackend> MakeSystemPointerSettings();

// Speed 1..20 <-> GNOME's -1..1: 1..10 onto -1..0 and 10..20 onto 0..1, so both defaults meet.
double SpeedToGnome(int speed);
int SpeedFromGnome(double value);

}  // namespace platform
