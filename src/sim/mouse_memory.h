// The mouse's non-volatile memory: its size, the addresses of its groups and the check bytes
// that protect them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace sim {

constexpr int kMemorySize = 0xE00;  // addresses 0x000..0xDFF; also the state file size
static_assert(kMemorySize == 3584);

constexpr int kAddrReportRate = 0x00;    // rate byte, check byte
constexpr int kAddrStageCount = 0x02;    // count, check byte
constexpr int kAddrCurrentStage = 0x04;  // index, check byte
constexpr int kAddrStages = 0x06;        // 5 stages of x code, y code, check byte
constexpr int kStageBytes = 3;
constexpr int kMemoryStages = 5;
constexpr int kAddrKeyMatrix = 0x15;  // 8 entries of b0 b1 b2 check
constexpr int kKeyMatrixEntryBytes = 4;
constexpr int kKeyMatrixEntries = 8;
constexpr int kAddrLighting = 0x35;  // mode, red, green, blue, speed, brightness, check
constexpr int kLightingBytes = 7;
constexpr int kAddrKeySlots = 0x200;  // 8 buffers of 384 bytes, one per matrix position
constexpr int kKeySlotBytes = 384;

static_assert(kAddrStages + kStageBytes * kMemoryStages == kAddrKeyMatrix);
static_assert(kAddrKeyMatrix + kKeyMatrixEntryBytes * kKeyMatrixEntries == kAddrLighting);
static_assert(kAddrLighting + kLightingBytes == 0x3C);
static_assert(kAddrKeySlots + kKeySlotBytes * kKeyMatrixEntries == kMemorySize);

using MemoryImage = std::array<uint8_t, kMemorySize>;

// (0x55 - sum of the bytes) mod 256: the last byte of every group and report.
inline uint8_t CheckByte(const uint8_t* data, size_t count) {
    unsigned sum = 0;
    for (size_t i = 0; i < count; ++i) sum += data[i];
    return static_cast<uint8_t>(0x55u - sum);
}

}  // namespace sim
