// mivora-hidemu: serves the emulated hidraw nodes of a fixture to other processes (the
// command-line tests run mivora-cli against them with --sysfs-root and --dev-root).
//
//   mivora-hidemu --fixture a|b|c|d|e|f [--state FILE] [--cid N --mid N]
//
// Prints "sys=DIR dev=DIR" once the nodes are served, then serves until standard input closes
// or SIGTERM/SIGINT arrives, and unmounts. The model table comes from cfg.ini beside the
// program; without codes the mouse is the first model in use.
//
// Lines on standard input change the device, each answered with "ok LINE" once done:
//   unplug        the receiver leaves
//   replug        it comes back under new node numbers
//   replug-same   it comes back under the numbers it had (the kernel reuses freed ones)
//   deny, allow   its nodes refuse to be opened (no udev rule), or may be opened again
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "config/device_model.h"
#include "config/program_config.h"
#include "hidemu/emulator.h"

namespace {

volatile sig_atomic_t g_stop = 0;

void OnSignal(int) {
    g_stop = 1;
}

int Usage(const char* why) {
    std::fprintf(stderr,
                 "mivora-hidemu: %s\nusage: mivora-hidemu --fixture a|b|c|d|e|f [--state FILE] "
                 "[--cid N --mid N]\n",
                 why);
    return 2;
}

bool ParseCode(const char* s, int& out) {
    char* end = nullptr;
    const long v = std::strtol(s, &end, 0);
    if (!*s || *end || v < 0 || v > 255) return false;
    out = static_cast<int>(v);
    return true;
}

std::string ProgramFolder() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./";
    std::string p(buf, static_cast<size_t>(n));
    return p.substr(0, p.rfind('/') + 1);
}

// Carries out one command line; false for an unknown one.
bool Command(hidemu::Emulator& emu, const std::string& line) {
    if (line == "unplug") {
        emu.Unplug();
    } else if (line == "replug" || line == "replug-same") {
        emu.Replug(line == "replug-same");
    } else if (line == "deny" || line == "allow") {
        for (size_t n = 0; n < emu.Nodes().nodes.size(); ++n)
            emu.SetOpenDenied(static_cast<int>(n), line == "deny");
    } else {
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string fixture, state;
    int cid = -1, mid = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc) return Usage(("missing value after " + a).c_str());
        const char* v = argv[++i];
        if (a == "--fixture") {
            fixture = v;
        } else if (a == "--state") {
            state = v;
        } else if (a == "--cid" || a == "--mid") {
            if (!ParseCode(v, a == "--cid" ? cid : mid))
                return Usage((a + " takes a code from 0 to 255").c_str());
        } else {
            return Usage(("unknown option " + a).c_str());
        }
    }
    if (fixture.empty()) return Usage("--fixture is needed");

    LoadConfig(ProgramFolder());
    sim::VirtualMouseSetup setup;
    for (const DeviceModel& m : g_DeviceModels) {
        if (m.Sensor == 0 || (cid >= 0 && m.CID != cid) || (mid >= 0 && m.MID != mid)) continue;
        setup.model = &m;
        break;
    }
    if (!setup.model && (cid < 0 || mid < 0))
        return Usage("no model in cfg.ini to take the codes from; give --cid and --mid");
    setup.cid = cid >= 0 ? cid : setup.model->CID;
    setup.mid = mid >= 0 ? mid : setup.model->MID;
    if (g_Config.VID) setup.vendorId = g_Config.VID;
    if (g_Config.PID) setup.productId = g_Config.PID;
    if (g_Config.PIDBT) setup.btProductId = g_Config.PIDBT;
    if (fixture == "c") setup.link = sim::LinkKind::kBluetooth;
    setup.stateFile = state;

    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    hidemu::Emulator emu;
    std::string error;
    if (!emu.Start(fixture, setup, error)) {
        std::fprintf(stderr, "mivora-hidemu: %s\n", error.c_str());
        return 1;
    }
    std::printf("sys=%s dev=%s\n", emu.SysRoot().c_str(), emu.DevRoot().c_str());
    std::fflush(stdout);

    std::string pending;
    while (!g_stop) {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        const int r = ::poll(&p, 1, 200);
        if (r > 0) {
            char buf[256];
            const ssize_t got = ::read(STDIN_FILENO, buf, sizeof buf);
            if (got <= 0) break;  // closed
            pending.append(buf, static_cast<size_t>(got));
            if (pending.size() > 4096) pending.clear();  // no command is that long
            for (size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
                std::string line = pending.substr(0, nl);
                pending.erase(0, nl + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                if (line.empty()) continue;
                std::printf("%s %s\n", Command(emu, line) ? "ok" : "unknown", line.c_str());
                std::fflush(stdout);
            }
        } else if (r < 0 && errno != EINTR) {
            break;
        }
    }
    emu.Stop();
    return 0;
}
