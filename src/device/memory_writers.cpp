#include "device/memory_writers.h"

#include <algorithm>
#include <vector>

#include "config/device_model.h"
#include "config/sensor_dpi.h"
#include "core/log.h"
#include "device/device_commands.h"
#include "device/device_report.h"

namespace {

constexpr int kMatrixChunk = 8;  // two whole entries per request
constexpr int kDpiChunk = 6;     // two whole stages per request
static_assert(kMatrixChunk % kKeyMatrixEntryBytes == 0 && kMatrixChunk <= kMaxMemoryChunk);
static_assert(kDpiChunk % kDpiStageBytes == 0 && kDpiChunk <= kMaxMemoryChunk);

// Lowest bit from 0 to 7 set in mask, or -1.
int LowestItem(int mask) {
    for (int i = 0; i < 8; ++i)
        if (mask & (1 << i)) return i;
    return -1;
}

void EncodeMatrixEntry(uint32_t entry, uint8_t out[kKeyMatrixEntryBytes]) {
    out[0] = static_cast<uint8_t>(entry & 0xFF);
    out[1] = static_cast<uint8_t>((entry >> 8) & 0xFF);
    out[2] = static_cast<uint8_t>((entry >> 16) & 0xFF);
    out[3] = CheckSum55(out, 3);
}

// False, with a log line, when a value has no code for the sensor: it is never written as
// another value's code.
bool EncodeStage(int sensor, int index, const StageDpi& s, uint8_t out[kDpiStageBytes]) {
    const std::optional<uint8_t> x = DpiCode(sensor, s.xDpi), y = DpiCode(sensor, s.yDpi);
    if (!x || !y) {
        g_pfnLog(
            "WriteDpiStages: stage %d holds %d x %d DPI, not a value of sensor %x; not written",
            index, s.xDpi, s.yDpi, static_cast<unsigned>(sensor));
        return false;
    }
    out[0] = *x;
    out[1] = *y;
    out[2] = CheckSum55(out, 2);
    return true;
}

}  // namespace

int WriteKeyMatrix(const uint32_t* entries, int mask, CUSBDriver& link, int count) {
    if (entries == nullptr) return 0;
    if ((mask & 0xFF) == kAllItems) {
        const int n = std::clamp(count, 0, kKeyMatrixEntries);
        if (n == 0) return 1;
        std::vector<uint8_t> bytes(static_cast<size_t>(n) * kKeyMatrixEntryBytes);
        for (int i = 0; i < n; ++i) EncodeMatrixEntry(entries[i], &bytes[i * kKeyMatrixEntryBytes]);
        return WriteEEPROM(kMatrixChunk, static_cast<int>(bytes.size()), link, kAddrKeyMatrix,
                           bytes.data());
    }
    const int i = LowestItem(mask);
    if (i < 0) return 1;
    uint8_t bytes[kKeyMatrixEntryBytes];
    EncodeMatrixEntry(entries[0], bytes);
    return WriteEEPROM(0, kKeyMatrixEntryBytes, link, kAddrKeyMatrix + kKeyMatrixEntryBytes * i,
                       bytes);
}

int WriteDpiStages(int mask, CUSBDriver& link, const StageDpi* stages, int count) {
    const DeviceModel* model = pSensorCfg.load();
    if (stages == nullptr || model == nullptr) return 0;
    const int sensor = model->Sensor;
    if ((mask & 0xFF) == kAllItems) {
        int n = std::max(count, 0);
        if (n > kDeviceDpiStages) {
            g_pfnLog("WriteDpiStages: %d stages, the mouse keeps %d; the others are not written", n,
                     kDeviceDpiStages);
            n = kDeviceDpiStages;
        }
        if (n == 0) return 1;
        std::vector<uint8_t> bytes(static_cast<size_t>(n) * kDpiStageBytes);
        std::vector<uint8_t> xs(static_cast<size_t>(n)), ys(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            if (!EncodeStage(sensor, i, stages[i], &bytes[i * kDpiStageBytes])) return 0;
            xs[i] = bytes[i * kDpiStageBytes];
            ys[i] = bytes[i * kDpiStageBytes + 1];
        }
        LogHexDump(xs.data(), xs.size(), 0, "DpiX=");
        LogHexDump(ys.data(), ys.size(), 0, "DpiY=");
        return WriteEEPROM(kDpiChunk, static_cast<int>(bytes.size()), link, kAddrDpiStages,
                           bytes.data());
    }
    const int i = LowestItem(mask);
    if (i < 0) return 1;
    if (i >= kDeviceDpiStages) {
        g_pfnLog("WriteDpiStages: stage %d is beyond the mouse's %d stages, not written", i,
                 kDeviceDpiStages);
        return 1;
    }
    uint8_t bytes[kDpiStageBytes];
    if (!EncodeStage(sensor, i, stages[i], bytes)) return 0;
    return WriteEEPROM(0, kDpiStageBytes, link, kAddrDpiStages + kDpiStageBytes * i, bytes);
}

int ReportRateCode(int rate) {
    switch (rate) {
        case 0x1000:
            return 1;
        case 0x500:
            return 2;
        case 0x250:
            return 4;
        case 0x125:
            return 8;
        default:
            return -1;
    }
}

int WriteReportRate(int rate24, int rateBT, CUSBDriver& link) {
    const int code24 = ReportRateCode(rate24);
    if (code24 < 0) return 0;
    int codeBT = ReportRateCode(rateBT);
    if (codeBT < 0) codeBT = rateBT;  // an uncoded value goes to the mouse as it is
    const DeviceModel* model = pSensorCfg.load();
    const int reportTy = model ? model->ReportTy : 0;
    uint8_t bytes[2];
    if (reportTy == 1)
        bytes[0] = static_cast<uint8_t>(code24);
    else
        bytes[0] = static_cast<uint8_t>(((codeBT << 4) & 0xFF) | (code24 & 0x0F));
    bytes[1] = CheckSum55(bytes, 1);
    return WriteEEPROM(0, 2, link, kAddrReportRate, bytes);
}
