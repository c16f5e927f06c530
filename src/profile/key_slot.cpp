#include "profile/key_slot.h"

#include <algorithm>
#include <cstring>

#include "profile/profile_record.h"

size_t BuildKeySlot(uint8_t* out, const std::u16string& name, uint8_t kind, uint8_t subKind,
                    const uint8_t* events, size_t length) {
    std::memset(out, 0, kKeySlotBytes);
    if (length > 1 + 4 * static_cast<size_t>(kSlotMaxEvents) || (length && !events)) return 0;
    const size_t chars = std::min(name.size(), kSlotMaxNameChars);
    out[kSlotNameLen] = static_cast<uint8_t>(2 * chars);
    for (size_t i = 0; i < chars; ++i) {
        out[kSlotName + 2 * i] = static_cast<uint8_t>(name[i]);
        out[kSlotName + 2 * i + 1] = static_cast<uint8_t>(name[i] >> 8);
    }
    out[kSlotKind] = kind;
    out[kSlotSubKind] = subKind;
    if (length) std::memcpy(out + kSlotEvents, events, length);
    out[kSlotEvents + length] = CheckByte(out + kSlotEvents, length);
    return length + 32;
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
