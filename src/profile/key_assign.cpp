#include "profile/key_assign.h"

#include <string>

#include "config/device_model.h"
#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/log.h"
#include "core/notifier.h"
#include "macro/macro_library.h"
#include "profile/apply_thread.h"
#include "profile/function_codes.h"
#include "profile/profile_apply.h"
#include "profile/profile_list.h"

namespace {

// A macro longer than a key slot buffer holds can never reach the mouse: storing it would leave
// the profile and the mouse apart. Tells the user and returns false then.
bool MacroFitsTheButton(const KeyEntry& entry, int index) {
    if (FunClass(entry.dwFunID) != 0x05) return true;
    StMacro m;
    if (!CopyMacroById(entry.dwMacroID, m)) return true;
    return MacroFitsKeySlot(m, index, "AssignKey", "not changed");
}

// Stores entry at index of key set `set` (-1: the current one); sets `set` to the set used.
int AssignInSet(int& set, int index, KeyEntry entry) {
    if (index < 0 || index >= kKeysPerSet || set < -1 || set >= kKeySets) return 0;
    if (!MacroFitsTheButton(entry, index)) return 0;
    enum { kNone, kStored, kLastLeft } outcome = kNone;
    g_ProfileList.Edit([&](ProfileRecord& rec) {
        if (rec.profileId == 0) return;
        if (set < 0) set = rec.KeySetIndex();
        if (entry.dwFunID != kFunLeft) {
            bool otherLeft = false;
            for (int k = 0; k < kKeysPerSet; ++k)
                if (k != index && rec.keys[set][k].dwFunID == kFunLeft) otherLeft = true;
            if (!otherLeft) {
                outcome = kLastLeft;
                return;
            }
        }
        entry.dwMatrixPos = g_DefaultKeys[0][index].dwMatrixPos;
        if (entry.dwFunID == kFunSameAllSets) {
            for (int s = 0; s < kKeySets; ++s) rec.keys[s][index] = entry;
        } else {
            bool wasShared = false;
            for (int s = 0; s < kKeySets; ++s)
                if (rec.keys[s][index].dwFunID == kFunSameAllSets) wasShared = true;
            if (wasShared)
                for (int s = 0; s < kKeySets; ++s) rec.keys[s][index] = g_DefaultKeys[s][index];
            rec.keys[set][index] = entry;
        }
        outcome = kStored;
    });
    if (outcome == kLastLeft) {
        NotifyUser(g_UiText.tc_msg1, "");
        return 0;
    }
    if (outcome != kStored) return 0;
    g_pfnLog(
        "pFile->Key[%d][%d]: dwFunID=0x%x, dwMacroID=0x%08x, dwParameter=0x%08x, "
        "stCombo=0x%08x",
        set, index, entry.dwFunID, entry.dwMacroID, entry.dwParameter,
        static_cast<unsigned>(entry.stCombo[0] | entry.stCombo[1] << 8 | entry.stCombo[2] << 16 |
                              entry.stCombo[3] << 24));
    return 1;
}

}  // namespace

int AssignKeyFunction(int index, KeyEntry entry, bool forceApply) {
    int set = -1;
    if (!AssignInSet(set, index, entry)) return 0;
    if (g_Config.ApplyNow || forceApply) PostApply(kApplyKeys, index);
    return 1;
}

int AssignKeyFunctionInSet(int set, int index, KeyEntry entry) {
    if (set < 0 || set >= kKeySets) return 0;
    return AssignInSet(set, index, entry);
}

std::vector<KeyIndex> RestoreKeysOfMissingMacros() {
    std::vector<KeyIndex> reset;
    g_ProfileList.Edit([&](ProfileRecord& rec) {
        for (int s = 0; s < kKeySets; ++s) {
            for (int k = 0; k < kKeysPerSet; ++k) {
                KeyEntry& e = rec.keys[s][k];
                StMacro m;
                if (FunClass(e.dwFunID) != FunClass(kFunMacro) || CopyMacroById(e.dwMacroID, m))
                    continue;
                g_pfnLog("Key[%d][%d]: macro 0x%08x not in the library, default function again", s,
                         k, e.dwMacroID);
                e = g_DefaultKeys[s][k];
                reset.push_back({s, k});
            }
        }
    });
    return reset;
}
