#include "profile/key_set_switch.h"

#include "config/key_entry.h"
#include "core/log.h"
#include "profile/apply_thread.h"
#include "profile/profile_apply.h"
#include "profile/profile_list.h"

bool SwitchKeySet(int set) {
    if (set < 0 || set >= kKeySets) return false;
    int previous = -1;
    const bool loaded = g_ProfileList.Edit([&](ProfileRecord& rec) {
        previous = rec.KeySetIndex();
        rec.curKeySet = set;
    });
    if (!loaded) return false;
    g_pfnLog("Switch key set: %d -> %d", previous, set);
    PostApply(kApplyKeySet, KeySetRequestData(set, previous));
    return true;
}

int CurrentKeySet() {
    const auto rec = g_ProfileList.Snapshot();
    return rec ? rec->KeySetIndex() : 0;
}

void KeySetSwitchFailed(int nData) {
    const int set = KeySetOfRequest(nData);
    const int previous = ((nData >> 8) & 0xFF) - 1;
    if (previous < 0 || previous >= kKeySets) return;
    g_ProfileList.Edit([&](ProfileRecord& rec) {
        // A later switch is queued behind this one and decides for itself.
        if (rec.curKeySet != set) return;
        rec.curKeySet = previous;
        g_pfnLog("Switch key set: %d not written, %d stays current", set, previous);
    });
}
