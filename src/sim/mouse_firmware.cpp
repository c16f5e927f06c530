#include "sim/mouse_firmware.h"

#include <algorithm>

namespace sim {

void SealReport(Report& report) {
    report[14] = CheckByte(report.data(), 14);
}

MouseFirmware::MouseFirmware(uint8_t cid, uint8_t mid, const MemoryImage& memory,
                             const MemoryImage& factory)
    : m_cid(cid), m_mid(mid), m_memory(memory), m_factory(factory) {}

bool MouseFirmware::Handle(const Report& q15, Report& reply, bool* memoryChanged) {
    *memoryChanged = false;
    if (q15[0] != kRequestReportId || CheckByte(q15.data(), 14) != q15[14]) return false;
    const uint8_t* q = q15.data() + 1;  // q[0..12]
    reply.fill(0);
    reply[0] = kInputReportId;
    uint8_t* r = reply.data() + 1;  // r[0..13]
    r[0] = q[0];
    r[1] = kStatusOk;

    const int addr = q[2] << 8 | q[3];
    const int n = q[4];
    const bool inRange = n >= 1 && n <= kMaxTransfer && addr + n <= kMemorySize;
    switch (q[0]) {
        case kCmdIdentify:
            r[9] = m_cid;
            r[10] = m_mid;
            break;
        case kCmdConnectStatus:
            r[5] = 1;
            break;
        case kCmdWriteMemory:
            std::copy(q + 2, q + 13, r + 2);  // the echo of address, count and data
            if (!inRange || q[1] != 0) {
                r[1] = kStatusRefused;
                break;
            }
            if (!std::equal(q + 5, q + 5 + n, m_memory.begin() + addr)) {
                std::copy(q + 5, q + 5 + n, m_memory.begin() + addr);
                *memoryChanged = true;
            }
            break;
        case kCmdReadMemory:
            r[2] = q[2];
            r[3] = q[3];
            r[4] = q[4];
            if (!inRange || q[1] != 0) {
                r[1] = kStatusRefused;
                break;
            }
            std::copy_n(m_memory.begin() + addr, n, r + 5);
            break;
        case kCmdReset:
            // A firmware reset brings back the factory settings of the model.
            if (m_memory != m_factory) {
                m_memory = m_factory;
                *memoryChanged = true;
            }
            break;
        default:
            r[1] = kStatusRefused;
            break;
    }
    SealReport(reply);
    return true;
}

bool MouseFirmware::PressDpi(Report& event) {
    const int count = std::min<int>(m_memory[kAddrStageCount], kMemoryStages);
    if (count < 1) return false;
    const int next = (m_memory[kAddrCurrentStage] + 1) % count;
    m_memory[kAddrCurrentStage] = static_cast<uint8_t>(next);
    m_memory[kAddrCurrentStage + 1] = CheckByte(&m_memory[kAddrCurrentStage], 1);
    event.fill(0);
    event[0] = kInputReportId;
    event[1] = kCmdDeviceEvent;
    event[6] = kEventStage;                 // r[5]
    event[7] = static_cast<uint8_t>(next);  // r[6]
    SealReport(event);
    return true;
}

void MouseFirmware::PressLighting(Report& event) {
    uint8_t* led = &m_memory[kAddrLighting];
    led[0] = led[0] + 1 < kLightingModes ? static_cast<uint8_t>(led[0] + 1) : 0;
    led[6] = CheckByte(led, 6);
    event.fill(0);
    event[0] = kInputReportId;
    event[1] = kCmdDeviceEvent;
    event[6] = kEventLighting;
    SealReport(event);
}

}  // namespace sim
