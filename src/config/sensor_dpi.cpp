// The built-in sensor DPI table and the conversions between DPI values and hardware codes.
#include "config/sensor_dpi.h"

#include <cstring>

#include "config/device_model.h"

SensorDpiEntry g_SensorDpiTable[kSensorDpiEntries];

namespace {

const uint8_t kListA[] = {0x10, 0x12, 0x15, 0x17, 0x1A, 0x1D, 0x1F, 0x22, 0x25, 0x27, 0x2A, 0x2D,
                          0x2F, 0x32, 0x34, 0x37, 0x3A, 0x3C, 0x3F, 0x42, 0x44, 0x47, 0x4A, 0x4C,
                          0x4F, 0x52, 0x54, 0x57, 0x59, 0x5C, 0x5F, 0x61, 0x64, 0x67, 0x69};
const uint8_t kListB[] = {0x0B, 0x0D, 0x10, 0x12, 0x15, 0x17, 0x1A, 0x1D, 0x1F, 0x22, 0x25,
                          0x27, 0x2A, 0x2D, 0x2F, 0x32, 0x34, 0x37, 0x3A, 0x3C, 0x3F};
const uint8_t kListC[] = {0x04, 0x06, 0x08, 0x0B, 0x0D, 0x0F, 0x12, 0x14, 0x16, 0x19,
                          0x1B, 0x1D, 0x20, 0x22, 0x24, 0x27, 0x29, 0x2B, 0x2E, 0x30,
                          0x32, 0x34, 0x37, 0x39, 0x3B, 0x3E, 0x40, 0x42, 0x45, 0x47,
                          0x49, 0x4C, 0x4E, 0x50, 0x53, 0x55, 0x57, 0x5A, 0x5C, 0x5E,
                          0x61, 0x63, 0x65, 0x68, 0x6A, 0x6C, 0x6F, 0x71, 0x73};
const uint8_t kListD[] = {
    0x00, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x10, 0x11, 0x12,
    0x13, 0x14, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1D, 0x1E, 0x1F, 0x20, 0x21, 0x23, 0x25, 0x26,
    0x27, 0x28, 0x29, 0x2A, 0x2C, 0x2D, 0x2E, 0x2F, 0x30, 0x32, 0x33, 0x34, 0x35, 0x36, 0x38, 0x39,
    0x3A, 0x3B, 0x3C, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x44, 0x45, 0x46, 0x47, 0x48, 0x4A, 0x4B, 0x4C,
    0x4D, 0x4E, 0x50, 0x51, 0x52, 0x53, 0x54, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5C, 0x5D, 0x5E, 0x5F,
    0x60, 0x62, 0x63, 0x64, 0x65, 0x66, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6E, 0x6F, 0x70, 0x71, 0x72,
    0x74, 0x75, 0x76, 0x77, 0x78, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x80, 0x81, 0x82, 0x83, 0x84, 0x86,
    0x87, 0x88, 0x89, 0x8A, 0x8C, 0x8D, 0x8E, 0x8F, 0x90, 0x92, 0x93, 0x94, 0x95, 0x96, 0x98, 0x99,
    0x9A, 0x9B, 0x9C, 0x9E, 0x9F, 0xA0, 0xA1, 0xA2, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xAA, 0xAB, 0xAC,
    0xAD, 0xAE, 0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD};
static_assert(sizeof(kListA) == 35 && sizeof(kListB) == 21 && sizeof(kListC) == 49 &&
              sizeof(kListD) == 160);

constexpr int kBaseC = 49;      // 200..5000 step 100 with list C (0x3325, 0x4090)
constexpr int kBase3336 = 144;  // 50..7200 step 50, code = value / 50 - 1

void Append(SensorDpiEntry& e, int value, uint8_t code) {
    if (e.count >= kSensorDpiSlots) return;
    e.values[e.count] = value;
    e.codes[e.count] = code;
    ++e.count;
}

// An extension value v takes the code of v / 2 among the entry's base values.
void AppendExtension(SensorDpiEntry& e, int baseCount, int from, int to, int step) {
    for (int v = from; v <= to; v += step) {
        for (int i = 0; i < baseCount; ++i) {
            if (e.values[i] == v / 2) {
                Append(e, v, e.codes[i]);
                break;
            }
        }
    }
}

void FillListC(SensorDpiEntry& e) {
    for (int i = 0; i < kBaseC; ++i) Append(e, 200 + 100 * i, kListC[i]);
}

struct DefaultList {
    int sensor;
    int values[kMaxDpiStages];
};
const DefaultList kDefaults[] = {
    {0x3050, {750, 1000, 1500, 2000, 2500, 3000, 3500, 4000}},
    {0x3370, {750, 1000, 1500, 2000, 2500, 3000, 3500, 4000}},
    {0x5050, {750, 1000, 1250, 1500, 1750, 2000, 2500, 2750}},
    {0x5090, {500, 1000, 1250, 1500, 2000, 2500, 3000, 3500}},
    {0x9800, {1000, 1500, 2000, 3000, 3500, 4000, 5000, 8200}},
    {0x3212, {750, 1000, 1600, 2400, 3200, 4000, 5000, 7200}},
    {0x3320, {750, 1000, 1500, 2000, 2500, 3500, 4000, 5000}},
    {0x3330, {1000, 1500, 2000, 3000, 4000, 5000, 6000, 7200}},
    {0x3360, {1000, 1600, 2000, 3000, 4000, 5000, 6000, 8000}},
    {0x3610, {1000, 1600, 2000, 2400, 3000, 3200, 4000, 5600}},
    {0x3325, {800, 1200, 2000, 3200, 4000, 5200, 6000, 8000}},
    {0x7350, {600, 800, 1000, 1200, 1600, 2000, 2400, 3200}},
};

}  // namespace

void BuildSensorDpiTable(int setp200) {
    for (auto& e : g_SensorDpiTable) e = SensorDpiEntry{};
    SensorDpiEntry* t = g_SensorDpiTable;

    t[0].sensor = 0x3050;
    const int v3050[] = {500, 750, 1000, 1250, 1500, 1750, 2000, 2500, 3000, 3500, 4000};
    for (int i = 0; i < 11; ++i) Append(t[0], v3050[i], static_cast<uint8_t>(i + 1));

    t[1].sensor = 0x3330;
    for (int v = 50; v <= 7200; v += 50) Append(t[1], v, static_cast<uint8_t>(t[1].count));
    for (int v = 7300; v <= 12000; v += 100) Append(t[1], v, static_cast<uint8_t>(t[1].count));

    t[2].sensor = 0x3104;
    for (int i = 0; i < 35; ++i) Append(t[2], 600 + 100 * i, kListA[i]);

    t[3].sensor = 0x3212;
    for (int i = 0; i < 21; ++i) Append(t[3], 400 + 100 * i, kListB[i]);

    t[4].sensor = 0x3325;
    FillListC(t[4]);
    if (setp200)
        AppendExtension(t[4], kBaseC, 5200, 10000, 200);
    else
        AppendExtension(t[4], kBaseC, 6000, 10000, 1000);

    t[5].sensor = 0x3335;
    for (int i = 0; i < 160; ++i) Append(t[5], 100 + 100 * i, kListD[i]);

    t[6].sensor = 0x4090;
    FillListC(t[6]);
    AppendExtension(t[6], kBaseC, 5200, 10000, 200);

    t[7].sensor = 0x3336;
    for (int i = 0; i < kBase3336; ++i) Append(t[7], 50 * (i + 1), static_cast<uint8_t>(i));
    for (int v = 7300; v <= 12000; v += 100) Append(t[7], v, static_cast<uint8_t>(v / 100 - 1));

    t[8].sensor = 0x3370;
    for (int i = 0; i < 200; ++i) Append(t[8], 50 * (i + 1), static_cast<uint8_t>(i));
    for (int i = 0; i < 90; ++i) Append(t[8], 10100 + 100 * i, static_cast<uint8_t>(100 + i));
}

SensorDpiEntry* FindSensorEntry(int sensor) {
    if (sensor == 0) return nullptr;
    for (auto& e : g_SensorDpiTable)
        if (e.sensor == sensor) return &e;
    return nullptr;
}

std::optional<uint8_t> DpiCode(int sensor, int dpi) {
    const SensorDpiEntry* e = FindSensorEntry(sensor);
    // Unused slots of the table hold 0: no value at or below 0 is a sensor's.
    if (!e || dpi <= 0) return std::nullopt;
    const bool allSlots =
        sensor == 0x3325 || sensor == 0x4090 || sensor == 0x3336 || sensor == 0x3370;
    int n = allSlots ? kSensorDpiSlots : e->count;
    if (n < 0) n = 0;
    if (n > kSensorDpiSlots) n = kSensorDpiSlots;
    int at = -1;
    for (int i = 0; i < n && at < 0; ++i)
        if (e->values[i] == dpi) at = i;
    if (at < 0) return std::nullopt;
    if (sensor == 0x3330) {
        // Counted in 50s, above 7200 in 50s of half the value; only the list's values, so a
        // value between two of them never reads back as another.
        const int code = dpi <= 7200 ? dpi / 50 - 1 : (dpi / 2) / 50 - 1;
        if (code < 0 || code > 0xFF) return std::nullopt;
        return static_cast<uint8_t>(code);
    }
    return e->codes[at];
}

int DpiToCode(int sensor, int dpi) {
    return DpiCode(sensor, dpi).value_or(0);
}

int CodeToDpi(int code) {
    const DeviceModel* model = pSensorCfg.load();
    const int s = model ? model->Sensor : 0;
    if (s == 0) return 0;
    if (s == 0x3330 || s == 0x3370) return 50 * (code + 1);
    if (s == 0x3325 || s == 0x4090) {
        for (int i = 0; i < kBaseC; ++i)
            if (kListC[i] == code) return 200 + 100 * i;
        return 0;
    }
    if (s == 0x3336) return (code >= 0 && code < kBase3336) ? 50 * (code + 1) : 0;
    const SensorDpiEntry* e = FindSensorEntry(s);
    if (!e) return 0;
    const int n = e->count < 0 ? 0 : (e->count > kSensorDpiSlots ? kSensorDpiSlots : e->count);
    for (int i = 0; i < n; ++i)
        if (e->codes[i] == code) return e->values[i];
    return 0;
}

const int* DefaultDpiList(int sensor) {
    for (const auto& d : kDefaults)
        if (d.sensor == sensor) return d.values;
    return nullptr;
}
