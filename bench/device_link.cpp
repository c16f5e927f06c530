// Time per memory exchange of the device link against the virtual mouse with its default
// latency (1 ms per report each way), as a ratio to the protocol's lower bound: two one-way
// report latencies plus the pause the firmware needs after the exchange. The same exchanges
// run once more through the real hidraw backend on emulated nodes (FUSE), whose own round
// trip is measured apart.
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
#include "hidemu/emulator.h"
#include "platform/hidraw_backend.h"
#include "platform/hidraw_sysfs.h"
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

// ReadEEPROM exchanges and WriteEEPROM chunks on a link with a current device; false (with a
// line on stderr) when one fails.
bool TimeExchanges(CUSBDriver& link, int reads, int chunks, double& readMs, double& chunkMs) {
    uint8_t buf[8];
    const auto r0 = Clock::now();
    for (int i = 0; i < reads; ++i) {
        if (!ReadEEPROM((i * 8) % 0xD00, link, buf, 8)) {
            std::fprintf(stderr, "bench_device_link: read %d failed\n", i);
            return false;
        }
    }
    readMs = MsPer(Clock::now() - r0, reads);
    std::vector<uint8_t> data(static_cast<size_t>(chunks) * 8);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
    const auto w0 = Clock::now();
    if (!WriteEEPROM(0, static_cast<int>(data.size()), link, 0x200, data.data())) {
        std::fprintf(stderr, "bench_device_link: write failed\n");
        return false;
    }
    chunkMs = MsPer(Clock::now() - w0, chunks);
    return true;
}

// 8-byte memory reads straight on a backend (no reader thread, no queue), each followed by a
// read of its reply; milliseconds per round trip, or -1 when one fails.
double RawRoundTrip(platform::HidBackend& backend, platform::HidHandle cmd,
                    platform::HidHandle notify, int n) {
    const uint8_t cmdId = kCmdReadMemory;
    const uint8_t q[kRequestBytes] = {cmdId, 0, 0, 0, 8};
    const auto t0 = Clock::now();
    for (int i = 0; i < n; ++i) {
        if (!SendData(backend, cmd, q)) return -1;
        uint8_t reply[64];
        size_t got = 0;
        do {
            if (backend.ReadInput(notify, reply, sizeof reply, 100, &got) != platform::kHidOk)
                return -1;
        } while (reply[0] != kInputReportId || reply[1] != cmdId);
    }
    return MsPer(Clock::now() - t0, n);
}

// The interface of an emulated node for a role: the entry with that report id when the
// backend lists roles, else the node's only entry.
std::string PathOnNode(platform::HidBackend& backend, int node, int reportId) {
    std::string any;
    for (const auto& info : backend.Enumerate()) {
        if (platform::HidrawNodeOfName(info.path) != node) continue;
        if (info.reportId == reportId) return info.path;
        any = info.path;
    }
    return any;
}

// The rows through emulated hidraw nodes (fixture a: the vendor collection shares its node
// with keyboard and consumer control). Says why when they cannot run.
void HidrawRows(const sim::VirtualMouseSetup& setup, double readBound, double chunkBound) {
    const std::string why = hidemu::FuseUnavailableReason();
    if (!why.empty()) {
        std::printf("hidraw rows skipped: FUSE cannot be mounted here (%s)\n", why.c_str());
        return;
    }
    hidemu::Emulator emu;
    std::string error;
    if (!emu.Start("a", setup, error)) {
        std::printf("hidraw rows skipped: %s\n", error.c_str());
        return;
    }
    platform::HidrawBackend backend(emu.SysRoot(), emu.DevRoot());
    const int node = emu.NodeNumber(emu.CommandNode());
    const std::string cmdPath = PathOnNode(backend, node, kRequestReportId);
    const std::string notifyPath = PathOnNode(backend, node, kInputReportId);
    int err = 0;
    // The transport is timed on its own: the handles are set as the search sets them.
    CUSBDriver link(backend);
    link.m_hCmd = backend.Open(cmdPath, &err);
    link.m_hNotify = backend.Open(notifyPath, &err);
    if (link.m_hCmd == platform::kNoHidHandle || link.m_hNotify == platform::kNoHidHandle) {
        std::printf("hidraw rows skipped: the emulated vendor node does not open (err=%d)\n", err);
        return;
    }
    link.SetPaths(cmdPath, notifyPath);
    link.StartServiceThread();
    double readMs = 0, chunkMs = 0;
    const bool ok = TimeExchanges(link, kReads / 2, kChunks / 3, readMs, chunkMs);
    link.StopServiceThread();
    if (!ok) return;

    // The FUSE round trip: request and reply with a mouse that answers at once, against the
    // virtual backend doing the same.
    emu.Mouse().SetLatency(std::chrono::microseconds(0));
    const platform::HidHandle raw = backend.Open(notifyPath, &err);
    const double fuseMs = RawRoundTrip(backend, link.m_hCmd, raw, kReads);
    backend.Close(raw);
    sim::VirtualMouseBackend direct;
    direct.SetLatency(std::chrono::microseconds(0));
    direct.AddMouse(setup, error);
    platform::HidHandle dc = platform::kNoHidHandle, dn = platform::kNoHidHandle;
    for (const auto& info : direct.Enumerate()) {
        if (info.reportId == kRequestReportId) dc = direct.Open(info.path, &err);
        if (info.reportId == kInputReportId) dn = direct.Open(info.path, &err);
    }
    const double directMs = RawRoundTrip(direct, dc, dn, kReads);

    std::printf("hidraw ReadEEPROM:    %.3f ms, lower bound %.1f ms, ratio %.2f (%d exchanges)\n",
                readMs, readBound, readMs / readBound, kReads / 2);
    std::printf("hidraw WriteEEPROM:   %.3f ms, lower bound %.1f ms, ratio %.2f (%d chunks)\n",
                chunkMs, chunkBound, chunkMs / chunkBound, kChunks / 3);
    if (fuseMs > 0 && directMs > 0)
        std::printf(
            "FUSE round trip:      %.1f us per request and reply with a mouse that answers "
            "at once (virtual backend %.1f us): %.1f%% of the exchange's lower bound\n",
            fuseMs * 1000, directMs * 1000, 100 * (fuseMs - directMs) / readBound);
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
    double readMs = 0, chunkMs = 0;
    if (!TimeExchanges(link, kReads, kChunks, readMs, chunkMs)) return 1;

    // For context: the same read straight on the backend (a second notification handle, no
    // reader thread, no queue), which is what the virtual mouse's own timing allows.
    int err = 0;
    const platform::HidHandle raw = backend.Open(link.NotifyPath(), &err);
    const double rawMs =
        raw == platform::kNoHidHandle ? -1 : RawRoundTrip(backend, link.m_hCmd, raw, kReads);
    if (raw != platform::kNoHidHandle) backend.Close(raw);
    link.StopServiceThread();

    const double readBound = 2 * kOneWayMs + kReadPauseMs;
    const double chunkBound = 2 * kOneWayMs + kChunkPauseMs;
    std::printf("ReadEEPROM exchange:  %.3f ms, lower bound %.1f ms, ratio %.2f (%d exchanges)\n",
                readMs, readBound, readMs / readBound, kReads);
    std::printf("WriteEEPROM chunk:    %.3f ms, lower bound %.1f ms, ratio %.2f (%d chunks)\n",
                chunkMs, chunkBound, chunkMs / chunkBound, kChunks);
    std::printf("backend alone:        %.3f ms per read, ratio %.2f (no reader thread, no queue)\n",
                rawMs, rawMs / readBound);
    HidrawRows(setup, readBound, chunkBound);
    std::printf("target: ratio at most 1.30\n");
    return 0;
}
