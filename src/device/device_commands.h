// The mouse's commands: connection status, reset, and verified access to its memory.
// Each exchange holds the link's command lock for all its tries. Reads, writes and the status
// whose replies are lost are tried again by the link's retry policy (retry_policy.h), "Retry"
// being its floor; a refusal gets the floor only, and a send that fails (the mouse is gone) ends
// an exchange at once.
#pragma once

#include <cstdint>

#include "device/usb_driver.h"

constexpr int kMaxMemoryChunk = 8;  // data bytes one read or write request carries

// r[5] of the status reply (1: the mouse is reachable; an answered 0 ends the tries at once).
// Returns 0 when hCmd is none or the first send fails, -1 when a later send fails or no reply
// came.
int GetConnectStatus(platform::HidHandle hCmd, CUSBDriver& link);

// Device reset (command 5), tried "Retry" times only: a reset is not ours to repeat freely.
// Returns 1 when the mouse acknowledged it, else 0.
int SendCMD(CUSBDriver& link);

// Reads n (1..8) bytes at address into dest. Returns 1, or 0 (no device, n out of range,
// a failed send, or no good reply within the tries).
int ReadEEPROM(int address, CUSBDriver& link, uint8_t* dest, int n);

// Reads count bytes in pieces of 8, piecePauseMs apart. A piece whose replies were lost over all
// its tries is resumed a few times per call before the read fails. Returns 1, or 0 (a piece that
// failed for good, a refusal, a mouse that is gone, bad arguments).
int ReadROM(int address, CUSBDriver& link, uint8_t* dest, int count, int piecePauseMs = 5);

// Writes count bytes at address in requests of chunk bytes (0 means 8). A chunk counts as
// written only when the mouse's echo or a read-back of it verified it; a lost or damaged echo
// is followed by a read-back before the chunk is written again. Returns 1 only when every chunk
// was verified; 0 for a chunk that did not verify within the retry policy (the write ends
// there), a failed send (the write ends at once) and bad arguments.
int WriteEEPROM(int chunk, int count, CUSBDriver& link, int address, const uint8_t* data);
