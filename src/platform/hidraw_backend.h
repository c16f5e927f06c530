// The HID backend for real devices: hidraw nodes found through sysfs.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/hid_backend.h"
#include "platform/hid_descriptor.h"

namespace platform {

constexpr const char* kHidrawSysRoot = "/sys/class/hidraw";
constexpr const char* kHidrawDevRoot = "/dev";

// One hidraw node as `mivora-cli devices --verbose` shows it.
struct HidrawNodeReport {
    int node = 0;
    bool described = false;  // uevent and report descriptor could be read and parsed
    int bus = 0, vendorId = 0, productId = 0, interfaceNumber = -1;
    std::string hidName;                       // HID_NAME
    HidDescriptorInfo descriptor;              // when described
    std::vector<HidInterfaceInfo> interfaces;  // the names the device link sees
    int openError = 0;                         // 0: opened for reading and writing; else errno
};

class HidrawBackend : public HidBackend {
  public:
    // The roots are injectable so tests (and emulators) can serve a sysfs tree and device
    // folder of their own.
    explicit HidrawBackend(std::string sysRoot = kHidrawSysRoot,
                           std::string devRoot = kHidrawDevRoot);
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

    // Every node of vendorId (all nodes when vendorId < 0), with what it carries and whether it
    // can be opened now; for diagnosis.
    std::vector<HidrawNodeReport> Inspect(int vendorId);

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
