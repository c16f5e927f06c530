#include "macro/hd_macro.h"

#include <algorithm>
#include <cstring>

#include "core/log.h"

namespace {

struct HidVkPair {
    uint8_t hid;
    uint8_t vk;
};

// Searched from the first pair to the last; the first match wins in both directions.
constexpr HidVkPair g_HidVkTable[] = {
    {0x29, 0x1B},  // Esc
    {0x3A, 0x70}, {0x3B, 0x71}, {0x3C, 0x72}, {0x3D, 0x73}, {0x3E, 0x74}, {0x3F, 0x75},
    {0x40, 0x76}, {0x41, 0x77}, {0x42, 0x78}, {0x43, 0x79}, {0x44, 0x7A}, {0x45, 0x7B},  // F1..F12
    {0x04, 0x41}, {0x05, 0x42}, {0x06, 0x43}, {0x07, 0x44}, {0x08, 0x45}, {0x09, 0x46},
    {0x0A, 0x47}, {0x0B, 0x48}, {0x0C, 0x49}, {0x0D, 0x4A}, {0x0E, 0x4B}, {0x0F, 0x4C},
    {0x10, 0x4D}, {0x11, 0x4E}, {0x12, 0x4F}, {0x13, 0x50}, {0x14, 0x51}, {0x15, 0x52},
    {0x16, 0x53}, {0x17, 0x54}, {0x18, 0x55}, {0x19, 0x56}, {0x1A, 0x57}, {0x1B, 0x58},
    {0x1C, 0x59}, {0x1D, 0x5A},  // A..Z
    {0x1E, 0x31}, {0x1F, 0x32}, {0x20, 0x33}, {0x21, 0x34}, {0x22, 0x35}, {0x23, 0x36},
    {0x24, 0x37}, {0x25, 0x38}, {0x26, 0x39}, {0x27, 0x30},  // digits 1..9, 0
    {0x2B, 0x09}, {0x39, 0x14}, {0x28, 0x0D}, {0x2A, 0x08}, {0x2C, 0x20}, {0x2F, 0xDB},
    {0x30, 0xDD}, {0x31, 0xDC}, {0x33, 0xBA}, {0x34, 0xDE}, {0x36, 0xBC}, {0x37, 0xBE},
    {0x38, 0xBF}, {0x35, 0xC0},                // [ ] \ ; ' , . / `
    {0x2E, 0xBB}, {0x2D, 0xBD},                // = -
    {0x46, 0x2C}, {0x47, 0x91}, {0x48, 0x13},  // Print Screen, Scroll Lock, Pause
    {0x49, 0x2D}, {0x4A, 0x24}, {0x4B, 0x21}, {0x4C, 0x2E}, {0x4D, 0x23}, {0x4E, 0x22},
    {0x52, 0x26}, {0x51, 0x28}, {0x50, 0x25}, {0x4F, 0x27},  // arrows
    {0x59, 0x61}, {0x5A, 0x62}, {0x5B, 0x63}, {0x5C, 0x64}, {0x5D, 0x65}, {0x5E, 0x66},
    {0x5F, 0x67}, {0x60, 0x68}, {0x61, 0x69}, {0x62, 0x60},  // keypad 1..9, 0
    {0x57, 0x6B}, {0x56, 0x6D}, {0x55, 0x6A}, {0x54, 0x6F},  // keypad + - * /
    {0x53, 0x90},                                            // Num Lock
    {0x58, 0x0D},                                            // keypad Enter
    {0x63, 0x6E},                                            // keypad .
    {0xE0, 0xA2}, {0xE1, 0xA0}, {0xE2, 0xA4}, {0xE3, 0x5B}, {0xE4, 0xA3}, {0xE5, 0xA1},
    {0xE6, 0xA5}, {0xE7, 0x5C},  // modifiers
    {0x65, 0x5D},                // Application
};
static_assert(sizeof(g_HidVkTable) / sizeof(g_HidVkTable[0]) == 104);

struct CodeBit {
    uint16_t code;
    uint8_t bit;
};

constexpr CodeBit kModifierBits[] = {{16, 0x02},  {160, 0x02}, {17, 0x01}, {162, 0x01},
                                     {18, 0x04},  {164, 0x04}, {91, 0x08}, {92, 0x08},
                                     {161, 0x20}, {163, 0x10}, {165, 0x40}};
constexpr CodeBit kMouseBits[] = {{240, 0x01}, {241, 0x02}, {242, 0x04}, {243, 0x10}, {244, 0x08}};
// Decoding: the first code listed for a bit wins (left-hand keys).
constexpr CodeBit kModifierDecode[] = {{162, 0x01}, {160, 0x02}, {164, 0x04}, {91, 0x08},
                                       {163, 0x10}, {161, 0x20}, {165, 0x40}};

template <size_t N>
bool FindBit(const CodeBit (&table)[N], uint16_t code, uint8_t& bit) {
    for (const auto& e : table)
        if (e.code == code) {
            bit = e.bit;
            return true;
        }
    return false;
}

template <size_t N>
uint16_t FindCode(const CodeBit (&table)[N], uint8_t bit) {
    for (const auto& e : table)
        if (e.bit == bit) return e.code;
    return 0;
}

}  // namespace

uint8_t HidToVk(uint8_t hid) {
    for (const auto& p : g_HidVkTable)
        if (p.hid == hid) return p.vk;
    return 0;
}

uint8_t VkToHid(uint8_t vk) {
    for (const auto& p : g_HidVkTable)
        if (p.vk == vk) return p.hid;
    return 0;
}

int StMacro_To_HdMacro(const StMacro* rec, uint8_t* out, int maxEvents) {
    if (!rec || !out) return 0;
    maxEvents = std::clamp(maxEvents, 0, kHdMacroMaxEvents);
    std::memset(out + 1, 0, kHdMacroEventBytes * static_cast<size_t>(maxEvents));
    size_t p = 1;
    int n = 0;
    for (int i = 0; i < kMacroEventSlots && n < maxEvents; ++i) {
        const StMacroEvent& ev = rec->stEvents[i];
        if (ev.wKey == 0) break;
        uint8_t kind = kHdKindKey;
        uint8_t hid = 0;
        if (FindBit(kModifierBits, ev.wKey, hid)) {
            kind = kHdKindModifier;
        } else if (FindBit(kMouseBits, ev.wKey, hid)) {
            kind = kHdKindMouse;
        } else {
            hid = ev.wKey <= 0xFF ? VkToHid(static_cast<uint8_t>(ev.wKey)) : 0;
            if (hid == 0) g_pfnLog("StMacro_To_HdMacro: get wrong hid");
        }
        out[p] = static_cast<uint8_t>(kind | (ev.wState ? kHdFlagPressed : kHdFlagReleased));
        out[p + 1] = hid;
        out[p + 2] = 0x00;
        out[p + 3] = 0x0F;
        p += kHdMacroEventBytes;
        ++n;
    }
    out[0] = static_cast<uint8_t>(n);
    return static_cast<int>(p);
}

int HdMacro_To_StMacro(const uint8_t* bytes, size_t size, StMacro* out) {
    if (!bytes || !out || size == 0) return 0;
    *out = StMacro{};
    out->dwMagicNumber = kMacroMagic;
    out->dwMacroID = NewMacroID();
    out->dwAutoDelay = 0;
    out->dwLoopMode = 0;
    // Only complete events inside the bytes received are read.
    size_t available = (size - 1) / kHdMacroEventBytes;
    // Every event a key slot holds (up to 88); the editor's limit is for what users record.
    int n = std::min<int>(bytes[0], kMacroEventSlots - 1);
    n = static_cast<int>(std::min<size_t>(static_cast<size_t>(n), available));
    for (int i = 0; i < n; ++i) {
        const uint8_t f = bytes[1 + kHdMacroEventBytes * i];
        const uint8_t c = bytes[2 + kHdMacroEventBytes * i];
        StMacroEvent& ev = out->stEvents[i];
        switch (f >> 6) {
            case 1:
                ev.wState = 0;
                break;
            case 2:
                ev.wState = 1;
                break;
            default:
                g_pfnLog("HdMacro_To_StMacro: convert err, i=%d", i);
                break;
        }
        const int kind = f & 7;
        uint16_t key = 0;
        if (kind == kHdKindMouse) {
            key = FindCode(kMouseBits, c);
        } else if (kind == kHdKindModifier) {
            key = FindCode(kModifierDecode, c);
        } else if (kind == kHdKindKey) {
            key = HidToVk(c);
        } else {
            g_pfnLog("HdMacro_To_StMacro: convert err, nKeyFalg=%d", kind);
            continue;
        }
        if (key == 0) g_pfnLog("HdMacro_To_StMacro: convert err, i=%d, nHid=%x", i, c);
        ev.wKey = key;
        ev.dwDelay = 0;
    }
    return n;
}
