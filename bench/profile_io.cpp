// Profile read and apply against the virtual mouse with its default latency model, each as a
// ratio to its lower bound: exchanges x two one-way latencies, plus the pauses the protocol
// prescribes (10 ms after each profile-block read and each slot buffer, 5 ms after each
// ReadROM piece, 8 ms after each whole write chunk).
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "config/device_model.h"
#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/paths.h"
#include "device/device_discovery.h"
#include "macro/macro_library.h"
#include "platform/files.h"
#include "profile/function_codes.h"
#include "profile/profile_apply.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"
#include "profile/profile_read.h"
#include "sim/virtual_mouse.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kOneWayMs = 1.0;  // the virtual mouse's default latency per report
constexpr int kRuns = 3;
constexpr int kMacroEvents = 30;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Pauses of one WriteEEPROM of n bytes in chunks of 8: 8 ms after each whole chunk.
double WritePauseMs(int n) {
    return 8.0 * (n / 8);
}

struct Bench {
    std::unique_ptr<sim::VirtualMouseBackend> backend;
    std::unique_ptr<CUSBDriver> link;
};

void Report(const char* name, double ms, long exchanges, double pausesMs) {
    const double bound = exchanges * 2 * kOneWayMs + pausesMs;
    std::printf("%-34s %8.1f ms  bound %8.1f ms (%ld exchanges)  ratio %.2f%s\n", name, ms, bound,
                exchanges, ms / bound, ms / bound <= 1.3 ? "" : "  ABOVE TARGET 1.3");
}

}  // namespace

int main() {
    if (!InitAppDir()) return 1;
    LoadUiTexts(g_szAppDir + "text.xml");
    if (!LoadConfig(g_szAppDir)) {
        std::fprintf(stderr, "bench_profile_io: cfg.ini not usable\n");
        return 1;
    }
    g_Config.KeyMask = 0;
    g_Config.GoWithNoDev = 0;
    char tmpl[] = "/tmp/mivora-bench-XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    g_szDataDir = std::string(tmpl) + "/";
    DeviceModel* model = pSensorCfg.load();
    if (!model) return 1;

    Bench b;
    b.backend = std::make_unique<sim::VirtualMouseBackend>();  // default latency
    sim::VirtualMouseSetup setup;
    setup.cid = model->CID;
    setup.mid = model->MID;
    std::string error;
    if (b.backend->AddMouse(setup, error) < 0) {
        std::fprintf(stderr, "bench_profile_io: %s\n", error.c_str());
        return 1;
    }
    b.link = std::make_unique<CUSBDriver>(*b.backend);
    if (FindDev(*b.link) != 1) {
        std::fprintf(stderr, "bench_profile_io: the virtual mouse was not found\n");
        return 1;
    }
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
    Report("read, no macro keys", ms, ex, 7 * 10.0);

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
    Report("apply, eight macro keys", ms, ex,
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
    Report("read, eight macro keys of 30", ms, ex, 7 * 10.0 + slotReads * 5.0);

    b.link.reset();
    b.backend.reset();
    platform::RemoveTree(tmpl);
    return 0;
}
