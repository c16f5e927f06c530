// Writes a profile's pointer settings into the desktop, touching only the values that differ.
#pragma once

#include <memory>

#include "platform/pointer_settings.h"
#include "profile/profile_record.h"

// Told once per run when the desktop's pointer settings are unknown.
constexpr const char* kPointerSettingsNotApplied =
    "Pointer settings are not applied on this desktop; they are kept in the profile.";

// Writes each setting whose current desktop value differs or cannot be read, in the order
// double-click time, scroll lines, precision, speed, trails. Failed writes are ignored. Without
// desktop settings nothing is written and the user is told once (unless they were turned off).
void ApplyPointerSettings(const PointerSettings& block, platform::PointerSettingsBackend& backend);
// The same with the process-wide backend (created on first use from the desktop found).
void ApplyPointerSettings(const PointerSettings& block);

// Replaces the process-wide backend (tests install a recording fake); returns the previous one.
std::unique_ptr<platform::PointerSettingsBackend> SetPointerSettingsBackend(
    std::unique_ptr<platform::PointerSettingsBackend> backend);
