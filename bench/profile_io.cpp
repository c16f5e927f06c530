// Profile read and apply against the virtual mouse with its default latency model, each as a
// ratio to its lower bound: exchanges x two one-way latencies, plus the pauses the protocol
// prescribes (10 ms after each profile-block read and each slot buffer, 5 ms after each
// ReadROM piece, 8 ms after each whole write chunk).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "bench_mouse.h"
#include "macro/macro_library.h"
#include "profile/function_codes.h"
#include "profile/profile_apply.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"
#include "profile/profile_read.h"

namespace {

using bench::Clock;
using bench::Ms;
constexpr int kRuns = 3;
constexpr int kMacroEvents = 30;

// Pauses of one WriteEEPROM of n bytes in chunks of 8: 8 ms after each whole chunk.
double WritePauseMs(int n) {
    return 8.0 * (n / 8);
}

}  // namespace

int main() {
    bench::BenchMouse b;
    if (!b.Open("profile_io")) return 1;
    ProfileRecord rec = MakeDefaultProfile();
    for (int k = 0; k < 8; ++k) rec.keys[0][k] = KeyEntry{kFunLeft, uint32_t(k + 1), 0, {}, 0, 0};

    auto measure = [&](auto&& fn, long& exchanges) {
        double best = 1e18;
        for (int i = 0; i < kRuns; ++i) {
            const long before = b.backend->Exchanges(0);
            const auto t0 = Clock::now();
            fn();
            best = std::min(best, Ms(Clock::now() - t0));
            exchanges = b.backend->Exchanges(0) - before;
        }
        return best;
    };

    // 1. Read without macro keys: 7 block pieces with 10 ms after each, the lighting block.
    if (ApplyProfileToDevice(rec, nullptr, b.link.get(), 0, kApplyKeys, kApplyAll) != 1) return 1;
    long ex = 0;
    double ms = measure(
        [&] {
            ProfileRecord r = rec;
            ReadProfileFromDevice(*b.link, r);
        },
        ex);
    bench::ReportRatio("read, no macro keys", ms, ex, 7 * 10.0);

    // 2. Apply eight macro keys of 30 events.
    for (int k = 0; k < 8; ++k) {
        StMacro m;
        InitMacroRecord("Bench " + std::to_string(k + 1), &m);
        for (int i = 0; i < kMacroEvents; ++i)
            m.stEvents[i] = {uint16_t(0x41 + k), uint16_t(i % 2 == 0), 20};
        rec.keys[0][k] = KeyEntry{kFunMacro, uint32_t(k + 1), AddMacroCopy(m)->dwMacroID, {}, 1, 0};
    }
    const int slotBytes = 32 + 1 + 4 * kMacroEvents;
    ms = measure(
        [&] { ApplyProfileToDevice(rec, nullptr, b.link.get(), 0, kApplyKeys, kApplyAll); }, ex);
    bench::ReportRatio("apply, eight macro keys", ms, ex,
                       8 * (WritePauseMs(slotBytes) + 10.0) + WritePauseMs(32));

    // 3. Read with eight macro keys: per slot the kind bytes, the events and the name block in
    //    ReadROM pieces (5 ms after each). The macros are in the library, so none is added.
    ms = measure(
        [&] {
            ProfileRecord r = rec;
            ReadProfileFromDevice(*b.link, r);
        },
        ex);
    const long slotReads = ex - 8;  // all but the block pieces and the lighting read
    bench::ReportRatio("read, eight macro keys of 30", ms, ex, 7 * 10.0 + slotReads * 5.0);

    return 0;
}
