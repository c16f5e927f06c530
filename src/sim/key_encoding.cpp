#include "sim/key_encoding.h"

#include <array>

namespace sim {
namespace {

constexpr uint32_t kNoFunction = 0xFFFFFFFF;

void AddEvent(std::vector<uint8_t>& ev, uint8_t flag, uint8_t code, uint8_t high) {
    ev.insert(ev.end(), {flag, code, high, 0x0F});
}

// Presses in the order Ctrl, Shift, Win, Alt, then the keys; releases in reverse.
std::vector<uint8_t> ComboEvents(const KeyEntry& e) {
    static constexpr uint8_t kPressOrder[4] = {0x01, 0x02, 0x08, 0x04};
    std::vector<uint8_t> ev{0};
    const uint8_t m = e.stCombo[0];
    for (uint8_t bit : kPressOrder)
        if (m & bit) AddEvent(ev, 0x80, bit, 0);
    for (int k = 1; k <= 3; ++k)
        if (e.stCombo[k]) AddEvent(ev, 0x81, VirtualKeyToHid(e.stCombo[k]), 0);
    for (int k = 3; k >= 1; --k)
        if (e.stCombo[k]) AddEvent(ev, 0x41, VirtualKeyToHid(e.stCombo[k]), 0);
    for (int i = 3; i >= 0; --i)
        if (m & kPressOrder[i]) AddEvent(ev, 0x40, kPressOrder[i], 0);
    ev[0] = static_cast<uint8_t>((ev.size() - 1) / 4);
    return ev;
}

EncodedKey Buffer(uint32_t code, uint8_t kind, uint8_t sub, std::vector<uint8_t> events) {
    EncodedKey k;
    k.matrixCode = code;
    k.hasBuffer = true;
    k.kind = kind;
    k.subKind = sub;
    k.events = std::move(events);
    return k;
}

}  // namespace

uint8_t VirtualKeyToHid(uint8_t vk) {
    if (vk >= 'A' && vk <= 'Z') return static_cast<uint8_t>(0x04 + (vk - 'A'));
    if (vk >= '1' && vk <= '9') return static_cast<uint8_t>(0x1E + (vk - '1'));
    if (vk >= 0x70 && vk <= 0x7B) return static_cast<uint8_t>(0x3A + (vk - 0x70));  // F1..F12
    if (vk >= 0x61 && vk <= 0x69) return static_cast<uint8_t>(0x59 + (vk - 0x61));  // pad 1..9
    static constexpr std::array<std::pair<uint8_t, uint8_t>, 34> kTable{{
        {'0', 0x27},  {0x0D, 0x28}, {0x1B, 0x29}, {0x08, 0x2A}, {0x09, 0x2B}, {0x20, 0x2C},
        {0xBD, 0x2D}, {0xBB, 0x2E}, {0xDB, 0x2F}, {0xDD, 0x30}, {0xDC, 0x31}, {0xBA, 0x33},
        {0xDE, 0x34}, {0xC0, 0x35}, {0xBC, 0x36}, {0xBE, 0x37}, {0xBF, 0x38}, {0x14, 0x39},
        {0x2C, 0x46}, {0x91, 0x47}, {0x13, 0x48}, {0x2D, 0x49}, {0x24, 0x4A}, {0x21, 0x4B},
        {0x2E, 0x4C}, {0x23, 0x4D}, {0x22, 0x4E}, {0x27, 0x4F}, {0x25, 0x50}, {0x28, 0x51},
        {0x26, 0x52}, {0x90, 0x53}, {0x60, 0x62}, {0x6E, 0x63},
    }};
    for (auto [v, h] : kTable)
        if (v == vk) return h;
    return 0;
}

uint16_t MediaUsage(uint32_t index) {
    static constexpr std::array<std::pair<uint8_t, uint16_t>, 18> kTable{{
        {0x21, 0x0183},
        {0x22, 0x00CD},
        {0x23, 0x00B7},
        {0x24, 0x00B6},
        {0x25, 0x00B5},
        {0x26, 0x00E9},
        {0x27, 0x00EA},
        {0x28, 0x00E2},
        {0x30, 0x018A},
        {0x31, 0x0192},
        {0x32, 0x0194},
        {0x33, 0x0221},
        {0x34, 0x0223},
        {0x35, 0x0224},
        {0x36, 0x0225},
        {0x37, 0x0226},
        {0x38, 0x0227},
        {0x39, 0x022A},
    }};
    for (auto [i, u] : kTable)
        if (i == index) return u;
    return 0xFFFF;
}

EncodedKey EncodeKey(const KeyEntry& e, int slot) {
    const uint32_t cls = e.dwFunID >> 24;
    const uint32_t low = e.dwFunID & 0xFFFFFF;
    const uint32_t slotCode = 0x04u | static_cast<uint32_t>(slot & 7) << 8;
    const uint32_t param = e.dwParameter & 0xFF;
    EncodedKey k;
    k.matrixCode = kNoFunction;
    switch (cls) {
        case 0x01: {
            static constexpr uint32_t kButtons[5] = {0x0101, 0x0401, 0x0201, 0x1001, 0x0801};
            if (low >= 0x11 && low <= 0x15) k.matrixCode = kButtons[low - 0x11];
            return k;
        }
        case 0x02:
            return Buffer(slotCode | 1u << 16, kSlotKindCombo, kSlotSubCombo, ComboEvents(e));
        case 0x03:
            return Buffer(slotCode | 1u << 16, kSlotKindFire, kSlotSubFire, {});
        case 0x04: {
            const uint16_t u = MediaUsage(low);
            std::vector<uint8_t> ev{0};
            AddEvent(ev, 0x82, u & 0xFF, u >> 8);
            AddEvent(ev, 0x42, u & 0xFF, u >> 8);
            ev[0] = 2;
            return Buffer(slotCode | 1u << 16, kSlotKindCombo, kSlotSubCombo, ev);
        }
        case 0x05:
            // A factory default names no macro: an empty macro string in the key's own slot.
            return Buffer(slotCode | param << 16, kSlotKindMacro, kSlotSubMacro, {0});
        case 0x08:
            switch (low) {
                case 0xA2:
                    k.matrixCode = 0;
                    break;
                case 0xA4:
                    return Buffer(slotCode | param << 16, kSlotKindFire, kSlotSubFire,
                                  {2, 0x84, 0x01, 0x00, 0x0F, 0x44, 0x01, 0x00, 0x0F});
                case 0xA8:
                    k.matrixCode = 0x0202;
                    break;
                case 0xA9:
                    k.matrixCode = 0x0302;
                    break;
                case 0xAA:
                    k.matrixCode = 0x0102;
                    break;
                case 0xAD:
                    k.matrixCode = e.dwParameter & 0xFFFFFF;
                    break;
                case 0xAE:
                    k.matrixCode = 0x05;
                    break;
                default:
                    break;
            }
            return k;
        case 0x0B:
            k.matrixCode = e.dwParameter & 0xFFFFFF;
            return k;
        default:
            return k;
    }
}

}  // namespace sim
