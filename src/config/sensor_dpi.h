// DPI values each sensor accepts, with the one-byte hardware code of each value.
#pragma once

#include <cstdint>
#include <optional>

constexpr int kSensorDpiSlots = 300;
constexpr int kSensorDpiEntries = 30;

struct SensorDpiEntry {
    int32_t sensor = 0;  // sensor code, 0 = free entry
    int32_t count = 0;   // valid values
    int32_t values[kSensorDpiSlots] = {};
    uint8_t codes[kSensorDpiSlots] = {};
};

extern SensorDpiEntry g_SensorDpiTable[kSensorDpiEntries];

// Clears the table and fills the nine built-in sensors; setp200 is the option "3325Setp200"
// (non-zero: sensor 0x3325 goes above 5000 in steps of 200 instead of 1000).
void BuildSensorDpiTable(int setp200);
// First entry with that sensor code; nullptr for 0 or an unknown sensor.
SensorDpiEntry* FindSensorEntry(int sensor);
// Hardware code of dpi for the sensor; nullopt when the sensor or the value has none. A
// sensor's lowest value may have code 0x00, so "has a code" is this answer, never code != 0.
std::optional<uint8_t> DpiCode(int sensor, int dpi);
// DpiCode's code, or 0 when there is none: for display and logs, never to decide.
int DpiToCode(int sensor, int dpi);
// DPI value of code for the selected model's sensor (pSensorCfg); 0 when none or no model.
int CodeToDpi(int code);
// The sensor's eight default stage values; nullptr when it has none.
const int* DefaultDpiList(int sensor);
