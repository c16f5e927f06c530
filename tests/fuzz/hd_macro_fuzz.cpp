// Device macro strings as read from a key slot of the mouse: decoding never reads outside the
// bytes received, and what it decodes encodes within a key slot and stays stable after a round.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "macro/hd_macro.h"
#include "macro/macro_record.h"

namespace {
uint32_t FixedId() {
    return 0x123456;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SetMacroIdSource(FixedId);
    StMacro first;
    const int n = HdMacro_To_StMacro(data, size, &first);
    // A macro read back keeps every event its record holds, not only the editor's limit.
    if (n > kMacroMaxEvents) __builtin_trap();

    // Exactly the room of a key slot: ASan reports any write past it.
    std::vector<uint8_t> slot(1 + kHdMacroEventBytes * kSlotMacroMaxEvents);
    const int len = StMacro_To_HdMacro(&first, slot.data(), kSlotMacroMaxEvents);
    if (len != static_cast<int>(1 + kHdMacroEventBytes * slot[0])) __builtin_trap();

    // After one round the string is stable (the right Windows key has become the left one).
    StMacro second;
    HdMacro_To_StMacro(slot.data(), static_cast<size_t>(len), &second);
    std::vector<uint8_t> again(slot.size());
    const int len2 = StMacro_To_HdMacro(&second, again.data(), kSlotMacroMaxEvents);
    if (len2 != len || !std::equal(slot.begin(), slot.begin() + len, again.begin()))
        __builtin_trap();
    return 0;
}
