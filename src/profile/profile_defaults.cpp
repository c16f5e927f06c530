#include "profile/profile_defaults.h"

#include <algorithm>

#include "config/device_model.h"
#include "config/program_config.h"
#include "config/ui_text.h"
#include "macro/macro_record.h"

std::atomic<int> g_nCurDpiLevel{0};

namespace {

constexpr uint32_t kDefaultLightColor = 0x0000FF;  // pure red (0x00BBGGRR)

}  // namespace

int ClampStage(int stage, const DeviceModel& model) {
    const int stages = std::min(model.DM, kDeviceDpiStages);
    return stage >= 0 && stage < stages ? stage : 0;
}

int StagesInUse(const ProfileRecord& rec, const DeviceModel& model) {
    const int stages = std::min(model.DM, kDeviceDpiStages);
    int c = 0;
    for (int i = 0; i < stages; ++i)
        if (rec.stages[i].disabled == 0) ++c;
    return std::max(c, 1);
}

int ClampStage(int stage, const ProfileRecord& rec, const DeviceModel& model) {
    return stage >= 0 && stage < StagesInUse(rec, model) ? stage : 0;
}

void FillProfileDefaults(ProfileRecord& rec) {
    rec.reserved0.fill(0);
    rec.SetName(g_UiText.tc_msg14);
    rec.curKeySet = 0;
    for (int s = 0; s < kKeySets; ++s)
        for (int k = 0; k < kKeysPerSet; ++k) rec.keys[s][k] = g_DefaultKeys[s][k];

    // Bytes 1724 to 1951: rates, pointer block, stages, current stage, sensor, lighting and the
    // first 40 reserved bytes after them.
    rec.rate24 = rec.rateBt = 0;
    rec.reserved1.fill(0);
    rec.reserved2.fill(0);
    for (auto& st : rec.stages) st = DpiStage{0, 0, 0, 1};
    rec.curStage = 0;
    rec.sensor = 0;
    std::fill(rec.reserved3.begin(), rec.reserved3.begin() + 40, 0);

    const DeviceModel* m = pSensorCfg.load();
    if (m) {
        rec.rate24 = rec.rateBt = static_cast<uint32_t>(m->DR);
        const int stages = std::min(std::max(m->DM, 0), kMaxDpiStages);
        for (int i = 0; i < stages; ++i)
            rec.stages[i] = DpiStage{m->DPI[i], m->DPI[i], static_cast<uint32_t>(m->DC[i]), 0};
        rec.sensor = static_cast<uint32_t>(m->Sensor);
    }
    rec.pointer = PointerSettings{3, 550, 10, g_Config.EnhancePrecision, 0};
    const uint32_t led = m ? static_cast<uint32_t>(m->DefLEDMode) : 0;
    rec.lightMode = led & 0xFF;
    rec.lightBrightness = (led >> 8) & 0xFF;
    rec.lightSpeed = (led >> 16) & 0xFF;
    rec.lightColor = kDefaultLightColor;
}

ProfileRecord MakeDefaultProfile() {
    ProfileRecord rec;
    rec.magic = kProfileMagic;
    rec.profileId = NewMacroID();
    FillProfileDefaults(rec);
    rec.SetName("");
    return rec;
}
