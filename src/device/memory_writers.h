// Writers that turn key matrix codes, DPI stages and report rates into verified memory writes.
#pragma once

#include <cstdint>

#include "config/device_model.h"  // kDeviceDpiStages
#include "device/usb_driver.h"

constexpr int kAddrReportRate = 0x00;
constexpr int kAddrDpiStages = 0x06;
constexpr int kDpiStageBytes = 3;  // x code, y code, check byte
constexpr int kAddrKeyMatrix = 0x15;
constexpr int kKeyMatrixEntryBytes = 4;  // b0, b1, b2, check byte
constexpr int kKeyMatrixEntries = 8;
static_assert(kAddrDpiStages + kDpiStageBytes * kDeviceDpiStages == kAddrKeyMatrix);
static_assert(kAddrKeyMatrix + kKeyMatrixEntryBytes * kKeyMatrixEntries == 0x35);

constexpr int kAllItems = 0xFF;  // mask value: write every entry or stage

// One DPI stage as the writer needs it.
struct StageDpi {
    int xDpi = 0;
    int yDpi = 0;
};

// Key matrix codes (three low bytes b0 b1 b2 of each entry). mask 0xFF writes the first
// min(count, 8) entries from 0x15; otherwise the lowest set bit i (0..7) writes entries[0] as
// position i + 1. Returns WriteEEPROM's result, 1 when there is nothing to write, 0 for null
// entries.
int WriteKeyMatrix(const uint32_t* entries, int mask, CUSBDriver& link, int count);

// DPI stages of the selected model's sensor. mask 0xFF writes the first count stages from
// 0x06; otherwise the lowest set bit i writes stages[i]. The mouse has room for 5 stages:
// stages beyond the fifth are skipped with a log line. Returns WriteEEPROM's result, 1 when
// there is nothing to write, 0 for null stages, no selected model or a value without a code
// for the sensor (then nothing is written).
int WriteDpiStages(int mask, CUSBDriver& link, const StageDpi* stages, int count);

// Report-rate byte and its check byte at address 0. Rates are hexadecimal-coded decimals
// (0x125, 0x250, 0x500, 0x1000). Returns 0 without writing when the 2.4 GHz rate has no code.
int WriteReportRate(int rate24, int rateBT, CUSBDriver& link);

// 1, 2, 4 or 8 for 0x1000, 0x500, 0x250, 0x125; -1 for any other value.
int ReportRateCode(int rate);
