// The report rates as the user sees them. A rate is stored as a hexadecimal-coded decimal (0x500
// for 500 Hz); over Bluetooth the same codes give other rates, which the window's rate buttons
// name and the CLI prints and takes.
#pragma once

#include <cstdint>

// The receiver rates' codes, slowest first.
inline constexpr uint32_t kReportRateCodes[4] = {0x125, 0x250, 0x500, 0x1000};

// Hz of a rate code on the receiver link; -1 for a code that is none of the four.
int ReceiverRateHz(uint32_t code);
// Hz of a rate code on the Bluetooth link: 90, 115 and 133 for the codes of 125, 250 and 500,
// 1000 for 0x1000 (which Bluetooth does not offer); -1 for a code that is none of the four.
int BluetoothRateHz(uint32_t code);
// The code whose rate on that link is hz; 0 when none is.
uint32_t RateCodeOfHz(int hz, bool bluetooth);
