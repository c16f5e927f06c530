#include "profile/profile_export.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "config/device_model.h"
#include "config/sensor_dpi.h"
#include "config/ui_text.h"
#include "core/log.h"
#include "core/notifier.h"
#include "core/paths.h"
#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "macro/macro_names.h"
#include "platform/files.h"
#include "profile/app_rules.h"
#include "profile/apply_thread.h"
#include "profile/function_codes.h"
#include "profile/pointer_apply.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"

namespace {

// The skinned message dialog has no caption of its own.
constexpr const char* kDialogCaption = "";

// A macro slot of a file is usable only as a whole macro: its magic, its events within what a
// record may hold and the keys and states the device encoding knows.
bool MacroSlotIsSound(const StMacro& m) {
    if (m.dwMagicNumber != kMacroMagic) return false;
    if (m.stEvents[kMacroEventSlots - 1] != StMacroEvent{}) return false;
    const int n = MacroEventCount(m);
    for (int i = 0; i < n; ++i) {
        const StMacroEvent& ev = m.stEvents[i];
        if (ev.wState > 1 || ev.dwDelay > 0xFFFF || ev.wKey > 255) return false;
    }
    return MacroKeysSupported(m) != 0;
}

// Unused slots are all zero; they hold no macro, not a damaged one.
bool SlotIsUnused(const StMacro& m) {
    return m == StMacro{};
}

bool IsRateCode(uint32_t rate) {
    return rate == 0x125 || rate == 0x250 || rate == 0x500 || rate == 0x1000;
}

// The last of the mouse's lighting modes (the window's five mode buttons).
constexpr uint32_t kLastLightingMode = 4;

}  // namespace

std::string CheckImportRecord(const ProfileRecord& rec, const DeviceModel& model,
                              bool allowOtherSensor) {
    char text[200];
    if (rec.sensor != static_cast<uint32_t>(model.Sensor) && !allowOtherSensor) {
        std::snprintf(text, sizeof text,
                      "This profile was made for another mouse (sensor 0x%x, this mouse has "
                      "0x%x); nothing was imported.",
                      rec.sensor, static_cast<unsigned>(model.Sensor));
        return text;
    }
    if (rec.curKeySet < 0 || rec.curKeySet >= kKeySets)
        return "The profile's key set " + std::to_string(rec.curKeySet) +
               " does not exist; nothing was imported.";
    if (rec.curStage < 0 || rec.curStage >= kMaxDpiStages)
        return "The profile's DPI stage " + std::to_string(rec.curStage) +
               " does not exist; nothing was imported.";
    for (int s = 0; s < kKeySets; ++s) {
        bool left = false;
        for (const KeyEntry& e : rec.keys[s]) left |= e.dwFunID == kFunLeft;
        if (!left)
            return "Key set " + std::to_string(s + 1) +
                   " of the profile has no left button; nothing was imported.";
    }
    if (!IsRateCode(rec.rate24) || !IsRateCode(rec.rateBt)) {
        std::snprintf(text, sizeof text,
                      "The profile's report rates (0x%x, 0x%x) are not 125, 250, 500 or 1000 Hz; "
                      "nothing was imported.",
                      rec.rate24, rec.rateBt);
        return text;
    }
    // The desktop gets only what the window's sliders could have set.
    const std::vector<std::string> pointer = PointerSettingsOutOfRange(rec.pointer);
    if (!pointer.empty())
        return "The profile's " + pointer.front() + " is out of range; nothing was imported.";
    // Lighting: no value wider than the byte the mouse stores it in, and on a model with lighting
    // only the modes it knows.
    if (rec.lightMode > (model.ShowLED != 0 ? kLastLightingMode : 0xFFu))
        return "The profile's lighting mode " + std::to_string(rec.lightMode) +
               " does not exist; nothing was imported.";
    if (rec.lightSpeed > 0xFF || rec.lightBrightness > 0xFF) {
        const bool speed = rec.lightSpeed > 0xFF;
        return std::string("The profile's lighting ") + (speed ? "speed " : "brightness ") +
               std::to_string(speed ? rec.lightSpeed : rec.lightBrightness) +
               " is out of range (0 to 255); nothing was imported.";
    }
    if (rec.lightColor > 0xFFFFFF) {
        std::snprintf(text, sizeof text,
                      "The profile's lighting colour 0x%x is not a colour; nothing was imported.",
                      rec.lightColor);
        return text;
    }
    // The stages the mouse will cycle through; the others are neither checked nor written.
    const int stages = StagesInUse(rec, model);
    for (int i = 0; i < stages; ++i) {
        const DpiStage& st = rec.stages[i];
        for (int32_t dpi : {st.xDpi, st.yDpi}) {
            if (DpiCode(model.Sensor, dpi)) continue;
            std::snprintf(
                text, sizeof text,
                "DPI stage %d of the profile holds %d DPI, which this mouse's sensor does "
                "not offer; nothing was imported.",
                i + 1, static_cast<int>(dpi));
            return text;
        }
    }
    return "";
}

std::vector<uint8_t> BuildExportImage(const ProfileRecord& rec, std::vector<KeyRef>* leftOut) {
    std::vector<uint8_t> image(kExportImageBytes, 0);
    EncodeProfile(rec, image.data());
    size_t slot = 0;
    for (int s = 0; s < kKeySets; ++s) {
        for (int k = 0; k < kKeysPerSet; ++k) {
            const KeyEntry& e = rec.keys[s][k];
            if (FunClass(e.dwFunID) != 0x05) continue;
            StMacro m;
            if (!CopyMacroById(e.dwMacroID, m)) continue;
            if (slot >= kExportMacroSlots) {
                if (leftOut) leftOut->push_back({s, k});
                continue;
            }
            EncodeMacroRecord(m, image.data() + kProfileRecordBytes + slot * kMacroRecordBytes);
            ++slot;
        }
    }
    return image;
}

int ExportProfile(const std::string& path) {
    const int level = g_nCurDpiLevel.load();
    std::optional<ProfileRecord> rec;
    if (!g_ProfileList.Edit([&](ProfileRecord& r) {
            r.curStage = level;
            rec = r;
        }))
        return -1;
    g_pfnLog("ExportProfile: g_nCurDpiLevel=%d", level);
    std::vector<KeyRef> leftOut;
    const std::vector<uint8_t> image = BuildExportImage(*rec, &leftOut);
    // What an earlier export into this folder left when it was killed.
    platform::RemoveStaleTempFilesBeside(path);
    int err = 0;
    if (!platform::WriteFileAtomic(path, image, &err)) {
        g_pfnLog("ExportProfile: CreateFile err=%d", err);
        NotifyUser("Create profile failed.", kDialogCaption);
        return 0;
    }
    // A copy for another computer: the profile alone is half of what the user set up.
    const AppRules rules = LoadAppRules(g_szDataDir + kAppRulesFile);
    if (!rules.rules.empty() && !SaveAppRules(rules, RulesFileBeside(path)))
        g_pfnLog("ExportProfile: the rules by application were not written beside it");
    if (!leftOut.empty()) {
        std::string keys;
        for (const KeyRef& r : leftOut) {
            char one[40];
            std::snprintf(one, sizeof one, "%sset %d key %d", keys.empty() ? "" : ", ", r.set + 1,
                          r.index + 1);
            keys += one;
        }
        g_pfnLog("ExportProfile: %zu macro keys left out", leftOut.size());
        NotifyUser("The file holds the macros of 10 keys. Left out: " + keys + ".", "Warning");
    }
    return 1;
}

std::string RulesFileBeside(const std::string& profilePath) {
    const size_t slash = profilePath.rfind('/');
    const size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = profilePath.rfind('.');
    // A dot in a folder's name or a name that is all extension (".zqa") is no extension.
    const size_t end = dot != std::string::npos && dot > nameAt ? dot : profilePath.size();
    return profilePath.substr(0, end) + ".rules.ini";
}

int ParseExportImage(const uint8_t* data, size_t size, ImportImage& out, std::string* message) {
    std::vector<uint8_t> image(kExportImageBytes, 0);
    std::memcpy(image.data(), data, std::min(size, kExportImageBytes));
    out.rec = DecodeProfile(image.data());
    if (out.rec.magic != kProfileMagic || out.rec.profileId == 0) {
        const std::string& tip = g_UiText.Tip(3);
        if (message) *message = tip.empty() ? "This is not a valid profile" : tip;
        return 0;
    }
    for (size_t i = 0; i < kExportMacroSlots; ++i) {
        DecodeMacroRecord(image.data() + kProfileRecordBytes + i * kMacroRecordBytes,
                          out.macros[i]);
    }
    // Every slot a macro key will take must be a whole, playable macro.
    for (int s = 0; s < kKeySets; ++s) {
        for (int k = 0; k < kKeysPerSet; ++k) {
            const KeyEntry& e = out.rec.keys[s][k];
            if (FunClass(e.dwFunID) != 0x05) continue;
            for (const StMacro& m : out.macros) {
                if (m.dwMacroID != e.dwMacroID || SlotIsUnused(m)) continue;
                if (!MacroSlotIsSound(m)) {
                    char text[160];
                    std::snprintf(text, sizeof text,
                                  "The macro of key %d (set %d) in this profile is damaged; "
                                  "nothing was imported.",
                                  k + 1, s + 1);
                    if (message) *message = text;
                    return 0;
                }
                break;
            }
        }
    }
    // Names from the file may lack their terminator or hold path characters.
    for (StMacro& m : out.macros)
        if (m.dwMagicNumber == kMacroMagic)
            SetMacroName(m, SanitizeMacroName(m.szName, kMacroNameUnits));
    return 1;
}

int ImportProfile(const std::string& path, bool profileReady, bool allowOtherSensor) {
    if (!g_ProfileList.HasCurrent()) return -1;
    if (!profileReady) {
        NotifyUser(g_UiText.tc_adv_str15, kDialogCaption);
        return 0;
    }
    std::vector<uint8_t> data;
    int err = 0;
    // Never more than an export image, and never a FIFO or device that could hang or flood us.
    if (!platform::ReadRegularFile(path, kExportImageBytes, data, &err)) {
        const std::string& tip = g_UiText.Tip(2);
        char text[300];
        if (tip.empty())
            std::snprintf(text, sizeof text, "Open Profile Err = %d", err);
        else
            std::snprintf(text, sizeof text, "%s %d", tip.c_str(), err);
        // The number alone tells the user nothing: the file and the reason follow it.
        NotifyUser(std::string(text) + " (" + path + ": " + platform::FileErrorText(err) + ")",
                   kDialogCaption);
        return 0;
    }
    if (data.empty()) {
        NotifyUser("Read profile failed.", kDialogCaption);
        return 0;
    }
    ImportImage img;
    std::string message;
    const DeviceModel* model = pSensorCfg.load();
    if (data.size() < kProfileRecordBytes) {
        message = "The file holds " + std::to_string(data.size()) +
                  " bytes, too few for a profile (" + std::to_string(kProfileRecordBytes) +
                  "); nothing was imported.";
    } else if (ParseExportImage(data.data(), data.size(), img, &message) && model) {
        // Files from before reads kept the stages in use mark every stage in use, so a 4-stage
        // mouse's fifth holds 0 DPI: a trailing stage without a value was never in use.
        for (int i = kMaxDpiStages - 1;
             i > 0 && img.rec.stages[i].xDpi == 0 && img.rec.stages[i].yDpi == 0; --i)
            img.rec.stages[i].disabled = 1;
        message = CheckImportRecord(img.rec, *model, allowOtherSensor);
    } else if (message.empty()) {
        message = "No mouse model is selected; nothing was imported.";
    }
    if (!message.empty()) {
        g_pfnLog("ImportProfile: refused %s: %s", path.c_str(), message.c_str());
        NotifyUser(message, kDialogCaption);
        return 0;
    }
    // The record is now this model's.
    img.rec.sensor = static_cast<uint32_t>(model->Sensor);

    // A macro used by several keys is stored once per key in the file; add it once.
    std::map<uint32_t, uint32_t> newIds;
    for (int s = 0; s < kKeySets; ++s) {
        for (int k = 0; k < kKeysPerSet; ++k) {
            KeyEntry& e = img.rec.keys[s][k];
            if (FunClass(e.dwFunID) != 0x05) continue;
            const uint32_t fileId = e.dwMacroID;
            if (auto it = newIds.find(fileId); it != newIds.end()) {
                e.dwMacroID = it->second;
                continue;
            }
            const StMacro* slot = nullptr;
            for (const StMacro& m : img.macros)
                if (m.dwMacroID == fileId && !SlotIsUnused(m)) {
                    slot = &m;
                    break;
                }
            if (!slot) continue;
            StMacro copy = *slot;
            if (ReplaceMacroById(copy) != 0) {
                newIds[fileId] = fileId;
                continue;
            }
            copy.dwMacroID = NewMacroID();
            // A name of its own, so the file of another macro of that name is not overwritten.
            if (!Add_Macro_Unique(&copy)) {
                g_pfnLog("ImportProfile: add macro failed");
                return 0;
            }
            newIds[fileId] = copy.dwMacroID;
            e.dwMacroID = copy.dwMacroID;
        }
    }

    int level = img.rec.curStage;
    g_ProfileList.Edit([&](ProfileRecord& r) {
        const uint32_t ownId = r.profileId;
        r = img.rec;
        r.profileId = ownId;
    });
    g_pfnLog("ImportProfile: g_nCurDpiLevel=%d", level);
    level = ClampStage(level, img.rec, *model);
    g_nCurDpiLevel = level;
    PostApply(kImportApplyFlags, 255);
    return 1;
}
