#include "profile/set_command.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

#include "config/device_model.h"
#include "config/sensor_dpi.h"
#include "core/utf.h"
#include "macro/key_names.h"
#include "macro/macro_library.h"
#include "profile/apply_thread.h"
#include "profile/function_codes.h"
#include "profile/key_assign.h"
#include "profile/profile_apply.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"
#include "profile/report_rates.h"

std::string OneLine(std::string s) {
    for (char& c : s)
        if (c == '\n' || c == '\r') c = ' ';
    const size_t a = s.find_first_not_of(' ');
    const size_t b = s.find_last_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

bool ParseIntArg(const std::string& text, long min, long max, long& out) {
    // strtol would skip spaces before the number but not after it: refuse both alike.
    if (text.empty() || std::isspace(static_cast<unsigned char>(text.front()))) return false;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < min || v > max) return false;
    out = v;
    return true;
}

namespace {

// The lighting modes the mouse knows (0..4), and the link bit of a model that has Bluetooth.
constexpr int kLightingModes = 5;
constexpr int kDevTyBluetooth = 0x02;

constexpr const char* kUsage =
    "usage: mivora-cli set dpi STAGE X [Y] | stage STAGE | rate HZ [--bluetooth] | "
    "light MODE [--color RRGGBB] [--speed N] [--brightness N] | key INDEX FUNCTION [--set N]";

// strtoul takes a sign and blanks; a code or colour on the command line takes neither.
bool IsHexDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

// Raw codes whose function is whole without a parameter, macro id, combination or fire button.
bool RawCodeNeedsNothing(uint32_t code) {
    switch (FunClass(code)) {
        case 0x01:
            return true;
        case 0x04: {
            size_t n = 0;
            const MediaKeyInfo* keys = MediaKeys(&n);
            for (size_t i = 0; i < n; ++i)
                if (code == (kFunMediaTitle | keys[i].index)) return true;
            return false;
        }
        case 0x08:
            return code == kFunOff || code == kFunDpiUp || code == kFunDpiDown ||
                   code == kFunDpiCycle || code == kFunLightSwitch || code == kFunSameAllSets;
        default:
            return false;
    }
}

// The key entry a FUNCTION argument stands for; false with a reason when it is not one.
bool ParseFunction(const std::string& text, KeyEntry& e, std::string& why) {
    static const struct {
        const char* name;
        uint32_t fun;
    } kPlain[] = {{"left", kFunLeft},          {"right", kFunRight},
                  {"middle", kFunMiddle},      {"forward", kFunForward},
                  {"back", kFunBack},          {"off", kFunOff},
                  {"dpi-up", kFunDpiUp},       {"dpi-down", kFunDpiDown},
                  {"dpi-cycle", kFunDpiCycle}, {"light-switch", kFunLightSwitch}};
    for (const auto& p : kPlain)
        if (text == p.name) {
            e.dwFunID = p.fun;
            return true;
        }
    const size_t colon = text.find(':');
    const std::string kind = text.substr(0, colon);
    const std::string rest = colon == std::string::npos ? "" : text.substr(colon + 1);
    if (kind == "media") {
        size_t n = 0;
        const MediaKeyInfo* keys = MediaKeys(&n);
        for (size_t i = 0; i < n; ++i)
            if (rest == keys[i].shortName) {
                e.dwFunID = kFunMediaTitle | keys[i].index;
                return true;
            }
        why = "unknown media key " + rest + "; valid names:";
        for (size_t i = 0; i < n; ++i) why += std::string(" ") + keys[i].shortName;
        return false;
    }
    if (kind == "combo") {
        why = ParseCombination(rest, e.stCombo);
        if (!why.empty()) return false;
        e.dwFunID = e.stCombo[0] ? kFunComboMod : kFunCombo;
        return true;
    }
    if (kind == "macro") {
        StMacro m;
        auto named = [&](const std::string& name) {
            std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
            const StMacro* found = FindMacroByName(name);
            return found && CopyMacroById(found->dwMacroID, m);
        };
        // A macro's name may hold ':' itself: the whole text first, then NAME:REPEAT split at
        // the last colon.
        std::string name = rest;
        long repeat = 1;
        if (!named(name)) {
            const size_t last = rest.rfind(':');
            const std::string count = last == std::string::npos ? "" : rest.substr(last + 1);
            const bool number =
                !count.empty() && std::all_of(count.begin(), count.end(), [](char c) {
                    return std::isdigit(static_cast<unsigned char>(c)) != 0;
                });
            if (number) {
                name = rest.substr(0, last);
                if (!ParseIntArg(count, 0, 255, repeat)) {
                    why = "macro:NAME[:REPEAT] with REPEAT 0..255";
                    return false;
                }
            }
            if (!number || !named(name)) {
                why = "no macro called " + name + " in the library";
                return false;
            }
        }
        e.dwFunID = kFunMacro;
        e.dwMacroID = m.dwMacroID;
        e.dwParameter = static_cast<uint32_t>(repeat);
        return true;
    }
    if (kind == "fire") {
        long count = 0;
        if (!ParseIntArg(rest, 1, 255, count)) {
            why = "fire:COUNT with COUNT 1..255";
            return false;
        }
        e.dwFunID = kFunFire;
        e.dwParameter = static_cast<uint32_t>(count);
        e.dwFireButton = 240;
        return true;
    }
    if (text.rfind("0x", 0) == 0 && text.size() > 2 && text.size() <= 10) {
        if (!IsHexDigits(text.substr(2))) {
            why = "a raw function code is 0x and hexadecimal digits: " + text;
            return false;
        }
        const uint32_t v = static_cast<uint32_t>(std::strtoul(text.c_str() + 2, nullptr, 16));
        if (!RawCodeNeedsNothing(v)) {
            why = text +
                  " needs a parameter a raw code cannot give; use combo:, media:, "
                  "macro: or fire:";
            return false;
        }
        e.dwFunID = v;
        // The mouse would get FF FF FF while read showed the code's name.
        if (MatrixCodeOf(e) == kNoMatrixCode) {
            why = "the mouse has no code for the function " + text;
            return false;
        }
        return true;
    }
    why = "unknown function " + text;
    return false;
}

int SetDpi(SetTarget& cmd, const std::vector<std::string>& a, const DeviceModel& m) {
    long stage = 0, x = 0, y = 0;
    const int stages = std::min(m.DM, kDeviceDpiStages);
    if (a.size() < 3 || a.size() > 4 || !ParseIntArg(a[1], 0, stages - 1, stage))
        return cmd.Fail("usage: mivora-cli set dpi STAGE X [Y] (STAGE 0.." +
                        std::to_string(stages - 1) + ")");
    // A refused value is named as the DPI value it is, not as a wrong stage.
    for (size_t i = 2; i < a.size(); ++i) {
        long v = 0;
        if (!ParseIntArg(a[i], std::numeric_limits<long>::min(), std::numeric_limits<long>::max(),
                         v))
            return cmd.Fail("the DPI value '" + a[i] + "' is not a whole number");
        if (v < 1 || v > 100000 || !DpiCode(m.Sensor, static_cast<int>(v)))
            return cmd.Fail(std::to_string(v) + " DPI is not a value of this mouse's sensor");
        (i == 2 ? x : y) = v;
    }
    if (a.size() == 3) y = x;
    g_ProfileList.Edit([&](ProfileRecord& r) {
        r.stages[stage].xDpi = static_cast<int32_t>(x);
        r.stages[stage].yDpi = static_cast<int32_t>(y);
    });
    return cmd.Apply(kApplyDpiValues, static_cast<int>(stage));
}

int SetLight(SetTarget& cmd, const std::vector<std::string>& a, const DeviceModel& m) {
    if (m.ShowLED == 0) return cmd.Fail("this mouse has no lighting");
    long mode = 0;
    if (a.size() < 2 || !ParseIntArg(a[1], 0, kLightingModes - 1, mode))
        return cmd.Fail("usage: mivora-cli set light MODE (0.." +
                        std::to_string(kLightingModes - 1) +
                        ") [--color RRGGBB] [--speed N] [--brightness N]");
    ProfileRecord r = *g_ProfileList.Snapshot();
    r.lightMode = static_cast<uint32_t>(mode);
    for (size_t i = 2; i < a.size(); i += 2) {
        if (i + 1 >= a.size()) return cmd.Fail(a[i] + " needs a value");
        long v = 0;
        if (a[i] == "--color") {
            char* end = nullptr;
            const unsigned long rgb = std::strtoul(a[i + 1].c_str(), &end, 16);
            if (a[i + 1].size() != 6 || *end != '\0' || !IsHexDigits(a[i + 1]))
                return cmd.Fail("--color takes RRGGBB in hexadecimal");
            r.lightColor =
                static_cast<uint32_t>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
        } else if (a[i] == "--speed" || a[i] == "--brightness") {
            // The mouse keeps one byte for each.
            if (!ParseIntArg(a[i + 1], 0, 255, v))
                return cmd.Fail(a[i] + " takes a whole number from 0 to 255, not '" + a[i + 1] +
                                "'");
            (a[i] == "--speed" ? r.lightSpeed : r.lightBrightness) = static_cast<uint32_t>(v);
        } else {
            return cmd.Fail(kUsage);
        }
    }
    g_ProfileList.Edit([&](ProfileRecord& cur) {
        cur.lightMode = r.lightMode;
        cur.lightColor = r.lightColor;
        cur.lightSpeed = r.lightSpeed;
        cur.lightBrightness = r.lightBrightness;
    });
    return cmd.Apply(kApplyLighting, 0);
}

// set key INDEX FUNCTION [--set N]: the current key set, or key set N (1..3) of the stored
// profile; the mouse holds the current set only, so another set is not written to it.
int SetKey(SetTarget& cmd, std::vector<std::string> a, const DeviceModel& m) {
    long setNumber = 0;
    for (size_t i = 1; i < a.size(); ++i) {
        if (a[i] != "--set") continue;
        if (i + 1 >= a.size() || !ParseIntArg(a[i + 1], 1, kKeySets, setNumber))
            return cmd.Fail("--set takes the key set 1, 2 or 3");
        a.erase(a.begin() + static_cast<long>(i), a.begin() + static_cast<long>(i) + 2);
        break;
    }
    long index = 0;
    const int keys = std::min(std::max(m.KeyCount, 1), kKeysPerSet);
    if (a.size() != 3 || !ParseIntArg(a[1], 0, keys - 1, index))
        return cmd.Fail("usage: mivora-cli set key INDEX FUNCTION [--set 1|2|3] (INDEX 0.." +
                        std::to_string(keys - 1) + ")");
    KeyEntry e;
    std::string why;
    if (!ParseFunction(a[2], e, why)) return cmd.Fail(why);
    // The mouse has nothing to switch; the window offers the function only with lighting.
    if (e.dwFunID == kFunLightSwitch && m.ShowLED == 0)
        return cmd.Fail("this mouse has no lighting to switch");
    const auto before = g_ProfileList.Snapshot();
    const int current = before ? before->KeySetIndex() : 0;
    const int set = setNumber ? static_cast<int>(setNumber) - 1 : current;
    // The window's rules apply (the last left button cannot be given away).
    cmd.BeginApply();
    if (set == current) {
        if (!AssignKeyFunction(static_cast<int>(index), e, true))
            return cmd.FailWithMessage("the key cannot take this function");
        return cmd.WaitApplied();
    }
    if (!AssignKeyFunctionInSet(set, static_cast<int>(index), e))
        return cmd.FailWithMessage("the key cannot take this function");
    // A function shared by all three sets changes the current set too: that reaches the mouse.
    const auto after = g_ProfileList.Snapshot();
    if (before && after && !(before->keys[current][index] == after->keys[current][index])) {
        if (int rc = cmd.Apply(kApplyKeys, static_cast<int>(index))) return rc;
        cmd.Print("key " + std::to_string(index) + " changed in key sets 1 to 3; the mouse holds " +
                  "key set " + std::to_string(current + 1) + " and has it\n");
        return 0;
    }
    cmd.Print("key " + std::to_string(index) + " of key set " + std::to_string(set + 1) +
              " changed in the stored profile; the mouse holds key set " +
              std::to_string(current + 1) + ", so nothing was written to it\n");
    return 0;
}
}  // namespace

int RunSetCommand(SetTarget& cmd, const std::vector<std::string>& a) {
    if (a.empty()) return cmd.Fail(kUsage);
    const DeviceModel& m = *pSensorCfg.load();
    const std::string& what = a[0];
    if (what == "dpi") return SetDpi(cmd, a, m);
    if (what == "stage") {
        long stage = 0;
        const auto rec = g_ProfileList.Snapshot();
        const int stages = rec ? StagesInUse(*rec, m) : 1;
        if (a.size() != 2 || !ParseIntArg(a[1], 0, stages - 1, stage))
            return cmd.Fail("usage: mivora-cli set stage STAGE (0.." + std::to_string(stages - 1) +
                            ")");
        g_nCurDpiLevel = static_cast<int>(stage);
        return cmd.Apply(kApplyCurStage, 0);
    }
    if (what == "rate") {
        long hz = 0;
        const bool bt = a.size() == 3 && a[2] == "--bluetooth";
        // Over Bluetooth the rate the window's buttons show, or the receiver number of its code.
        uint32_t code = 0;
        if ((a.size() == 2 || bt) && ParseIntArg(a[1], 1, 100000, hz)) {
            code = RateCodeOfHz(static_cast<int>(hz), bt);
            if (!code && bt) code = RateCodeOfHz(static_cast<int>(hz), false);
        }
        if (!code)
            return cmd.Fail(
                "usage: mivora-cli set rate 125|250|500|1000 [--bluetooth] (over Bluetooth also "
                "90|115|133)");
        if (bt && !(m.DevTy & kDevTyBluetooth))
            return cmd.Fail(
                "this mouse connects through its receiver only; it has no Bluetooth "
                "rate");
        g_ProfileList.Edit([&](ProfileRecord& r) { (bt ? r.rateBt : r.rate24) = code; });
        return cmd.Apply(kApplyRates, 0);
    }
    if (what == "light") return SetLight(cmd, a, m);
    if (what == "key") return SetKey(cmd, a, m);
    return cmd.Fail(kUsage);
}

const char* SetUsage() {
    return kUsage;
}
