// Faults the virtual mouse can inject, parsed from text such as
// "lost=0.1,drop=0.02,echo=0.05,late=0.02:300,unplug-after=400,fail-write=3:5,seed=7".
#pragma once

#include <cstdint>
#include <string>

namespace sim {

struct FaultSpec {
    double lost = 0.0;  // share of replies never sent (0..1)
    // Share of requests lost on the way in (0..1): the firmware never sees them, so a write
    // does not happen and no reply comes. Only drawn when non-zero, so older seeds replay.
    double drop = 0.0;
    // Share of write echoes damaged on the way back (0..1). The firmware has written the data
    // correctly; only the echo differs from the request, so a host that retries finds the
    // memory already right and one that trusts the echo would wrongly think it failed.
    double echo = 0.0;
    double late = 0.0;     // share of replies held back by lateMs
    int lateMs = 0;        // extra delay of a late reply, milliseconds
    long unplugAfter = 0;  // the mouse unplugs itself after this many requests; 0 = never
    // The firmware refuses memory writes numbered failWrite to failWrite + failWriteCount - 1
    // (counting writes only, from 1): it answers with the refused status and keeps its memory.
    // A host tries a refused write again, so a count of a few writes makes one change fail.
    long failWrite = 0;  // 0 = never
    long failWriteCount = 1;
    uint32_t seed = 1;  // same seed and same requests give the same faults

    bool Any() const {
        return lost > 0 || drop > 0 || echo > 0 || late > 0 || unplugAfter > 0 || failWrite > 0;
    }
};

// Parses a comma-separated list of key=value parts (an empty text gives no faults). Returns
// false with a one-line error naming the part that is wrong; spec is then left unchanged.
bool ParseFaultSpec(const std::string& text, FaultSpec& spec, std::string& error);

}  // namespace sim
