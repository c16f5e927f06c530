// Switching the key set against the virtual mouse with its default latency model: the time from
// the switch request to the mouse holding the new set, as a ratio to its lower bound (exchanges
// x two one-way latencies, plus 8 ms after each whole chunk of a slot buffer written), for a
// switch between sets with the same macros and for one whose macro differs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "bench_mouse.h"
#include "macro/macro_library.h"
#include "profile/apply_thread.h"
#include "profile/function_codes.h"
#include "profile/key_set_switch.h"
#include "profile/profile_apply.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"

namespace {

using bench::Clock;
using bench::Ms;

constexpr int kRuns = 5;

StMacro BenchMacro(const std::string& name, int events, uint16_t key) {
    StMacro m;
    InitMacroRecord(name, &m);
    for (int i = 0; i < events; ++i) m.stEvents[i] = {key, uint16_t(i % 2 == 0), 20};
    return m;
}

// One switch from the request until the apply thread is idle; false when it failed.
bool TimedSwitch(sim::VirtualMouseBackend& backend, int set, double& ms, long& exchanges) {
    const int failures = g_ApplyThread.Failures();
    const long before = backend.Exchanges(0);
    const auto t0 = Clock::now();
    if (!SwitchKeySet(set) || !g_ApplyThread.WaitIdle(30000)) return false;
    ms = Ms(Clock::now() - t0);
    exchanges = backend.Exchanges(0) - before;
    return g_ApplyThread.Failures() == failures;
}

// Best of kRuns switches to `to`, each from `from` (switched back untimed).
bool Measure(sim::VirtualMouseBackend& backend, int from, int to, double& best, long& exchanges) {
    best = 1e18;
    for (int i = 0; i < kRuns; ++i) {
        double ms = 0, back = 0;
        long ex = 0, backEx = 0;
        if (!TimedSwitch(backend, to, ms, ex) || !TimedSwitch(backend, from, back, backEx))
            return false;
        if (ms < best) {
            best = ms;
            exchanges = ex;
        }
    }
    return true;
}

}  // namespace

int main() {
    bench::BenchMouse b;
    if (!b.Open("key_set_switch")) return 1;
    sim::VirtualMouseBackend* backend = b.backend.get();
    CUSBDriver* link = b.link.get();

    // Sets 0 and 1 play the same macro and media key and differ in three buttons; set 2 plays
    // another macro of the same length.
    constexpr int kEvents = 30;
    const uint32_t run = AddMacroCopy(BenchMacro("Run", kEvents, 0x41))->dwMacroID;
    const uint32_t jump = AddMacroCopy(BenchMacro("Jump", kEvents, 0x42))->dwMacroID;
    ProfileRecord rec = MakeDefaultProfile();
    const uint32_t buttons[8] = {kFunLeft,    kFunRight, kFunMiddle,  kFunBack,
                                 kFunForward, kFunDpiUp, kFunDpiDown, kFunDpiCycle};
    for (int s = 0; s < kKeySets; ++s) {
        for (int k = 0; k < 8; ++k)
            rec.keys[s][k] = KeyEntry{buttons[k], uint32_t(k + 1), 0, {}, 0, 0};
        rec.keys[s][3] = KeyEntry{kFunMacro, 4, s == 2 ? jump : run, {}, 1, 0};
        rec.keys[s][4] = KeyEntry{kFunMediaTitle | 0x26, 5, 0, {}, 0, 0};
    }
    rec.keys[1][5] = KeyEntry{kFunDpiDown, 6, 0, {}, 0, 0};
    rec.keys[1][6] = KeyEntry{kFunDpiUp, 7, 0, {}, 0, 0};
    rec.keys[1][7] = KeyEntry{kFunMiddle, 8, 0, {}, 0, 0};
    rec.curKeySet = 0;
    g_ProfileList.Replace(rec);

    g_ApplyThread.Start(link);
    PostApply(kApplyKeys, kApplyAll);
    if (!g_ApplyThread.WaitIdle(30000) || g_ApplyThread.Failures()) return 1;

    double ms = 0;
    long ex = 0;
    if (!Measure(*backend, 0, 1, ms, ex)) return 1;
    bench::ReportRatio("switch, same macros", ms, ex, 0);
    std::printf("%-38s %7.1f ms  (goal: under 100 ms)\n", "", ms);
    if (!Measure(*backend, 0, 2, ms, ex)) return 1;
    const int slotBytes = 33 + 4 * kEvents;
    bench::ReportRatio("switch, one macro differs", ms, ex, 8.0 * (slotBytes / 8));

    g_ApplyThread.Stop();
    return 0;
}
