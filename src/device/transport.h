// Writing requests and reading single replies on raw interface handles.
#pragma once

#include <cstdint>

#include "device/device_report.h"
#include "device/usb_driver.h"

// Builds the report for the 13 request bytes into out and writes it, up to 3 attempts with
// 100 ms pauses. Returns 1, or 0 when request is null, the device is gone (no more attempts)
// or every attempt failed.
int SendCommand(CUSBDriver& link, platform::HidHandle hCmd, const uint8_t* request,
                uint8_t out[kReportBytes]);

// Builds and writes one report in a single attempt. Returns 1, or 0 with the write's error
// stored in *err when err is given.
int SendData(platform::HidBackend& backend, platform::HidHandle h, const uint8_t* request,
             int* err = nullptr);

// Reads one input report within timeoutMs and copies its bytes 1..n (n at most 14) to out.
// Returns 1, or 0 on time-out, error, n out of range or a report that is not 15 bytes with id 9.
int GetData(platform::HidBackend& backend, platform::HidHandle hNotify, uint8_t* out, int n,
            int timeoutMs);
