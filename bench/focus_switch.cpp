// Per-application switching: the time from a focus event to the mouse holding the new key set,
// against the virtual mouse with its default latency (1 ms per report each way), when no macro
// slot changes. Printed next to the time of the same switch asked for directly (SwitchKeySet and
// the apply thread alone), so the ratio is what the focus path adds.
//
//   bench_focus_switch [--rounds N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "bench_mouse.h"
#include "platform/pointer_settings.h"
#include "profile/apply_thread.h"
#include "profile/focus_switcher_mouse.h"
#include "profile/key_set_switch.h"
#include "profile/pointer_apply.h"
#include "profile/profile_apply.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"

namespace {

using bench::Clock;
using bench::Ms;

platform::FocusedWindow App(const char* appId) {
    platform::FocusedWindow w;
    w.appId = appId;
    w.pid = 1;
    return w;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 20;
    if (argc == 3 && std::strcmp(argv[1], "--rounds") == 0) rounds = std::atoi(argv[2]);
    if (rounds < 1) {
        std::fprintf(stderr, "usage: bench_focus_switch [--rounds N]\n");
        return 2;
    }
    SetPointerSettingsBackend(platform::MakeNullPointerSettings());
    bench::BenchMouse b;
    if (!b.Open("focus_switch")) return 2;
    // Set 2 swaps two buttons of set 1: two matrix entries differ, no slot buffer.
    ProfileRecord rec = MakeDefaultProfile();
    for (int s = 0; s < kKeySets; ++s)
        for (int k = 0; k < kKeysPerSet; ++k) rec.keys[s][k] = rec.keys[0][k];
    std::swap(rec.keys[1][1].dwFunID, rec.keys[1][2].dwFunID);
    rec.curKeySet = 0;
    g_ProfileList.Replace(rec);
    g_ApplyThread.Start(b.link.get());
    PostApply(kApplyKeys, kApplyAll);
    if (!g_ApplyThread.WaitIdle(20000)) return 2;

    double direct = 0, directMax = 0;
    for (int i = 0; i < rounds * 2; ++i) {
        const auto t0 = Clock::now();
        if (!SwitchKeySet(i % 2 == 0 ? 1 : 0) || !g_ApplyThread.WaitIdle(20000)) return 1;
        const double ms = Ms(Clock::now() - t0);
        direct += ms;
        directMax = std::max(directMax, ms);
    }
    direct /= rounds * 2;

    FocusSwitcher switcher(MouseSwitchFn(20000, nullptr), 0, "");
    AppRules rules;
    rules.Put({"game", 1, -1});
    switcher.SetRules(rules);
    double focus = 0, focusMax = 0;
    const int failures = g_ApplyThread.Failures();
    for (int i = 0; i < rounds * 2; ++i) {
        switcher.OnFocus(App(i % 2 == 0 ? "game" : "browser"));
        if (!switcher.WaitIdle(20000)) return 1;
        const double ms = switcher.LastSwitchMicros() / 1000.0;
        focus += ms;
        focusMax = std::max(focusMax, ms);
    }
    focus /= rounds * 2;
    g_ApplyThread.Stop();
    if (switcher.Failures() || g_ApplyThread.Failures() != failures) {
        std::fprintf(stderr, "bench_focus_switch: a switch failed\n");
        return 1;
    }
    std::printf("switches: %d each way, virtual mouse 1 ms per report each way\n", rounds);
    std::printf("focus event -> mouse holds the set: %.1f ms mean, %.1f ms longest (goal 100)\n",
                focus, focusMax);
    std::printf("the same switch asked for directly: %.1f ms mean, %.1f ms longest\n", direct,
                directMax);
    std::printf("focus path / direct: %.2f\n", direct > 0 ? focus / direct : 0.0);
    return 0;
}
