// Time per memory exchange of the device link against the virtual mouse with its default
// latency (1 ms per report each way), as a ratio to the protocol's lower bound: two one-way
// report latencies plus the pause the firmware needs after the exchange.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "config/device_model.h"
#include "config/program_config.h"
#include "config/sensor_dpi.h"
#include "device/device_commands.h"
#include "device/device_discovery.h"
#include "device/transport.h"
#include "sim/virtual_mouse.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kOneWayMs = 1.0;      // the virtual mouse's default latency per report
constexpr double kReadPauseMs = 0.0;   // ReadEEPROM itself pauses after nothing
constexpr double kChunkPauseMs = 8.0;  // after every whole chunk of a write
constexpr int kReads = 300;
constexpr int kChunks = 300;  // 2400 bytes from 0x200: inside the key slot area

double MsPer(Clock::duration d, int n) {
    return std::chrono::duration<double, std::milli>(d).count() / n;
}

}  // namespace

int main() {
    ClearProgramConfig();
    BuildSensorDpiTable(0);
    g_Config.Retry = 3;
    g_Config.VID = 0x1209;
    g_Config.PID = 0x0007;
    DeviceModel& model = g_DeviceModels[0];
    model.CID = 0x21;
    model.MID = 0x07;
    model.Sensor = 0x3325;
    model.DM = 3;

    sim::VirtualMouseBackend backend;  // default latency
    sim::VirtualMouseSetup setup;
    setup.cid = model.CID;
    setup.mid = model.MID;
    std::string error;
    if (backend.AddMouse(setup, error) < 0) {
        std::fprintf(stderr, "bench_device_link: %s\n", error.c_str());
        return 1;
    }
    CUSBDriver link(backend);
    if (FindDev(link) != 1) {
        std::fprintf(stderr, "bench_device_link: the virtual mouse was not found\n");
        return 1;
    }

    uint8_t buf[8];
    const auto r0 = Clock::now();
    for (int i = 0; i < kReads; ++i) {
        if (!ReadEEPROM((i * 8) % 0xD00, link, buf, 8)) {
            std::fprintf(stderr, "bench_device_link: read %d failed\n", i);
            return 1;
        }
    }
    const double readMs = MsPer(Clock::now() - r0, kReads);

    std::vector<uint8_t> data(kChunks * 8);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
    const auto w0 = Clock::now();
    if (!WriteEEPROM(0, static_cast<int>(data.size()), link, 0x200, data.data())) {
        std::fprintf(stderr, "bench_device_link: write failed\n");
        return 1;
    }
    const double chunkMs = MsPer(Clock::now() - w0, kChunks);

    // For context: the same read straight on the backend (a second notification handle, no
    // reader thread, no queue), which is what the virtual mouse's own timing allows.
    int err = 0;
    const platform::HidHandle raw = backend.Open(link.NotifyPath(), &err);
    const uint8_t q[kRequestBytes] = {kCmdReadMemory, 0, 0, 0, 8};
    const auto b0 = Clock::now();
    for (int i = 0; i < kReads && raw != platform::kNoHidHandle; ++i) {
        uint8_t reply[kReportBytes];
        size_t got = 0;
        SendData(backend, link.m_hCmd.load(), q);
        do {
            if (backend.ReadInput(raw, reply, sizeof reply, 100, &got) != platform::kHidOk) break;
        } while (reply[1] != kCmdReadMemory);
    }
    const double rawMs = MsPer(Clock::now() - b0, kReads);
    if (raw != platform::kNoHidHandle) backend.Close(raw);

    const double readBound = 2 * kOneWayMs + kReadPauseMs;
    const double chunkBound = 2 * kOneWayMs + kChunkPauseMs;
    std::printf("ReadEEPROM exchange:  %.3f ms, lower bound %.1f ms, ratio %.2f (%d exchanges)\n",
                readMs, readBound, readMs / readBound, kReads);
    std::printf("WriteEEPROM chunk:    %.3f ms, lower bound %.1f ms, ratio %.2f (%d chunks)\n",
                chunkMs, chunkBound, chunkMs / chunkBound, kChunks);
    std::printf("backend alone:        %.3f ms per read, ratio %.2f (no reader thread, no queue)\n",
                rawMs, rawMs / readBound);
    std::printf("target: ratio at most 1.30\n");
    return 0;
}
