// Key function codes (dwFunID): what a button does, and their translation to and from the
// mouse's 3-byte key matrix codes and key slot event strings.
#pragma once

#include <cstddef>
#include <cstdint>

#include "config/key_entry.h"

constexpr uint32_t kFunLeft = 0x01000011;
constexpr uint32_t kFunMiddle = 0x01000012;
constexpr uint32_t kFunRight = 0x01000013;
constexpr uint32_t kFunForward = 0x01000014;
constexpr uint32_t kFunBack = 0x01000015;
constexpr uint32_t kFunCombo = 0x020000A0;       // no modifier bits
constexpr uint32_t kFunComboMod = 0x020000A1;    // with modifier bits
constexpr uint32_t kFunComboRead = 0x02000000;   // as read back from the mouse
constexpr uint32_t kFunMediaTitle = 0x04000000;  // submenu title; | index = a media key
constexpr uint32_t kFunMacro = 0x05000000;
constexpr uint32_t kFunDpiTitle = 0x08000000;
constexpr uint32_t kFunOff = 0x080000A2;
constexpr uint32_t kFunFire = 0x080000A4;
constexpr uint32_t kFunDpiStage = 0x080000A6;
constexpr uint32_t kFunDpiUp = 0x080000A8;
constexpr uint32_t kFunDpiDown = 0x080000A9;
constexpr uint32_t kFunDpiCycle = 0x080000AA;
constexpr uint32_t kFunSameAllSets = 0x080000AB;  // kept identical in all three key sets
constexpr uint32_t kFunCustom = 0x080000AD;       // dwParameter is the matrix code
constexpr uint32_t kFunLightSwitch = 0x080000AE;
constexpr uint32_t kFunExtended = 0x0B000000;  // | n, dwParameter is the matrix code

constexpr uint32_t kNoMatrixCode = 0xFFFFFFFF;
constexpr size_t kKeyEventsBufferBytes = 354;

inline uint32_t FunClass(uint32_t funId) {
    return funId >> 24;
}

// Matrix code types (b0).
enum : uint8_t {
    kMatrixOff = 0,
    kMatrixMouse = 1,
    kMatrixDpi = 2,
    kMatrixBuffer = 4,
    kMatrixLight = 5,
};

// The 32-bit matrix code of an entry (b0 in the low byte), or kNoMatrixCode. Buffer functions
// give type 4 only; the apply step completes slot and parameter.
uint32_t MatrixCodeOf(const KeyEntry& e);

// Writes the event string (count byte, 4 bytes per event) of a combination, media or fire key
// into out (kKeyEventsBufferBytes) and returns its length 1 + 4n; 0 for other codes.
int BuildKeyEvents(uint8_t* out, const KeyEntry& e);

// HID consumer usage of a media index 0x21..0x39; 0xFFFF when not in the table.
uint16_t MediaUsageOf(uint32_t index);
// Media index of a consumer usage; 0 when not in the table.
uint32_t MediaIndexOf(uint16_t usage);

struct MediaKeyInfo {
    uint8_t index;          // low byte of the function code
    uint16_t usage;         // HID consumer page usage
    const char* textKey;    // UI text key
    const char* shortName;  // name used by the command-line tool
};
// The media key table, in code order; count in *count.
const MediaKeyInfo* MediaKeys(size_t* count);

// Decodes a fixed matrix code d (b0 | b1 << 8 | b2 << 16, b0 != 4) into e. Returns false, with
// "unknown keycode=0x%08x" logged and e unchanged, for a code that is not in the table.
bool DecodeMatrixCode(uint32_t d, KeyEntry& e);

// Decodes the kind bytes and event string of a key slot for the kinds other than macros.
// events points at the count byte; only `avail` bytes are read. b2 is the matrix parameter.
// Returns true when the kind was one of the combination/media or fire kinds (e may then be
// changed); false, leaving e unchanged, for a macro or an unknown kind.
bool DecodeKeySlotEvents(uint8_t kind, uint8_t subKind, const uint8_t* events, size_t avail,
                         uint8_t b2, KeyEntry& e);

// Mouse code 240..244 of a HID button bit; 0 when the bit is not a single known button.
uint16_t MouseCodeOfButtonBit(uint8_t bit);
