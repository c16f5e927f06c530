// Fuzzes the model table loader: arbitrary DEV_n sections, read into the table and then used the
// way the program uses a model (stages, colours, default keys, marks, DPI codes).
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/device_model.h"
#include "config/sensor_dpi.h"
#include "fuzz_quiet.h"
#include "platform/private_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = (MakeFuzzQuiet(), true);
    (void)quiet;
    // A section header first, so even short inputs reach the model keys.
    const std::string text =
        "[DEV_1]\nSensor=0x3325\n" + std::string(reinterpret_cast<const char*>(data), size);
    platform::PrivateProfile ini;
    ini.Parse(text);
    BuildSensorDpiTable(size & 1);
    if (!LoadDeviceModels(ini)) return 0;
    for (const DeviceModel& m : g_DeviceModels) {
        if (m.Sensor == 0) continue;
        if (m.DM < 1 || m.DM > kMaxDpiStages || m.DEFLEVEL < 0 || m.DEFLEVEL >= m.DM)
            __builtin_trap();
        if (m.KeyCount < 1 || m.KeyCount > kKeysPerSet) __builtin_trap();
        for (int i = 0; i < m.DM; ++i) DpiToCode(m.Sensor, m.DPI[i]);
        FillDefaultKeys(m);
    }
    return 0;
}
