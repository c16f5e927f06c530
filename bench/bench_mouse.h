// What each benchmark against the virtual mouse sets up: the program folder's configuration and
// texts, a data folder of its own (removed at the end), and one virtual mouse of the configured
// model with the default latency, found by the engine's own search.
#pragma once

#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "config/device_model.h"
#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/log.h"
#include "core/paths.h"
#include "device/device_discovery.h"
#include "device/usb_driver.h"
#include "platform/files.h"
#include "sim/virtual_mouse.h"

namespace bench {

using Clock = std::chrono::steady_clock;
constexpr double kOneWayMs = 1.0;  // the virtual mouse's default latency per report

inline double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

class BenchMouse {
  public:
    BenchMouse() = default;
    BenchMouse(const BenchMouse&) = delete;
    BenchMouse& operator=(const BenchMouse&) = delete;
    ~BenchMouse() {
        link.reset();
        backend.reset();
        if (!m_dataDir.empty()) platform::RemoveTree(m_dataDir);
    }

    // False with a line on stderr that names the benchmark.
    bool Open(const char* bench) {
        if (!InitAppDir()) return Fail(bench, "the program folder was not found");
        LoadUiTexts(g_szAppDir + "text.xml");
        if (!LoadConfig(g_szAppDir)) return Fail(bench, "cfg.ini not usable");
        g_Config.KeyMask = 0;
        g_Config.GoWithNoDev = 0;
        g_nLogLevel = 0;
        char tmpl[] = "/tmp/mivora-bench-XXXXXX";
        if (!mkdtemp(tmpl)) return Fail(bench, "no data folder");
        m_dataDir = tmpl;
        g_szDataDir = m_dataDir + "/";
        model = pSensorCfg.load();
        if (!model) return Fail(bench, "no model in cfg.ini");
        backend = std::make_unique<sim::VirtualMouseBackend>();
        sim::VirtualMouseSetup setup;
        setup.cid = model->CID;
        setup.mid = model->MID;
        setup.model = model;
        std::string error;
        if (backend->AddMouse(setup, error) < 0) return Fail(bench, error.c_str());
        link = std::make_unique<CUSBDriver>(*backend);
        if (FindDev(*link) != 1) return Fail(bench, "the virtual mouse was not found");
        return true;
    }

    DeviceModel* model = nullptr;
    std::unique_ptr<sim::VirtualMouseBackend> backend;
    std::unique_ptr<CUSBDriver> link;

  private:
    static bool Fail(const char* bench, const char* why) {
        std::fprintf(stderr, "bench_%s: %s\n", bench, why);
        return false;
    }
    std::string m_dataDir;
};

// A time against its lower bound: exchanges x two one-way latencies plus the pauses the
// protocol prescribes.
inline void ReportRatio(const char* name, double ms, long exchanges, double pausesMs) {
    const double bound = exchanges * 2 * kOneWayMs + pausesMs;
    std::printf("%-38s %8.1f ms  bound %8.1f ms (%ld exchanges)  ratio %.2f%s\n", name, ms, bound,
                exchanges, ms / bound, ms / bound <= 1.3 ? "" : "  ABOVE TARGET 1.3");
}

}  // namespace bench
