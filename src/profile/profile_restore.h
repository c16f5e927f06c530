// The restore-defaults action shared by the window and mivora-cli.
#pragma once

#include "profile/profile_apply.h"

// Everything the default profile puts into the mouse, then the device reset: the result does
// not depend on what a firmware's reset keeps.
constexpr int kRestoreApplyFlags = kApplyKeys | kApplyDpiValues | kApplyStageCount |
                                   kApplyCurStage | kApplyLighting | kApplyRates | kApplyRestore;

// Resets the current profile to the selected model's defaults (a record without a valid magic
// or id gets them too, so it can be written again) and selects the model's default stage.
// Returns the stage selected, or -1 when there is no current profile.
int ResetProfileToDefaults();
