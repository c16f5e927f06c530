#include "profile/key_slot.h"

#include <algorithm>
#include <cstring>

#include "profile/profile_record.h"

size_t EncodeKeySlot(const KeySlotBuffer& slot, uint8_t* out) {
    std::memset(out, 0, kKeySlotBytes);
    if (slot.eventCount > kSlotMaxEvents) return 0;
    out[kSlotNameLen] = slot.nameLength;
    std::memcpy(out + kSlotName, slot.name, kSlotNameBytes);
    out[kSlotKind] = slot.kind;
    out[kSlotSubKind] = slot.subKind;
    out[kSlotEvents] = slot.eventCount;
    const size_t eventBytes = 4 * static_cast<size_t>(slot.eventCount);
    std::memcpy(out + kSlotEvents + 1, slot.events, eventBytes);
    out[kSlotEvents + 1 + eventBytes] = slot.check;
    return kSlotEvents + 1 + eventBytes + 1;
}

KeySlotBuffer DecodeKeySlot(const uint8_t* in, size_t size) {
    KeySlotBuffer slot;
    size = std::min(size, kKeySlotBytes);
    uint8_t buf[kKeySlotBytes] = {};
    std::memcpy(buf, in, size);
    slot.nameLength = buf[kSlotNameLen];
    std::memcpy(slot.name, buf + kSlotName, kSlotNameBytes);
    slot.kind = buf[kSlotKind];
    slot.subKind = buf[kSlotSubKind];
    const size_t present = size > kSlotEvents + 1 ? (size - kSlotEvents - 1) / 4 : 0;
    const size_t n =
        std::min<size_t>({buf[kSlotEvents], present, static_cast<size_t>(kSlotMaxEvents)});
    slot.eventCount = static_cast<uint8_t>(n);
    std::memcpy(slot.events, buf + kSlotEvents + 1, 4 * n);
    slot.check = buf[kSlotEvents + 1 + 4 * n];
    return slot;
}

size_t BuildKeySlot(uint8_t* out, const std::u16string& name, uint8_t kind, uint8_t subKind,
                    const uint8_t* events, size_t length) {
    std::memset(out, 0, kKeySlotBytes);
    if (length > 1 + 4 * static_cast<size_t>(kSlotMaxEvents) || (length && !events)) return 0;
    KeySlotBuffer slot;
    const std::u16string kept = SlotMacroName(name);
    slot.nameLength = static_cast<uint8_t>(2 * kept.size());
    for (size_t i = 0; i < kept.size(); ++i) {
        slot.name[2 * i] = static_cast<uint8_t>(kept[i]);
        slot.name[2 * i + 1] = static_cast<uint8_t>(kept[i] >> 8);
    }
    slot.kind = kind;
    slot.subKind = subKind;
    // The string's own count byte wins only as far as its bytes go.
    const size_t n = length ? std::min<size_t>(events[0], (length - 1) / 4) : 0;
    slot.eventCount = static_cast<uint8_t>(n);
    if (n) std::memcpy(slot.events, events + 1, 4 * n);
    slot.check = CheckByte(events, length ? 1 + 4 * n : 0);
    const size_t written = EncodeKeySlot(slot, out);
    if (length == 0) {
        // No string at all, not even its count byte: the check byte of nothing takes its place.
        out[kSlotEvents] = 0x55;
        out[kSlotEvents + 1] = 0;
        return kSlotEvents + 1;
    }
    return written;
}

std::u16string SlotMacroName(const std::u16string& name) {
    std::u16string kept = name.substr(0, kSlotMaxNameChars);
    if (!kept.empty() && kept.back() >= 0xD800 && kept.back() <= 0xDBFF) kept.pop_back();
    return kept;
}

std::u16string SlotNameFromBlock(const uint8_t* block) {
    size_t bytes = std::min<size_t>(block[kSlotNameLen], kSlotNameBytes);
    std::u16string name;
    for (size_t i = 0; 2 * i + 1 < bytes; ++i) {
        name.push_back(
            static_cast<char16_t>(block[kSlotName + 2 * i] | block[kSlotName + 2 * i + 1] << 8));
    }
    return name;
}
