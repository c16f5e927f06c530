// The profile record: everything the user sets on the mouse plus the desktop pointer settings
// that go with it. Its byte layout is the body of the stored profile file and of the export file.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/device_model.h"
#include "config/key_entry.h"

constexpr uint32_t kProfileMagic = 0xFCAA1234;
constexpr size_t kProfileRecordBytes = 1972;
constexpr size_t kDpiStageRecordBytes = 16;
constexpr int kProfileNameUnits = 20;  // UTF-16 code units including the terminator
constexpr int kProfileNameMaxChars = 19;

// Offsets inside the 1972-byte record.
namespace profile_layout {
constexpr size_t kMagic = 0;
constexpr size_t kProfileId = 4;
constexpr size_t kReserved0 = 8;  // 520 bytes
constexpr size_t kName = 528;
constexpr size_t kCurKeySet = 568;
constexpr size_t kKeySets = 572;
constexpr size_t kRate24 = 1724;
constexpr size_t kRateBt = 1728;
constexpr size_t kReserved1 = 1732;
constexpr size_t kPointer = 1736;
constexpr size_t kReserved2 = 1756;
constexpr size_t kStages = 1760;
constexpr size_t kCurStage = 1888;
constexpr size_t kSensor = 1892;
constexpr size_t kLightMode = 1896;
constexpr size_t kLightSpeed = 1900;
constexpr size_t kLightBrightness = 1904;
constexpr size_t kLightColor = 1908;
constexpr size_t kReserved3 = 1912;  // 60 bytes
}  // namespace profile_layout

static_assert(profile_layout::kName - profile_layout::kReserved0 == 520);
static_assert(profile_layout::kCurKeySet - profile_layout::kName == kProfileNameUnits * 2);
static_assert(profile_layout::kRate24 - profile_layout::kKeySets ==
              kKeySets * kKeysPerSet * kKeyEntryBytes);
static_assert(profile_layout::kReserved2 - profile_layout::kPointer == 5 * 4);
static_assert(profile_layout::kCurStage - profile_layout::kStages ==
              kMaxDpiStages * kDpiStageRecordBytes);
static_assert(kProfileRecordBytes - profile_layout::kReserved3 == 60);

struct DpiStage {
    int32_t xDpi = 0;
    int32_t yDpi = 0;
    uint32_t color = 0;    // 0x00BBGGRR
    int32_t disabled = 0;  // 0 = in use, 1 = not used

    friend bool operator==(const DpiStage&, const DpiStage&) = default;
};

// The desktop pointer settings carried by a profile.
struct PointerSettings {
    int32_t scrollLines = 0;  // lines per wheel notch; -1 = one screen
    int32_t doubleClickMs = 0;
    int32_t speed = 0;      // 1..20
    int32_t precision = 0;  // non-zero: enhanced pointer precision on
    int32_t trails = 0;     // 0 or 1 off, larger: number of trail images

    friend bool operator==(const PointerSettings&, const PointerSettings&) = default;
};

struct ProfileRecord {
    uint32_t magic = 0;
    uint32_t profileId = 0;
    std::array<uint8_t, 520> reserved0{};
    char16_t szName[kProfileNameUnits] = {};
    int32_t curKeySet = 0;
    KeyEntry keys[kKeySets][kKeysPerSet] = {};
    uint32_t rate24 = 0;  // hexadecimal-coded decimal Hz (0x500 = 500 Hz)
    uint32_t rateBt = 0;
    std::array<uint8_t, 4> reserved1{};
    PointerSettings pointer;
    std::array<uint8_t, 4> reserved2{};
    DpiStage stages[kMaxDpiStages] = {};
    int32_t curStage = 0;
    uint32_t sensor = 0;
    uint32_t lightMode = 0;
    uint32_t lightSpeed = 0;
    uint32_t lightBrightness = 0;
    uint32_t lightColor = 0;  // 0x00BBGGRR
    std::array<uint8_t, 60> reserved3{};

    // The key set the window edits and the mouse receives; an out-of-range index (from a
    // hostile file) falls back to set 0 rather than reading outside the record.
    int KeySetIndex() const { return (curKeySet >= 0 && curKeySet < kKeySets) ? curKeySet : 0; }
    std::string Name() const;
    // Stores at most 19 characters (UTF-16 units), NUL-terminated.
    void SetName(const std::string& utf8);

    friend bool operator==(const ProfileRecord&, const ProfileRecord&) = default;
};

using ProfileBytes = std::array<uint8_t, kProfileRecordBytes>;

void EncodeProfile(const ProfileRecord& rec, uint8_t* out);  // writes kProfileRecordBytes
ProfileBytes EncodeProfile(const ProfileRecord& rec);
// Decodes kProfileRecordBytes bytes; the content is not checked.
ProfileRecord DecodeProfile(const uint8_t* in);

void EncodeKeyEntry(const KeyEntry& e, uint8_t* out);  // writes kKeyEntryBytes
KeyEntry DecodeKeyEntry(const uint8_t* in);

// Little-endian helpers shared by the record codecs of this folder.
inline void PutLe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}
inline uint32_t GetLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
// Check byte of device memory groups: 0x55 minus the sum of the bytes, modulo 256.
inline uint8_t CheckByte(const uint8_t* p, size_t n) {
    unsigned sum = 0;
    for (size_t i = 0; i < n; ++i) sum += p[i];
    return static_cast<uint8_t>(0x55 - sum);
}
