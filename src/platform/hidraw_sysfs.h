// What sysfs says about hidraw nodes: bus, vendor, product, interface and report descriptor,
// and the stable interface names the device link matches on.
#pragma once

#include <string>
#include <vector>

#include "platform/hid_backend.h"
#include "platform/hid_descriptor.h"

namespace platform {

constexpr int kBusUsb = 0x0003;
constexpr int kBusBluetooth = 0x0005;

struct HidUevent {
    int bus = 0;
    int vendorId = 0;
    int productId = 0;
    int interfaceNumber = -1;  // from HID_PHYS ".../inputN"; -1 when not given
    std::string name;          // HID_NAME, for diagnosis only
};

// Parses the "device/uevent" text of a hidraw node ("HID_ID=0003:00001209:00000007",
// "HID_PHYS=usb-0000:00:14.0-2/input1"). False when HID_ID is missing or malformed.
bool ParseHidUevent(const std::string& text, HidUevent& out);

// The interface name: USB "hid#vid_1209&pid_0007&mi_01#hidraw3", Bluetooth
// "hid#{00001124-0000-1000-8000-00805f9b34fb}_vid&00021209_pid&0008#hidraw5", other buses
// "hid#bus_0018_vid&1209_pid&0007#hidraw2".
std::string HidrawInterfaceName(const HidUevent& ev, int node);

// The node number of a name made by HidrawInterfaceName ("...#hidraw3" gives 3); -1 when the
// name does not end in "#hidraw" and digits.
int HidrawNodeOfName(const std::string& name);

struct HidrawNode {
    int node = 0;  // N of hidrawN
    HidUevent uevent;
    std::string name;  // HidrawInterfaceName of the node
    HidDescriptorInfo descriptor;
};

// The report the device link sends its requests in, and the one its replies come in.
constexpr int kCommandReportId = 8;
constexpr int kNotifyReportId = 9;
constexpr int kProtocolReportBytes = 15;

// What the device link may use of one node. A hidraw node is a whole HID device and may carry
// a keyboard, consumer control and the vendor reports side by side, so it is listed by role:
// one command entry ("...&col01#hidrawN") when it has a 15-byte feature report 8, one
// notification entry ("...&col02#hidrawN") when it has a 15-byte input report 9, each with the
// length of that report; both when it has both. A node with neither is listed once under its
// plain name, with its first report id and longest reports, so it can be shown but never
// matches a role. Reports of other ids never decide a role.
std::vector<HidInterfaceInfo> HidrawInterfaces(const HidrawNode& node);

// The N of a directory entry named "hidrawN"; -1 for any other name.
int HidrawNodeNumber(const std::string& entry);

// Lists sysRoot (normally "/sys/class/hidraw") and reads each hidrawN's uevent and report
// descriptor. Nodes whose files are missing or malformed are left out; sorted by node number.
std::vector<HidrawNode> ScanHidrawNodes(const std::string& sysRoot);
// Reads one node; false when its files are missing or malformed.
bool ReadHidrawNode(const std::string& sysRoot, int node, HidrawNode& out);

}  // namespace platform
