// Arrival and removal of USB devices from a libudev monitor, on a thread of its own.
#pragma once

#include <string>

#include "platform/hid_backend.h"

namespace platform {

// The device name a listener receives: "USB#VID_1209&PID_0007#<sysname>", built from the
// udev property PRODUCT ("1209/7/100"); empty when PRODUCT is missing or malformed.
std::string UsbDeviceNameOf(const char* productProperty, const char* sysname);

}  // namespace platform
