// Reading the model sections "DEV_1".."DEV_30" of cfg.ini into the model table.
#include "config/device_model.h"

#include <cstdio>
#include <cstring>

#include "config/cfg_values.h"
#include "config/sensor_dpi.h"
#include "core/log.h"
#include "core/notifier.h"
#include "platform/private_profile.h"

DeviceModel g_DeviceModels[kMaxDeviceModels];
std::atomic<DeviceModel*> pSensorCfg{nullptr};
KeyEntry g_DefaultKeys[kKeySets][kKeysPerSet];
int g_ExKeyValue[5];

namespace {

constexpr int kModelNameChars = 39;

const uint32_t kDefaultStageColors[kMaxDpiStages] = {0x0000FF, 0xFF0000, 0x00FF00, 0xFF0080,
                                                     0x03C6FA, 0x6A03FA, 0xFF00FF, 0xFFFF00};

std::string Fmt(const char* fmt, int n) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, n);
    return buf;
}

std::string Fmt2(const char* fmt, int a, int b) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, a, b);
    return buf;
}

void Warn(const std::string& text) {
    NotifyUser(text, "Warning");
}
void Error(const std::string& text) {
    NotifyUser(text, "Error");
}

void ReadDpiTableOverrides(const platform::PrivateProfile& ini, const std::string& sec,
                           int sensor) {
    SensorDpiEntry* e = FindSensorEntry(sensor);
    if (!e) {
        Warn("Can't find sensor");
        return;
    }
    std::string text;
    bool haveSet = false;
    uint32_t v[kSensorDpiSlots];
    if (ini.ReadString(sec, "DPISET", text, 779) && !text.empty()) {
        const int n = ParseNumberList(text, 10, v, kSensorDpiSlots);
        std::memset(e->values, 0, sizeof e->values);
        e->count = n;
        for (int i = 0; i < n; ++i) e->values[i] = static_cast<int32_t>(v[i]);
        haveSet = true;
    }
    if (ini.ReadString(sec, "DPIHW", text, 519) && !text.empty()) {
        const int n = ParseNumberList(text, 16, v, kSensorDpiSlots);
        std::memset(e->codes, 0, sizeof e->codes);
        for (int i = 0; i < n; ++i) e->codes[i] = static_cast<uint8_t>(v[i] & 0xFF);
        if (e->count != n) Warn("DPISET Num != DPIHW Num");
    } else if (haveSet) {
        for (int j = 0; j < e->count; ++j) e->codes[j] = static_cast<uint8_t>(j + 1);
    }
}

void ReadStages(const platform::PrivateProfile& ini, const std::string& sec, DeviceModel& m) {
    std::string text;
    uint32_t v[kMaxDpiStages] = {};
    ini.ReadString(sec, "DPI", text, 259);
    const int n = ParseNumberList(text, 10, v, kMaxDpiStages);
    if (n == m.DM) {
        for (int i = 0; i < n; ++i) m.DPI[i] = static_cast<int>(v[i]);
    } else {
        if (n > 0) Warn("DPI != DM.");
        if (const int* def = DefaultDpiList(m.Sensor))
            for (int i = 0; i < kMaxDpiStages; ++i) m.DPI[i] = def[i];
    }
    const SensorDpiEntry* e = FindSensorEntry(m.Sensor);
    for (int i = 0; i < m.DM; ++i) {
        bool found = false;
        for (int j = 0; e && j < e->count && j < kSensorDpiSlots; ++j)
            if (e->values[j] == m.DPI[i]) found = true;
        if (!found) Warn(Fmt("Wrong default dpi value: %d", m.DPI[i]));
    }

    std::memcpy(m.DC, kDefaultStageColors, sizeof m.DC);
    uint8_t b[3 * kMaxDpiStages] = {};
    ini.ReadString(sec, "DC", text, 259);
    const int nb = ParseByteList(text, b, 3 * kMaxDpiStages);
    if (nb == 3 * m.DM) {
        for (int j = 0; j < m.DM; ++j)
            m.DC[j] = static_cast<int>(b[3 * j] | b[3 * j + 1] << 8 | b[3 * j + 2] << 16);
    } else if (nb > 0) {
        Warn("DC != DM.");
    }
}

// Parses table t into buf (which keeps what the previous table left); returns the keys taken.
int ParseKeyTable(const platform::PrivateProfile& ini, const std::string& sec, int t,
                  KeyEntry (&buf)[kKeysPerSet]) {
    buf[0].dwFunID = 0;
    int taken = 0;
    for (int k = 1; k <= kKeysPerSet; ++k) {
        std::string text;
        ini.ReadString(sec, Fmt2("K%d_%d", k, t), text, 49);
        uint32_t v[4] = {};
        if (ParseNumberList(text, 16, v, 4) != 4) continue;
        ++taken;
        KeyEntry& e = buf[k - 1];
        const uint32_t a = v[0], code = v[1] & 0xFF, c = v[2], d = v[3];
        e.dwFunID = (a & 0xFF) << 24 | code;
        e.dwMatrixPos = d & 0xFF;
        if (a == 8 && (code == 0xA4 || code == 0xA6 || code == 0xAD || code == 0xC0)) {
            e.dwParameter = c;
        } else if (a == 2) {
            e.dwFunID = 0x020000A1;
            e.stCombo[1] = static_cast<uint8_t>(v[1] & 0xFF);
            e.stCombo[2] = static_cast<uint8_t>((v[1] >> 8) & 0xFF);
            e.stCombo[0] = static_cast<uint8_t>(e.stCombo[0] | (c & 0x0F));
        } else if (a == 11) {
            e.dwFunID = 0x0B000000 | code;
            if (code > 4) {
                // No such value: leave the parameter empty rather than stale.
                e.dwParameter = 0;
                Error("Wrong ExKey Index");
            } else {
                e.dwParameter = static_cast<uint32_t>(g_ExKeyValue[code]);
                if (g_ExKeyValue[code] == 0) Error("UnSet ExKey Value");
            }
        }
    }
    return taken;
}

void ReadMarks(const platform::PrivateProfile& ini, const std::string& sec, DeviceModel& m) {
    for (int n = 1; n <= kKeysPerSet; ++n) {
        std::string text;
        if (!ini.ReadString(sec, Fmt("Mark%d", n), text, 49) || text.empty()) break;
        uint32_t v[4] = {};
        // Window coordinates: checked before the right and bottom edges are summed.
        constexpr uint32_t kMaxMarkValue = 0xFFFF;
        if (ParseNumberList(text, 10, v, 4) != 4 || v[0] > kMaxMarkValue || v[1] > kMaxMarkValue ||
            v[2] > kMaxMarkValue || v[3] > kMaxMarkValue) {
            Error("Mark value error");
            continue;
        }
        const int x = static_cast<int>(v[0]), y = static_cast<int>(v[1]);
        m.Mark[n - 1] = CfgRect{x, y, x + static_cast<int>(v[2]), y + static_cast<int>(v[3])};
    }
}

// Reads one section in use into m; returns 0 for an invalid MDNUM or KM, -1 when the section
// is refused (record left zero), 1 when read.
int ReadModel(const platform::PrivateProfile& ini, int n, DeviceModel& m) {
    const std::string sec = Fmt("DEV_%d", n);
    m.Sensor = ini.GetInt(sec, "Sensor", 0);
    m.CID = ini.GetInt(sec, "CID", 0);
    m.MID = ini.GetInt(sec, "MID", 0);
    ini.ReadString(sec, "Name", m.Name, kModelNameChars);
    ReadCfgPoint(ini, sec, "ptMark", m.ptMark, CfgPoint{337, 65});
    const int rateDefaults[4] = {0x125, 0x250, 0x500, 0x1000};
    for (int i = 0; i < 4; ++i) m.RATE[i] = ini.GetInt(sec, Fmt("RATE%d", i + 1), rateDefaults[i]);
    m.DR = ini.GetInt(sec, "DR", 0x500);
    m.ShowLOD = ini.GetInt(sec, "ShowLOD", 0);
    m.ShowLED = ini.GetInt(sec, "ShowLED", 0);
    m.DefLEDMode = ini.GetInt(sec, "DefLEDMode", 0x20200);
    m.DevTy = ini.GetInt(sec, "DevTy", 3);
    m.ReportTy = ini.GetInt(sec, "ReportTy", -1);
    if (m.ReportTy == -1) m.ReportTy = (m.DevTy == 1) ? 1 : 0;

    std::string text;
    uint32_t limits[20] = {};
    ini.ReadString(sec, "DpiLimit", text, 259);
    const int nl = ParseNumberList(text, 10, limits, 20);
    if (nl % 2) {
        Warn("wrong DpiLimit value");
    } else {
        for (int k = 0; k < kMaxDpiStages; ++k) {
            m.DpiLimitFirst[k] = static_cast<int>(limits[2 * k]);
            m.DpiLimitSecond[k] = static_cast<int>(limits[2 * k + 1]);
        }
    }

    m.DM = ini.GetInt(sec, "DM", 6);
    m.DPIH = ini.GetInt(sec, "DPIH", 48);
    m.DEFLEVEL = ini.GetInt(sec, "DEFLEVEL", 0);
    // The record holds eight stages; any other count would index outside it everywhere.
    if (m.DM < 1 || m.DM > kMaxDpiStages) {
        Error(Fmt2("DEV_%d: DM=%d is outside 1..8; the model is skipped", n, m.DM));
        return -1;
    }

    ReadDpiTableOverrides(ini, sec, m.Sensor);
    ReadStages(ini, sec, m);
    // The stage values are read as the section counts them; the mouse stores only five.
    if (m.DM > kDeviceDpiStages) {
        char note[128];
        std::snprintf(note, sizeof note,
                      "DEV_%d: DM=%d, but the mouse stores %d DPI stages; the first %d are used", n,
                      m.DM, kDeviceDpiStages, kDeviceDpiStages);
        Warn(note);
        m.DM = kDeviceDpiStages;
    }
    if (m.DEFLEVEL < 0 || m.DEFLEVEL >= m.DM) {
        g_pfnLog("LoadDeviceModels: DEV_%d DEFLEVEL=%d outside the stages, 0 used", n, m.DEFLEVEL);
        m.DEFLEVEL = 0;
    }

    m.KEYH = ini.GetInt(sec, "KEYH", 13);
    m.KEYY = ini.GetInt(sec, "KEYY", 116);
    const int mdnum = ini.GetInt(sec, "MDNUM", 9);
    if (mdnum != 3 && mdnum != 6 && mdnum != 9) return 0;
    m.MDNUM = mdnum / 3;
    const int km = ini.GetInt(sec, "KM", 32);
    if (km % 2 != 0 || km / 2 < 1 || km / 2 > kKeysPerSet) return 0;
    m.KeyCount = km / 2;

    KeyEntry buf[kKeysPerSet] = {};
    for (int t = 1; t <= kKeySets; ++t) {
        const int taken = ParseKeyTable(ini, sec, t, buf);
        if (taken > 0) {
            if (taken < m.KeyCount) Error("Key num to small");
            std::memcpy(m.DefaultKeys[t - 1], buf, sizeof buf);
        } else if (t > 1) {
            std::memcpy(m.DefaultKeys[t - 1], m.DefaultKeys[0], sizeof buf);
        }
    }
    ReadMarks(ini, sec, m);
    return 1;
}

}  // namespace

int LoadDeviceModels(const platform::PrivateProfile& ini) {
    for (int n = 1; n <= kMaxDeviceModels; ++n) {
        DeviceModel& m = g_DeviceModels[n - 1];
        m = DeviceModel{};
        if (ini.GetInt(Fmt("DEV_%d", n), "Sensor", 0) == 0) continue;
        const int r = ReadModel(ini, n, m);
        if (r == 0) {
            g_pfnLog("LoadDeviceModels: DEV_%d has an invalid MDNUM or KM", n);
            return 0;
        }
        if (r < 0) m = DeviceModel{};
    }
    pSensorCfg.store(&g_DeviceModels[0]);
    return 1;
}

int LoadDeviceModels(const std::string& cfgPath) {
    platform::PrivateProfile ini;
    ini.Load(cfgPath);
    return LoadDeviceModels(ini);
}

std::string ModelDisplayName(const DeviceModel& model) {
    if (!model.Name.empty()) return model.Name;
    return Fmt2("%02X%02X", model.CID & 0xFF, model.MID & 0xFF);
}

DeviceModel* FindDeviceModel(int cid, int mid) {
    for (auto& m : g_DeviceModels)
        if (m.Sensor != 0 && m.CID == cid && m.MID == mid) return &m;
    return nullptr;
}

void FillDefaultKeys(const DeviceModel& model) {
    std::memcpy(g_DefaultKeys, model.DefaultKeys, sizeof g_DefaultKeys);
}
