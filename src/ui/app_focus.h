// The window's per-application switching: the session's focus source and the rules of the data
// folder, switching through the apply thread and showing each switch in the window.
#pragma once

#include <memory>

#include "core/message_sink.h"
#include "profile/focus_watch.h"

// How long a switch may wait for the apply thread before it counts as failed.
constexpr int kFocusSwitchWaitMs = 5000;
// Asks the window to show the profile again (the key list of the set a rule made current).
constexpr uint32_t kShowProfileMsg = 0x437;

// The watch for the window behind sink: after each switch the window shows the profile, and a
// stage a rule changed arrives as the mouse's own stage event (so the on-screen display shows
// it as for the DPI button).
std::unique_ptr<FocusWatch> MakeAppFocusWatch(MessageSink* sink);
