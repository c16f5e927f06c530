// Giving a button of the current key set a new function, under the rules that keep a key set
// usable (the last left button stays) and the all-sets function consistent.
#pragma once

#include <vector>

#include "config/key_entry.h"

// Stores entry (its dwMatrixPos taken from the first default table) at index of the current key
// set of the current profile. Returns 1 when stored (and, when "ApplyNow" is set or applyNow is
// forced, an apply request 0x01 / index is queued); 0 when nothing changed: no profile, profile
// id 0, an index outside 0..15, or the last left button would be given away ("tc_msg1").
int AssignKeyFunction(int index, KeyEntry entry, bool forceApply = false);
// The same rules for key set `set` (0..2) whichever set is current; nothing is queued for the
// mouse (it holds the current set only). Returns 1 when stored, 0 as above or for a set outside
// 0..2.
int AssignKeyFunctionInSet(int set, int index, KeyEntry entry);

// A key of the profile: key set and index.
struct KeyIndex {
    int set = 0;
    int index = 0;
    friend bool operator==(const KeyIndex&, const KeyIndex&) = default;
};

// Gives every macro key of the current profile whose macro is no longer in the library its
// model default again (g_DefaultKeys), as the window does when the library changes, so the mouse
// never gets a key that plays nothing. Returns the keys changed, set by set; empty when none.
std::vector<KeyIndex> RestoreKeysOfMissingMacros();
