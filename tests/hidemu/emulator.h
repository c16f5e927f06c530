// Emulated hidraw device nodes for the tests: a FUSE file system whose files answer open,
// read, poll and the hidraw ioctls like /dev/hidrawN, and a sysfs tree in a temporary folder
// (class/hidraw/hidrawN with device/uevent and device/report_descriptor), both describing
// the nodes of a fixture and backed by one virtual mouse. The real hidraw backend runs against
// SysRoot() and DevRoot() unchanged.
//
// The files behave like the kernel's hidraw nodes: every open file gets every input report of
// its node in a queue of 64 (when it is full, new reports are dropped), a read returns one
// whole report (cut to the buffer), blocks unless O_NONBLOCK (then EAGAIN), and after an
// unplug returns what was queued and then EIO; poll says POLLIN when a report waits and
// POLLERR|POLLHUP after an unplug; ioctls answer ENODEV after an unplug, EINVAL for a command
// of another type and ENOTTY for an unknown hidraw command.
//
// A feature report 8 written to a node that carries it goes to the mouse's command interface;
// every report the mouse sends goes to each node that carries input 9. Other feature reports
// of the node are accepted and ignored, and read back as zeros; reports the node does not
// declare are refused with EPIPE (a stall).
//
// Every method is thread-safe. Needs /dev/fuse and the right to mount (root).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "hidemu/fixtures.h"
#include "sim/virtual_mouse.h"

namespace hidemu {

class Emulator {
  public:
    Emulator();
    ~Emulator();  // Stop()
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    // Builds the fixture's nodes in a new temporary folder and mounts the device folder. False
    // with a one-line reason (no /dev/fuse, mount refused, unknown fixture, refused state file).
    bool Start(const std::string& fixture, const sim::VirtualMouseSetup& mouse, std::string& error);
    // Unmounts and removes the folder; pending reads end with EIO. Safe to call twice.
    void Stop();

    std::string SysRoot() const;  // ".../sys/class/hidraw"
    std::string DevRoot() const;  // ".../dev", holding hidrawN
    const Fixture& Nodes() const;

    // The mouse behind the nodes (mouse 0 of this backend): latency, memory, buttons.
    sim::VirtualMouseBackend& Mouse();

    // The current N of hidrawN of a fixture node, -1 while unplugged.
    int NodeNumber(int fixtureNode) const;
    std::string DevPath(int fixtureNode) const;
    // The first fixture node that carries the command (feature 8) or notification (input 9)
    // report; -1 when none does.
    int CommandNode() const;
    int NotifyNode() const;
    // open() on the node answers EACCES while set (a node without the udev rule's grant).
    void SetOpenDenied(int fixtureNode, bool denied);

    // The whole device leaves: its nodes vanish from both folders, open files answer as after
    // a disconnect, the mouse is unplugged. Replug brings it back, with the mouse's memory as it
    // was, under the lowest node numbers that no present node and no file still open on a
    // removed node holds (as the kernel numbers them). With sameNumbers a file still open on a
    // removed node holds nothing, as when its owner closed it just in time.
    void Unplug();
    void Replug(bool sameNumbers = false);
    bool IsPlugged() const;
    // Name of the USB device as the device notifications give it ("USB#VID_1209&PID_0007#...").
    std::string UsbDeviceName() const;

    // Foreign reports: pointer motion at pointerHz on every node with a pointer collection, and
    // key presses and releases (keyboard and consumer control) at keyHz on every node with a
    // keyboard or consumer collection. 0 leaves that kind out. Runs until StopNoise or Stop.
    void StartNoise(int pointerHz, int keyHz);
    void StopNoise();
    // One keystroke (press and release) or consumer key on a node; false when it has none.
    bool InjectKeystroke(int fixtureNode);
    bool InjectConsumerKey(int fixtureNode);
    // Queues raw input report bytes (as read() returns them) on every open file of the node.
    bool InjectReport(int fixtureNode, const std::vector<uint8_t>& report);
    // Foreign reports queued so far (on open files) and reports dropped by full queues.
    long NoiseQueued() const;
    long Dropped() const;

    struct Impl;

  private:
    std::unique_ptr<Impl> m_impl;
};

// Why FUSE cannot be used here ("" when it can): checks /dev/fuse and the right to mount by
// mounting and unmounting an empty file system once.
std::string FuseUnavailableReason();

}  // namespace hidemu
