#include "device/transport.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "core/log.h"

namespace {

constexpr int kSendAttempts = 3;
constexpr int kSendRetryPauseMs = 100;

unsigned HandleText(platform::HidHandle h) {
    return static_cast<unsigned>(h);
}

}  // namespace

int SendCommand(CUSBDriver& link, platform::HidHandle hCmd, const uint8_t* request,
                uint8_t out[kReportBytes]) {
    if (request == nullptr || out == nullptr) return 0;
    BuildReport(request, out);
    if (g_nLogLevel == 3) LogHexDump(out, kReportBytes, 0, "SendCommand: ");
    int err = platform::kHidOk;
    for (int attempt = 0; attempt < kSendAttempts; ++attempt) {
        err = link.Backend().SetFeature(hCmd, out, kReportBytes);
        if (err == platform::kHidOk) return 1;
        if (err == platform::kHidErrDeviceNotConnected) {
            g_pfnLog("SendCommand Err, dev is plugout");
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kSendRetryPauseMs));
    }
    g_pfnLog("SendCommand err=0x%x", static_cast<unsigned>(err));
    return 0;
}

int SendData(platform::HidBackend& backend, platform::HidHandle h, const uint8_t* request,
             int* err) {
    if (request == nullptr) return 0;
    uint8_t report[kReportBytes];
    BuildReport(request, report);
    const int e = backend.SetFeature(h, report, kReportBytes);
    if (e == platform::kHidOk) return 1;
    if (err != nullptr) *err = e;
    g_pfnLog("SendData Err=0x%x", static_cast<unsigned>(e));
    return 0;
}

int GetData(platform::HidBackend& backend, platform::HidHandle hNotify, uint8_t* out, int n,
            int timeoutMs) {
    if (out == nullptr || n < 0 || n > static_cast<int>(kReplyBytes)) return 0;
    uint8_t buf[kReportBytes] = {};
    buf[0] = kInputReportId;
    size_t got = 0;
    const int err = backend.ReadInput(hNotify, buf, sizeof buf, timeoutMs, &got);
    if (err == platform::kHidOk) {
        if (got != kReportBytes || buf[0] != kInputReportId) {
            g_pfnLog("GetData: dropped input report, length=%u, id=0x%x",
                     static_cast<unsigned>(got), buf[0]);
            return 0;
        }
        std::memcpy(out, buf + 1, static_cast<size_t>(n));
        return 1;
    }
    if (err == platform::kHidErrTimeout) {
        g_pfnLog("GetData TimeOut, hNotify=%x", HandleText(hNotify));
    } else if (err == platform::kHidErrDeviceNotConnected) {
        g_pfnLog("GetData Err, dev is plugout");
    } else {
        g_pfnLog("GetData Err=0x%x", static_cast<unsigned>(err));
    }
    return 0;
}
