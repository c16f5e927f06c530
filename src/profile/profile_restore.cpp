#include "profile/profile_restore.h"

#include "config/device_model.h"
#include "macro/macro_record.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"

int ResetProfileToDefaults() {
    const DeviceModel* m = pSensorCfg.load();
    const int stage = m ? ClampStage(m->DEFLEVEL, *m) : 0;
    const bool edited = g_ProfileList.Edit([&](ProfileRecord& r) {
        // A record the mouse would refuse (id 0) must not survive a restore.
        r.magic = kProfileMagic;
        if (r.profileId == 0) r.profileId = NewMacroID();
        FillProfileDefaults(r);
    });
    if (!edited) return -1;
    g_nCurDpiLevel = stage;
    return stage;
}
