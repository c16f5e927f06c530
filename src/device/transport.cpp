#include "device/transport.h"

#include <algorithm>
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
    return GetDataMatching(backend, hNotify, out, n, timeoutMs, nullptr);
}

int GetDataMatching(platform::HidBackend& backend, platform::HidHandle hNotify, uint8_t* out, int n,
                    int timeoutMs, ReplyFilter accept) {
    if (out == nullptr || n < 0 || n > static_cast<int>(kReplyBytes)) return 0;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    unsigned skipped = 0;
    int err = platform::kHidErrTimeout;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left < 0) {
            err = platform::kHidErrTimeout;
            break;
        }
        uint8_t buf[64] = {};  // room for a longer report of a neighbouring collection
        size_t got = 0;
        err = backend.ReadInput(hNotify, buf, sizeof buf, static_cast<int>(left), &got);
        if (err != platform::kHidOk) break;
        CRetParam reply;
        if (!DecodeInputReport(buf, got, reply) || (accept && !accept(reply.r))) {
            ++skipped;
            continue;
        }
        if (skipped && g_nLogLevel == 3) g_pfnLog("GetData: skipped %u other reports", skipped);
        std::memcpy(out, reply.r, static_cast<size_t>(n));
        return 1;
    }
    if (skipped && g_nLogLevel == 3) g_pfnLog("GetData: skipped %u other reports", skipped);
    if (err == platform::kHidErrTimeout) {
        g_pfnLog("GetData TimeOut, hNotify=%x", HandleText(hNotify));
    } else if (err == platform::kHidErrDeviceNotConnected) {
        g_pfnLog("GetData Err, dev is plugout");
    } else {
        g_pfnLog("GetData Err=0x%x", static_cast<unsigned>(err));
    }
    return 0;
}
