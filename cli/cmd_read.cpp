// mivora-cli read [--json]: identify the mouse, load its stored profile, read the mouse into it
// and print the result.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/profile_command.h"
#include "config/device_model.h"
#include "macro/key_names.h"
#include "platform/terminal.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"
#include "profile/report_rates.h"

namespace {

// The rate as the window's rate buttons name it on that link; null for an unknown code.
std::string RateText(uint32_t rate, bool bluetooth) {
    const int hz = bluetooth ? BluetoothRateHz(rate) : ReceiverRateHz(rate);
    return hz < 0 ? "null" : std::to_string(hz);
}

std::string ColorText(uint32_t bgr) {
    char t[16];
    std::snprintf(t, sizeof t, "#%02x%02x%02x", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    return t;
}

std::string Hex32(uint32_t v) {
    char t[16];
    std::snprintf(t, sizeof t, "0x%08x", v);
    return t;
}

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char t[8];
                    std::snprintf(t, sizeof t, "\\u%04x", c);
                    out += t;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

uint32_t ComboWord(const KeyEntry& e) {
    return static_cast<uint32_t>(e.stCombo[0]) | static_cast<uint32_t>(e.stCombo[1]) << 8 |
           static_cast<uint32_t>(e.stCombo[2]) << 16 | static_cast<uint32_t>(e.stCombo[3]) << 24;
}

int StageCount(const DeviceModel& m) {
    return std::min(std::max(m.DM, 0), kMaxDpiStages);
}
int KeyCount(const DeviceModel& m) {
    return std::min(std::max(m.KeyCount, 0), kKeysPerSet);
}

std::string KeysJson(const DeviceModel& m, const ProfileRecord& r, int set) {
    std::string o = "[";
    for (int k = 0; k < KeyCount(m); ++k) {
        const KeyEntry& e = r.keys[set][k];
        if (k) o += ",";
        o += "{\"index\":" + std::to_string(k) + ",\"function\":\"" + Hex32(e.dwFunID) +
             "\",\"label\":" + JsonString(KeyFunctionLabel(e)) +
             ",\"matrix_pos\":" + std::to_string(e.dwMatrixPos) +
             ",\"macro_id\":" + std::to_string(e.dwMacroID) + ",\"combo\":\"" +
             Hex32(ComboWord(e)) + "\",\"parameter\":" + std::to_string(e.dwParameter) +
             ",\"fire_button\":" + std::to_string(e.dwFireButton) + "}";
    }
    return o + "]";
}

void PrintJson(const DeviceModel& m, const ProfileRecord& r) {
    std::string o = "{";
    char t[64];
    std::snprintf(t, sizeof t, "\"cid\":%d,\"mid\":%d,\"sensor\":\"0x%x\",", m.CID, m.MID,
                  m.Sensor);
    o += t;
    o += "\"report_rate\":{\"receiver\":" + RateText(r.rate24, false) +
         ",\"bluetooth\":" + RateText(r.rateBt, true) + "},";
    o += "\"current_stage\":" + std::to_string(g_nCurDpiLevel.load()) + ",\"stages\":[";
    for (int i = 0; i < StageCount(m); ++i) {
        const DpiStage& s = r.stages[i];
        if (i) o += ",";
        o += "{\"x\":" + std::to_string(s.xDpi) + ",\"y\":" + std::to_string(s.yDpi) +
             ",\"color\":\"" + ColorText(s.color) +
             "\",\"enabled\":" + (s.disabled == 0 ? "true" : "false") + "}";
    }
    const int set = r.KeySetIndex();
    o += "],\"key_set\":" + std::to_string(set) + ",\"keys\":" + KeysJson(m, r, set);
    // All three sets, numbered 1..3 as the user names them.
    o += ",\"current_key_set\":" + std::to_string(set + 1) + ",\"key_sets\":[";
    for (int s = 0; s < kKeySets; ++s) {
        if (s) o += ",";
        o += "{\"number\":" + std::to_string(s + 1) +
             ",\"current\":" + (s == set ? "true" : "false") + ",\"keys\":" + KeysJson(m, r, s) +
             "}";
    }
    o += "],\"lighting\":{\"mode\":" + std::to_string(r.lightMode) + ",\"color\":\"" +
         ColorText(r.lightColor) + "\",\"speed\":" + std::to_string(r.lightSpeed) +
         ",\"brightness\":" + std::to_string(r.lightBrightness) + "},";
    const PointerSettings& p = r.pointer;
    o += "\"pointer\":{\"scroll_lines\":" + std::to_string(p.scrollLines) +
         ",\"double_click_ms\":" + std::to_string(p.doubleClickMs) +
         ",\"speed\":" + std::to_string(p.speed) + ",\"precision\":" + std::to_string(p.precision) +
         ",\"trails\":" + std::to_string(p.trails) + "}}";
    std::printf("%s\n", o.c_str());
}

void PrintText(const DeviceModel& m, const ProfileRecord& r) {
    std::printf("model        cid %d, mid %d, sensor 0x%x\n", m.CID, m.MID, m.Sensor);
    std::printf("report rate  receiver %s Hz, bluetooth %s Hz\n", RateText(r.rate24, false).c_str(),
                RateText(r.rateBt, true).c_str());
    std::printf("DPI stages   current %d\n", g_nCurDpiLevel.load());
    for (int i = 0; i < StageCount(m); ++i) {
        const DpiStage& s = r.stages[i];
        std::printf("  %d: %d x %d  %s%s\n", i, s.xDpi, s.yDpi, ColorText(s.color).c_str(),
                    s.disabled ? "  (off)" : "");
    }
    const int set = r.KeySetIndex();
    std::printf("keys         set %d\n", set);
    for (int k = 0; k < KeyCount(m); ++k) {
        const KeyEntry& e = r.keys[set][k];
        std::printf("  %2d: 0x%08x  %s\n", k, e.dwFunID,
                    platform::TerminalSafe(KeyFunctionLabel(e)).c_str());
    }
    std::printf("lighting     mode %u, colour %s, speed %u, brightness %u\n", r.lightMode,
                ColorText(r.lightColor).c_str(), r.lightSpeed, r.lightBrightness);
    const PointerSettings& p = r.pointer;
    std::printf("pointer      scroll %d, double-click %d ms, speed %d, precision %d, trails %d\n",
                p.scrollLines, p.doubleClickMs, p.speed, p.precision, p.trails);
}

}  // namespace

int CmdRead(const CliOptions& opts, const std::vector<std::string>& args) {
    bool json = false;
    for (const auto& a : args) {
        if (a == "--json")
            json = true;
        else
            return CliFail("usage: mivora-cli read [--json]");
    }
    ProfileCommand cmd(opts);
    if (int rc = cmd.Start(true, ProfileCommand::Access::kReads)) return cmd.Finish(rc);
    // What the read found wrong ("Read invalidate dpi").
    for (const std::string& message : cmd.NewMessages())
        std::fprintf(stderr, "mivora-cli: %s\n", message.c_str());
    const DeviceModel* m = pSensorCfg.load();
    auto rec = g_ProfileList.Snapshot();
    if (!rec || !m) return cmd.Finish(CliFail("no profile"));
    if (json)
        PrintJson(*m, *rec);
    else
        PrintText(*m, *rec);
    return cmd.Finish(0);
}
