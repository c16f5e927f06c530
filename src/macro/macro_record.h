// The macro record (834 bytes in files and in mac.dct) and its event entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr uint32_t kMacroMagic = 0xFACB99A0;
constexpr size_t kMacroRecordBytes = 834;
constexpr size_t kMacroEventBytes = 8;
constexpr int kMacroEventSlots = 91;  // entries in the record; the last one always stays zero
constexpr int kMacroMaxEvents = 90;   // entries a record may use
constexpr int kMacroNameUnits = 40;   // UTF-16 code units of szName, terminator included
constexpr int kMacroNameMaxChars = 39;
constexpr int MacroEventLimit = 30;  // key and button events the editor allows per macro

constexpr uint32_t MACRO_DIRTY_SETTINGS = 0x40000000;  // name or options changed, not yet saved
constexpr uint32_t MACRO_DIRTY_EVENTS = 0x80000000;    // events changed, not yet saved
constexpr uint32_t kMacroDirtyMask = MACRO_DIRTY_SETTINGS | MACRO_DIRTY_EVENTS;

// Mouse codes used in place of virtual-key codes (shared with the fire-key button codes).
constexpr uint16_t kMouseCodeLeft = 240;
constexpr uint16_t kMouseCodeRight = 241;
constexpr uint16_t kMouseCodeMiddle = 242;
constexpr uint16_t kMouseCodeForward = 243;
constexpr uint16_t kMouseCodeBack = 244;
constexpr uint16_t kMouseCodeWheelUp = 245;
constexpr uint16_t kMouseCodeWheelDown = 246;
// Bit n allows mouse code 240 + n in a macro; wheel codes are not allowed.
constexpr uint32_t kMacroMouseCodeMask = 0x1F;

// Byte offsets inside the 834-byte record.
constexpr size_t kOffMagic = 0;
constexpr size_t kOffMacroID = 4;
constexpr size_t kOffFlags = 8;
constexpr size_t kOffAutoDelay = 12;
constexpr size_t kOffLoopMode = 16;
constexpr size_t kOffName = 20;
constexpr size_t kOffReserved = 100;
constexpr size_t kOffLoopCount = 104;
constexpr size_t kOffEvents = 106;
static_assert(kOffName + 2 * kMacroNameUnits == kOffReserved);
static_assert(kOffEvents + kMacroEventSlots * kMacroEventBytes == kMacroRecordBytes);
static_assert(kMacroRecordBytes == 834);

struct StMacroEvent {
    uint16_t wKey = 0;     // virtual-key code 1..255 or a mouse code 240..246; 0 ends the list
    uint16_t wState = 0;   // 1 pressed, 0 released
    uint32_t dwDelay = 0;  // pause after the event in ms (at most 65535)

    friend bool operator==(const StMacroEvent&, const StMacroEvent&) = default;
};

struct StMacro {
    uint32_t dwMagicNumber = 0;
    uint32_t dwMacroID = 0;  // 24 significant bits; key entries refer to the macro by it
    uint32_t dwFlags = 0;    // MACRO_DIRTY_* bits, in memory only until saved
    uint32_t dwAutoDelay = 0;
    uint32_t dwLoopMode = 0;
    char16_t szName[kMacroNameUnits] = {};  // may lack its terminator when read from outside
    uint32_t dwReserved = 0;
    uint16_t wLoopCount = 0;
    StMacroEvent stEvents[kMacroEventSlots] = {};

    friend bool operator==(const StMacro&, const StMacro&) = default;
};

// Field-by-field little-endian conversion of the 834-byte record. Decode never fails: it takes
// exactly kMacroRecordBytes bytes; whether the record is a macro is the caller's magic check.
void EncodeMacroRecord(const StMacro& rec, uint8_t out[kMacroRecordBytes]);
void DecodeMacroRecord(const uint8_t in[kMacroRecordBytes], StMacro& rec);

// Name as UTF-8, read up to the terminator or the end of the field.
std::string MacroName(const StMacro& rec);
// Stores the first 39 UTF-16 code units of name (never half a surrogate pair), zero-filled.
void SetMacroName(StMacro& rec, const std::string& name);

// Fills a fresh record: magic, a new id, dwAutoDelay 1, wLoopCount 1, the name, no events.
// Returns 1, or 0 when out is null.
int InitMacroRecord(const std::string& name, StMacro* out);

// A new 24-bit identifier from the local time; waits 20 ms first so that consecutive ids differ.
// Never returns 0 (0 marks a record that is not saved), nor an id a library record already has.
// Takes the library lock.
uint32_t NewMacroID();
// Replaces the clock behind NewMacroID (nullptr restores it), so that fuzzing and tools that
// decode many device strings need not wait 20 ms per record.
using MacroIdSourceFn = uint32_t (*)();
void SetMacroIdSource(MacroIdSourceFn fn);
// The identifier for a local time: (hour % 16) << 20 | minute << 14 | second << 8 | ms % 256.
uint32_t MacroIdFromTime(int hour, int minute, int second, int millisecond);

// Events before the end of the list (first entry whose wKey and dwDelay are both 0).
int MacroEventCount(const StMacro& rec);
// Events the device encoder takes (before the first entry whose wKey is 0).
int MacroKeyEventCount(const StMacro& rec);

// 1 when names match (case-insensitive, first 40 units) and the events match in wKey, wState
// and dwDelay; else 0 (also for a null argument).
int MacroEquals(const StMacro* a, const StMacro* b);
// 1 when both encode to the same device events: same wKey and wState, pauses ignored (the mouse
// keeps none), names not compared. 0 otherwise or for a null argument.
int MacroEventsEqualIgnoringPauses(const StMacro* a, const StMacro* b);
// 1 when every event key is a keyboard code or a mouse code allowed by mask (bit n: 240 + n).
int MacroKeysSupported(const StMacro& rec, uint32_t mouseMask = kMacroMouseCodeMask);

// 1 when every event key fits the 8 bits of a virtual-key code.
int MacroKeysFitAByte(const StMacro& rec);

// Case-insensitive equality of two UTF-16 names over at most maxUnits units (ASCII, Latin-1,
// Greek and Cyrillic letters folded).
bool MacroNameEqualsNoCase(const char16_t* a, const char16_t* b, size_t maxUnits);
bool MacroNameEqualsNoCase(const std::string& a, const std::string& b);
