#include "profile/focus_switcher_mouse.h"

#include "config/device_model.h"
#include "profile/apply_thread.h"
#include "profile/key_set_switch.h"
#include "profile/profile_apply.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"

FocusSwitcher::SwitchFn MouseSwitchFn(int timeoutMs, std::function<void(int stage)> onStage) {
    return [timeoutMs, onStage = std::move(onStage)](const SwitchTarget& t) {
        const int failures = g_ApplyThread.Failures();
        if (!SwitchKeySet(t.keySet)) return false;
        bool stageChanged = false;
        if (t.dpiStage >= 0) {
            const auto rec = g_ProfileList.Snapshot();
            const DeviceModel* model = pSensorCfg.load();
            // A stage the mouse does not cycle through stays as it is.
            if (rec && model && t.dpiStage < StagesInUse(*rec, *model) &&
                g_nCurDpiLevel.load() != t.dpiStage) {
                g_nCurDpiLevel = t.dpiStage;
                PostApply(kApplyCurStage, 0);
                stageChanged = true;
            }
        }
        if (!g_ApplyThread.WaitIdle(timeoutMs) || g_ApplyThread.Failures() != failures)
            return false;
        if (stageChanged && onStage) onStage(t.dpiStage);
        return true;
    };
}
