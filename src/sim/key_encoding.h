// How the firmware stores a button function: the matrix code and, for buffer functions, the
// event string in the button's key slot buffer. Used to lay out the factory image.
#pragma once

#include <cstdint>
#include <vector>

#include "config/key_entry.h"

namespace sim {

// Kind bytes at offsets 29 and 30 of a key slot buffer.
constexpr uint8_t kSlotKindMacro = 0x53, kSlotSubMacro = 0x02;
constexpr uint8_t kSlotKindCombo = 0x52, kSlotSubCombo = 0x03;
constexpr uint8_t kSlotKindFire = 0x51, kSlotSubFire = 0x04;
constexpr int kSlotEventsOffset = 31;  // count byte, then 4 bytes per event, then check byte

struct EncodedKey {
    uint32_t matrixCode = 0;  // b0 | b1 << 8 | b2 << 16, or 0xFFFFFFFF for no function
    bool hasBuffer = false;   // b0 = 4: the slot buffer below belongs to the key
    uint8_t kind = 0, subKind = 0;
    std::vector<uint8_t> events;  // count byte and 4 bytes per event
};

// Encodes a key for matrix position slot + 1 (slot 0..7).
EncodedKey EncodeKey(const KeyEntry& entry, int slot);

// HID keyboard usage of a virtual-key code; 0 when the key is not known.
uint8_t VirtualKeyToHid(uint8_t vk);
// HID consumer usage of a media index 0x21..0x39; 0xFFFF when not in the table.
uint16_t MediaUsage(uint32_t index);

}  // namespace sim
