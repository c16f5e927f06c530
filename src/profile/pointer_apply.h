// Writes a profile's pointer settings into the desktop, touching only the values that differ,
// and reads the desktop's values back for the window.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/pointer_settings.h"
#include "profile/profile_record.h"

// Told once per run when the desktop's pointer settings are unknown (the language's text when
// loaded, else these).
constexpr const char* kPointerSettingsNotApplied = "Pointer settings do not apply on this desktop.";
constexpr const char* kPointerSettingRefused = "The desktop did not take a pointer setting.";

// The settings of block outside what the window's sliders give (scroll lines also -1, one
// screen per notch; trails 0 to 16), each named with its value and range, e.g.
// "double-click time 0 ms (200 to 900 ms)"; empty when every setting is within.
std::vector<std::string> PointerSettingsOutOfRange(const PointerSettings& block);

// One setting the pointer notice names: a value out of range, or one the desktop refused.
struct PointerIssue {
    unsigned setting;  // a platform::PointerSetting bit
    int value;         // precision: 0 off, 1 on
    bool refused;
};
// The notice for issues in the loaded language (English where a text is missing), led by the
// refusal's line when refusedLead.
std::string PointerSettingsNotice(const std::vector<PointerIssue>& issues, bool refusedLead);

// Writes each setting the desktop has whose current desktop value differs or cannot be read, in the
// order double-click time, scroll lines, precision, speed, trails. A setting out of range is not
// written; one the desktop reads but does not store is refused: the user is told of both in one
// message (a refusal once per run, the log names every one). Without desktop settings nothing is
// written and the user is told once (unless they were turned off or the window already shows it).
void ApplyPointerSettings(const PointerSettings& block, platform::PointerSettingsBackend& backend);
// The same with the process-wide backend (created on first use from the desktop found).
void ApplyPointerSettings(const PointerSettings& block);

// Puts the desktop's current values into the block's fields where the desktop has them; returns
// the platform::PointerSetting bits of the fields read.
unsigned ReadPointerSettings(PointerSettings& block, platform::PointerSettingsBackend& backend);
unsigned ReadPointerSettings(PointerSettings& block);

// What the process-wide backend offers, for the window to show. Taking it counts as telling the
// user that nothing applies, so no message box repeats it.
struct DesktopPointerState {
    bool available = false;  // some desktop backend applies
    bool turnedOff = false;  // MIVORA_POINTER_SETTINGS=none
    unsigned supported = 0;  // platform::PointerSetting bits
};
DesktopPointerState TakeDesktopPointerState();

// Replaces the process-wide backend (tests install a recording fake); returns the previous one.
std::unique_ptr<platform::PointerSettingsBackend> SetPointerSettingsBackend(
    std::unique_ptr<platform::PointerSettingsBackend> backend);
