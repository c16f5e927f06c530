#include "sim/factory_image.h"

#include <algorithm>

#include "config/device_model.h"
#include "config/sensor_dpi.h"
#include "sim/key_encoding.h"

namespace sim {
namespace {

uint8_t RateCode(int rate) {
    switch (rate) {
        case 0x1000:
            return 1;
        case 0x500:
            return 2;
        case 0x250:
            return 4;
        case 0x125:
            return 8;
        default:
            return 0;
    }
}

void PutProtected(MemoryImage& m, int addr, uint8_t value) {
    m[addr] = value;
    m[addr + 1] = CheckByte(&value, 1);
}

}  // namespace

void BuildFactoryImage(const DeviceModel& model, MemoryImage& m) {
    m.fill(0);

    uint8_t rate = RateCode(model.DR);
    if (rate == 0) rate = 2;  // 500 Hz
    PutProtected(m, kAddrReportRate,
                 model.ReportTy == 1 ? rate : static_cast<uint8_t>(rate << 4 | rate));

    const int stages = std::clamp(model.DM, 0, kMemoryStages);
    PutProtected(m, kAddrStageCount, static_cast<uint8_t>(stages));
    const int current = model.DEFLEVEL >= 0 && model.DEFLEVEL < stages ? model.DEFLEVEL : 0;
    PutProtected(m, kAddrCurrentStage, static_cast<uint8_t>(current));
    for (int i = 0; i < kMemoryStages; ++i) {
        uint8_t* s = &m[kAddrStages + kStageBytes * i];
        if (i < stages) s[0] = s[1] = static_cast<uint8_t>(DpiToCode(model.Sensor, model.DPI[i]));
        s[2] = CheckByte(s, 2);
    }

    // Positions no default key uses stay disabled (00 00 00 55).
    bool used[kKeyMatrixEntries] = {};
    for (int slot = 0; slot < kKeyMatrixEntries; ++slot) {
        uint8_t* e = &m[kAddrKeyMatrix + kKeyMatrixEntryBytes * slot];
        e[3] = CheckByte(e, 3);
    }
    for (const KeyEntry& key : model.DefaultKeys[0]) {
        if (key.dwMatrixPos < 1 || key.dwMatrixPos > kKeyMatrixEntries) continue;
        const int slot = static_cast<int>(key.dwMatrixPos) - 1;
        if (used[slot]) continue;
        used[slot] = true;
        const EncodedKey enc = EncodeKey(key, slot);
        uint8_t* e = &m[kAddrKeyMatrix + kKeyMatrixEntryBytes * slot];
        e[0] = enc.matrixCode & 0xFF;
        e[1] = enc.matrixCode >> 8 & 0xFF;
        e[2] = enc.matrixCode >> 16 & 0xFF;
        e[3] = CheckByte(e, 3);
        if (!enc.hasBuffer) continue;
        uint8_t* buf = &m[kAddrKeySlots + kKeySlotBytes * slot];
        buf[29] = enc.kind;
        buf[30] = enc.subKind;
        const size_t n = std::min<size_t>(enc.events.size(), kKeySlotBytes - kSlotEventsOffset - 1);
        std::copy_n(enc.events.begin(), n, buf + kSlotEventsOffset);
        buf[kSlotEventsOffset + n] = CheckByte(buf + kSlotEventsOffset, n);
    }

    uint8_t* led = &m[kAddrLighting];
    led[0] = model.DefLEDMode & 0xFF;        // mode
    led[1] = 0xFF;                           // red
    led[2] = 0;                              // green
    led[3] = 0;                              // blue
    led[4] = model.DefLEDMode >> 16 & 0xFF;  // speed
    led[5] = model.DefLEDMode >> 8 & 0xFF;   // brightness
    led[6] = CheckByte(led, 6);
}

}  // namespace sim
