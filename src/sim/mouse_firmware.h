// The firmware of one mouse: its memory and what it does with each request and button press.
// Not thread-safe; the backend holds its lock around every call.
#pragma once

#include <array>
#include <cstdint>

#include "sim/mouse_memory.h"

namespace sim {

constexpr int kReportBytes = 15;
constexpr uint8_t kRequestReportId = 8;
constexpr uint8_t kInputReportId = 9;
using Report = std::array<uint8_t, kReportBytes>;

constexpr uint8_t kCmdIdentify = 1;
constexpr uint8_t kCmdConnectStatus = 2;
constexpr uint8_t kCmdWriteMemory = 3;
constexpr uint8_t kCmdReadMemory = 4;
constexpr uint8_t kCmdReset = 5;
constexpr uint8_t kCmdDeviceEvent = 0x0A;
constexpr uint8_t kEventStage = 0x01;
constexpr uint8_t kEventLighting = 0x02;
constexpr uint8_t kStatusOk = 0;
constexpr uint8_t kStatusRefused = 1;  // bad address, count or command
constexpr int kMaxTransfer = 8;        // bytes per read or write request
constexpr int kLightingModes = 5;

class MouseFirmware {
  public:
    // factory is what a reset (command 5) restores: the image the mouse left the factory with.
    MouseFirmware(uint8_t cid, uint8_t mid, const MemoryImage& memory, const MemoryImage& factory);

    // Handles one feature report written to the command interface. Returns false when the
    // firmware sends no reply (a report with a wrong report id or check byte is ignored, as
    // a noisy link would be); else fills reply (byte 0 = 9, bytes 1..14 = r[0..13]).
    // *memoryChanged tells whether the request altered the memory.
    bool Handle(const Report& request, Report& reply, bool* memoryChanged);

    // Button presses. Each changes the memory and fills the event report; PressDpi returns
    // false (and changes nothing) when the memory holds no stage in use.
    bool PressDpi(Report& event);
    void PressLighting(Report& event);

    const MemoryImage& Memory() const { return m_memory; }
    MemoryImage& Memory() { return m_memory; }
    uint8_t Cid() const { return m_cid; }
    uint8_t Mid() const { return m_mid; }

  private:
    uint8_t m_cid;
    uint8_t m_mid;
    MemoryImage m_memory;
    MemoryImage m_factory;
};

// Sets byte 14 of a report to its check byte.
void SealReport(Report& report);

}  // namespace sim
