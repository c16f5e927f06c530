#include "hidemu/emulator.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "hidemu/emulator_impl.h"

namespace hidemu {
namespace {

namespace fs = std::filesystem;
using Lock = std::lock_guard<std::mutex>;

// libfuse says why a mount failed only through its log; keep the last line for the caller.
std::mutex g_fuseLogMu;
std::string g_fuseLastLog;

void FuseLog(enum fuse_log_level, const char* fmt, va_list ap) {
    char buf[512];
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    std::string line = buf;
    while (!line.empty() && line.back() == '\n') line.pop_back();
    Lock g(g_fuseLogMu);
    g_fuseLastLog = line;
}

std::string TakeFuseLog() {
    Lock g(g_fuseLogMu);
    std::string s;
    s.swap(g_fuseLastLog);
    return s;
}

std::string MakeTempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/mivora-hidemu-XXXXXX";
    if (!::mkdtemp(pattern.data())) return "";
    return pattern;
}

// A report of a collection the noise generator uses, in the node's own layout: the declared
// length, the id byte first when the node has ids, one field set when active.
Report NoiseReport(const NodeSpec& spec, int id, int activeOffset, uint8_t activeValue,
                   bool active) {
    const ReportSpec* r = spec.Find(ReportType::kInput, id);
    if (!r) return {};
    Report out(static_cast<size_t>(r->bytes), 0);
    const size_t base = id != 0 ? 1 : 0;
    if (id != 0) out[0] = static_cast<uint8_t>(id);
    if (active && base + activeOffset < out.size()) out[base + activeOffset] = activeValue;
    return out;
}

Report PointerReport(const NodeSpec& spec) {
    return NoiseReport(spec, spec.pointerId, spec.pointerId == 0 ? 1 : 2, 0x01, true);  // X + 1
}
Report KeyReport(const NodeSpec& spec, bool press) {
    return NoiseReport(spec, spec.keyboardId, 2, 0x04, press);  // usage 4: the A key
}
Report ConsumerReport(const NodeSpec& spec, bool press) {
    return NoiseReport(spec, spec.consumerId, 0, 0xE9, press);  // volume up
}

}  // namespace

// ---- open files --------------------------------------------------------------------------

int Emulator::Impl::QueueOn(int node, const Report& report) {
    int n = 0;
    for (auto& [fh, f] : files) {
        if (f->node != node) continue;
        ++n;
        if (!f->pending.empty()) {
            const OpenFile::Pending p = f->pending.front();
            f->pending.pop_front();
            fuse_reply_buf(p.req, reinterpret_cast<const char*>(report.data()),
                           std::min(p.size, report.size()));
        } else if (f->queue.size() >= kQueueLimit) {
            ++dropped;
        } else {
            f->queue.push_back(report);
        }
        if (f->poll) fuse_lowlevel_notify_poll(f->poll);
    }
    return n;
}

void Emulator::Impl::FailWaiting(int node, int err) {
    for (auto& [fh, f] : files) {
        if (f->node != node) continue;
        for (auto& p : f->pending) fuse_reply_err(p.req, err);
        f->pending.clear();
        if (f->poll) fuse_lowlevel_notify_poll(f->poll);
    }
}

// ---- nodes -------------------------------------------------------------------------------

int Emulator::Impl::FreeNumber() const {
    for (int number = kFirstNodeNumber;; ++number) {
        bool taken = false;
        for (size_t k = 0; k < nodes.size() && !taken; ++k) {
            if (nodes[k].number != number) continue;
            taken = nodes[k].present;
            // The kernel frees a removed node's number only when its last file is closed.
            for (const auto& entry : files)
                if (entry.second->node == static_cast<int>(k) && !reuseHeldNumbers) taken = true;
        }
        if (!taken) return number;
    }
}

bool Emulator::Impl::AddNodes(std::string& error) {
    for (size_t i = 0; i < fixture.nodes.size(); ++i) {
        const NodeSpec& spec = fixture.nodes[i];
        LiveNode n;
        n.spec = static_cast<int>(i);
        n.number = FreeNumber();
        n.ids.bus = spec.bus;
        n.ids.vendorId = spec.vendorId ? spec.vendorId : setup.vendorId;
        n.ids.productId = spec.productId              ? spec.productId
                          : spec.bus == kBusBluetooth ? setup.btProductId
                                                      : setup.productId;
        n.ids.hidSequence = nextSequence++;
        n.sysDevice = AddSysfsNode(sysTop, spec, n.ids, n.number, error);
        if (n.sysDevice.empty()) return false;
        n.present = true;
        nodes.push_back(n);
        current[i] = static_cast<int>(nodes.size()) - 1;
    }
    return true;
}

void Emulator::Impl::RemoveNodes() {
    for (int& k : current) {
        if (k < 0) continue;
        LiveNode& n = nodes[k];
        n.present = false;
        RemoveSysfsNode(sysTop, n.number, n.sysDevice);
        FailWaiting(k, EIO);
        k = -1;
    }
}

// ---- the mouse ---------------------------------------------------------------------------

bool Emulator::Impl::OpenLink(std::string& error) {
    Lock g(linkMu);
    platform::HidHandle c = platform::kNoHidHandle, n = platform::kNoHidHandle;
    for (const auto& info : mouse->Enumerate()) {
        int err = 0;
        if (info.reportId == 8 && info.featureLength == 15 && c == platform::kNoHidHandle)
            c = mouse->Open(info.path, &err);
        else if (info.reportId == 9 && info.inputLength == 15 && n == platform::kNoHidHandle)
            n = mouse->Open(info.path, &err);
    }
    if (c == platform::kNoHidHandle || n == platform::kNoHidHandle) {
        if (c != platform::kNoHidHandle) mouse->Close(c);
        if (n != platform::kNoHidHandle) mouse->Close(n);
        error = "the virtual mouse shows no command and notification interface";
        return false;
    }
    cmd = c;
    notify = n;
    reader = std::thread([this, n] { ReadLoop(n); });
    return true;
}

void Emulator::Impl::CloseLink() {
    Lock g(linkMu);
    if (notify != platform::kNoHidHandle) mouse->CancelRead(notify);
    if (reader.joinable()) reader.join();
    if (notify != platform::kNoHidHandle) mouse->Close(notify);
    const platform::HidHandle c = cmd.exchange(platform::kNoHidHandle);
    if (c != platform::kNoHidHandle) mouse->Close(c);
    notify = platform::kNoHidHandle;
}

void Emulator::Impl::ReadLoop(platform::HidHandle h) {
    for (;;) {
        uint8_t buf[64];
        size_t got = 0;
        if (mouse->ReadInput(h, buf, sizeof buf, -1, &got) != platform::kHidOk) return;
        Deliver(Report(buf, buf + got));
    }
}

void Emulator::Impl::Deliver(const Report& fromMouse) {
    Lock g(mu);
    for (size_t i = 0; i < current.size(); ++i) {
        if (current[i] < 0) continue;
        const ReportSpec* r = fixture.nodes[i].Find(ReportType::kInput, 9);
        if (!r) continue;
        Report out = fromMouse;
        out.resize(static_cast<size_t>(r->bytes), 0);  // the length the node declares
        QueueOn(current[i], out);
    }
}

// ---- FUSE --------------------------------------------------------------------------------

bool Emulator::Impl::Mount(std::string& error) {
    fuse_set_log_func(FuseLog);
    // auto_unmount leaves a helper that unmounts even if this process dies.
    for (const char* opts :
         {"fsname=hidemu,subtype=hidemu,auto_unmount", "fsname=hidemu,subtype=hidemu"}) {
        const char* argv[] = {"mivora-hidemu", "-o", opts};
        fuse_args args = FUSE_ARGS_INIT(3, const_cast<char**>(argv));
        TakeFuseLog();
        session = fuse_session_new(&args, &NodeOperations(), sizeof(fuse_lowlevel_ops), this);
        fuse_opt_free_args(&args);
        if (!session) {
            error = "fuse_session_new failed: " + TakeFuseLog();
            return false;
        }
        if (fuse_session_mount(session, devRoot.c_str()) == 0) break;
        error = "cannot mount FUSE on " + devRoot + ": " + TakeFuseLog();
        fuse_session_destroy(session);
        session = nullptr;
    }
    if (!session) return false;
    mounted = true;
    error.clear();
    // Workers wait on the device and the stop descriptor, so they can end while files on the
    // mount are still open (a blocked read of the device would never return then).
    const int fd = fuse_session_fd(session);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    for (int i = 0; i < kWorkers; ++i) workers.emplace_back([this] { Worker(); });
    return true;
}

void Emulator::Impl::Worker() {
    fuse_buf buf{};
    const int fd = fuse_session_fd(session);
    for (;;) {
        pollfd p[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
        if (::poll(p, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (p[1].revents) break;
        if (!(p[0].revents & POLLIN) && (p[0].revents & (POLLERR | POLLHUP | POLLNVAL))) break;
        const int res = fuse_session_receive_buf(session, &buf);
        if (res == -EINTR || res == -EAGAIN) continue;
        if (res <= 0) break;
        fuse_session_process_buf(session, &buf);
    }
    std::free(buf.mem);
}

void Emulator::Impl::Unmount() {
    if (!session) return;
    if (stopFd >= 0) {
        const uint64_t one = 1;
        (void)!::write(stopFd, &one, sizeof one);
    }
    for (auto& w : workers) w.join();
    workers.clear();
    {
        Lock g(mu);
        for (auto& [fh, f] : files) {
            for (auto& p : f->pending) fuse_reply_err(p.req, EIO);
            f->pending.clear();
            if (f->poll) fuse_pollhandle_destroy(f->poll);
            f->poll = nullptr;
        }
    }
    if (mounted) fuse_session_unmount(session);  // lazy as root: open files do not hold it
    mounted = false;
    fuse_session_destroy(session);  // closing the device ends the connection for open files
    session = nullptr;
    if (stopFd >= 0) ::close(stopFd);
    stopFd = -1;
}

// ---- noise -------------------------------------------------------------------------------

void Emulator::Impl::NoiseLoop(int pointerHz, int keyHz) {
    using Clock = std::chrono::steady_clock;
    const auto tick = std::chrono::microseconds(1000);
    const long pointerEvery = pointerHz > 0 ? std::max(1, 1000 / pointerHz) : 0;
    const long keyEvery = keyHz > 0 ? std::max(1, 1000 / keyHz) : 0;
    auto next = Clock::now();
    for (long t = 1;; ++t) {
        next += tick;
        {
            std::unique_lock<std::mutex> lk(noiseMu);
            if (noiseCv.wait_until(lk, next, [&] { return noiseStop; })) return;
        }
        Lock g(mu);
        for (size_t i = 0; i < current.size(); ++i) {
            if (current[i] < 0) continue;
            const NodeSpec& spec = fixture.nodes[i];
            if (pointerEvery && t % pointerEvery == 0 && spec.pointerId >= 0)
                noiseQueued += QueueOn(current[i], PointerReport(spec));
            if (keyEvery && t % keyEvery == 0) {
                const bool press = (t / keyEvery) % 2 == 1;
                if (spec.keyboardId >= 0)
                    noiseQueued += QueueOn(current[i], KeyReport(spec, press));
                if (spec.consumerId >= 0)
                    noiseQueued += QueueOn(current[i], ConsumerReport(spec, press));
            }
        }
    }
}

// ---- Emulator ----------------------------------------------------------------------------

Emulator::Emulator() : m_impl(std::make_unique<Impl>()) {}

Emulator::~Emulator() {
    Stop();
}

bool Emulator::Start(const std::string& fixtureName, const sim::VirtualMouseSetup& setup,
                     std::string& error) {
    Impl& im = *m_impl;
    if (im.started) {
        error = "the emulator runs already";
        return false;
    }
    if (!FixtureByName(fixtureName, im.fixture)) {
        error = "unknown fixture \"" + fixtureName + "\" (a to f)";
        return false;
    }
    im.setup = setup;
    im.startTime = std::time(nullptr);
    im.mouse = std::make_unique<sim::VirtualMouseBackend>();
    if (im.mouse->AddMouse(setup, error) < 0) return false;
    im.top = MakeTempFolder();
    if (im.top.empty()) {
        error = std::string("cannot create a temporary folder: ") + std::strerror(errno);
        return false;
    }
    im.started = true;  // from here on Stop() cleans up
    im.sysTop = im.top + "/sys";
    im.devRoot = im.top + "/dev";
    std::error_code ec;
    fs::create_directories(im.sysTop + "/class/hidraw", ec);
    fs::create_directories(im.devRoot, ec);
    im.current.assign(im.fixture.nodes.size(), -1);
    im.denied.assign(im.fixture.nodes.size(), false);
    if (!im.OpenLink(error)) {
        Stop();
        return false;
    }
    bool ok;
    {
        Lock g(im.mu);
        ok = im.AddNodes(error);
        im.plugged = ok;
    }
    if (!ok || !im.Mount(error)) {
        Stop();
        return false;
    }
    return true;
}

void Emulator::Stop() {
    Impl& im = *m_impl;
    if (!im.started) return;
    StopNoise();
    im.Unmount();
    {
        Lock g(im.mu);
        im.RemoveNodes();
        im.files.clear();
        im.plugged = false;
    }
    im.CloseLink();
    im.mouse.reset();
    std::error_code ec;
    // Never into a folder that may still be mounted.
    if (!im.mounted && !im.top.empty()) fs::remove_all(im.top, ec);
    im.started = false;
}

std::string Emulator::SysRoot() const {
    return m_impl->sysTop + "/class/hidraw";
}

std::string Emulator::DevRoot() const {
    return m_impl->devRoot;
}

const Fixture& Emulator::Nodes() const {
    return m_impl->fixture;
}

sim::VirtualMouseBackend& Emulator::Mouse() {
    return *m_impl->mouse;
}

int Emulator::NodeNumber(int fixtureNode) const {
    Lock g(m_impl->mu);
    if (fixtureNode < 0 || fixtureNode >= static_cast<int>(m_impl->current.size())) return -1;
    const int k = m_impl->current[fixtureNode];
    return k < 0 ? -1 : m_impl->nodes[k].number;
}

std::string Emulator::DevPath(int fixtureNode) const {
    const int n = NodeNumber(fixtureNode);
    return n < 0 ? "" : DevRoot() + "/hidraw" + std::to_string(n);
}

int Emulator::CommandNode() const {
    for (size_t i = 0; i < m_impl->fixture.nodes.size(); ++i)
        if (m_impl->fixture.nodes[i].CarriesCommand()) return static_cast<int>(i);
    return -1;
}

int Emulator::NotifyNode() const {
    for (size_t i = 0; i < m_impl->fixture.nodes.size(); ++i)
        if (m_impl->fixture.nodes[i].CarriesNotify()) return static_cast<int>(i);
    return -1;
}

void Emulator::SetOpenDenied(int fixtureNode, bool denied) {
    Lock g(m_impl->mu);
    if (fixtureNode >= 0 && fixtureNode < static_cast<int>(m_impl->denied.size()))
        m_impl->denied[fixtureNode] = denied;
}

void Emulator::Unplug() {
    Impl& im = *m_impl;
    {
        Lock g(im.mu);
        if (!im.started || !im.plugged) return;
        im.plugged = false;
        im.RemoveNodes();
    }
    im.mouse->Unplug(0);
    im.CloseLink();
}

void Emulator::Replug(bool sameNumbers) {
    Impl& im = *m_impl;
    {
        Lock g(im.mu);
        if (!im.started || im.plugged) return;
    }
    im.mouse->Replug(0);
    std::string error;
    if (!im.OpenLink(error)) return;
    Lock g(im.mu);
    im.reuseHeldNumbers = sameNumbers;
    im.plugged = im.AddNodes(error);
    im.reuseHeldNumbers = false;
}

bool Emulator::IsPlugged() const {
    Lock g(m_impl->mu);
    return m_impl->plugged;
}

std::string Emulator::UsbDeviceName() const {
    char buf[64];
    std::snprintf(buf, sizeof buf, "USB#VID_%04X&PID_%04X#1-2", m_impl->setup.vendorId & 0xFFFF,
                  m_impl->setup.productId & 0xFFFF);
    return buf;
}

void Emulator::StartNoise(int pointerHz, int keyHz) {
    Impl& im = *m_impl;
    StopNoise();
    {
        Lock g(im.noiseMu);
        im.noiseStop = false;
    }
    im.noise = std::thread([&im, pointerHz, keyHz] { im.NoiseLoop(pointerHz, keyHz); });
}

void Emulator::StopNoise() {
    Impl& im = *m_impl;
    {
        Lock g(im.noiseMu);
        im.noiseStop = true;
    }
    im.noiseCv.notify_all();
    if (im.noise.joinable()) im.noise.join();
}

bool Emulator::InjectReport(int fixtureNode, const std::vector<uint8_t>& report) {
    Lock g(m_impl->mu);
    if (fixtureNode < 0 || fixtureNode >= static_cast<int>(m_impl->current.size())) return false;
    const int k = m_impl->current[fixtureNode];
    if (k < 0 || report.empty()) return false;
    m_impl->noiseQueued += m_impl->QueueOn(k, report);
    return true;
}

bool Emulator::InjectKeystroke(int fixtureNode) {
    if (fixtureNode < 0 || fixtureNode >= static_cast<int>(m_impl->fixture.nodes.size()))
        return false;
    const NodeSpec& spec = m_impl->fixture.nodes[fixtureNode];
    if (spec.keyboardId < 0) return false;
    return InjectReport(fixtureNode, KeyReport(spec, true)) &&
           InjectReport(fixtureNode, KeyReport(spec, false));
}

bool Emulator::InjectConsumerKey(int fixtureNode) {
    if (fixtureNode < 0 || fixtureNode >= static_cast<int>(m_impl->fixture.nodes.size()))
        return false;
    const NodeSpec& spec = m_impl->fixture.nodes[fixtureNode];
    if (spec.consumerId < 0) return false;
    return InjectReport(fixtureNode, ConsumerReport(spec, true)) &&
           InjectReport(fixtureNode, ConsumerReport(spec, false));
}

long Emulator::NoiseQueued() const {
    Lock g(m_impl->mu);
    return m_impl->noiseQueued;
}

long Emulator::Dropped() const {
    Lock g(m_impl->mu);
    return m_impl->dropped;
}

std::string FuseUnavailableReason() {
    if (::access("/dev/fuse", R_OK | W_OK) != 0)
        return std::string("/dev/fuse cannot be opened: ") + std::strerror(errno);
    Emulator probe;
    sim::VirtualMouseSetup s;
    std::string error;
    if (!probe.Start("e", s, error)) return error;
    return "";
}

}  // namespace hidemu
