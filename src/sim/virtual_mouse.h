// The virtual mouse: one or more mice of the product line behind a HidBackend, so the device
// link cannot tell them from hidraw. Each mouse shows the interfaces of a real one: an
// ordinary boot mouse (report id 0, input 4 bytes, usage page 1 usage 2), the command
// interface (feature report 8 of 15 bytes) and the notification interface (input report 9 of
// 15 bytes). Requests are handled when the feature report is written; replies and device
// events reach every handle open on the notification interface after the latency, from the
// backend's firmware thread.
//
// Every method is thread-safe.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/hid_backend.h"
#include "sim/faults.h"
#include "sim/mouse_memory.h"

struct DeviceModel;

namespace sim {

enum class LinkKind { kReceiver, kBluetooth };

// One mouse to plug in.
struct VirtualMouseSetup {
    int cid = 0;  // customer and model codes the identification reply carries
    int mid = 0;
    LinkKind link = LinkKind::kReceiver;
    int vendorId = 0x1209;
    int productId = 0x0007;  // receiver product id; a Bluetooth mouse uses btProductId
    int btProductId = 0x0008;
    // Model whose factory image fills a new memory; nullptr: FindDeviceModel(cid, mid), and
    // when that finds none the memory starts zero.
    const DeviceModel* model = nullptr;
    // Raw memory image, exactly kMemorySize bytes. Loaded when it exists, created from the
    // factory image when not, rewritten (atomically) after every memory change. Empty: the
    // memory lives only as long as the backend.
    std::string stateFile;
    FaultSpec faults;
};

class VirtualMouseBackend : public platform::HidBackend {
  public:
    VirtualMouseBackend();
    ~VirtualMouseBackend() override;
    VirtualMouseBackend(const VirtualMouseBackend&) = delete;
    VirtualMouseBackend& operator=(const VirtualMouseBackend&) = delete;

    // Plugs in a new mouse; returns its index (0, 1, ...), or -1 with a one-line error when its
    // state file cannot be used (wrong size, unreadable, not writable).
    int AddMouse(const VirtualMouseSetup& setup, std::string& error);
    int MouseCount() const;

    // platform::HidBackend
    std::vector<platform::HidInterfaceInfo> Enumerate() override;
    platform::HidHandle Open(const std::string& path, int* err) override;
    void Close(platform::HidHandle h) override;
    int SetFeature(platform::HidHandle h, const uint8_t* data, size_t length) override;
    int ReadInput(platform::HidHandle h, uint8_t* buf, size_t length, int timeoutMs,
                  size_t* got) override;
    void CancelRead(platform::HidHandle h) override;
    bool IsAttached(platform::HidHandle h) override;

    // Delay of every report in each direction (default 1 ms, a full-speed interrupt endpoint);
    // zero delivers replies at once. Applies to all mice.
    void SetLatency(std::chrono::microseconds perReport);

    // Unplug: the mouse leaves the enumeration, its handles die (reads pending on them and
    // every later call fail with kHidErrDeviceNotConnected; only reports that had already
    // arrived can still be read) and a removal is announced.
    // Replug: it is enumerable again with the memory it had; old handles stay dead.
    void Unplug(int mouse);
    void Replug(int mouse);
    bool IsPlugged(int mouse) const;
    // A mouse switched off behind its receiver: the receiver still answers the connection
    // status (with r[5] = 0) and nothing else.
    void SetReachable(int mouse, bool reachable);
    // Nodes without the udev rule's grant: listed, but opening them answers access denied.
    void SetOpenDenied(int mouse, bool denied);

    // The buttons on the mouse. DPI: the current stage moves to the next stage in use (after
    // the last comes the first) and the event 0x0A with bit 0x01 and the new stage is sent.
    // Lighting: the lighting mode moves to the next mode and the event with bit 0x02 is sent.
    void PressDpiButton(int mouse);
    void PressLightingButton(int mouse);

    // Direct access to the memory, for tests and benchmarks. Out-of-range parts are refused
    // (ReadMemory returns what lies inside, WriteMemory returns false and writes nothing).
    MemoryImage Memory(int mouse) const;
    std::vector<uint8_t> ReadMemory(int mouse, int address, int count) const;
    bool WriteMemory(int mouse, int address, const uint8_t* data, int count);

    // Requests the mouse has received on its command interface since it was added.
    long Exchanges(int mouse) const;
    // Waits until every scheduled reply, event and notice has been delivered (or dropped) and
    // the state file is written; for tests. Not to be called from a notification listener.
    void Drain();
    // The first state-file write that failed (one line naming the file and why); empty when
    // every write succeeded. A change the file did not take is lost at the next start.
    std::string StateFileError() const;

    // Arrival and removal of the virtual receivers ("USB#VID_1209&PID_0007#virtualK"); a
    // Bluetooth mouse announces nothing here, as it is no USB device. The object may outlive
    // the backend.
    std::unique_ptr<platform::DeviceNotifications> MakeNotifications();

    struct Impl;

  private:
    std::shared_ptr<Impl> m_impl;
};

// What mivora and mivora-cli pass on from --virtual-mouse[=FILE], --virtual-cid,
// --virtual-mid, --virtual-link and --virtual-faults.
struct VirtualMouseOptions {
    std::string file;  // state file; empty: no state file
    int cid = -1;      // -1: the codes of the first model in use in cfg.ini
    int mid = -1;
    std::string link = "receiver";  // "receiver" or "bluetooth"
    std::string faults;             // FaultSpec text; empty: none
};

// Builds a backend with one mouse. nullptr with a one-line error on a bad link name, a
// malformed fault text, no model to take the codes from, or a state file that is refused.
std::unique_ptr<VirtualMouseBackend> MakeVirtualBackend(const VirtualMouseOptions& options,
                                                        std::string& error);

}  // namespace sim
