// Fuzzes the program configuration: section "OPT" with every key, the lighting options "LedOpt%d"
// and the language list "Lang%d", then the model sections.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/program_config.h"
#include "config/sensor_dpi.h"
#include "fuzz_quiet.h"
#include "platform/private_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = (MakeFuzzQuiet(), true);
    (void)quiet;
    const std::string text = "[OPT]\n" + std::string(reinterpret_cast<const char*>(data), size);
    platform::PrivateProfile ini;
    ini.Parse(text);
    ClearProgramConfig();
    BuildSensorDpiTable(0);
    LoadProgramConfig(ini);
    const ProgramConfig& c = g_Config;
    if (c.LangCount < 0 || c.LangCount > kMaxLanguages) __builtin_trap();
    for (int i = 0; i < c.LangCount; ++i)
        if (c.Lang[i].folder.empty() || c.Lang[i].folder.find('/') != std::string::npos)
            __builtin_trap();
    if (c.appdir.empty() || c.appdir.find('/') != std::string::npos || c.appdir == "..")
        __builtin_trap();
    return 0;
}
