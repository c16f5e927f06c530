#include "sim/virtual_mouse.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include "config/device_model.h"
#include "core/log.h"
#include "core/utf.h"
#include "platform/file_lock.h"
#include "sim/factory_image.h"
#include "sim/mouse_firmware.h"
#include "sim/state_file.h"

namespace sim {
namespace {

using Clock = std::chrono::steady_clock;
using platform::HidHandle;

enum Iface : int { kBootMouse = 0, kCommand = 1, kNotify = 2, kIfaceCount = 3 };
constexpr int kBootReportBytes = 4;
constexpr int kVendorUsagePage = 0xFF00;
// Reports a reader has not taken yet; older ones are dropped beyond this, as hidraw does.
constexpr size_t kQueueLimit = 64;
// How long a second program waits for the state file another one is using.
constexpr int kStateLockWaitMs = 15000;

struct MouseState {
    MouseState(const VirtualMouseSetup& s, const MemoryImage& image, const MemoryImage& factory)
        : setup(s),
          firmware(static_cast<uint8_t>(s.cid), static_cast<uint8_t>(s.mid), image, factory),
          rng(s.faults.seed) {}
    VirtualMouseSetup setup;
    MouseFirmware firmware;
    bool plugged = true;
    bool reachable = true;
    bool openDenied = false;  // its nodes are listed but may not be opened
    unsigned generation = 0;  // raised by every unplug; handles of older generations are dead
    long exchanges = 0;
    long writes = 0;  // memory write requests the firmware has seen
    std::mt19937 rng;
    bool dirty = false;  // memory changed since the state file was last written
    // Held while the state file is ours; without it the memory is not written back (another
    // program owns the file, and its next write would drop ours anyway).
    std::unique_ptr<platform::FileLock> stateLock;
    std::string stateHolder;
};

struct HandleState {
    int mouse = 0;
    int iface = 0;
    unsigned generation = 0;
    std::deque<Report> queue;
    bool closed = false;
    bool cancelled = false;  // a cancel counts once: it ends the pending or the next read
};

struct Job {
    enum Kind { kDeliver, kUnplug, kNotice } kind = kDeliver;
    int mouse = 0;
    unsigned generation = 0;
    Report report{};
    bool arrival = false;
};

std::string InterfacePath(const VirtualMouseSetup& s, int mouse, int iface) {
    char buf[160];
    const int k = mouse * kIfaceCount + iface;
    if (s.link == LinkKind::kReceiver)
        std::snprintf(buf, sizeof buf, "hid#vid_%04x&pid_%04x&mi_%02d#virtual%d",
                      s.vendorId & 0xFFFF, s.productId & 0xFFFF, iface, k);
    else
        std::snprintf(buf, sizeof buf,
                      "hid#{00001124-0000-1000-8000-00805f9b34fb}_vid&0002%04x_pid&%04x&col%02d"
                      "#virtual%d",
                      s.vendorId & 0xFFFF, s.btProductId & 0xFFFF, iface + 1, k);
    return buf;
}

std::string ReceiverName(const VirtualMouseSetup& s, int mouse) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "USB#VID_%04X&PID_%04X#VIRTUAL%d", s.vendorId & 0xFFFF,
                  s.productId & 0xFFFF, mouse);
    return buf;
}

}  // namespace

struct VirtualMouseBackend::Impl {
    std::mutex mu;
    std::condition_variable readCv;   // queues, cancels, closes, deaths
    std::condition_variable timerCv;  // new job, dirty memory, stop
    std::condition_variable idleCv;   // for Drain
    std::vector<std::unique_ptr<MouseState>> mice;
    std::map<HidHandle, std::shared_ptr<HandleState>> handles;
    HidHandle nextHandle = 0x100;
    std::multimap<Clock::time_point, Job> jobs;  // equal times keep their order
    bool busy = false;                           // the firmware thread works outside the lock
    bool stopping = false;
    std::atomic<int64_t> latencyUs{1000};
    std::thread thread;
    std::thread::id threadId;
    std::string saveError;  // the first failed state-file write, for the caller to report

    std::mutex listenMu;  // held while listeners are called
    std::vector<platform::DeviceNotifications::Listener*> listeners;

    MouseState* MouseAt(int i) {
        return i >= 0 && i < static_cast<int>(mice.size()) ? mice[i].get() : nullptr;
    }
    bool Alive(const HandleState& h) {
        const MouseState& m = *mice[h.mouse];
        return !h.closed && m.plugged && h.generation == m.generation;
    }
    std::shared_ptr<HandleState> Find(HidHandle h) {
        auto it = handles.find(h);
        return it == handles.end() ? nullptr : it->second;
    }
    Clock::duration Latency() const { return std::chrono::microseconds(latencyUs.load()); }
    void Schedule(Clock::time_point when, Job job) {
        jobs.emplace(when, std::move(job));
        timerCv.notify_all();
    }
    void Notice(int mouse, bool arrival) {
        if (mice[mouse]->setup.link != LinkKind::kReceiver) return;
        Job j;
        j.kind = Job::kNotice;
        j.mouse = mouse;
        j.arrival = arrival;
        Schedule(Clock::now(), j);
    }
    void UnplugLocked(int mouse) {
        MouseState& m = *mice[mouse];
        if (!m.plugged) return;
        m.plugged = false;
        ++m.generation;
        readCv.notify_all();
        Notice(mouse, false);
    }
    void MarkDirty(MouseState& m) {
        if (m.setup.stateFile.empty()) return;
        if (!m.stateLock || !m.stateLock->Held()) {
            if (saveError.empty())
                saveError = "the virtual mouse's state file " + m.setup.stateFile +
                            " is in use by " + m.stateHolder + "; the change was not saved";
            return;
        }
        m.dirty = true;
        timerCv.notify_all();
    }

    void Run();
    bool SaveOneDirty(std::unique_lock<std::mutex>& lk);
    void Execute(Job& job, std::unique_lock<std::mutex>& lk);
    void Shutdown();
};

// The firmware thread: delivers replies and events when they are due, unplugs, announces
// plugging, and writes changed memory to the state files.
void VirtualMouseBackend::Impl::Run() {
    std::unique_lock<std::mutex> lk(mu);
    while (!stopping) {
        if (SaveOneDirty(lk)) continue;
        if (jobs.empty()) {
            idleCv.notify_all();
            timerCv.wait(lk);
            continue;
        }
        auto it = jobs.begin();
        if (it->first > Clock::now()) {
            timerCv.wait_until(lk, it->first);
            continue;
        }
        Job job = std::move(it->second);
        jobs.erase(it);
        Execute(job, lk);
    }
}

bool VirtualMouseBackend::Impl::SaveOneDirty(std::unique_lock<std::mutex>& lk) {
    for (auto& m : mice) {
        if (!m->dirty) continue;
        m->dirty = false;
        const MemoryImage image = m->firmware.Memory();
        const std::string path = m->setup.stateFile;
        busy = true;
        lk.unlock();
        int err = 0;
        const bool saved = SaveStateFile(path, image, &err);
        if (!saved) g_pfnLog("VirtualMouse: cannot write state file %s, err=%d", path.c_str(), err);
        lk.lock();
        if (!saved && saveError.empty())
            saveError =
                "cannot write the virtual mouse's state file " + path + ": " + std::strerror(err);
        busy = false;
        return true;
    }
    return false;
}

void VirtualMouseBackend::Impl::Execute(Job& job, std::unique_lock<std::mutex>& lk) {
    MouseState& m = *mice[job.mouse];
    switch (job.kind) {
        case Job::kDeliver:
            if (!m.plugged || m.generation != job.generation) return;
            for (auto& [id, h] : handles) {
                if (h->mouse != job.mouse || h->iface != kNotify || !Alive(*h)) continue;
                if (h->queue.size() >= kQueueLimit) h->queue.pop_front();
                h->queue.push_back(job.report);
            }
            readCv.notify_all();
            return;
        case Job::kUnplug:
            if (m.generation == job.generation) UnplugLocked(job.mouse);
            return;
        case Job::kNotice: {
            const std::string name = ReceiverName(m.setup, job.mouse);
            busy = true;
            lk.unlock();
            {
                std::lock_guard<std::mutex> g(listenMu);
                const auto copy = listeners;
                for (auto* l : copy) l->OnDeviceChange(job.arrival, name);
            }
            lk.lock();
            busy = false;
            return;
        }
    }
}

void VirtualMouseBackend::Impl::Shutdown() {
    {
        std::lock_guard<std::mutex> g(mu);
        if (stopping) return;
        stopping = true;
        for (auto& [id, h] : handles) h->closed = true;
        handles.clear();
        readCv.notify_all();
        timerCv.notify_all();
    }
    if (thread.joinable()) thread.join();
    // Memory changes the thread had no time to write.
    std::unique_lock<std::mutex> lk(mu);
    while (SaveOneDirty(lk)) {
    }
    idleCv.notify_all();
}

VirtualMouseBackend::VirtualMouseBackend() : m_impl(std::make_shared<Impl>()) {
    m_impl->thread = std::thread([impl = m_impl.get()] { impl->Run(); });
    std::lock_guard<std::mutex> g(m_impl->mu);
    m_impl->threadId = m_impl->thread.get_id();
}

VirtualMouseBackend::~VirtualMouseBackend() {
    m_impl->Shutdown();
}

int VirtualMouseBackend::AddMouse(const VirtualMouseSetup& setup, std::string& error) {
    if (setup.cid < 0 || setup.cid > 0xFF || setup.mid < 0 || setup.mid > 0xFF) {
        error = "virtual mouse: customer and model codes must be 0 to 255";
        return -1;
    }
    MemoryImage factory{};
    const DeviceModel* model = setup.model ? setup.model : FindDeviceModel(setup.cid, setup.mid);
    if (model) BuildFactoryImage(*model, factory);
    MemoryImage image = factory;
    // One writer of the state file at a time: a second program waits (not for the window,
    // which keeps it for its whole run) and is otherwise left with a memory it cannot save.
    auto lock = std::make_unique<platform::FileLock>();
    std::string holder;
    if (!setup.stateFile.empty()) {
        const std::string lockPath = setup.stateFile + ".lock";
        if (!lock->Acquire(lockPath, 0, &holder) && !platform::HolderIs(holder, "mivora"))
            lock->Acquire(lockPath, kStateLockWaitMs, &holder);
        if (!LoadOrCreateStateFile(setup.stateFile, factory, image, error)) return -1;
    }
    std::lock_guard<std::mutex> g(m_impl->mu);
    m_impl->mice.push_back(std::make_unique<MouseState>(setup, image, factory));
    m_impl->mice.back()->stateLock = std::move(lock);
    m_impl->mice.back()->stateHolder = holder;
    const int index = static_cast<int>(m_impl->mice.size()) - 1;
    m_impl->Notice(index, true);
    return index;
}

int VirtualMouseBackend::MouseCount() const {
    std::lock_guard<std::mutex> g(m_impl->mu);
    return static_cast<int>(m_impl->mice.size());
}

std::vector<platform::HidInterfaceInfo> VirtualMouseBackend::Enumerate() {
    std::lock_guard<std::mutex> g(m_impl->mu);
    std::vector<platform::HidInterfaceInfo> out;
    for (int i = 0; i < static_cast<int>(m_impl->mice.size()); ++i) {
        const MouseState& m = *m_impl->mice[i];
        if (!m.plugged) continue;
        for (int iface = 0; iface < kIfaceCount; ++iface) {
            platform::HidInterfaceInfo info;
            info.path = InterfacePath(m.setup, i, iface);
            info.vendorId = m.setup.vendorId & 0xFFFF;
            info.productId =
                (m.setup.link == LinkKind::kReceiver ? m.setup.productId : m.setup.btProductId) &
                0xFFFF;
            switch (iface) {
                case kBootMouse:
                    info.inputLength = kBootReportBytes;
                    info.usagePage = 1;
                    info.usage = 2;
                    break;
                case kCommand:
                    info.reportId = kRequestReportId;
                    info.featureLength = kReportBytes;
                    info.usagePage = kVendorUsagePage;
                    info.usage = 1;
                    break;
                case kNotify:
                    info.reportId = kInputReportId;
                    info.inputLength = kReportBytes;
                    info.usagePage = kVendorUsagePage;
                    info.usage = 2;
                    break;
            }
            out.push_back(std::move(info));
        }
    }
    return out;
}

HidHandle VirtualMouseBackend::Open(const std::string& path, int* err) {
    std::lock_guard<std::mutex> g(m_impl->mu);
    if (!m_impl->stopping) {
        for (int i = 0; i < static_cast<int>(m_impl->mice.size()); ++i) {
            const MouseState& m = *m_impl->mice[i];
            if (!m.plugged) continue;
            for (int iface = 0; iface < kIfaceCount; ++iface) {
                if (!EqualsNoCase(path, InterfacePath(m.setup, i, iface))) continue;
                if (m.openDenied) {
                    if (err) *err = platform::kHidErrAccessDenied;
                    return platform::kNoHidHandle;
                }
                auto h = std::make_shared<HandleState>();
                h->mouse = i;
                h->iface = iface;
                h->generation = m.generation;
                const HidHandle id = m_impl->nextHandle++;
                m_impl->handles.emplace(id, std::move(h));
                if (err) *err = platform::kHidOk;
                return id;
            }
        }
    }
    if (err) *err = platform::kHidErrDeviceNotConnected;
    return platform::kNoHidHandle;
}

void VirtualMouseBackend::Close(HidHandle id) {
    std::lock_guard<std::mutex> g(m_impl->mu);
    auto it = m_impl->handles.find(id);
    if (it == m_impl->handles.end()) return;
    it->second->closed = true;
    m_impl->handles.erase(it);
    m_impl->readCv.notify_all();
}

int VirtualMouseBackend::SetFeature(HidHandle id, const uint8_t* data, size_t length) {
    Impl& im = *m_impl;
    {
        std::lock_guard<std::mutex> g(im.mu);
        auto h = im.Find(id);
        if (!h) return platform::kHidErrInvalidHandle;
        if (!im.Alive(*h)) return platform::kHidErrDeviceNotConnected;
        // Only the command interface has a feature report, and only of its own length.
        if (h->iface != kCommand || !data || length != kReportBytes || data[0] != kRequestReportId)
            return platform::kHidErrGenFailure;
    }
    // The control transfer takes one report time before the mouse has the request.
    const auto latency = im.Latency();
    if (latency > Clock::duration::zero()) std::this_thread::sleep_for(latency);

    std::lock_guard<std::mutex> g(im.mu);
    auto h = im.Find(id);
    if (!h) return platform::kHidErrInvalidHandle;
    if (!im.Alive(*h)) return platform::kHidErrDeviceNotConnected;
    MouseState& m = *im.mice[h->mouse];
    ++m.exchanges;

    Report request;
    std::copy(data, data + kReportBytes, request.begin());
    Report reply{};
    bool changed = false;
    bool answer = false;
    const FaultSpec& faults = m.setup.faults;
    bool dropped = false;
    if (faults.drop > 0) {
        std::uniform_real_distribution<double> share(0.0, 1.0);
        dropped = share(m.rng) < faults.drop;
    }
    // Writes the firmware takes in: not lost on the way, and sealed right.
    Report sealed = request;
    SealReport(sealed);
    if (!dropped && m.reachable && request[1] == kCmdWriteMemory && sealed == request) ++m.writes;
    if (dropped) {
        // Lost on the way in: the firmware never sees the request.
    } else if (m.reachable && request[1] == kCmdWriteMemory && sealed == request &&
               faults.failWrite > 0 && m.writes >= faults.failWrite &&
               m.writes - faults.failWrite < faults.failWriteCount) {
        // Refused with the memory kept, answered as any refused write: the echo of the
        // request with the refused status.
        reply = request;
        reply[0] = kInputReportId;
        reply[2] = kStatusRefused;
        SealReport(reply);
        answer = true;
    } else if (m.reachable) {
        answer = m.firmware.Handle(request, reply, &changed);
    } else if (request[1] == kCmdConnectStatus) {
        // The receiver answers for a mouse it cannot reach.
        Report ok{};
        answer = m.firmware.Handle(request, ok, &changed);
        if (answer) {
            reply = ok;
            reply[6] = 0;  // r[5]
            SealReport(reply);
        }
    }
    if (changed) im.MarkDirty(m);

    // Three draws per request whatever happens, so a seed replays the same faults.
    std::uniform_real_distribution<double> share(0.0, 1.0);
    const double uLost = share(m.rng), uEcho = share(m.rng), uLate = share(m.rng);
    const uint32_t damage = m.rng();
    const FaultSpec& f = faults;
    if (answer && uLost < f.lost) answer = false;
    if (answer && request[1] == kCmdWriteMemory && uEcho < f.echo) {
        // The write took effect; the echo of r[2..12] is damaged on the way back.
        reply[3 + damage % 11] ^= static_cast<uint8_t>(1 + (damage >> 8) % 255);
        SealReport(reply);
    }
    auto due = Clock::now() + latency;
    if (answer && uLate < f.late) due += std::chrono::milliseconds(f.lateMs);
    if (answer) {
        Job j;
        j.mouse = h->mouse;
        j.generation = m.generation;
        j.report = reply;
        im.Schedule(due, j);
    }
    if (f.unplugAfter > 0 && m.exchanges == f.unplugAfter) {
        Job j;
        j.kind = Job::kUnplug;
        j.mouse = h->mouse;
        j.generation = m.generation;
        im.Schedule(due, j);
    }
    return platform::kHidOk;
}

int VirtualMouseBackend::ReadInput(HidHandle id, uint8_t* buf, size_t length, int timeoutMs,
                                   size_t* got) {
    Impl& im = *m_impl;
    if (got) *got = 0;
    if (!buf || length == 0) return platform::kHidErrGenFailure;
    std::unique_lock<std::mutex> lk(im.mu);
    auto h = im.Find(id);
    if (!h) return platform::kHidErrInvalidHandle;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        if (h->closed) return platform::kHidErrOperationAborted;
        if (h->cancelled) {
            h->cancelled = false;
            return platform::kHidErrOperationAborted;
        }
        // Reports that arrived before an unplug can still be taken, as from hidraw's buffer.
        if (!h->queue.empty()) {
            const Report r = h->queue.front();
            h->queue.pop_front();
            const size_t n = std::min(length, r.size());
            std::copy_n(r.begin(), n, buf);
            if (got) *got = n;
            return platform::kHidOk;
        }
        if (!im.Alive(*h)) return platform::kHidErrDeviceNotConnected;
        if (timeoutMs < 0) {
            im.readCv.wait(lk);
        } else if (im.readCv.wait_until(lk, deadline) == std::cv_status::timeout) {
            // One last look: a report, cancel or unplug may have come with the time-out.
            if (h->queue.empty() && !h->cancelled && !h->closed && im.Alive(*h))
                return platform::kHidErrTimeout;
        }
    }
}

void VirtualMouseBackend::CancelRead(HidHandle id) {
    std::lock_guard<std::mutex> g(m_impl->mu);
    if (auto h = m_impl->Find(id)) {
        h->cancelled = true;
        m_impl->readCv.notify_all();
    }
}

bool VirtualMouseBackend::IsAttached(HidHandle id) {
    std::lock_guard<std::mutex> g(m_impl->mu);
    auto h = m_impl->Find(id);
    return h && m_impl->Alive(*h);
}

void VirtualMouseBackend::SetLatency(std::chrono::microseconds perReport) {
    m_impl->latencyUs.store(std::max<int64_t>(perReport.count(), 0));
}

void VirtualMouseBackend::Unplug(int mouse) {
    std::lock_guard<std::mutex> g(m_impl->mu);
    if (m_impl->MouseAt(mouse)) m_impl->UnplugLocked(mouse);
}

void VirtualMouseBackend::Replug(int mouse) {
    std::lock_guard<std::mutex> g(m_impl->mu);
    MouseState* m = m_impl->MouseAt(mouse);
    if (!m || m->plugged) return;
    m->plugged = true;
    m_impl->Notice(mouse, true);
}

bool VirtualMouseBackend::IsPlugged(int mouse) const {
    std::lock_guard<std::mutex> g(m_impl->mu);
    MouseState* m = m_impl->MouseAt(mouse);
    return m && m->plugged;
}

void VirtualMouseBackend::SetReachable(int mouse, bool reachable) {
    std::lock_guard<std::mutex> g(m_impl->mu);
    if (MouseState* m = m_impl->MouseAt(mouse)) m->reachable = reachable;
}

void VirtualMouseBackend::SetOpenDenied(int mouse, bool denied) {
    std::lock_guard<std::mutex> g(m_impl->mu);
    if (MouseState* m = m_impl->MouseAt(mouse)) m->openDenied = denied;
}

void VirtualMouseBackend::PressDpiButton(int mouse) {
    std::lock_guard<std::mutex> g(m_impl->mu);
    MouseState* m = m_impl->MouseAt(mouse);
    if (!m || !m->plugged || !m->reachable) return;
    Job j;
    j.mouse = mouse;
    j.generation = m->generation;
    if (!m->firmware.PressDpi(j.report)) return;
    m_impl->MarkDirty(*m);
    m_impl->Schedule(Clock::now() + m_impl->Latency(), j);
}

void VirtualMouseBackend::PressLightingButton(int mouse) {
    std::lock_guard<std::mutex> g(m_impl->mu);
    MouseState* m = m_impl->MouseAt(mouse);
    if (!m || !m->plugged || !m->reachable) return;
    Job j;
    j.mouse = mouse;
    j.generation = m->generation;
    m->firmware.PressLighting(j.report);
    m_impl->MarkDirty(*m);
    m_impl->Schedule(Clock::now() + m_impl->Latency(), j);
}

MemoryImage VirtualMouseBackend::Memory(int mouse) const {
    std::lock_guard<std::mutex> g(m_impl->mu);
    MouseState* m = m_impl->MouseAt(mouse);
    return m ? m->firmware.Memory() : MemoryImage{};
}

std::vector<uint8_t> VirtualMouseBackend::ReadMemory(int mouse, int address, int count) const {
    std::lock_guard<std::mutex> g(m_impl->mu);
    MouseState* m = m_impl->MouseAt(mouse);
    if (!m || address < 0 || count <= 0 || address >= kMemorySize) return {};
    const int n = std::min(count, kMemorySize - address);
    const auto& mem = m->firmware.Memory();
    return std::vector<uint8_t>(mem.begin() + address, mem.begin() + address + n);
}

bool VirtualMouseBackend::WriteMemory(int mouse, int address, const uint8_t* data, int count) {
    std::lock_guard<std::mutex> g(m_impl->mu);
    MouseState* m = m_impl->MouseAt(mouse);
    if (!m || !data || address < 0 || count < 0 || count > kMemorySize - address) return false;
    std::copy_n(data, count, m->firmware.Memory().begin() + address);
    m_impl->MarkDirty(*m);
    return true;
}

long VirtualMouseBackend::Exchanges(int mouse) const {
    std::lock_guard<std::mutex> g(m_impl->mu);
    MouseState* m = m_impl->MouseAt(mouse);
    return m ? m->exchanges : 0;
}

std::string VirtualMouseBackend::StateFileError() const {
    std::lock_guard<std::mutex> g(m_impl->mu);
    return m_impl->saveError;
}

void VirtualMouseBackend::Drain() {
    std::unique_lock<std::mutex> lk(m_impl->mu);
    Impl& im = *m_impl;
    im.idleCv.wait(lk, [&] {
        if (im.stopping) return true;
        if (!im.jobs.empty() || im.busy) return false;
        return std::none_of(im.mice.begin(), im.mice.end(), [](auto& m) { return m->dirty; });
    });
}

namespace {

class VirtualNotifications : public platform::DeviceNotifications {
  public:
    explicit VirtualNotifications(std::shared_ptr<VirtualMouseBackend::Impl> impl)
        : m_impl(std::move(impl)) {}
    ~VirtualNotifications() override { Stop(); }
    bool Start(Listener* listener) override;
    void Stop() override;

  private:
    std::shared_ptr<VirtualMouseBackend::Impl> m_impl;
    Listener* m_listener = nullptr;
};

}  // namespace

bool VirtualNotifications::Start(Listener* listener) {
    if (!listener || m_listener) return false;
    std::lock_guard<std::mutex> g(m_impl->listenMu);
    m_impl->listeners.push_back(listener);
    m_listener = listener;
    return true;
}

void VirtualNotifications::Stop() {
    if (!m_listener) return;
    auto remove = [&] {
        auto& ls = m_impl->listeners;
        ls.erase(std::remove(ls.begin(), ls.end(), m_listener), ls.end());
    };
    std::thread::id firmwareThread;
    {
        std::lock_guard<std::mutex> g(m_impl->mu);
        firmwareThread = m_impl->threadId;
    }
    // A listener that stops from inside its own callback already runs under listenMu.
    if (std::this_thread::get_id() == firmwareThread) {
        remove();
    } else {
        std::lock_guard<std::mutex> g(m_impl->listenMu);
        remove();
    }
    m_listener = nullptr;
}

std::unique_ptr<platform::DeviceNotifications> VirtualMouseBackend::MakeNotifications() {
    return std::make_unique<VirtualNotifications>(m_impl);
}

}  // namespace sim
