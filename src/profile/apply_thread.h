// ApplyThread: the one worker that writes the profile into the mouse, so that the window never
// waits for the device. Every request is kept in a queue and carried out in order on a copy of
// the current profile taken when the request is started.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/message_sink.h"
#include "device/usb_driver.h"
#include "profile/key_slot_memo.h"

constexpr const char* kProgressTitle = "MyProgressDlg..";

// How the thread finds the progress window the requester opened (filled in by the window side).
class ProgressWindows {
  public:
    virtual ~ProgressWindows() = default;
    // The open window with this title, or nullptr when there is none now. Posting
    // WM_CLOSE_MSG to it closes it.
    virtual std::shared_ptr<MessageSink> Find(const std::string& title) = 0;
};

struct ApplyRequest {
    int nFlag = 0;
    int nData = 0;
    friend bool operator==(const ApplyRequest&, const ApplyRequest&) = default;
};

class ApplyThread {
  public:
    ApplyThread() = default;
    ~ApplyThread() { Stop(); }
    ApplyThread(const ApplyThread&) = delete;
    ApplyThread& operator=(const ApplyThread&) = delete;

    // Starts the thread for the link (must outlive the thread). progress may be null (no
    // progress windows). Requests posted before the start are kept.
    void Start(CUSBDriver* link, ProgressWindows* progress = nullptr);
    // Finishes the running apply, drops the waiting ones and ends the thread.
    void Stop();
    // Queues a request and wakes the thread.
    void Post(int nFlag, int nData);
    // Every request that has no progress window reports its progress (WM_PROGRESS with the
    // percentage, then WM_CLOSE_MSG) to observer instead; nullptr ends that. The command-line
    // tool shows it on the terminal.
    void SetProgressObserver(std::shared_ptr<MessageSink> observer);

    // Waits until no request is waiting or running; false on time-out.
    bool WaitIdle(int timeoutMs);
    // Requests that ended without success (no device, a failed write) since the start.
    int Failures() const;
    // Requests carried out (whatever their result) since the start.
    int Completed() const;
    // Requests still waiting (not yet taken).
    std::vector<ApplyRequest> Pending() const;
    // Drops the waiting requests (for tests).
    void ClearPending();

    // Time the thread looks for the progress window: tries x pause (20 x 100 ms).
    int m_nProgressTries = 20;
    int m_nProgressPauseMs = 100;

  private:
    void Run();
    void Carry(const ApplyRequest& req);

    CUSBDriver* m_link = nullptr;
    ProgressWindows* m_progress = nullptr;
    std::shared_ptr<MessageSink> m_observer;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<ApplyRequest> m_queue;
    bool m_exit = false;
    bool m_busy = false;
    int m_failures = 0;
    int m_completed = 0;
    KeySlotMemo m_slots;  // used by the apply thread only
    std::thread m_thread;
};

extern ApplyThread g_ApplyThread;

// What the user is told when the mouse went away in the middle of a read or an apply
// (CUSBDriver::DeviceGone): the UI text "tc_msg19", or its English text when the language has
// none.
std::string DisconnectedText();

// Queues nFlag (without 0x8000) and nData for g_ApplyThread.
void PostApply(int nFlag, int nData);
// Queues nFlag with 0x8000 and nData 255; the requester then shows the progress window.
void PostApplyWithProgress(int nFlag);
