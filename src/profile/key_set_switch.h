// The three key sets of the stored profile: which one is current, and switching to another.
#pragma once

// Makes `set` (0..2) the current key set of the stored profile and queues on g_ApplyThread the
// write of only what differs on the mouse (step kApplyKeySet, nData = KeySetRequestData). False
// (nothing queued) for a set outside 0..2 or when no profile is loaded. Callers wait with
// g_ApplyThread.WaitIdle()/Failures() as for any other apply request; when the write fails the
// profile's current key set goes back to the one the mouse held.
bool SwitchKeySet(int set);
// The current key set of the stored profile (0..2); 0 when no profile is loaded.
int CurrentKeySet();

// nData of a key set request: the set in the low byte, the set the mouse held before plus one
// in the next byte (0: not known).
constexpr int KeySetRequestData(int set, int previous) {
    return (set & 0xFF) | ((previous + 1) & 0xFF) << 8;
}
constexpr int KeySetOfRequest(int nData) {
    return nData & 0xFF;
}
// Called by the apply thread when a key set request did not succeed: the profile's current key
// set goes back to the one the mouse held, unless the user switched again meanwhile.
void KeySetSwitchFailed(int nData);
