#include "device/usb_driver.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "core/log.h"
#include "core/messages.h"

namespace {

// A read that waits this long returns to look at the stop flag, so a cancel that raced with
// the start of the read cannot leave the reader blocked for ever.
constexpr int kServiceReadSliceMs = 250;

unsigned HandleText(platform::HidHandle h) {
    return static_cast<unsigned>(h);
}

}  // namespace

CUSBDriver::CUSBDriver(platform::HidBackend& backend, MessageSink* sink)
    : m_backend(backend), m_pOwner(sink) {}

CUSBDriver::~CUSBDriver() {
    g_pfnLog("ClearHandle");
    StopServiceThread();
    m_hCmd = platform::kNoHidHandle;
    m_hNotify = platform::kNoHidHandle;
    SetPaths("", "");
    m_bBluetooth = 0;
    m_Found.Close(m_backend, true);
}

std::string CUSBDriver::CmdPath() {
    std::lock_guard<std::mutex> lock(m_pathLock);
    return m_szCmdPath;
}

std::string CUSBDriver::NotifyPath() {
    std::lock_guard<std::mutex> lock(m_pathLock);
    return m_szNotifyPath;
}

void CUSBDriver::SetPaths(const std::string& cmdPath, const std::string& notifyPath) {
    std::lock_guard<std::mutex> lock(m_pathLock);
    m_szCmdPath = cmdPath;
    m_szNotifyPath = notifyPath;
}

void CUSBDriver::StartServiceThread() {
    StopServiceThread();
    m_serviceHandle = m_hNotify.load();
    const int bluetooth = m_bBluetooth.load();
    m_bServiceRunning = true;
    m_service =
        std::thread([this, h = m_serviceHandle, bluetooth] { ServiceThread(h, bluetooth); });
}

void CUSBDriver::StopServiceThread() {
    if (!m_service.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_stopLock);
        m_bStop = true;
        m_bStopFlag = true;
    }
    m_stopCv.notify_all();
    // A reader that has ended already may have lost its handle to a close; its number could
    // name a newer device by now, so only a running reader's read is cancelled.
    if (m_bServiceRunning.load() && m_serviceHandle != platform::kNoHidHandle)
        m_backend.CancelRead(m_serviceHandle);
    m_service.join();
    std::lock_guard<std::mutex> lock(m_stopLock);
    m_bStop = false;
    m_bStopFlag = false;
    m_serviceHandle = platform::kNoHidHandle;
}

bool CUSBDriver::WaitForStop(int ms) {
    std::unique_lock<std::mutex> lock(m_stopLock);
    return m_stopCv.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_bStop; });
}

void CUSBDriver::ServiceThread(platform::HidHandle hNotify, int bluetooth) {
    g_pfnLog("ServiceThread start, hNotify=%x", HandleText(hNotify));
    uint8_t buf[64];  // room for a longer report of a neighbouring collection
    for (;;) {
        if (m_bStopFlag.load()) {
            g_pfnLog("hObject[1] is signal");
            break;
        }
        std::memset(buf, 0, sizeof buf);
        buf[0] = kInputReportId;
        size_t got = 0;
        const int err = m_backend.ReadInput(hNotify, buf, sizeof buf, kServiceReadSliceMs, &got);
        if (err == platform::kHidOk) {
            HandleInputReport(buf, got);
            continue;
        }
        if (err == platform::kHidErrTimeout) continue;
        if (err == platform::kHidErrOperationAborted && m_bStopFlag.load()) {
            g_pfnLog("hObject[1] is signal");
            break;
        }
        g_pfnLog("ServiceThread ReadFile Err=%d, hNotify=%x", err, HandleText(hNotify));
        if (err == platform::kHidErrDeviceNotConnected && bluetooth) {
            // A stop during the pause means the link has moved on (new device or shutdown):
            // nobody is left to be told about the old one.
            if (!WaitForStop(m_nBluetoothLossDelayMs)) {
                m_bFindFlag = 0;
                if (MessageSink* owner = m_pOwner.load()) owner->Post(WM_BLUETOOTH_OUT, 0, 0);
            }
        }
        break;
    }
    g_pfnLog("...ServiceThread exit, hNotify=%x", HandleText(hNotify));
    m_bServiceRunning = false;
}

bool CUSBDriver::DeviceGone() {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(m_nGoneSettleMs.load());
    for (;;) {
        const platform::HidHandle h = m_hCmd.load();
        if (h == platform::kNoHidHandle || !m_backend.IsAttached(h)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void CUSBDriver::HandleInputReport(const uint8_t* buf, size_t length) {
    CRetParam reply;
    if (!DecodeInputReport(buf, length, reply)) {
        m_Replies.NoteForeign();
        return;
    }
    if (g_nLogLevel == 3) LogHexDump(reply.r, kReplyBytes, 0, "Read: ");
    if (reply.r[0] != kEventCmdId) {
        m_Replies.Push(reply);
        return;
    }
    MessageSink* window = m_pOwner.load();
    if (window == nullptr) return;
    const uint8_t bits = reply.r[5];
    if (bits & kEventStageBit) window->Post(WM_DEVICE_BEHAVIOR, reply.r[6], 1);
    if (bits & kEventLightingBit) window->Post(WM_DEVICE_BEHAVIOR, 0, 2);
}

void ClearHandle(CUSBDriver& link) {
    g_pfnLog("ClearHandle");
    link.m_hCmd = platform::kNoHidHandle;
    link.m_hNotify = platform::kNoHidHandle;
    link.SetPaths("", "");
    link.m_bBluetooth = 0;
}
