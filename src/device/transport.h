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

// Reads input reports until one with id 9 arrives within timeoutMs and copies its bytes 1..n
// (n at most 14) to out. Reports of other ids (a keyboard or pointer on the same node) are
// skipped and counted, never fatal. Returns 1, or 0 on time-out, error or n out of range.
int GetData(platform::HidBackend& backend, platform::HidHandle hNotify, uint8_t* out, int n,
            int timeoutMs);

// GetData that also skips id-9 reports until accept(r) holds for the 14 bytes r[0..13]; the
// whole wait stays within timeoutMs. accept may be empty (the first id-9 report is taken).
using ReplyFilter = bool (*)(const uint8_t* r);
int GetDataMatching(platform::HidBackend& backend, platform::HidHandle hNotify, uint8_t* out, int n,
                    int timeoutMs, ReplyFilter accept);
