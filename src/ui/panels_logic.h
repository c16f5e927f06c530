// Small rules of the setting panels, kept apart so they can be checked without a window.
#pragma once

// Index of value in table[0..count); -1 when it is not there.
int TableIndex(const int* table, int count, int value);
// What lighting mode 0..4 shows: level bar 1, level bar 2, colour picker. False (nothing set)
// for another mode.
bool LightingVisibility(int mode, bool* bar1, bool* bar2, bool* picker);
