#include "profile/profile_session.h"

#include "core/log.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"
#include "profile/profile_read.h"

int ProfileSessionHook::ReadProfile(CUSBDriver& link) {
    auto work = g_ProfileList.Snapshot();
    if (!work) return -1;
    if (!ReadProfileFromDevice(link, *work)) return 0;
    g_pfnLog("Init Pro OK");
    g_ProfileList.Assign(*work);
    return 1;
}

const void* ProfileSessionHook::CurrentProfile() {
    return g_ProfileList.Current().get();
}

const void* ProfileSessionHook::FirstProfile() {
    return g_ProfileList.First().get();
}

bool ProfileSessionHook::StageDpi(int stage, int& xDpi, int& yDpi) {
    auto rec = g_ProfileList.Snapshot();
    if (!rec || stage < 0 || stage >= kMaxDpiStages) return false;
    xDpi = rec->stages[stage].xDpi;
    yDpi = rec->stages[stage].yDpi;
    return true;
}

void ProfileSessionHook::SetCurrentDpiLevel(int stage) {
    g_nCurDpiLevel = stage;
}

int ProfileSessionHook::ReadLighting(CUSBDriver& link) {
    auto work = g_ProfileList.Snapshot();
    if (!work || !::ReadLighting(link, *work)) return 0;
    g_ProfileList.Edit([&](ProfileRecord& r) {
        r.lightMode = work->lightMode;
        r.lightColor = work->lightColor;
        r.lightSpeed = work->lightSpeed;
        r.lightBrightness = work->lightBrightness;
    });
    return 1;
}
