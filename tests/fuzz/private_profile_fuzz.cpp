// Fuzzes the private-profile parser and reader with arbitrary file bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/private_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    platform::PrivateProfile ini;
    ini.Parse(bytes);
    // Look up names taken from the input itself as well as fixed ones.
    const std::string probe = size > 8 ? bytes.substr(size / 2, 8) : bytes;
    for (const std::string& section : {std::string("OPT"), std::string("DEV_1"), probe}) {
        for (const std::string& key : {std::string("Title"), std::string("Sensor"), probe}) {
            std::string out;
            ini.ReadString(section, key, out, 49);
            if (out.size() > 49 * 4) __builtin_trap();
            ini.GetInt(section, key, 7);
            ini.HasKey(section, key);
        }
    }
    platform::ProfileTextToInt(bytes, 3);
    return 0;
}
