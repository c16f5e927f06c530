// HdMacro: the byte string the mouse plays back for a macro, and the HID/virtual-key table.
//
// Layout: count byte n, then n events of 4 bytes: flag (bit 7 pressed, bit 6 released, bits 0..2
// kind: 0 modifier, 1 key, 4 mouse button), HID code, 0x00, 0x0F. Pauses are not carried.
#pragma once

#include <cstddef>
#include <cstdint>

#include "macro/macro_record.h"

constexpr size_t kHdMacroEventBytes = 4;
constexpr int kHdMacroMaxEvents = 88;     // what the encoder writes at most
constexpr size_t kHdMacroMaxBytes = 353;  // 1 + 4 * 88: room the output buffer must have
static_assert(1 + kHdMacroEventBytes * kHdMacroMaxEvents == kHdMacroMaxBytes);

// A key slot of the mouse holds 384 bytes: 29 name bytes, 2 kind bytes, the string and a check
// byte, so at most 87 events fit (33 + 4n <= 384).
constexpr size_t kKeySlotBytes = 384;
constexpr size_t kKeySlotOverhead = 33;
constexpr int kSlotMacroMaxEvents = 87;
static_assert(kKeySlotOverhead + kHdMacroEventBytes * kSlotMacroMaxEvents <= kKeySlotBytes);
static_assert(kKeySlotOverhead + kHdMacroEventBytes * (kSlotMacroMaxEvents + 1) > kKeySlotBytes);

constexpr uint8_t kHdFlagPressed = 0x80;
constexpr uint8_t kHdFlagReleased = 0x40;
constexpr uint8_t kHdKindModifier = 0;
constexpr uint8_t kHdKindKey = 1;
constexpr uint8_t kHdKindMouse = 4;

// First pair with that HID usage / virtual key; 0 when none.
uint8_t HidToVk(uint8_t hid);
uint8_t VkToHid(uint8_t vk);

// Writes the device encoding of rec's events (at most maxEvents, never more than 88) into out,
// which has room for 1 + 4 * maxEvents bytes (353 by default). Returns the length 1 + 4n, or 0
// (writing nothing) when an argument is missing. An unknown key is logged and sent as HID 0.
int StMacro_To_HdMacro(const StMacro* rec, uint8_t* out, int maxEvents = kHdMacroMaxEvents);

// Builds a record from a device encoding of `size` bytes (bytes from the mouse: only complete
// events inside `size` are read). Takes every event the record holds (90); unknown codes are logged
// and give wKey 0. The record gets the magic and a new id; the caller sets name and loop fields.
// Returns the number of events converted, 0 when an argument is missing.
int HdMacro_To_StMacro(const uint8_t* bytes, size_t size, StMacro* out);
