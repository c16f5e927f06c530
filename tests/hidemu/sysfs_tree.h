// The sysfs side of an emulated node, laid out as the kernel does: the HID device folder with
// uevent and report_descriptor, its hidraw/hidrawN child, and class/hidraw/hidrawN linking to
// that child.
#pragma once

#include <string>

#include "hidemu/fixtures.h"

namespace hidemu {

struct SysfsIds {
    int bus = 0;
    int vendorId = 0;
    int productId = 0;
    int hidSequence = 0;  // the ".000N" of the HID device name
};

// Writes the node under top (the "sys" folder); returns the HID device folder, or "" with a
// reason in error.
std::string AddSysfsNode(const std::string& top, const NodeSpec& spec, const SysfsIds& ids,
                         int number, std::string& error);
// Removes what AddSysfsNode wrote.
void RemoveSysfsNode(const std::string& top, int number, const std::string& deviceDir);

// The uevent text of the HID device.
std::string HidUeventText(const NodeSpec& spec, const SysfsIds& ids);
// HID_PHYS and HID_UNIQ as the kernel reports them for that bus.
std::string HidPhys(const NodeSpec& spec);
std::string HidUniq(const NodeSpec& spec);

}  // namespace hidemu
