// mivora-kresponder: plays the mouse inside the kernel test's guest. The nodes of an emulator
// fixture become real HID devices through /dev/uhid, backed by the same virtual mouse the host
// tests use; feature report 8 written by a program reaches the mouse's command interface and
// every report the mouse sends is input report 9 on each node that declares it.
//
//   mivora-kresponder --fixture a|c [--extra e|f]... [--state FILE] [--noise HZ] [--gadget]
//
// With --gadget the receiver is a USB device instead: a configfs HID gadget (one function per
// fixture node, no OUT endpoint, so SET_REPORT reaches /dev/hidgN) bound to dummy_hcd, and the
// kernel's usbhid drives it as it drives a real receiver.
//
// Prints "ready" once the devices exist. SIGUSR1 unplugs the main fixture's devices, SIGUSR2
// plugs them back in (the memory stays); SIGHUP makes them vanish after the number of command
// requests in /tmp/vanish-after ("N", or "N w" to count memory writes only), in the middle of
// whatever command runs then; SIGWINCH leaves the next command request unanswered and meanwhile
// unplugs the extra fixtures (the kernel holds a node's removal while a feature report is pending
// on another); SIGTERM ends. Extra fixtures are plugged for the whole run otherwise and answer
// nothing: they stand for unrelated devices that must never be probed.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/uhid.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config/device_model.h"
#include "config/program_config.h"
#include "hidemu/fixtures.h"
#include "platform/user_dirs.h"
#include "sim/virtual_mouse.h"

namespace {

volatile sig_atomic_t g_stop = 0;
volatile sig_atomic_t g_unplug = 0;
volatile sig_atomic_t g_replug = 0;
volatile sig_atomic_t g_arm = 0;
volatile sig_atomic_t g_stall = 0;
// Command requests still answered before the mouse vanishes in the middle of a command; -1 when
// not armed. SIGHUP arms it with the number in /tmp/vanish-after.
std::atomic<int> g_vanishAfter{-1};
std::atomic<bool> g_vanishOnWrites{false};  // count memory writes (command 3) only
constexpr uint8_t kCmdWriteMemory = 3;
// The next command request stays unanswered: set by SIGWINCH, taken by the server that holds it.
std::atomic<bool> g_holdNext{false};
std::atomic<bool> g_holding{false};

// True when this command request is the one the mouse vanishes on.
bool VanishesOn(const uint8_t* report, size_t n) {
    if (g_vanishAfter.load() < 0) return false;
    if (g_vanishOnWrites && (n < 2 || report[1] != kCmdWriteMemory)) return false;
    if (g_vanishAfter.fetch_sub(1) != 0) return false;
    g_vanishAfter = -1;
    g_unplug = 1;
    return true;
}

void OnSignal(int s) {
    if (s == SIGUSR1)
        g_unplug = 1;
    else if (s == SIGUSR2)
        g_replug = 1;
    else if (s == SIGHUP)
        g_arm = 1;
    else if (s == SIGWINCH)
        g_stall = 1;
    else
        g_stop = 1;
}

struct Device {
    hidemu::NodeSpec spec;
    bool bridged = false;  // feature 8 goes to the mouse
    int fd = -1;
    bool gadget = false;  // fd is /dev/hidgN: reports are written and read raw
    std::mutex writeMu;
};

bool gGadget = false;
const char kGadget[] = "/sys/kernel/config/usb_gadget/mivora";

bool WriteFile(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    return ok;
}

std::string FirstUdc() {
    DIR* d = ::opendir("/sys/class/udc");
    if (!d) return "";
    std::string name;
    while (dirent* e = ::readdir(d))
        if (e->d_name[0] != '.') name = e->d_name;
    ::closedir(d);
    return name;
}

// Builds the gadget once: one HID function per node, in interface order.
bool BuildGadget(std::vector<std::unique_ptr<Device>>& list, int vendorId, int productId) {
    const std::string g = kGadget;
    ::mkdir("/sys/kernel/config", 0755);
    ::mkdir(g.c_str(), 0755);
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%04x", vendorId);
    if (!WriteFile(g + "/idVendor", hex)) return false;
    std::snprintf(hex, sizeof hex, "0x%04x", productId);
    WriteFile(g + "/idProduct", hex);
    ::mkdir((g + "/strings/0x409").c_str(), 0755);
    WriteFile(g + "/strings/0x409/product", list.front()->spec.name);
    ::mkdir((g + "/configs/c.1").c_str(), 0755);
    for (size_t i = 0; i < list.size(); ++i) {
        const std::string f = g + "/functions/hid.usb" + std::to_string(i);
        ::mkdir(f.c_str(), 0755);
        int longest = 8;
        for (const auto& r : list[i]->spec.reports) longest = r.bytes > longest ? r.bytes : longest;
        WriteFile(f + "/report_length", std::to_string(longest));
        WriteFile(f + "/subclass", "0");
        WriteFile(f + "/protocol", "0");
        // Without it the kernel sends SET_REPORT to an OUT endpoint the host never uses.
        if (!WriteFile(f + "/no_out_endpoint", "1"))
            std::fprintf(stderr, "mivora-kresponder: no_out_endpoint not supported\n");
        if (!WriteBytes(f + "/report_desc", list[i]->spec.descriptor)) return false;
        if (::symlink(f.c_str(), (g + "/configs/c.1/hid.usb" + std::to_string(i)).c_str()) != 0)
            return false;
    }
    return true;
}

bool BindGadget(bool bind) {
    return WriteFile(std::string(kGadget) + "/UDC", bind ? FirstUdc() + "\n" : "\n");
}

bool WriteRaw(Device& d, const uint8_t* data, size_t n) {
    std::lock_guard<std::mutex> g(d.writeMu);
    if (d.fd < 0) return false;
    return ::write(d.fd, data, n) == static_cast<ssize_t>(n);
}

bool WriteEvent(Device& d, const uhid_event& ev) {
    std::lock_guard<std::mutex> g(d.writeMu);
    if (d.fd < 0) return false;
    return ::write(d.fd, &ev, sizeof ev) == static_cast<ssize_t>(sizeof ev);
}

bool Create(Device& d, int vendorId, int productId, int index) {
    d.fd = ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
    if (d.fd < 0) return false;
    uhid_event ev{};
    ev.type = UHID_CREATE2;
    std::snprintf(reinterpret_cast<char*>(ev.u.create2.name), sizeof ev.u.create2.name, "%s",
                  d.spec.name.c_str());
    if (d.spec.bus == hidemu::kBusUsb)
        std::snprintf(reinterpret_cast<char*>(ev.u.create2.phys), sizeof ev.u.create2.phys,
                      "usb-0000:00:1d.0-%d/input%d", index + 1, d.spec.interfaceNumber);
    else
        std::snprintf(reinterpret_cast<char*>(ev.u.create2.phys), sizeof ev.u.create2.phys,
                      "00:11:22:33:44:55");
    if (d.spec.descriptor.size() > sizeof ev.u.create2.rd_data) return false;
    ev.u.create2.rd_size = static_cast<uint16_t>(d.spec.descriptor.size());
    std::memcpy(ev.u.create2.rd_data, d.spec.descriptor.data(), d.spec.descriptor.size());
    ev.u.create2.bus = static_cast<uint16_t>(d.spec.bus);
    ev.u.create2.vendor = static_cast<uint32_t>(d.spec.vendorId ? d.spec.vendorId : vendorId);
    ev.u.create2.product = static_cast<uint32_t>(d.spec.productId ? d.spec.productId : productId);
    return WriteEvent(d, ev);
}

void Destroy(Device& d) {
    std::lock_guard<std::mutex> g(d.writeMu);
    if (d.fd < 0) return;
    if (d.gadget) {
        ::close(d.fd);
        d.fd = -1;
        return;
    }
    uhid_event ev{};
    ev.type = UHID_DESTROY;
    (void)!::write(d.fd, &ev, sizeof ev);
    ::close(d.fd);
    d.fd = -1;
}

struct Bridge {
    sim::VirtualMouseBackend* mouse = nullptr;
    platform::HidHandle cmd = platform::kNoHidHandle;
    platform::HidHandle notify = platform::kNoHidHandle;
};

// Answers the kernel's requests on one device until it is destroyed.
void Serve(Device& d, Bridge& b) {
    for (;;) {
        int fd;
        {
            std::lock_guard<std::mutex> g(d.writeMu);
            fd = d.fd;
        }
        if (fd < 0) return;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        if (d.gadget) {
            // A SET_REPORT from the host: the report as the program wrote it, id first.
            uint8_t buf[256];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) {
                if (n < 0 && errno == EAGAIN) continue;
                ::usleep(20000);
                continue;
            }
            if (d.bridged && buf[0] == 8 && VanishesOn(buf, static_cast<size_t>(n))) continue;
            if (d.bridged && buf[0] == 8) b.mouse->SetFeature(b.cmd, buf, static_cast<size_t>(n));
            continue;
        }
        uhid_event ev{};
        if (::read(fd, &ev, sizeof ev) <= 0) return;
        uhid_event reply{};
        if (ev.type == UHID_SET_REPORT) {
            reply.type = UHID_SET_REPORT_REPLY;
            reply.u.set_report_reply.id = ev.u.set_report.id;
            const auto& r = ev.u.set_report;
            const size_t n = r.size < sizeof r.data ? r.size : sizeof r.data;
            const bool ours =
                d.bridged && r.rtype == UHID_FEATURE_REPORT && n >= 1 && r.data[0] == 8;
            // Gone with this request unanswered; the main loop removes the devices.
            if (ours && VanishesOn(r.data, n)) continue;
            if (ours && g_holdNext.exchange(false)) {
                // Left pending until the kernel gives up on it.
                g_holding = true;
                continue;
            }
            if (ours)
                reply.u.set_report_reply.err =
                    b.mouse->SetFeature(b.cmd, r.data, n) == platform::kHidOk ? 0 : EIO;
            else
                reply.u.set_report_reply.err =
                    d.spec.Find(hidemu::ReportType::kFeature, r.rnum) ? 0 : EPIPE;
            WriteEvent(d, reply);
        } else if (ev.type == UHID_GET_REPORT) {
            reply.type = UHID_GET_REPORT_REPLY;
            reply.u.get_report_reply.id = ev.u.get_report.id;
            const hidemu::ReportSpec* r =
                d.spec.Find(hidemu::ReportType::kFeature, ev.u.get_report.rnum);
            if (!r) {
                reply.u.get_report_reply.err = EPIPE;
            } else {
                reply.u.get_report_reply.size = static_cast<uint16_t>(r->bytes);
                reply.u.get_report_reply.data[0] = static_cast<uint8_t>(r->id);
            }
            WriteEvent(d, reply);
        }
    }
}

void SendInput(Device& d, const std::vector<uint8_t>& report) {
    if (d.gadget) {
        WriteRaw(d, report.data(), report.size());
        return;
    }
    uhid_event ev{};
    ev.type = UHID_INPUT2;
    const size_t n =
        report.size() < sizeof ev.u.input2.data ? report.size() : sizeof ev.u.input2.data;
    ev.u.input2.size = static_cast<uint16_t>(n);
    std::memcpy(ev.u.input2.data, report.data(), n);
    WriteEvent(d, ev);
}

}  // namespace

int main(int argc, char** argv) {
    std::string fixtureName = "a", state;
    std::vector<std::string> extras;
    int noiseHz = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i], v = argv[i + 1];
        if (a == "--fixture")
            fixtureName = v;
        else if (a == "--extra")
            extras.push_back(v);
        else if (a == "--state")
            state = v;
        else if (a == "--noise")
            noiseHz = std::atoi(v.c_str());
        else if (a == "--gadget")
            gGadget = v == "1";
    }
    // The program folder is the responder's own; LoadConfig wants it with its "/".
    LoadConfig(platform::ExecutableDir() + "/");
    sim::VirtualMouseSetup setup;
    for (const DeviceModel& m : g_DeviceModels) {
        if (m.Sensor == 0) continue;
        setup.model = &m;
        break;
    }
    if (!setup.model) {
        std::fprintf(stderr, "mivora-kresponder: no model in cfg.ini\n");
        return 1;
    }
    setup.cid = setup.model->CID;
    setup.mid = setup.model->MID;
    if (g_Config.VID) setup.vendorId = g_Config.VID;
    if (g_Config.PID) setup.productId = g_Config.PID;
    if (g_Config.PIDBT) setup.btProductId = g_Config.PIDBT;
    if (fixtureName == "c") setup.link = sim::LinkKind::kBluetooth;
    setup.stateFile = state;

    hidemu::Fixture fixture;
    if (!hidemu::FixtureByName(fixtureName, fixture)) return 2;
    sim::VirtualMouseBackend mouse;
    std::string error;
    if (mouse.AddMouse(setup, error) < 0) {
        std::fprintf(stderr, "mivora-kresponder: %s\n", error.c_str());
        return 1;
    }
    Bridge bridge;
    bridge.mouse = &mouse;
    for (const auto& info : mouse.Enumerate()) {
        int err = 0;
        if (info.reportId == 8 && info.featureLength == 15 && bridge.cmd == platform::kNoHidHandle)
            bridge.cmd = mouse.Open(info.path, &err);
        else if (info.reportId == 9 && info.inputLength == 15 &&
                 bridge.notify == platform::kNoHidHandle)
            bridge.notify = mouse.Open(info.path, &err);
    }
    if (bridge.cmd == platform::kNoHidHandle || bridge.notify == platform::kNoHidHandle) {
        std::fprintf(stderr, "mivora-kresponder: the mouse shows no command interface\n");
        return 1;
    }

    const int productId =
        setup.link == sim::LinkKind::kBluetooth ? setup.btProductId : setup.productId;
    std::vector<std::unique_ptr<Device>> mains, others;
    for (const auto& n : fixture.nodes) {
        mains.push_back(std::make_unique<Device>());
        mains.back()->spec = n;
        mains.back()->bridged = true;
    }
    for (const auto& e : extras) {
        hidemu::Fixture f;
        if (!hidemu::FixtureByName(e, f)) return 2;
        for (const auto& n : f.nodes) {
            others.push_back(std::make_unique<Device>());
            others.back()->spec = n;
        }
    }

    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    for (int s : {SIGTERM, SIGINT, SIGUSR1, SIGUSR2, SIGHUP, SIGWINCH}) sigaction(s, &sa, nullptr);

    std::vector<std::thread> servers;
    auto plug = [&](std::vector<std::unique_ptr<Device>>& list, int base) {
        if (gGadget && base == 0) {
            if (!BindGadget(true)) return false;
            for (size_t i = 0; i < list.size(); ++i) {
                const std::string node = "/dev/hidg" + std::to_string(i);
                for (int k = 0; k < 100 && ::access(node.c_str(), F_OK) != 0; ++k) ::usleep(50000);
                list[i]->gadget = true;
                list[i]->fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
                if (list[i]->fd < 0) {
                    std::fprintf(stderr, "mivora-kresponder: cannot open %s\n", node.c_str());
                    return false;
                }
                servers.emplace_back(Serve, std::ref(*list[i]), std::ref(bridge));
            }
            return true;
        }
        for (size_t i = 0; i < list.size(); ++i) {
            if (!Create(*list[i], setup.vendorId, productId, base)) {
                std::fprintf(stderr, "mivora-kresponder: cannot create a uhid device\n");
                return false;
            }
            servers.emplace_back(Serve, std::ref(*list[i]), std::ref(bridge));
        }
        return true;
    };
    if (gGadget && !BuildGadget(mains, setup.vendorId, productId)) {
        std::fprintf(stderr, "mivora-kresponder: cannot build the USB gadget\n");
        return 1;
    }
    if (!plug(others, 5) || !plug(mains, 0)) return 1;

    std::atomic<bool> running{true};
    std::thread reader([&] {
        for (;;) {
            uint8_t buf[64];
            size_t got = 0;
            if (mouse.ReadInput(bridge.notify, buf, sizeof buf, 200, &got) != platform::kHidOk) {
                if (!running) return;
                continue;
            }
            if (got == 0) continue;
            for (auto& d : mains) {
                const hidemu::ReportSpec* r = d->spec.Find(hidemu::ReportType::kInput, 9);
                if (!r) continue;
                std::vector<uint8_t> out(buf, buf + got);
                out.resize(static_cast<size_t>(r->bytes), 0);
                SendInput(*d, out);
            }
        }
    });
    std::thread noise([&] {
        while (running && noiseHz > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1000 / noiseHz));
            for (auto* list : {&mains, &others})
                for (auto& d : *list) {
                    if (d->spec.pointerId < 0) continue;
                    const hidemu::ReportSpec* r =
                        d->spec.Find(hidemu::ReportType::kInput, d->spec.pointerId);
                    if (!r) continue;
                    std::vector<uint8_t> out(static_cast<size_t>(r->bytes), 0);
                    out[r->id ? 2 : 1] = 1;  // one step to the right
                    if (r->id) out[0] = static_cast<uint8_t>(r->id);
                    SendInput(*d, out);
                }
        }
    });

    std::printf("ready\n");
    std::fflush(stdout);
    while (!g_stop) {
        if (g_arm) {
            g_arm = 0;
            FILE* f = std::fopen("/tmp/vanish-after", "r");
            int n = -1;
            char what = 0;
            if (f && std::fscanf(f, "%d %c", &n, &what) < 1) n = -1;
            if (f) std::fclose(f);
            g_vanishOnWrites = what == 'w';
            g_vanishAfter = n;
            std::printf("armed %d\n", n);
            std::fflush(stdout);
        }
        if (g_stall) {
            // Wait for the held request, then take the unrelated devices away under it.
            g_stall = 0;
            g_holdNext = true;
            std::printf("holding the next request\n");
            std::fflush(stdout);
            for (int i = 0; i < 250 && !g_holding; ++i) ::usleep(20000);
            const auto t0 = std::chrono::steady_clock::now();
            for (auto& d : others) Destroy(*d);
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - t0)
                                .count();
            std::printf("stalled %s, removal took %lld ms\n", g_holding ? "held" : "nothing held",
                        static_cast<long long>(ms));
            std::fflush(stdout);
            g_holding = false;
            g_holdNext = false;
        }
        if (g_unplug) {
            g_unplug = 0;
            for (auto& d : mains) Destroy(*d);
            if (gGadget) BindGadget(false);
            std::printf("unplugged\n");
            std::fflush(stdout);
        }
        if (g_replug) {
            g_replug = 0;
            bool any = false;
            for (auto& d : mains) any = any || d->fd >= 0;
            if (!any && !plug(mains, 0)) break;
            std::printf("replugged\n");
            std::fflush(stdout);
        }
        ::usleep(20000);
    }
    running = false;
    for (auto& d : mains) Destroy(*d);
    if (gGadget) BindGadget(false);
    for (auto& d : others) Destroy(*d);
    mouse.CancelRead(bridge.notify);
    reader.join();
    noise.join();
    for (auto& t : servers) t.join();
    return 0;
}
