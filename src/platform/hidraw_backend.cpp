#include "platform/hidraw_backend.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstring>

#include "platform/files.h"
#include "platform/hidraw_sysfs.h"

namespace platform {
namespace {

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

// An open node with its cancel descriptor. Shared with readers so Close never closes the
// descriptors under a read in progress.
struct HidrawBackend::OpenNode {
    int fd = -1;
    int cancelFd = -1;     // eventfd: written by CancelRead and Close
    bool numbered = true;  // reports carry an id byte
    std::atomic<bool> closed{false};
    ~OpenNode() {
        if (fd >= 0) ::close(fd);
        if (cancelFd >= 0) ::close(cancelFd);
    }
};

int HidErrorOfErrno(int e) {
    switch (e) {
        case EACCES:
        case EPERM:
            return kHidErrAccessDenied;
        case ENODEV:
        case ENXIO:
        case ENOENT:
        case EIO:
        case ESHUTDOWN:
            return kHidErrDeviceNotConnected;
        case EBADF:
            return kHidErrInvalidHandle;
        case ETIMEDOUT:
            return kHidErrTimeout;
        default:
            return kHidErrGenFailure;
    }
}

HidrawBackend::HidrawBackend(std::string sysRoot, std::string devRoot)
    : m_sysRoot(std::move(sysRoot)), m_devRoot(std::move(devRoot)) {}

HidrawBackend::~HidrawBackend() = default;

std::vector<HidInterfaceInfo> HidrawBackend::Enumerate() {
    std::vector<HidInterfaceInfo> out;
    for (const auto& n : ScanHidrawNodes(m_sysRoot))
        for (auto& i : HidrawInterfaces(n)) out.push_back(std::move(i));
    return out;
}

HidHandle HidrawBackend::Open(const std::string& path, int* err) {
    auto fail = [&](int e) {
        if (err) *err = e;
        return kNoHidHandle;
    };
    const int node = HidrawNodeOfName(path);
    if (node < 0) return fail(kHidErrDeviceNotConnected);
    HidrawNode info;
    if (!ReadHidrawNode(m_sysRoot, node, info)) return fail(kHidErrDeviceNotConnected);
    const auto names = HidrawInterfaces(info);
    if (std::none_of(names.begin(), names.end(),
                     [&](const HidInterfaceInfo& i) { return SameName(i.path, path); }))
        return fail(kHidErrDeviceNotConnected);

    auto n = std::make_shared<OpenNode>();
    const std::string dev = m_devRoot + "/hidraw" + std::to_string(node);
    n->fd = ::open(dev.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (n->fd < 0) return fail(HidErrorOfErrno(errno));
    n->cancelFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (n->cancelFd < 0) return fail(kHidErrGenFailure);
    n->numbered = info.descriptor.usesReportIds;

    std::lock_guard<std::mutex> g(m_mu);
    const HidHandle h = m_next++;
    m_open.emplace(h, std::move(n));
    if (err) *err = kHidOk;
    return h;
}

std::shared_ptr<HidrawBackend::OpenNode> HidrawBackend::Find(HidHandle h) {
    std::lock_guard<std::mutex> g(m_mu);
    auto it = m_open.find(h);
    return it == m_open.end() ? nullptr : it->second;
}

void HidrawBackend::Close(HidHandle h) {
    std::shared_ptr<OpenNode> n;
    {
        std::lock_guard<std::mutex> g(m_mu);
        auto it = m_open.find(h);
        if (it == m_open.end()) return;
        n = std::move(it->second);
        m_open.erase(it);
    }
    n->closed = true;
    const uint64_t one = 1;
    (void)!::write(n->cancelFd, &one, sizeof one);
}

int HidrawBackend::SetFeature(HidHandle h, const uint8_t* data, size_t length) {
    auto n = Find(h);
    if (!n) return kHidErrInvalidHandle;
    if (!data || length == 0 || length > HID_MAX_DESCRIPTOR_SIZE) return kHidErrGenFailure;
    for (;;) {
        const int r = ::ioctl(n->fd, HIDIOCSFEATURE(length), data);
        if (r >= 0) return kHidOk;
        if (errno != EINTR) return HidErrorOfErrno(errno);
    }
}

int HidrawBackend::ReadInput(HidHandle h, uint8_t* buf, size_t length, int timeoutMs, size_t* got) {
    if (got) *got = 0;
    auto n = Find(h);
    if (!n) return kHidErrInvalidHandle;
    if (!buf || length == 0) return kHidErrGenFailure;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        int wait = -1;
        if (timeoutMs >= 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            wait = static_cast<int>(std::max<int64_t>(left.count(), 0));
        }
        pollfd fds[2] = {{n->fd, POLLIN, 0}, {n->cancelFd, POLLIN, 0}};
        const int r = ::poll(fds, 2, wait);
        if (r < 0) {
            if (errno == EINTR) continue;
            return kHidErrGenFailure;
        }
        if (fds[1].revents & POLLIN) {
            uint64_t v = 0;
            (void)!::read(n->cancelFd, &v, sizeof v);
            return kHidErrOperationAborted;
        }
        if (n->closed) return kHidErrOperationAborted;
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return kHidErrDeviceNotConnected;
        if (fds[0].revents & POLLIN) {
            // Without report ids hidraw hands over bare data; the caller expects buf[0] to be
            // the report id, so put a 0 in front as other platforms do.
            uint8_t* dst = n->numbered ? buf : buf + 1;
            const size_t room = n->numbered ? length : length - 1;
            if (room == 0) return kHidErrGenFailure;
            const ssize_t k = ::read(n->fd, dst, room);
            if (k < 0) {
                if (errno == EAGAIN || errno == EINTR) continue;
                return HidErrorOfErrno(errno);
            }
            if (k == 0) return kHidErrDeviceNotConnected;
            if (!n->numbered) buf[0] = 0;
            if (got) *got = static_cast<size_t>(k) + (n->numbered ? 0 : 1);
            return kHidOk;
        }
        if (r == 0 && timeoutMs >= 0 && Clock::now() >= deadline) return kHidErrTimeout;
    }
}

void HidrawBackend::CancelRead(HidHandle h) {
    auto n = Find(h);
    if (!n) return;
    const uint64_t one = 1;
    (void)!::write(n->cancelFd, &one, sizeof one);
}

bool HidrawBackend::IsAttached(HidHandle h) {
    auto n = Find(h);
    if (!n) return false;
    hidraw_devinfo info{};
    // The kernel answers ENODEV here once the device is gone, though the descriptor stays open.
    return ::ioctl(n->fd, HIDIOCGRAWINFO, &info) == 0;
}

std::vector<HidrawNodeReport> HidrawBackend::Inspect(int vendorId) {
    std::vector<HidrawNodeReport> out;
    std::vector<DirEntry> entries;
    if (!ListDir(m_sysRoot, entries)) return out;
    for (const DirEntry& e : entries) {
        const int n = HidrawNodeNumber(e.name);
        if (n < 0) continue;
        const std::string dir = m_sysRoot + "/" + e.name + "/device/";
        std::vector<uint8_t> uevent;
        HidUevent ev;
        if (!ReadWholeFile(dir + "uevent", uevent) ||
            !ParseHidUevent(std::string(uevent.begin(), uevent.end()), ev))
            continue;
        if (vendorId >= 0 && ev.vendorId != vendorId) continue;
        HidrawNodeReport r;
        r.node = n;
        r.bus = ev.bus;
        r.vendorId = ev.vendorId;
        r.productId = ev.productId;
        r.interfaceNumber = ev.interfaceNumber;
        r.hidName = ev.name;
        HidrawNode node;
        if (ReadHidrawNode(m_sysRoot, n, node)) {
            r.described = true;
            r.descriptor = node.descriptor;
            r.interfaces = HidrawInterfaces(node);
        }
        const std::string dev = m_devRoot + "/" + e.name;
        const int fd = ::open(dev.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0)
            r.openError = errno;
        else
            ::close(fd);
        out.push_back(std::move(r));
    }
    std::sort(out.begin(), out.end(),
              [](const HidrawNodeReport& a, const HidrawNodeReport& b) { return a.node < b.node; });
    return out;
}

std::unique_ptr<HidBackend> MakeHidrawBackend() {
    return std::make_unique<HidrawBackend>();
}

}  // namespace platform
