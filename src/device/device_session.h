// The device session: the background search, hot-plug, loss of the Bluetooth link, the
// connection check before each action, device events and the profile read after each
// identification. The window draws; this class decides.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/message_sink.h"
#include "device/usb_driver.h"
#include "platform/hid_backend.h"

// Filled in by the profile layer: the current profile and the reads the session starts.
class ProfileReaderHook {
  public:
    virtual ~ProfileReaderHook() = default;
    // Reads the mouse into a copy of the current profile and, on success, logs "Init Pro OK"
    // and copies it back. Returns 1, 0 when the read failed (the current profile is left as it
    // was), -1 when there is no current profile. Runs on the reader thread with the handle lock
    // held.
    virtual int ReadProfile(CUSBDriver& link) = 0;
    // The current profile and the first of the profile list, for the log and for deciding
    // whether the window shows the mouse's stage; nullptr when there is none.
    virtual const void* CurrentProfile() = 0;
    virtual const void* FirstProfile() = 0;
    // Stage DPI of the current profile; false when there is no such stage.
    virtual bool StageDpi(int stage, int& xDpi, int& yDpi) = 0;
    // The mouse switched to stage (g_nCurDpiLevel).
    virtual void SetCurrentDpiLevel(int stage) = 0;
    // Reads the lighting block into the current profile; 1 or 0.
    virtual int ReadLighting(CUSBDriver& link) = 0;
};

// What the main window shows for the session. Calls may come from worker threads (the profile
// reader, the device-notification thread); a window marshals them to its own thread.
class SessionWindow {
  public:
    virtual ~SessionWindow() = default;
    // Shows the UI text with this key ("tc_msg4", "tc_msg20", "tc_msg36") in the message dialog.
    virtual void ShowMessage(const std::string& textKey) = 0;
    // The vendor's nodes exist but may not be opened: says how to install the udev rule.
    virtual void ShowPermissionHelp() {}
    virtual void ClearConnectionIndicators() {}
    virtual void ClearBluetoothIndicator() {}
    // Re-lays out for pSensorCfg (loading the model's stored profile) and repaints.
    virtual void RefreshLayout() {}
    virtual void ShowProfile() {}
    virtual bool HasDpiPopup() { return false; }
    virtual void ShowDpiPopup(const std::string& /*stage*/, const std::string& /*x*/,
                              const std::string& /*y*/) {}
    virtual void MarkDpiStage(int /*stage*/) {}
    virtual void ShowLightingMode() {}
    // The link may have changed state (CurrentLinkState): found, lost, read, refused.
    virtual void LinkStateChanged() {}
};

class DeviceSession : public platform::DeviceNotifications::Listener {
  public:
    // window receives 0x7F5, 0x7F6, 0x7EB and, when two mice answered, WM_CLOSE; ui and profile may
    // be null (command-line use).
    DeviceSession(CUSBDriver& link, MessageSink* window, SessionWindow* ui,
                  ProfileReaderHook* profile);
    ~DeviceSession() override;
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // Sets the window on the link, switches searching on and starts FindThread; registers for
    // device notifications when given (false when that registration failed). Without working
    // notifications FindThread itself notices that the current device is gone.
    bool Start(platform::DeviceNotifications* notifications = nullptr);
    // Ends FindThread and the profile reader, unregisters. Safe to call twice.
    void Stop();

    // One turn of FindThread: a search when searching is on, with its follow-up and 0x7F5.
    // Returns FindDev's result, or -1 when searching is off.
    int SearchOnce();

    // 1 when the mouse may be used now, else 0 (with the message for the user; the permission
    // help only when it was not shown yet for this refusal).
    int IsMouseOnline(bool showMessage);
    // Searches again at once (after the user changed what kept the mouse from being found);
    // a refusal found then is told again.
    void SearchAgain();
    // Handlers of the window messages 0x7F5, 0x7F6 and 0x7EB.
    void OnFindDeviceOK(int count);
    void OnBluetoothOut();
    void OnDeviceBehavior(uintptr_t wParam, intptr_t lParam);
    // Arrival or removal of a USB device (device-notification thread).
    void OnDeviceChange(bool arrival, const std::string& deviceName) override;

    // Starts ReadCurCfgThread; WaitProfileRead waits for the last one started.
    void StartReadCurCfg();
    void WaitProfileRead();
    void ReadCurCfgThread();

    // Timing of the classic session; tests shorten them.
    std::atomic<int> m_nFindFirstDelayMs{500};
    std::atomic<int> m_nFindIntervalMs{3000};
    std::atomic<int> m_nRemovalSettleMs{600};

  private:
    void FindThread();
    // Without device notifications: a current device whose handle died is forgotten and the
    // search resumes, as a removal notice would have done.
    void CheckCurrentStillThere();
    void ForgetCurrentDevice();
    bool WaitOrStop(int ms);  // true when told to stop
    // FindThread's pause between searches, cut short by SearchAgain; true when told to stop.
    bool WaitForNextSearch(int ms);
    void TellWindowState();

    CUSBDriver& m_link;
    MessageSink* m_window;
    SessionWindow* m_ui;
    ProfileReaderHook* m_profile;
    platform::DeviceNotifications* m_notifications = nullptr;
    std::atomic<bool> m_bWatchRemovals{false};
    std::atomic<bool> m_bToldPermission{false};

    std::thread m_findThread;
    std::mutex m_stopLock;
    std::condition_variable m_stopCv;
    bool m_bStop = false;
    bool m_bSearchNow = false;

    struct Reader {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::mutex m_readerLock;
    std::vector<Reader> m_readers;
};
