// Reports from the mouse: whatever arrives on the notification interface, of any length and
// content, must be taken apart without reading past its end, and a hostile reply must never
// make a command copy more than it asked for.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "config/program_config.h"
#include "core/message_sink.h"
#include "device/device_commands.h"
#include "device/device_report.h"
#include "device/usb_driver.h"

namespace {

// Answers every feature report with the next fuzzed input report, handed straight to the
// link's report handler as the reader thread would.
class ReplayBackend : public platform::HidBackend {
  public:
    CUSBDriver* link = nullptr;
    const uint8_t* reply = nullptr;
    size_t replyLength = 0;

    std::vector<platform::HidInterfaceInfo> Enumerate() override { return {}; }
    platform::HidHandle Open(const std::string&, int* err) override {
        if (err) *err = platform::kHidErrGenFailure;
        return platform::kNoHidHandle;
    }
    void Close(platform::HidHandle) override {}
    int SetFeature(platform::HidHandle, const uint8_t*, size_t) override {
        if (link) link->HandleInputReport(reply, replyLength);
        return platform::kHidOk;
    }
    int ReadInput(platform::HidHandle, uint8_t*, size_t, int, size_t* got) override {
        if (got) *got = 0;
        return platform::kHidErrTimeout;
    }
    void CancelRead(platform::HidHandle) override {}
    bool IsAttached(platform::HidHandle) override { return true; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ReplayBackend backend;
    static QueueMessageSink sink;
    static CUSBDriver link(backend, &sink);
    g_Config.Retry = 1;
    backend.link = &link;
    link.m_hCmd = 1;

    // The first byte picks the length of each report, so short and long ones are tried too.
    if (size == 0) return 0;
    const size_t step = 1 + data[0] % 20;
    for (size_t at = 1; at < size; at += step) {
        const size_t n = (size - at < step) ? size - at : step;
        std::vector<uint8_t> report(data + at, data + at + n);  // exact size for ASan
        link.HandleInputReport(report.data(), report.size());

        CRetParam out;
        if (!report.empty()) link.m_Replies.WaitNotify(report.size() > 1 ? report[1] : 0, out, 0);
        link.m_Replies.Clear();

        // The same report as the answer to the command it names; other answers would only
        // make the command wait out its time-out.
        CRetParam decoded;
        if (!DecodeInputReport(report.data(), report.size(), decoded)) continue;
        backend.reply = report.data();
        backend.replyLength = report.size();
        if (decoded.r[0] == kCmdReadMemory) {
            uint8_t dest[kMaxMemoryChunk + 1];
            std::memset(dest, 0xCC, sizeof dest);
            const int want = 1 + decoded.r[4] % kMaxMemoryChunk;
            ReadEEPROM(0x0102, link, dest, want);
            if (dest[want] != 0xCC) __builtin_trap();  // wrote past what was asked
        } else if (decoded.r[0] == kCmdConnectStatus) {
            GetConnectStatus(1, link);
        }
    }
    sink.Clear();
    return 0;
}
