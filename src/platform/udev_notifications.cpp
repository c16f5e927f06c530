#include "platform/udev_notifications.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

namespace platform {

std::string UsbDeviceNameOf(const char* product, const char* sysname) {
    if (!product) return {};
    unsigned vid = 0, pid = 0, rev = 0;
    int used = 0;
    if (std::sscanf(product, "%x/%x/%x%n", &vid, &pid, &rev, &used) != 3 || product[used] != '\0' ||
        vid > 0xFFFF || pid > 0xFFFF)
        return {};
    char buf[64];
    std::snprintf(buf, sizeof buf, "USB#VID_%04X&PID_%04X#", vid, pid);
    return std::string(buf) + (sysname ? sysname : "");
}

namespace {

class UdevNotifications : public DeviceNotifications {
  public:
    ~UdevNotifications() override { Stop(); }

    bool Start(Listener* listener) override {
        std::lock_guard<std::mutex> g(m_mu);
        if (!listener || m_thread.joinable()) return false;
        m_udev = udev_new();
        if (!m_udev) return Fail();
        m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
        if (!m_monitor) return Fail();
        if (udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "usb", "usb_device") < 0 ||
            udev_monitor_enable_receiving(m_monitor) < 0)
            return Fail();
        m_stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (m_stopFd < 0) return Fail();
        m_thread = std::thread([this, listener] { Run(listener); });
        return true;
    }

    void Stop() override {
        std::lock_guard<std::mutex> g(m_mu);
        if (m_thread.joinable()) {
            const uint64_t one = 1;
            (void)!write(m_stopFd, &one, sizeof one);
            m_thread.join();
        }
        Release();
    }

  private:
    // No log here: the platform layer sits below the log; the caller logs the false result.
    bool Fail() {
        Release();
        return false;
    }

    void Release() {
        if (m_monitor) udev_monitor_unref(m_monitor);
        if (m_udev) udev_unref(m_udev);
        if (m_stopFd >= 0) close(m_stopFd);
        m_monitor = nullptr;
        m_udev = nullptr;
        m_stopFd = -1;
    }

    void Run(Listener* listener) {
        pollfd fds[2] = {{udev_monitor_get_fd(m_monitor), POLLIN, 0}, {m_stopFd, POLLIN, 0}};
        for (;;) {
            if (poll(fds, 2, -1) < 0) continue;  // EINTR
            if (fds[1].revents & POLLIN) return;
            if (!(fds[0].revents & POLLIN)) continue;
            udev_device* dev = udev_monitor_receive_device(m_monitor);
            if (!dev) continue;
            const char* action = udev_device_get_action(dev);
            const bool arrival = action && std::strcmp(action, "add") == 0;
            const bool removal = action && std::strcmp(action, "remove") == 0;
            const std::string name = UsbDeviceNameOf(udev_device_get_property_value(dev, "PRODUCT"),
                                                     udev_device_get_sysname(dev));
            udev_device_unref(dev);
            if ((arrival || removal) && !name.empty()) listener->OnDeviceChange(arrival, name);
        }
    }

    std::mutex m_mu;
    std::thread m_thread;
    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    int m_stopFd = -1;
};

}  // namespace

std::unique_ptr<DeviceNotifications> MakeUdevNotifications() {
    return std::make_unique<UdevNotifications>();
}

}  // namespace platform
