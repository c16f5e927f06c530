// The fault text comes from the command line; malformed text must be refused, never crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include "sim/faults.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    sim::FaultSpec spec;
    std::string error;
    if (sim::ParseFaultSpec(text, spec, error)) {
        if (spec.lost < 0 || spec.lost > 1 || spec.echo < 0 || spec.echo > 1 || spec.late < 0 ||
            spec.late > 1 || spec.lateMs < 0 || spec.unplugAfter < 0)
            __builtin_trap();
    } else if (error.empty() || error.find('\n') != std::string::npos) {
        __builtin_trap();  // a refusal always says why, on one line
    }
    return 0;
}
