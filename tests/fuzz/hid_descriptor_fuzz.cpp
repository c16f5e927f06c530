// Report descriptors come from any device plugged in: the parser must hold up to every byte.
#include <cstddef>
#include <cstdint>

#include "platform/hid_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::HidDescriptorInfo info;
    if (platform::ParseHidDescriptor(data, size, info)) {
        // Lengths of an accepted descriptor stay within what hidraw can carry.
        for (int t = 0; t < platform::kHidReportTypes; ++t) {
            const int n = info.MaxLength(static_cast<platform::HidReportType>(t));
            if (n < 0 || n > 16384 + 1) __builtin_trap();
        }
        const int id = info.FirstReportId();
        if (id < 0 || id > 255) __builtin_trap();
    }
    return 0;
}
