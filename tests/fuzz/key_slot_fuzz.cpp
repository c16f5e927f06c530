// Key slot buffers and key matrix codes as read from the mouse: decoding any bytes stays inside
// what was read and gives a known function or leaves the entry alone.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "profile/function_codes.h"
#include "profile/key_slot.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    // Layout of the input: matrix code b0 b1 b2, then the slot from its kind byte on.
    const uint32_t d = data[0] | data[1] << 8 | data[2] << 16;
    KeyEntry e;
    e.dwFunID = 0x12345678;
    DecodeMatrixCode(d, e);
    const uint8_t* slot = data + 3;
    const size_t rest = size - 3;
    if (rest >= 3) {
        KeyEntry k = e;
        DecodeKeySlotEvents(slot[0], slot[1], slot + 2, rest - 2, data[2], k);
        if (k.dwFunID == kFunFire && k.dwFireButton != e.dwFireButton &&
            (k.dwFireButton < 240 || k.dwFireButton > 244))
            std::abort();
    }
    if (rest >= kSlotNameBlock) {
        if (SlotNameFromBlock(slot).size() > kSlotMaxNameChars) std::abort();
    }
    const KeySlotBuffer decoded = DecodeKeySlot(slot, rest);
    uint8_t encoded[kKeySlotBytes];
    if (EncodeKeySlot(decoded, encoded) == 0) std::abort();
    // Building a slot from the same bytes as an event string never overruns the buffer.
    uint8_t buf[kKeySlotBytes];
    BuildKeySlot(buf, u"fuzz", kSlotKindMacro, kSlotSubMacro, slot, rest);
    return 0;
}
