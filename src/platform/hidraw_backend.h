// The HID backend for real devices: hidraw nodes found through sysfs.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/hid_backend.h"

namespace platform {

class HidrawBackend : public HidBackend {
  public:
    // The roots are injectable so tests can use a fake sysfs tree and device folder.
    explicit HidrawBackend(std::string sysRoot = "/sys/class/hidraw", std::string devRoot = "/dev");
    ~HidrawBackend() override;

    std::vector<HidInterfaceInfo> Enumerate() override;
    // Maps the interface name back to devRoot/hidrawN, after checking that the node still is
    // the interface of that name (a node number can be reused by another device).
    HidHandle Open(const std::string& path, int* err) override;
    void Close(HidHandle h) override;
    int SetFeature(HidHandle h, const uint8_t* data, size_t length) override;
    // A cancel that finds no read pending ends the next read at once.
    int ReadInput(HidHandle h, uint8_t* buf, size_t length, int timeoutMs, size_t* got) override;
    void CancelRead(HidHandle h) override;
    bool IsAttached(HidHandle h) override;

    struct OpenNode;

  private:
    std::shared_ptr<OpenNode> Find(HidHandle h);

    std::string m_sysRoot;
    std::string m_devRoot;
    std::mutex m_mu;
    std::map<HidHandle, std::shared_ptr<OpenNode>> m_open;
    HidHandle m_next = 1;
};

// Maps an errno value of open, read or ioctl on a hidraw node to a HidError.
int HidErrorOfErrno(int e);

}  // namespace platform
