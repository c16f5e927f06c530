// Finding the mouse: listing the vendor's HID interfaces, pairing command and notification
// interfaces, identifying the mouse behind each pair and making one of them current.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "device/usb_driver.h"

constexpr int kMaxHidInterfaces = 50;

// Whether a product id of the vendor is one of the configured "PID" and "PIDBT" (any product
// when neither is configured).
bool IsOurProduct(int productId);

// The interfaces whose path contains vidText (case-insensitive) and whose product id is ours,
// at most 50 in listing order.
std::vector<platform::HidInterfaceInfo> EnumHidInterfaces(platform::HidBackend& backend,
                                                          const std::string& vidText);

// "%04x" and "hid#vid_%04x" of the configured vendor id.
std::string VendorIdText();
std::string ReceiverPathText();
bool IsReceiverPath(const std::string& path);

// One search on the link. Returns the number of mice identified (0, 1 or more); with exactly
// one it has been made current (UpdateHandle). pSensorCfg is set to the model of each mouse
// identified, so after a search that found one it is that mouse's model.
int FindDev(CUSBDriver& link);

// Reads the first reply on a notification candidate (1.5 s at most; reports of other ids and
// device events are skipped); stores h in *matched when it is a good connection-status reply
// of a reachable mouse.
void MatchHandleThread(platform::HidBackend& backend, platform::HidHandle h,
                       std::atomic<platform::HidHandle>* matched);

// Identification exchange. Returns 1 with the customer and model codes, 0 on a failed send, no
// reply or a bad reply, -1 when the mouse answered with both codes 0.
int CheckPsd(platform::HidBackend& backend, platform::HidHandle hNotify, platform::HidHandle hCmd,
             int* cid, int* mid);

// Makes found-device slot `slot` the link's current device and starts its reader thread.
void UpdateHandle(int slot, CUSBDriver& link);

// Closes every found device (all) or every one but the current.
void CloseFoundDevices(CUSBDriver& link, bool all);
