// mivora-ksession: the device session the window runs (periodic search, reader thread, the
// window's handling of found and lost messages), driven inside the kernel test's guest against
// the responder's real hidraw nodes. It tells the responder (by its process id) when to unplug,
// replug, vanish or hold a request, and prints "KTEST PASS name" / "KTEST FAIL name".
//
//   mivora-ksession --responder PID [--bluetooth]
//   mivora-ksession --check-keys STATE_FILE
//   mivora-ksession --probe
//
// --check-keys looks at a mouse's memory as the responder keeps it: every key matrix entry that
// plays a slot buffer must find a whole buffer there (known kind, events inside the buffer,
// matching check byte), else a key was left half-applied.
//
// --probe prints what the kernel answers on the mouse's command node to a feature report read
// (asked longer than the report) and write: uhid and usbhid differ in the lengths they give.
#include <fcntl.h>
#include <linux/hidraw.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "config/program_config.h"
#include "core/log.h"
#include "core/messages.h"
#include "device/device_commands.h"
#include "device/device_session.h"
#include "device/session_state.h"
#include "device/usb_driver.h"
#include "platform/hidraw_backend.h"
#include "platform/hidraw_sysfs.h"
#include "platform/user_dirs.h"

namespace {

using Clock = std::chrono::steady_clock;

// The memory layout the checker reads; kept here so a change of the program's own constants
// cannot make the check agree with a wrong write.
constexpr size_t kMatrixAt = 0x15;
constexpr size_t kMatrixEntries = 8;
constexpr size_t kSlotsAt = 0x200;
constexpr size_t kSlotBytes = 384;
constexpr size_t kSlotCountAt = 31;
constexpr uint8_t kBufferFunction = 4;

int g_failures = 0;

void Result(const char* name, bool ok, const std::string& why = "") {
    std::printf("KTEST %s %s\n", ok ? "PASS" : "FAIL", name);
    if (!ok) {
        ++g_failures;
        if (!why.empty()) std::printf("  %s\n", why.c_str());
    }
    std::fflush(stdout);
}

long MsSince(Clock::time_point t0) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count());
}

bool WaitFor(const std::function<bool()>& done, int ms) {
    const auto t0 = Clock::now();
    while (!done()) {
        if (MsSince(t0) > ms) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

int CheckKeys(const char* file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> mem((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
    if (mem.size() < kSlotsAt + kMatrixEntries * kSlotBytes) {
        std::printf("  %s: %zu bytes, not a mouse's memory\n", file, mem.size());
        return 1;
    }
    int bad = 0;
    for (size_t i = 0; i < kMatrixEntries; ++i) {
        const uint8_t* e = &mem[kMatrixAt + 4 * i];
        if (e[0] != kBufferFunction) continue;
        if (e[1] >= kMatrixEntries) {
            std::printf("  matrix %zu: slot %d does not exist\n", i, e[1]);
            ++bad;
            continue;
        }
        const uint8_t* b = &mem[kSlotsAt + kSlotBytes * e[1]];
        const bool kindKnown = (b[29] == 0x51 && b[30] == 0x04) ||
                               (b[29] == 0x52 && b[30] == 0x03) || (b[29] == 0x53 && b[30] == 0x02);
        const size_t length = 1 + 4 * static_cast<size_t>(b[kSlotCountAt]);
        uint8_t sum = 0;
        const bool inside = kSlotCountAt + length < kSlotBytes;
        for (size_t k = 0; inside && k < length; ++k)
            sum = static_cast<uint8_t>(sum + b[kSlotCountAt + k]);
        const bool checkOk = inside && b[kSlotCountAt + length] == static_cast<uint8_t>(0x55 - sum);
        if (!kindKnown || !checkOk) {
            std::printf("  matrix %zu -> slot %d: kind %02x %02x, %d events, check byte %s\n", i,
                        e[1], b[29], b[30], b[kSlotCountAt], checkOk ? "good" : "bad");
            ++bad;
        }
    }
    return bad == 0 ? 0 : 1;
}

int Probe() {
    platform::HidrawBackend backend;
    for (const auto& i : backend.Enumerate()) {
        if (i.vendorId != g_Config.VID || i.reportId != 8 || i.featureLength != 15) continue;
        const std::string dev = "/dev/hidraw" + std::to_string(platform::HidrawNodeOfName(i.path));
        const int fd = ::open(dev.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) continue;
        uint8_t get[64] = {8};
        const int got = ::ioctl(fd, HIDIOCGFEATURE(sizeof get), get);
        uint8_t status[15] = {8, 2};  // connection status: harmless, answered on the input side
        status[14] = static_cast<uint8_t>(0x55 - 8 - 2);
        const int put = ::ioctl(fd, HIDIOCSFEATURE(sizeof status), status);
        std::printf("KTEST note %s: feature read of 64 gives %d, write of 15 gives %d\n",
                    dev.c_str(), got, put);
        ::close(fd);
        return 0;
    }
    std::printf("KTEST note no command node to probe\n");
    return 1;
}

// The window's side: the session's messages handled as the main window handles them.
class Window {
  public:
    Window(QueueMessageSink& sink, DeviceSession& session) : m_sink(sink), m_session(session) {
        m_thread = std::thread([this] { Run(); });
    }
    ~Window() {
        m_stop = true;
        m_thread.join();
    }
    std::atomic<int> found{0};
    std::atomic<int> bluetoothOut{0};

  private:
    void Run() {
        while (!m_stop) {
            PostedMessage m;
            if (!m_sink.Take(m, 50)) continue;
            if (m.msg == WM_FIND_DEVICE_OK) {
                ++found;
                m_session.OnFindDeviceOK(static_cast<int>(m.wParam));
            } else if (m.msg == WM_BLUETOOTH_OUT) {
                ++bluetoothOut;
                m_session.OnBluetoothOut();
            }
        }
    }
    QueueMessageSink& m_sink;
    DeviceSession& m_session;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Signals the responder and waits until its output (the guest keeps it in /tmp/resp.out) says
// it took the signal, so what follows meets the responder in its new state.
bool Tell(pid_t responder, int sig, const char* ack) {
    const char* out = "/tmp/resp.out";
    std::ifstream before(out, std::ios::binary | std::ios::ate);
    std::streamoff seen = before ? static_cast<std::streamoff>(before.tellg()) : 0;
    if (::kill(responder, sig) != 0) return false;
    return WaitFor(
        [&] {
            std::ifstream in(out, std::ios::binary);
            const std::string text((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
            if (static_cast<std::streamoff>(text.size()) < seen) seen = 0;  // emptied meanwhile
            return text.find(ack, static_cast<size_t>(seen)) != std::string::npos;
        },
        5000);
}

bool Arm(pid_t responder, const char* what) {
    FILE* f = std::fopen("/tmp/vanish-after", "w");
    if (!f) return false;
    std::fprintf(f, "%s\n", what);
    std::fclose(f);
    return Tell(responder, SIGHUP, "armed");
}

int RunSession(pid_t responder, bool bluetooth) {
    if (LoadConfig(platform::ExecutableDir() + "/") == 0) {
        std::printf("  no cfg.ini beside the program\n");
        return 1;
    }
    g_Config.ApplyNow = 1;
    platform::HidrawBackend backend;
    QueueMessageSink sink;
    CUSBDriver link(backend, &sink);
    link.m_nBluetoothLossDelayMs = 300;
    DeviceSession session(link, &sink, nullptr, nullptr);
    session.m_nFindFirstDelayMs = 0;
    session.m_nFindIntervalMs = 300;
    Window window(sink, session);
    // No udev daemon in the guest: the periodic search notices arrivals and removals.
    session.Start(nullptr);
    const std::string tag = bluetooth ? "session_bt_" : "session_";
    auto name = [&](const char* what) { return tag + what; };
    auto connected = [&] { return link.IsConnected() && g_bProfileReady.load() == 1; };
    auto readWorks = [&] {
        uint8_t mem[8];
        return ReadEEPROM(0x15, link, mem, 8) == 1;
    };

    const bool found = WaitFor(connected, 15000);
    Result(name("found").c_str(), found && readWorks() &&
                                      link.m_bBluetooth.load() == (bluetooth ? 1 : 0) &&
                                      window.found > 0);
    if (!found) {
        session.Stop();
        link.StopServiceThread();
        return 1;
    }

    // Unplugged and back: found again under the very node names it had.
    const std::string cmd = link.CmdPath(), notify = link.NotifyPath();
    ::kill(responder, SIGUSR1);
    const bool lost =
        WaitFor([&] { return !link.IsConnected() && g_bSearchDevice.load() == 1; }, 8000);
    // Over Bluetooth the reader's link-lost message or the periodic search, whichever is first.
    Result(name("unplug_noticed").c_str(), lost,
           "connected " + std::to_string(link.IsConnected()) + ", link-lost messages " +
               std::to_string(window.bluetoothOut.load()));
    ::kill(responder, SIGUSR2);
    const bool back = WaitFor(connected, 15000);
    Result(name("replug_same_nodes").c_str(),
           back && link.CmdPath() == cmd && link.NotifyPath() == notify && readWorks(),
           "before " + cmd + " " + notify + ", after " + link.CmdPath() + " " + link.NotifyPath());

    // Gone in the middle of a read and of a write: the command fails, knows the mouse is gone,
    // and does so in bounded time; the session then finds the mouse again.
    struct Vanish {
        const char* name;
        const char* arm;
        std::function<int()> run;
    };
    uint8_t buf[256];
    std::vector<uint8_t> data(64);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(0xA0 + i);
    const Vanish cases[] = {
        {"vanish_read", "3", [&] { return ReadROM(0x200, link, buf, sizeof buf); }},
        {"vanish_write", "2 w", [&] { return WriteEEPROM(8, 64, link, 0xD00, data.data()); }},
    };
    for (const Vanish& v : cases) {
        if (!link.IsConnected() && !WaitFor(connected, 15000)) break;
        if (!Arm(responder, v.arm)) std::printf("  the responder did not arm\n");
        const auto t0 = Clock::now();
        const int r = v.run();
        const long ms = MsSince(t0);
        const bool gone = link.DeviceGone();
        Result(name(v.name).c_str(), r == 0 && gone && ms < 15000,
               "result " + std::to_string(r) + ", gone " + std::to_string(gone) + ", " +
                   std::to_string(ms) + " ms");
        const bool forgotten = WaitFor([&] { return !link.IsConnected(); }, 8000);
        ::kill(responder, SIGUSR2);
        const bool again = forgotten && WaitFor(connected, 15000) && readWorks();
        Result(name((std::string(v.name) + "_recovered").c_str()).c_str(), again);
    }

    // An unrelated device leaves while our request is pending on the mouse: the kernel holds the
    // removal until the request ends, and the program must neither hang nor lose the mouse.
    if (!bluetooth && (link.IsConnected() || WaitFor(connected, 15000))) {
        if (!Tell(responder, SIGWINCH, "holding")) std::printf("  the responder did not answer\n");
        const auto t0 = Clock::now();
        uint8_t mem[8];
        const int r = ReadEEPROM(0x15, link, mem, 8);
        const long ms = MsSince(t0);
        std::printf("  read with a request held: result %d after %ld ms\n", r, ms);
        const bool bounded = ms < 12000;
        const bool recovered = WaitFor([&] { return connected() && readWorks(); }, 15000);
        Result("pending_request_removal", bounded && recovered,
               std::to_string(ms) + " ms, recovered " + std::to_string(recovered));
    }

    const auto t0 = Clock::now();
    session.Stop();
    link.StopServiceThread();
    Result(name("stops").c_str(), MsSince(t0) < 5000, std::to_string(MsSince(t0)) + " ms");
    return g_failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    pid_t responder = 0;
    bool bluetooth = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--check-keys" && i + 1 < argc) return CheckKeys(argv[i + 1]);
        if (a == "--probe") return LoadConfig(platform::ExecutableDir() + "/") ? Probe() : 1;
        if (a == "--responder" && i + 1 < argc)
            responder = static_cast<pid_t>(std::atoi(argv[++i]));
        else if (a == "--bluetooth")
            bluetooth = true;
    }
    if (responder <= 0) {
        std::fprintf(stderr, "usage: mivora-ksession --responder PID [--bluetooth]\n");
        return 2;
    }
    return RunSession(responder, bluetooth);
}
