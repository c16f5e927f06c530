// Fuzzes the number-list and byte-list parsers of cfg.ini values.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/cfg_values.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int max = data[0] % 40;  // includes 0 and more than most callers ask for
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    uint32_t values[40];
    uint8_t bytes[40];
    for (int base : {10, 16}) {
        const int n = ParseNumberList(text, base, values, max);
        if (n < 0 || n > max) __builtin_trap();
    }
    const int n = ParseByteList(text, bytes, max);
    if (n < 0 || n > max) __builtin_trap();

    platform::PrivateProfile ini;
    ini.Parse("[OPT]\nk=" + text + "\n");
    CfgPoint p;
    CfgRect r;
    ReadCfgPoint(ini, "OPT", "k", p, CfgPoint{1, 2});
    ReadCfgRect(ini, "k", r);
    ReadCfgColor(ini, "k", 0);
    return 0;
}
