#include "profile/profile_json.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "macro/key_names.h"
#include "platform/terminal.h"
#include "profile/profile_defaults.h"
#include "profile/report_rates.h"

namespace {

// printf into the end of out.
[[gnu::format(printf, 2, 3)]] void Appendf(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (n > 0) {
        const size_t at = out.size();
        out.resize(at + static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data() + at, static_cast<size_t>(n) + 1, format, again);
        out.resize(at + static_cast<size_t>(n));
    }
    va_end(again);
}

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

std::string BuildJson(const DeviceModel& m, const ProfileRecord& r, int curStage) {
    std::string o = "{";
    char t[64];
    std::snprintf(t, sizeof t, "\"cid\":%d,\"mid\":%d,\"sensor\":\"0x%x\",", m.CID, m.MID,
                  m.Sensor);
    o += t;
    o += "\"report_rate\":{\"receiver\":" + RateText(r.rate24, false) +
         ",\"bluetooth\":" + RateText(r.rateBt, true) + "},";
    o += "\"current_stage\":" + std::to_string(curStage) + ",\"stages\":[";
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
    return o;
}

}  // namespace

std::string ProfileJson(const DeviceModel& m, const ProfileRecord& r, int curStage) {
    return BuildJson(m, r, curStage);
}

std::string ProfileText(const DeviceModel& m, const ProfileRecord& r, int curStage) {
    std::string o;
    Appendf(o, "model        cid %d, mid %d, sensor 0x%x\n", m.CID, m.MID, m.Sensor);
    Appendf(o, "report rate  receiver %s Hz, bluetooth %s Hz\n", RateText(r.rate24, false).c_str(),
            RateText(r.rateBt, true).c_str());
    Appendf(o, "DPI stages   current %d\n", curStage);
    for (int i = 0; i < StageCount(m); ++i) {
        const DpiStage& s = r.stages[i];
        Appendf(o, "  %d: %d x %d  %s%s\n", i, s.xDpi, s.yDpi, ColorText(s.color).c_str(),
                s.disabled ? "  (off)" : "");
    }
    const int set = r.KeySetIndex();
    Appendf(o, "keys         set %d\n", set);
    for (int k = 0; k < KeyCount(m); ++k) {
        const KeyEntry& e = r.keys[set][k];
        Appendf(o, "  %2d: 0x%08x  %s\n", k, e.dwFunID,
                platform::TerminalSafe(KeyFunctionLabel(e)).c_str());
    }
    Appendf(o, "lighting     mode %u, colour %s, speed %u, brightness %u\n", r.lightMode,
            ColorText(r.lightColor).c_str(), r.lightSpeed, r.lightBrightness);
    const PointerSettings& p = r.pointer;
    Appendf(o, "pointer      scroll %d, double-click %d ms, speed %d, precision %d, trails %d\n",
            p.scrollLines, p.doubleClickMs, p.speed, p.precision, p.trails);
    return o;
}
