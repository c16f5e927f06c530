// The 15-byte report of the configuration protocol: requests go out as feature reports with
// id 8, replies and device events come in as input reports with id 9.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kReportBytes = 15;
constexpr size_t kRequestBytes = 13;  // command id + 12 payload bytes
constexpr size_t kReplyBytes = 14;    // everything after the input report id
constexpr uint8_t kRequestReportId = 8;
constexpr uint8_t kInputReportId = 9;
constexpr uint8_t kEventCmdId = 0x0A;  // r[0] of a device event
constexpr uint8_t kEventStageBit = 0x01;
constexpr uint8_t kEventLightingBit = 0x02;
static_assert(1 + kRequestBytes + 1 == kReportBytes);
static_assert(1 + kReplyBytes == kReportBytes);

// Command ids.
constexpr uint8_t kCmdIdentify = 1;
constexpr uint8_t kCmdConnectStatus = 2;
constexpr uint8_t kCmdWriteMemory = 3;
constexpr uint8_t kCmdReadMemory = 4;
constexpr uint8_t kCmdReset = 5;

// (0x55 - sum of the bytes) mod 256; closes every report and every memory group.
uint8_t CheckSum55(const uint8_t* data, size_t count);

// Fills out with report id 8, the 13 request bytes and the check byte.
void BuildReport(const uint8_t request[kRequestBytes], uint8_t out[kReportBytes]);

// One received input report: r[0] the command answered, r[1] the status, r[2..13] the fields.
// Room for 16 bytes as the protocol's record has; the last two stay 0.
struct CRetParam {
    uint8_t r[16] = {};
};

// Accepts an input report with id 9 and copies the bytes after the id. A shorter report is
// zero-filled to 15 bytes (as the Windows stack pads it), a longer one is cut. Returns false
// (out untouched) for a report of another id: on a shared hidraw node those belong to the
// keyboard, consumer control or pointer collections beside ours.
bool DecodeInputReport(const uint8_t* report, size_t length, CRetParam& out);
