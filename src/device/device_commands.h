// The mouse's commands: connection status, reset, and verified access to its memory.
// Each exchange holds the link's command lock for all its tries; "Retry" sets the tries.
#pragma once

#include <cstdint>

#include "device/usb_driver.h"

constexpr int kMaxMemoryChunk = 8;  // data bytes one read or write request carries

// r[5] of the status reply (1: the mouse is reachable). Returns 0 when hCmd is none or the
// first send fails, -1 when a later send fails or no reply came.
int GetConnectStatus(platform::HidHandle hCmd, CUSBDriver& link);

// Device reset (command 5). Returns 1 when the mouse acknowledged it, else 0.
int SendCMD(CUSBDriver& link);

// Reads n (1..8) bytes at address into dest. Returns 1, or 0 (no device, n out of range,
// a failed send, or no good reply within the tries).
int ReadEEPROM(int address, CUSBDriver& link, uint8_t* dest, int n);

// Reads count bytes in pieces of 8, 5 ms apart. Returns 1, or 0 at the first failed piece.
int ReadROM(int address, CUSBDriver& link, uint8_t* dest, int count);

// Writes count bytes at address in requests of chunk bytes (0 means 8), each verified by the
// mouse's echo. A chunk that never verifies is logged and the remaining chunks are still
// written, but the result is then 0, as it is for a failed send (which ends the write) and
// for bad arguments. Returns 1 only when every chunk was verified.
int WriteEEPROM(int chunk, int count, CUSBDriver& link, int address, const uint8_t* data);
