// Writes a profile's pointer settings into the desktop, touching only the values that differ.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/pointer_settings.h"
#include "profile/profile_record.h"

// Told once per run when the desktop's pointer settings are unknown.
constexpr const char* kPointerSettingsNotApplied =
    "Pointer settings are not applied on this desktop; they are kept in the profile.";

// The settings of block outside what the window's sliders give (scroll lines also -1, one
// screen per notch; trails 0 to 16), each named with its value and range, e.g.
// "double-click time 0 ms (200 to 900 ms)"; empty when every setting is within.
std::vector<std::string> PointerSettingsOutOfRange(const PointerSettings& block);

// Writes each setting whose current desktop value differs or cannot be read, in the order
// double-click time, scroll lines, precision, speed, trails. A setting out of range is not
// written; one the desktop reads but does not store is refused: the user is told of both in one
// message. Without desktop settings nothing is written and the user is told once (unless they
// were turned off).
void ApplyPointerSettings(const PointerSettings& block, platform::PointerSettingsBackend& backend);
// The same with the process-wide backend (created on first use from the desktop found).
void ApplyPointerSettings(const PointerSettings& block);

// Replaces the process-wide backend (tests install a recording fake); returns the previous one.
std::unique_ptr<platform::PointerSettingsBackend> SetPointerSettingsBackend(
    std::unique_ptr<platform::PointerSettingsBackend> backend);
