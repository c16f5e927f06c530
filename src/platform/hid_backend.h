// What the device link needs from the HID layer. Implemented by the hidraw backend (real
// devices) and by the virtual mouse, so the engine cannot tell them apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Error codes keep the numbers the device link's log lines and tests use.
enum HidError : int {
    kHidOk = 0,
    kHidErrAccessDenied = 5,           // no permission on the node (see the udev rule)
    kHidErrInvalidHandle = 6,          // handle unknown or already closed
    kHidErrGenFailure = 31,            // any other failure of the device
    kHidErrOperationAborted = 995,     // a pending read was cancelled
    kHidErrDeviceNotConnected = 1167,  // the device is gone (ENODEV, EIO, vanished node)
    kHidErrTimeout = 1460,             // no report within the time-out
};

using HidHandle = intptr_t;
constexpr HidHandle kNoHidHandle = 0;

// One HID interface as listed by Enumerate.
struct HidInterfaceInfo {
    std::string path;     // stable name: "hid#vid_1209&pid_0007&mi_01#hidraw3" (USB) or
                          // "hid#{00001124-...}_vid&00021209_pid&0008#hidraw5" (Bluetooth)
    int reportId = 0;     // first report id found, looking at feature, then input, then output
    int inputLength = 0;  // report lengths in bytes including the report id byte
    int outputLength = 0;
    int featureLength = 0;
    int usagePage = 0;  // top-level collection
    int usage = 0;
    int vendorId = 0;
    int productId = 0;
};

class HidBackend {
  public:
    virtual ~HidBackend() = default;

    // Every HID interface present now (the caller filters by vendor).
    virtual std::vector<HidInterfaceInfo> Enumerate() = 0;
    // Opens an interface by its path; kNoHidHandle (err set) on failure.
    virtual HidHandle Open(const std::string& path, int* err) = 0;
    // Closes the handle; a read pending on it ends with kHidErrOperationAborted.
    virtual void Close(HidHandle h) = 0;
    // Writes one feature report (data[0] is the report id). Returns kHidOk or an error.
    virtual int SetFeature(HidHandle h, const uint8_t* data, size_t length) = 0;
    // Reads one input report into buf (buf[0] becomes the report id), waiting up to timeoutMs
    // (negative: no limit). Returns kHidOk with *got set, kHidErrTimeout, kHidErrOperationAborted
    // after CancelRead, or another error.
    virtual int ReadInput(HidHandle h, uint8_t* buf, size_t length, int timeoutMs, size_t* got) = 0;
    // Ends a ReadInput pending on h from another thread (it returns kHidErrOperationAborted).
    // A cancel that finds no read pending ends the next read at once, so a reader told to
    // stop just before it starts to wait cannot miss it.
    virtual void CancelRead(HidHandle h) = 0;
    // False once the device behind the handle is gone.
    virtual bool IsAttached(HidHandle h) = 0;
};

// Arrival and removal of USB devices. The name contains "USB#VID_%04X&PID_%04X".
class DeviceNotifications {
  public:
    struct Listener {
        virtual ~Listener() = default;
        virtual void OnDeviceChange(bool arrival, const std::string& deviceName) = 0;
    };
    virtual ~DeviceNotifications() = default;
    // Starts delivering to listener (on a thread of the implementation); false on failure.
    virtual bool Start(Listener* listener) = 0;
    virtual void Stop() = 0;
};

// The hidraw backend and the libudev monitor for real devices.
std::unique_ptr<HidBackend> MakeHidrawBackend();
std::unique_ptr<DeviceNotifications> MakeUdevNotifications();

}  // namespace platform
