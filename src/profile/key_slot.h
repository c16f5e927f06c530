// The key slot buffer: the 384 bytes at 0x200 + 384 x slot that hold the details of a buffer
// function (macro, combination, media or fire key) of one key matrix position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "macro/hd_macro.h"  // kKeySlotBytes, kSlotMacroMaxEvents

constexpr int kKeySlots = 8;
constexpr uint32_t kKeySlotBase = 0x200;
constexpr size_t kSlotNameLen = 0;  // name length in bytes
constexpr size_t kSlotName = 1;     // 28 bytes of UTF-16LE, not terminated
constexpr size_t kSlotNameBytes = 28;
constexpr size_t kSlotNameBlock = 29;  // length byte + name
constexpr size_t kSlotKind = 29;
constexpr size_t kSlotSubKind = 30;
constexpr size_t kSlotEvents = 31;  // count byte, then 4 bytes per event
constexpr size_t kSlotMaxNameChars = kSlotNameBytes / 2;
// Name block, kind bytes and the check byte take 32 bytes; the rest holds the event string.
constexpr int kSlotMaxEvents = kSlotMacroMaxEvents;
static_assert(kSlotMaxEvents == static_cast<int>((kKeySlotBytes - 32 - 1) / 4));
static_assert(kSlotEvents + 1 + 4 * kSlotMaxEvents + 1 <= kKeySlotBytes);
static_assert(kKeySlotBase + kKeySlots * kKeySlotBytes == 0xE00);

enum : uint8_t {
    kSlotKindMacro = 0x53,
    kSlotSubMacro = 0x02,
    kSlotKindKeys = 0x52,  // combination and media keys
    kSlotSubKeys = 0x03,
    kSlotKindFire = 0x51,
    kSlotSubFire = 0x04,
};

constexpr uint32_t KeySlotAddress(int slot) {
    return kKeySlotBase + static_cast<uint32_t>(kKeySlotBytes) * static_cast<uint32_t>(slot);
}

// The buffer field by field.
struct KeySlotBuffer {
    uint8_t nameLength = 0;             // bytes of name (2 x characters), 0 for non-macros
    uint8_t name[kSlotNameBytes] = {};  // UTF-16LE, not terminated
    uint8_t kind = 0;
    uint8_t subKind = 0;
    uint8_t eventCount = 0;                   // n
    uint8_t events[4 * kSlotMaxEvents] = {};  // n events of 4 bytes
    uint8_t check = 0;                        // 0x55 - sum of the count byte and the events

    friend bool operator==(const KeySlotBuffer&, const KeySlotBuffer&) = default;
};
static_assert(kSlotNameBlock == 1 + kSlotNameBytes);

// Writes the buffer into out (kKeySlotBytes, zero after the check byte). Returns the number of
// bytes to write (33 + 4n), or 0 when the count exceeds 87 (out is then all zero).
size_t EncodeKeySlot(const KeySlotBuffer& slot, uint8_t* out);
// Decodes size bytes read from the mouse (at most kKeySlotBytes are looked at). The count byte
// is untrusted: only the events inside the bytes read are taken, and eventCount says how many.
KeySlotBuffer DecodeKeySlot(const uint8_t* in, size_t size);

// Fills out (kKeySlotBytes) with the name block (SlotMacroName of name), the kind
// bytes, the event string events[0..length) (count byte first) and its check byte. Returns the
// number of bytes to write (length + 32), or 0 when the string does not fit: then out is zero.
size_t BuildKeySlot(uint8_t* out, const std::u16string& name, uint8_t kind, uint8_t subKind,
                    const uint8_t* events, size_t length);

// The part of a macro name a key slot keeps: at most 14 UTF-16 units, and never half of a
// surrogate pair (a character that does not fit whole is left out; a high surrogate left alone
// at the end by an older writer is dropped).
std::u16string SlotMacroName(const std::u16string& name);

// Name from a 29-byte name block read from the mouse: the length byte is untrusted, so at most
// 28 bytes are taken and an odd last byte is dropped. Empty when the length byte is 0.
std::u16string SlotNameFromBlock(const uint8_t* block);
