// CUSBDriver, the device link: the current mouse's command and notification handles, the
// command lock, the reply queue and the reader thread that fills it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "core/message_sink.h"
#include "device/found_devices.h"
#include "device/reply_queue.h"
#include "platform/hid_backend.h"

class CUSBDriver {
  public:
    // The backend must outlive the link. sink receives 0x7F6 and the device events (0x7EB);
    // it may be null until the session starts.
    explicit CUSBDriver(platform::HidBackend& backend, MessageSink* sink = nullptr);
    virtual ~CUSBDriver();
    CUSBDriver(const CUSBDriver&) = delete;
    CUSBDriver& operator=(const CUSBDriver&) = delete;

    platform::HidBackend& Backend() { return m_backend; }
    // The main window: owner of the link and receiver of device events.
    void SetOwner(MessageSink* sink) { m_pOwner.store(sink); }
    MessageSink* Owner() const { return m_pOwner.load(); }

    bool IsConnected() const { return m_hCmd.load() != platform::kNoHidHandle; }
    // True when the mouse went away: no current device any more, or the one there is reports
    // itself gone (unplugged in the middle of an exchange). What a failed read or write tells
    // the user then is that the mouse was disconnected. Asked after a failure: the kernel ends
    // a leaving device's pending request before it removes its nodes one by one, so a node that
    // is still there gets up to m_nGoneSettleMs to go.
    bool DeviceGone();
    std::string CmdPath();
    std::string NotifyPath();
    void SetPaths(const std::string& cmdPath, const std::string& notifyPath);

    // Starts the reader thread on the current notification handle, stopping a previous one
    // first (the stop event of the classic design: a flag plus a cancelled read).
    void StartServiceThread();
    void StopServiceThread();

    // One input report as read from the notification interface (buf[0] is the report id):
    // queued as a reply or posted as device events. Reports of other ids are counted and
    // skipped without a log line (a node shared with a pointer sends a thousand a second);
    // a short report 9 is zero-filled, a long one cut.
    void HandleInputReport(const uint8_t* buf, size_t length);

    std::atomic<platform::HidHandle> m_hCmd{platform::kNoHidHandle};
    std::atomic<int> m_bFindFlag{0};   // 0 any interface, 1 receiver only, 2 Bluetooth only
    std::atomic<int> m_bBluetooth{0};  // the current command interface is not a receiver's
    std::atomic<platform::HidHandle> m_hNotify{platform::kNoHidHandle};
    std::mutex m_CmdLock;  // one command exchange at a time, all its tries included
    std::atomic<int> m_nDevNum{0};
    // Interfaces of the vendor the last search could not open for lack of permission.
    std::atomic<int> m_nOpenDenied{0};
    ReplyQueue m_Replies;
    FoundDeviceTable m_Found;
    // Pause between a lost Bluetooth link and 0x7F6, so a mouse that only blinked is not
    // searched for at once. Tests shorten it.
    std::atomic<int> m_nBluetoothLossDelayMs{5000};
    // How long DeviceGone waits for a node that still answers to go away. Tests shorten it.
    std::atomic<int> m_nGoneSettleMs{1000};

  private:
    void ServiceThread(platform::HidHandle hNotify, int bluetooth);
    // Waits up to ms or until the reader is told to stop; true when told to stop.
    bool WaitForStop(int ms);

    platform::HidBackend& m_backend;
    std::atomic<MessageSink*> m_pOwner{nullptr};
    std::mutex m_pathLock;
    std::string m_szCmdPath;
    std::string m_szNotifyPath;

    std::thread m_service;
    platform::HidHandle m_serviceHandle = platform::kNoHidHandle;
    std::mutex m_stopLock;
    std::condition_variable m_stopCv;
    bool m_bStop = false;
    std::atomic<bool> m_bStopFlag{false};
    std::atomic<bool> m_bServiceRunning{false};
};

// Forgets the current device: no handles, empty paths, Bluetooth flag clear. The handles stay
// open; they belong to the found-device table.
void ClearHandle(CUSBDriver& link);
