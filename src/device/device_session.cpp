#include "device/device_session.h"

#include <chrono>
#include <cstdio>

#include "config/device_model.h"
#include "config/program_config.h"
#include "core/log.h"
#include "core/messages.h"
#include "core/utf.h"
#include "device/device_commands.h"
#include "device/device_discovery.h"
#include "device/session_state.h"

namespace {

constexpr int kSensorXY1 = 0x9800;  // sensors whose stages have separate x and y values
constexpr int kSensorXY2 = 0x3360;

unsigned PtrText(const void* p) {
    return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p));
}

std::string Format(const char* fmt, int v) {
    char text[32];
    std::snprintf(text, sizeof text, fmt, v);
    return text;
}

}  // namespace

DeviceSession::DeviceSession(CUSBDriver& link, MessageSink* window, SessionWindow* ui,
                             ProfileReaderHook* profile)
    : m_link(link), m_window(window), m_ui(ui), m_profile(profile) {}

DeviceSession::~DeviceSession() {
    Stop();
}

bool DeviceSession::Start(platform::DeviceNotifications* notifications) {
    m_link.SetOwner(m_window);
    {
        std::lock_guard<std::mutex> lock(m_stopLock);
        m_bStop = false;
    }
    bool registered = true;
    if (notifications != nullptr) {
        registered = notifications->Start(this);
        if (registered)
            m_notifications = notifications;
        else
            g_pfnLog(
                "DeviceSession: device notifications failed; removals are noticed by the "
                "periodic search");
    }
    m_bWatchRemovals = m_notifications == nullptr;
    g_bSearchDevice = 1;
    m_link.m_bFindFlag = 0;
    if (!m_findThread.joinable()) m_findThread = std::thread([this] { FindThread(); });
    return registered;
}

void DeviceSession::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_stopLock);
        m_bStop = true;
    }
    m_stopCv.notify_all();
    if (m_findThread.joinable()) m_findThread.join();
    if (m_notifications != nullptr) {
        m_notifications->Stop();
        m_notifications = nullptr;
    }
    WaitProfileRead();
}

bool DeviceSession::WaitOrStop(int ms) {
    std::unique_lock<std::mutex> lock(m_stopLock);
    return m_stopCv.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_bStop; });
}

bool DeviceSession::WaitForNextSearch(int ms) {
    std::unique_lock<std::mutex> lock(m_stopLock);
    m_stopCv.wait_for(lock, std::chrono::milliseconds(ms),
                      [this] { return m_bStop || m_bSearchNow; });
    m_bSearchNow = false;
    return m_bStop;
}

void DeviceSession::SearchAgain() {
    g_pfnLog("SearchAgain");
    m_bToldPermission = false;
    if (!m_link.IsConnected()) {
        m_link.m_bFindFlag = 0;
        g_bSearchDevice = 1;
    }
    {
        std::lock_guard<std::mutex> lock(m_stopLock);
        m_bSearchNow = true;
    }
    m_stopCv.notify_all();
}

void DeviceSession::TellWindowState() {
    if (m_ui) m_ui->LinkStateChanged();
}

int DeviceSession::SearchOnce() {
    if (g_bSearchDevice.load() == 0) return -1;
    const int r = FindDev(m_link);
    g_pfnLog("FindThread: FindHIDDevice=%d", r);
    if (r == 0 && m_link.m_nOpenDenied.load() > 0) {
        // Once per run of denials, not every 3 s: the user has seen it.
        if (!m_bToldPermission.exchange(true) && m_ui) m_ui->ShowPermissionHelp();
    } else if (m_link.m_nOpenDenied.load() == 0) {
        m_bToldPermission = false;
    }
    if (r >= 1) {
        if (r == 1) {
            const DeviceModel* model = pSensorCfg.load();
            if (m_link.m_bBluetooth.load() == 0 && model != nullptr && (model->DevTy & 2))
                m_link.m_bFindFlag = 2;  // the same mouse may come over Bluetooth later
            else
                g_bSearchDevice = 0;
        }
        if (m_window) m_window->Post(WM_FIND_DEVICE_OK, static_cast<uintptr_t>(r), 0);
    }
    TellWindowState();
    return r;
}

void DeviceSession::FindThread() {
    if (WaitForNextSearch(m_nFindFirstDelayMs)) return;
    for (;;) {
        if (m_bWatchRemovals.load()) CheckCurrentStillThere();
        if (g_bSearchDevice.load() == 0) {
            if (WaitForNextSearch(m_nFindIntervalMs)) return;
            continue;
        }
        SearchOnce();
        if (WaitForNextSearch(m_nFindIntervalMs)) return;
    }
}

void DeviceSession::CheckCurrentStillThere() {
    const platform::HidHandle hCmd = m_link.m_hCmd.load();
    if (hCmd == platform::kNoHidHandle || m_link.Backend().IsAttached(hCmd)) return;
    g_pfnLog("FindThread: the current device is gone, hCmd=%x", static_cast<unsigned>(hCmd));
    ForgetCurrentDevice();
}

void DeviceSession::ForgetCurrentDevice() {
    if (m_ui) m_ui->ClearConnectionIndicators();
    ClearHandle(m_link);
    CloseFoundDevices(m_link, true);
    g_bSearchDevice = 1;
    m_link.m_bFindFlag = 0;
    TellWindowState();
}

void DeviceSession::OnFindDeviceOK(int count) {
    const DeviceModel* model = pSensorCfg.load();
    g_pfnLog("OnFindDeviceOK: cid=%x,mid=%x", model ? model->CID : 0, model ? model->MID : 0);
    if (count >= 2) {
        if (m_ui) m_ui->ShowMessage("tc_msg36");
        if (m_window) m_window->Post(WM_CLOSE_MSG, 0, 0);  // the window's close ends the program
        return;
    }
    if (count == 1) {
        if (m_ui) m_ui->RefreshLayout();
        StartReadCurCfg();
    }
}

void DeviceSession::StartReadCurCfg() {
    std::lock_guard<std::mutex> lock(m_readerLock);
    for (auto it = m_readers.begin(); it != m_readers.end();) {
        if (it->done->load()) {
            it->thread.join();
            it = m_readers.erase(it);
        } else {
            ++it;
        }
    }
    auto done = std::make_shared<std::atomic<bool>>(false);
    m_readers.push_back({std::thread([this, done] {
                             ReadCurCfgThread();
                             *done = true;
                         }),
                         done});
}

void DeviceSession::WaitProfileRead() {
    std::vector<Reader> readers;
    {
        std::lock_guard<std::mutex> lock(m_readerLock);
        readers.swap(m_readers);
    }
    for (auto& r : readers) r.thread.join();
}

void DeviceSession::ReadCurCfgThread() {
    g_pfnLog("ReadCurCfgThread Start");
    if (!m_link.IsConnected()) return;
    {
        std::lock_guard<std::mutex> lock(g_HandleLock);
        g_bProfileReady = 0;
        TellWindowState();
        // The hook writes "Init Pro OK" itself when the read went through.
        if (m_profile != nullptr && m_profile->ReadProfile(m_link) == 1 && m_ui)
            m_ui->ShowProfile();
        g_bProfileReady = 1;
    }
    TellWindowState();
    g_pfnLog("ReadCurCfgThread Exit");
}

int DeviceSession::IsMouseOnline(bool showMessage) {
    if (!m_link.IsConnected()) {
        if (m_ui) m_ui->ClearConnectionIndicators();
        if (g_Config.GoWithNoDev != 0) return 1;
        // The user is told once per refusal; the window keeps saying it while it lasts.
        if (m_link.m_nOpenDenied.load() > 0) {
            if (!m_bToldPermission.exchange(true) && m_ui) m_ui->ShowPermissionHelp();
            return 0;
        }
        if (m_ui) m_ui->ShowMessage("tc_msg4");
        return 0;
    }
    // Only while a read really runs: an identified mouse whose settings are not read yet.
    if (g_bProfileReady.load() == 0) {
        if (m_ui) m_ui->ShowMessage("tc_msg20");
        return 0;
    }
    if (g_Config.ApplyNow == 0) return 1;
    if (GetConnectStatus(m_link.m_hCmd.load(), m_link) == 1) return 1;
    g_pfnLog("IsMouseOnline: Re-search");
    ClearHandle(m_link);
    if (m_ui) m_ui->ClearConnectionIndicators();
    CloseFoundDevices(m_link, true);
    g_bSearchDevice = 0;
    // It answered before and does not now: it was switched off, went out of range or away.
    if (showMessage && m_ui) m_ui->ShowMessage("tc_msg19");
    m_link.m_bFindFlag = 0;
    g_bSearchDevice = 1;
    TellWindowState();
    return 0;
}

void DeviceSession::OnDeviceChange(bool arrival, const std::string& deviceName) {
    char receiver[40];
    std::snprintf(receiver, sizeof receiver, "USB#VID_%04x&PID_%04x",
                  static_cast<unsigned>(g_Config.VID), static_cast<unsigned>(g_Config.PID));
    g_pfnLog("arrive device:  %s", deviceName.c_str());
    if (!ContainsNoCase(deviceName, receiver)) return;
    if (arrival) {
        g_pfnLog("Device IN");
        if (g_bProfileReady.load() == 0) return;  // a search is running anyway
        CloseFoundDevices(m_link, false);
        if (!m_link.IsConnected()) {
            g_bSearchDevice = 1;
            m_link.m_bFindFlag = 0;
        }
        return;
    }
    g_pfnLog("Device OUT");
    if (!m_link.IsConnected()) return;
    // Give the system time to take the departed receiver's interfaces away.
    if (WaitOrStop(m_nRemovalSettleMs)) return;
    const platform::HidHandle hCmd = m_link.m_hCmd.load();
    if (hCmd != platform::kNoHidHandle && m_link.Backend().IsAttached(hCmd)) {
        g_pfnLog("GetDevVersion, attached, hCmd=%x", static_cast<unsigned>(hCmd));
        return;  // another receiver left; ours is still here
    }
    g_pfnLog("GetDevVersion, Err=0x%x, hCmd=%x",
             static_cast<unsigned>(platform::kHidErrDeviceNotConnected),
             static_cast<unsigned>(hCmd));
    ForgetCurrentDevice();
}

void DeviceSession::OnBluetoothOut() {
    g_pfnLog("OnBluetoothOut");
    if (m_ui) m_ui->ClearBluetoothIndicator();
    IsMouseOnline(false);
}

void DeviceSession::OnDeviceBehavior(uintptr_t wParam, intptr_t lParam) {
    g_pfnLog("OnDeviceBehavior  Buffer= %x %x %x %x, nPopByte1=%d, lParam=%d",
             static_cast<unsigned>(wParam & 0xFF), 0u, 0u, 0u, g_Config.PopByte1,
             static_cast<int>(lParam));
    const void* file = m_profile ? m_profile->CurrentProfile() : nullptr;
    const void* file0 = m_profile ? m_profile->FirstProfile() : nullptr;
    g_pfnLog("pFile=0x%x, pFile0=0x%x", PtrText(file), PtrText(file0));
    const DeviceModel* model = pSensorCfg.load();
    if (file == nullptr || model == nullptr || !m_link.IsConnected()) {
        g_pfnLog("return.  pFile=0x%x, pSensorCfg=0x%x", PtrText(file), PtrText(model));
        return;
    }
    if (lParam == 1) {
        const int b = static_cast<int>(wParam & 0x0F);
        if (b >= model->DM || b >= kMaxDpiStages) return;
        m_profile->SetCurrentDpiLevel(b);
        int x = 0, y = 0;
        m_profile->StageDpi(b, x, y);
        const std::string stage = Format("DPI-%d", b + 1);
        const bool xy = model->Sensor == kSensorXY1 || model->Sensor == kSensorXY2;
        const std::string xText = xy ? Format("X %d", x) : Format("%d", x);
        const std::string yText = xy ? Format("Y %d", y) : std::string();
        if (m_ui && g_Config.Pop != 0 && m_ui->HasDpiPopup())
            m_ui->ShowDpiPopup(stage, xText, yText);
        if (m_ui && file == file0) m_ui->MarkDpiStage(b);
    } else if (lParam == 2) {
        m_profile->ReadLighting(m_link);
        if (m_ui) m_ui->ShowLightingMode();
    }
}
