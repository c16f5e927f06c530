// Soak run: many randomized changes through the real apply path against a virtual mouse with
// faults on. After every request it checks the invariant that matters to users: when the apply
// reported success, the mouse holds exactly what a fault-free mouse holds after the same
// request; when it reported failure, the user was told. It also checks that no request hangs
// and that the mouse is found again after it unplugged itself. It runs one level of faults after
// the other (by default the levels below) and ends with a table of them.
//
//   bench_soak [--requests N] [--faults SPEC]... [--seed N] [--latency-us N] [--unplug-every N]
//              [--cid N --mid N]
//
// Exit status 0 when, at every level, there were no silent mismatches, untold failures, hangs or
// lost mice and every request was made.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "config/device_model.h"
#include "config/program_config.h"
#include "config/sensor_dpi.h"
#include "config/ui_text.h"
#include "core/log.h"
#include "core/messages.h"
#include "core/notifier.h"
#include "core/paths.h"
#include "device/device_commands.h"
#include "device/device_discovery.h"
#include "device/usb_driver.h"
#include "macro/macro_library.h"
#include "macro/macro_record.h"
#include "platform/files.h"
#include "profile/apply_thread.h"
#include "profile/function_codes.h"
#include "profile/pointer_apply.h"
#include "profile/profile_apply.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"
#include "sim/virtual_mouse.h"

namespace {

// From a quiet link to a very noisy one.
const char* const kDefaultLevels[] = {"", "lost=0.01,echo=0.01", "lost=0.05,echo=0.05",
                                      "lost=0.15,echo=0.10", "lost=0.30,echo=0.20"};

struct Options {
    long requests = 200;
    std::vector<std::string> levels;  // fault specs; empty: kDefaultLevels
    uint32_t seed = 7;
    long latencyUs = 1000;
    long unplugEvery = 50;  // pull the mouse out in the middle of every N-th request; 0 = never
    int cid = -1;
    int mid = -1;
};

// Counts what the user was told; the soak answers every question with OK.
class CountingNotifier : public Notifier {
  public:
    int Show(const std::string& text, const std::string& caption, unsigned) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_messages.push_back(caption + ": " + text);
        return IDOK;
    }
    std::vector<std::string> Take() {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<std::string> out;
        out.swap(m_messages);
        return out;
    }

  private:
    std::mutex m_mutex;
    std::vector<std::string> m_messages;
};

struct Figures {
    std::string faults;
    long requests = 0;
    long successes = 0;
    long reportedFailures = 0;
    long silentMismatches = 0;
    long untoldFailures = 0;
    long crashes = 0;  // stays 0 when the program gets to print it
    long hangs = 0;
    long unplugs = 0;
    long refinds = 0;
    long lostMice = 0;
    double longestMs = 0;
    double totalMs = 0;
    long replyTimeouts = 0;  // "WaitNotify TimeOut" lines
    long checkFailures = 0;  // "WriteEEPROM check failed" lines
};

std::mutex g_logMutex;
long g_timeoutLines = 0;
long g_checkLines = 0;

__attribute__((format(printf, 1, 2))) void CountingLog(const char* fmt, ...) {
    // Only the lines the figures need; the formatted text is not kept.
    std::string f = fmt;
    std::lock_guard<std::mutex> lock(g_logMutex);
    if (f.rfind("WaitNotify TimeOut", 0) == 0) ++g_timeoutLines;
    if (f.rfind("WriteEEPROM check failed", 0) == 0) ++g_checkLines;
}

bool ParseArgs(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&](const char* what) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "bench_soak: %s needs a value\n", what);
                return nullptr;
            }
            return argv[++i];
        };
        const char* v = nullptr;
        if (a == "--requests" && (v = next("--requests"))) {
            o.requests = std::strtol(v, nullptr, 10);
        } else if (a == "--faults" && (v = next("--faults"))) {
            o.levels.push_back(v);
        } else if (a == "--seed" && (v = next("--seed"))) {
            o.seed = static_cast<uint32_t>(std::strtoul(v, nullptr, 10));
        } else if (a == "--latency-us" && (v = next("--latency-us"))) {
            o.latencyUs = std::strtol(v, nullptr, 10);
        } else if (a == "--unplug-every" && (v = next("--unplug-every"))) {
            o.unplugEvery = std::strtol(v, nullptr, 10);
        } else if (a == "--cid" && (v = next("--cid"))) {
            o.cid = static_cast<int>(std::strtol(v, nullptr, 0));
        } else if (a == "--mid" && (v = next("--mid"))) {
            o.mid = static_cast<int>(std::strtol(v, nullptr, 0));
        } else {
            std::fprintf(stderr, "bench_soak: unknown argument %s\n", a.c_str());
            return false;
        }
    }
    return o.requests > 0;
}

// The first model in use with lighting, else the first model in use.
DeviceModel* PickModel(const Options& o) {
    if (o.cid >= 0) return FindDeviceModel(o.cid, o.mid);
    DeviceModel* first = nullptr;
    for (auto& m : g_DeviceModels) {
        if (m.Sensor == 0) continue;
        if (!first) first = &m;
        if (m.ShowLED) return &m;
    }
    return first;
}

// A search that tolerates lost identification replies: a few tries. The mouse may unplug itself
// during the search too (a fault of the mouse, not of the search): it is plugged back each time.
bool FindMouse(CUSBDriver& link, sim::VirtualMouseBackend* mouse = nullptr) {
    for (int i = 0; i < 10; ++i) {
        if (mouse && !mouse->IsPlugged(0)) mouse->Replug(0);
        if (FindDev(link) == 1) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

std::vector<uint32_t> g_macroIds;

void MakeMacros(std::mt19937& rng) {
    // Macros of different lengths, up to the 87 events a key slot holds.
    const int lengths[] = {2, 6, 30, 60, 87};
    for (int len : lengths) {
        StMacro m;
        InitMacroRecord("Soak " + std::to_string(len), &m);
        for (int e = 0; e < len && e < kMacroMaxEvents; ++e) {
            m.stEvents[e].wKey = static_cast<uint16_t>(0x41 + (rng() % 26));
            m.stEvents[e].wState = static_cast<uint16_t>(e % 2 == 0 ? 1 : 0);
            m.stEvents[e].dwDelay = 10 + rng() % 50;
        }
        if (StMacro* added = AddMacroCopy(m, "")) g_macroIds.push_back(added->dwMacroID);
    }
}

KeyEntry RandomKeyEntry(std::mt19937& rng, const KeyEntry& current) {
    KeyEntry e;
    e.dwMatrixPos = current.dwMatrixPos;
    static const uint32_t simple[] = {kFunLeft,     kFunRight,      kFunMiddle, kFunForward,
                                      kFunBack,     kFunOff,        kFunDpiUp,  kFunDpiDown,
                                      kFunDpiCycle, kFunLightSwitch};
    switch (rng() % 5) {
        case 0:
        case 1:
            e.dwFunID = simple[rng() % (sizeof simple / sizeof simple[0])];
            break;
        case 2: {
            size_t n = 0;
            const MediaKeyInfo* media = MediaKeys(&n);
            e.dwFunID = kFunMediaTitle | media[rng() % n].index;
            break;
        }
        case 3: {
            e.dwFunID = kFunComboMod;
            e.stCombo[0] = static_cast<uint8_t>(1 + rng() % 15);
            e.stCombo[1] = static_cast<uint8_t>(0x41 + rng() % 26);
            e.stCombo[2] = (rng() % 2) ? static_cast<uint8_t>(0x30 + rng() % 10) : 0;
            break;
        }
        default: {
            if (rng() % 2) {
                e.dwMacroID = g_macroIds[rng() % g_macroIds.size()];
                e.dwFunID = kFunMacro;
                e.dwParameter = 1 + rng() % 3;
            } else {
                e.dwFunID = kFunFire;
                e.dwParameter = 1 + rng() % 10;
                e.dwFireButton = static_cast<uint32_t>(kMouseCodeLeft + rng() % 5);
            }
            break;
        }
    }
    return e;
}

int RandomDpi(std::mt19937& rng, int sensor) {
    const SensorDpiEntry* entry = FindSensorEntry(sensor);
    if (!entry || entry->count <= 0) return 800;
    return entry->values[rng() % static_cast<unsigned>(entry->count)];
}

// One random change to the current profile; returns the request (nFlag, nData) that writes it.
ApplyRequest RandomChange(std::mt19937& rng, const DeviceModel& model) {
    ApplyRequest req;
    int keys = std::min(model.KeyCount, 8);
    int stages = std::min(model.DM, kDeviceDpiStages);
    switch (rng() % 9) {
        case 0:
        case 1:
        case 2: {  // one key
            int k = static_cast<int>(rng() % static_cast<unsigned>(keys));
            g_ProfileList.Edit([&](ProfileRecord& r) {
                KeyEntry& cur = r.keys[r.KeySetIndex()][k];
                cur = RandomKeyEntry(rng, cur);
            });
            req = {kApplyKeys, k};
            break;
        }
        case 3: {  // one DPI stage, or all of them
            bool all = rng() % 3 == 0;
            int s = static_cast<int>(rng() % static_cast<unsigned>(stages));
            g_ProfileList.Edit([&](ProfileRecord& r) {
                for (int i = 0; i < stages; ++i) {
                    if (!all && i != s) continue;
                    r.stages[i].xDpi = RandomDpi(rng, model.Sensor);
                    r.stages[i].yDpi =
                        (rng() % 2) ? r.stages[i].xDpi : RandomDpi(rng, model.Sensor);
                }
            });
            req = {kApplyDpiValues, all ? kApplyAll : s};
            break;
        }
        case 4: {  // stages in use and the current stage
            g_ProfileList.Edit([&](ProfileRecord& r) {
                for (int i = 1; i < stages; ++i) r.stages[i].disabled = (rng() % 4 == 0) ? 1 : 0;
            });
            g_nCurDpiLevel = static_cast<int>(rng() % static_cast<unsigned>(stages));
            req = {kApplyStageCount | kApplyCurStage, 0};
            break;
        }
        case 5: {  // report rates
            static const int rates[] = {0x125, 0x250, 0x500, 0x1000};
            g_ProfileList.Edit([&](ProfileRecord& r) {
                r.rate24 = static_cast<uint32_t>(rates[rng() % 4]);
                r.rateBt = static_cast<uint32_t>(rates[rng() % 4]);
            });
            req = {kApplyRates, 0};
            break;
        }
        case 6: {  // lighting
            g_ProfileList.Edit([&](ProfileRecord& r) {
                r.lightMode = rng() % 5;
                r.lightColor = rng() & 0xFFFFFF;
                r.lightSpeed = rng() % 8;
                r.lightBrightness = rng() % 8;
            });
            req = {kApplyLighting, 0};
            break;
        }
        case 7: {  // restore: defaults, pointer settings and device reset
            g_ProfileList.Edit([&](ProfileRecord& r) { FillProfileDefaults(r); });
            g_nCurDpiLevel = model.DEFLEVEL;
            req = {kApplyRestore, kApplyAll};
            break;
        }
        default:  // everything at once, as an import writes it
            req = {0x007F, kApplyAll};
            break;
    }
    return req;
}

// Addresses where the two memories differ, for the report of a silent mismatch.
std::string DiffText(const sim::MemoryImage& a, const sim::MemoryImage& b) {
    std::string out;
    int shown = 0;
    for (size_t i = 0; i < a.size() && shown < 8; ++i) {
        if (a[i] == b[i]) continue;
        char buf[48];
        std::snprintf(buf, sizeof buf, " 0x%03zx:%02x/%02x", i, a[i], b[i]);
        out += buf;
        ++shown;
    }
    return out;
}

bool IsFailureNotice(const std::string& m) {
    return m == "Error:    Update settings failed!      " || m == "Error: " + g_UiText.tc_msg15 ||
           m == "Error: " + DisconnectedText();
}

// One level of faults: a faulty mouse and its fault-free twin, the requests, the figures.
// Returns false when the run could not start (a message was printed).
bool RunLevel(const Options& opt, DeviceModel* model, const std::string& faultText, Figures& fig) {
    fig = Figures{};
    fig.faults = faultText;
    sim::FaultSpec faults;
    std::string err;
    if (!sim::ParseFaultSpec(faultText, faults, err)) {
        std::fprintf(stderr, "bench_soak: %s\n", err.c_str());
        return false;
    }
    faults.seed = opt.seed;
    {
        std::lock_guard<std::mutex> lock(g_logMutex);
        g_timeoutLines = g_checkLines = 0;
    }

    // The mouse under test and a fault-free twin that receives the same requests.
    sim::VirtualMouseBackend faulty, reference;
    sim::VirtualMouseSetup setup;
    setup.cid = model->CID;
    setup.mid = model->MID;
    setup.model = model;
    if (model->DevTy == 2) setup.link = sim::LinkKind::kBluetooth;
    sim::VirtualMouseSetup faultySetup = setup;
    faultySetup.faults = faults;
    if (faulty.AddMouse(faultySetup, err) < 0 || reference.AddMouse(setup, err) < 0) {
        std::fprintf(stderr, "bench_soak: %s\n", err.c_str());
        return false;
    }
    faulty.SetLatency(std::chrono::microseconds(opt.latencyUs));
    reference.SetLatency(std::chrono::microseconds(0));

    CUSBDriver link(faulty), refLink(reference);
    if (!FindMouse(refLink) || !FindMouse(link, &faulty)) {
        std::fprintf(stderr, "bench_soak: the virtual mouse was not found\n");
        ++fig.lostMice;
        return true;
    }
    pSensorCfg = model;

    // Every level starts from the same profile and random sequence.
    std::mt19937 rng(opt.seed);
    g_ProfileList.Replace(MakeDefaultProfile());
    g_nCurDpiLevel = model->DEFLEVEL;

    CountingNotifier notifier;
    SetNotifier(&notifier);
    g_ApplyThread.Start(&link);

    // Milliseconds a single request may take at most: every exchange of a full apply using its
    // whole retry budget is far below this; anything longer is a hang.
    const int kHangMs = 120000;
    for (long n = 0; n < opt.requests; ++n) {
        ApplyRequest req = RandomChange(rng, *model);
        auto snapshot = g_ProfileList.Snapshot();
        auto t0 = std::chrono::steady_clock::now();
        int failuresBefore = g_ApplyThread.Failures();
        g_ApplyThread.Post(req.nFlag, req.nData);
        std::thread puller;
        if (opt.unplugEvery > 0 && n % opt.unplugEvery == opt.unplugEvery - 1) {
            // The receiver is pulled out at a random moment of this request.
            int afterMs = static_cast<int>(rng() % 400);
            puller = std::thread([&faulty, afterMs] {
                std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
                faulty.Unplug(0);
            });
        }
        bool idle = g_ApplyThread.WaitIdle(kHangMs);
        if (puller.joinable()) puller.join();
        if (!idle) {
            ++fig.hangs;
            std::fprintf(stderr, "request %ld (0x%x, %d) did not finish\n", n, req.nFlag,
                         req.nData);
            break;
        }
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                        .count();
        fig.longestMs = std::max(fig.longestMs, ms);
        fig.totalMs += ms;
        ++fig.requests;
        bool failed = g_ApplyThread.Failures() != failuresBefore;
        auto told = notifier.Take();

        // The twin gets the same request on the same record.
        if (!snapshot || ApplyProfileToDevice(*snapshot, nullptr, &refLink, WM_PROGRESS, req.nFlag,
                                              req.nData) != 1) {
            std::fprintf(stderr, "request %ld: the fault-free twin failed\n", n);
            ++fig.lostMice;
            break;
        }

        if (!failed) {
            ++fig.successes;
            faulty.Drain();
            auto got = faulty.Memory(0);
            auto want = reference.Memory(0);
            if (got != want) {
                ++fig.silentMismatches;
                std::fprintf(stderr, "request %ld (0x%x, %d) reported success but differs:%s\n", n,
                             req.nFlag, req.nData, DiffText(got, want).c_str());
            }
        } else {
            ++fig.reportedFailures;
            bool toldUser = std::any_of(told.begin(), told.end(), IsFailureNotice);
            if (!toldUser) {
                ++fig.untoldFailures;
                std::fprintf(stderr, "request %ld failed without telling the user\n", n);
            }
        }
        // Start the next request from the same memory on both mice.
        auto now = faulty.Memory(0);
        reference.WriteMemory(0, 0, now.data(), static_cast<int>(now.size()));

        if (!faulty.IsPlugged(0)) {
            // The mouse went away: plug it back in and find it as the session would.
            ++fig.unplugs;
            CloseFoundDevices(link, true);
            ClearHandle(link);
            if (FindMouse(link, &faulty)) {
                ++fig.refinds;
            } else {
                ++fig.lostMice;
                std::fprintf(stderr, "the mouse was not found again after request %ld\n", n);
                break;
            }
            pSensorCfg = model;
        }
    }
    g_ApplyThread.Stop();
    SetNotifier(nullptr);
    std::lock_guard<std::mutex> lock(g_logMutex);
    fig.replyTimeouts = g_timeoutLines;
    fig.checkFailures = g_checkLines;
    return true;
}

bool LevelPassed(const Figures& f, long requests) {
    return f.silentMismatches == 0 && f.untoldFailures == 0 && f.hangs == 0 && f.lostMice == 0 &&
           f.requests == requests;
}

const char* LevelName(const Figures& f) {
    return f.faults.empty() ? "none" : f.faults.c_str();
}

void PrintTable(const std::vector<Figures>& levels, const Options& opt) {
    int w = 6;
    for (const auto& f : levels) w = std::max(w, static_cast<int>(std::strlen(LevelName(f))));
    std::printf("soak: %ld requests per level, seed %u, unplug every %ld\n", opt.requests, opt.seed,
                opt.unplugEvery);
    std::printf("%-*s %8s %9s %8s %8s %8s %6s %5s %9s %9s %9s\n", w, "faults", "requests",
                "successes", "failures", "silent", "untold", "hangs", "lost", "mean ms", "longest",
                "unplugs");
    for (const auto& f : levels) {
        const double share = f.requests > 0 ? 100.0 * f.successes / f.requests : 0.0;
        const double mean = f.requests > 0 ? f.totalMs / f.requests : 0.0;
        char unplugs[32];
        std::snprintf(unplugs, sizeof unplugs, "%ld/%ld", f.refinds, f.unplugs);
        std::printf("%-*s %8ld %8.2f%% %8ld %8ld %8ld %6ld %5ld %9.1f %9.0f %9s\n", w, LevelName(f),
                    f.requests, share, f.reportedFailures, f.silentMismatches, f.untoldFailures,
                    f.hangs, f.lostMice, mean, f.longestMs, unplugs);
    }
    std::printf(
        "(failures: reported to the user; silent: success reported but the memory differs from "
        "the fault-free twin; unplugs: refound/unplugged)\n");
    for (const auto& f : levels)
        std::printf("%-*s reply time-outs %ld, echo check failures %ld\n", w, LevelName(f),
                    f.replyTimeouts, f.checkFailures);
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    if (!ParseArgs(argc, argv, opt)) {
        std::fprintf(stderr,
                     "usage: bench_soak [--requests N] [--faults SPEC]... [--seed N] "
                     "[--latency-us N] [--unplug-every N] [--cid N --mid N]\n");
        return 2;
    }
    if (opt.levels.empty()) opt.levels.assign(std::begin(kDefaultLevels), std::end(kDefaultLevels));
    // Never touch the desktop's pointer settings from a test run.
    SetPointerSettingsBackend(platform::MakeNullPointerSettings());

    if (!InitAppDir() || !LoadConfig(g_szAppDir)) {
        std::fprintf(stderr, "bench_soak: cannot load cfg.ini from %s\n", g_szAppDir.c_str());
        return 2;
    }
    LoadUiTexts(g_szAppDir + "text.xml");
    g_nLogLevel = 1;
    g_pfnLog = CountingLog;
    g_Config.GoWithNoDev = 0;

    DeviceModel* model = PickModel(opt);
    if (!model) {
        std::fprintf(stderr, "bench_soak: no model in cfg.ini\n");
        return 2;
    }
    pSensorCfg = model;
    FillDefaultKeys(*model);
    std::mt19937 macroRng(opt.seed);
    MakeMacros(macroRng);

    std::vector<Figures> results;
    bool ok = true;
    for (const auto& level : opt.levels) {
        Figures fig;
        if (!RunLevel(opt, model, level, fig)) return 2;
        ok = LevelPassed(fig, opt.requests) && ok;
        results.push_back(fig);
    }
    PrintTable(results, opt);
    return ok ? 0 : 1;
}
