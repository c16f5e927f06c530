// Reading what the mouse holds into a profile record.
#pragma once

#include "device/usb_driver.h"
#include "profile/profile_record.h"

// Reads the profile block, the key slot buffers of buttons 0..7 of key set 0 and the lighting
// into rec; macros found in the mouse enter the macro library. Returns 1 when every read
// succeeded, else 0 (rec may then be partly changed; the caller discards it).
int ReadProfileFromDevice(CUSBDriver& link, ProfileRecord& rec);

// Reads the lighting block into rec's lighting fields. Returns 1, or 0 when the read failed
// (the fields stay as they were).
int ReadLighting(CUSBDriver& link, ProfileRecord& rec);

// Decodes the report-rate byte: low nibble 2.4 GHz, high nibble Bluetooth. A nibble that is no
// rate code logs "Wrogn polling rate value 0x%x" and leaves that rate unchanged.
void DecodeReportRates(uint8_t b, ProfileRecord& rec);
