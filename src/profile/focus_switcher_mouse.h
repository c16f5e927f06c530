// The switch a rule asks for, carried out on the mouse through the apply thread.
#pragma once

#include "profile/focus_switcher.h"

// A FocusSwitcher function that makes the target's key set current (SwitchKeySet), then, when
// the target names a stage the mouse cycles through, makes that stage current, and waits until
// the apply thread has written both. It answers false when the set cannot be switched (no
// profile), when the apply thread does not finish within timeoutMs or when a write failed.
// onStage (may be empty) is told the new stage after it reached the mouse, for the on-screen
// display.
FocusSwitcher::SwitchFn MouseSwitchFn(int timeoutMs, std::function<void(int stage)> onStage);
