#include "profile/apply_thread.h"

#include <chrono>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/log.h"
#include "core/messages.h"
#include "core/notifier.h"
#include "profile/key_set_switch.h"
#include "profile/profile_apply.h"
#include "profile/profile_list.h"

ApplyThread g_ApplyThread;

void PostApply(int nFlag, int nData) {
    g_ApplyThread.Post(nFlag & ~kApplyProgress, nData);
}

void PostApplyWithProgress(int nFlag) {
    g_ApplyThread.Post(nFlag | kApplyProgress, kApplyAll);
}

void ApplyThread::Start(CUSBDriver* link, ProgressWindows* progress) {
    Stop();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_link = link;
    m_progress = progress;
    m_exit = false;
    m_failures = 0;
    m_completed = 0;
    m_thread = std::thread([this] { Run(); });
}

void ApplyThread::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_thread.joinable()) return;
        m_exit = true;
    }
    m_wake.notify_all();
    m_thread.join();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.clear();
    m_idle.notify_all();
}

void ApplyThread::Post(int nFlag, int nData) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back({nFlag, nData});
    }
    m_wake.notify_one();
}

void ApplyThread::SetProgressObserver(std::shared_ptr<MessageSink> observer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_observer = std::move(observer);
}

bool ApplyThread::WaitIdle(int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_idle.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return m_queue.empty() && !m_busy; });
}

int ApplyThread::Failures() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_failures;
}

int ApplyThread::Completed() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_completed;
}

std::vector<ApplyRequest> ApplyThread::Pending() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return {m_queue.begin(), m_queue.end()};
}

void ApplyThread::ClearPending() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.clear();
    m_idle.notify_all();
}

void ApplyThread::Run() {
    g_pfnLog("Start apply thread");
    for (;;) {
        ApplyRequest req;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_exit || !m_queue.empty(); });
            if (m_exit) break;
            req = m_queue.front();
            m_queue.pop_front();
            m_busy = true;
        }
        Carry(req);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_busy = false;
            ++m_completed;
        }
        m_idle.notify_all();
    }
    g_pfnLog("thread exit");
}

void ApplyThread::Carry(const ApplyRequest& req) {
    CUSBDriver* link = m_link;
    g_pfnLog("Start Apply: hDevice=0x%x, nFlag=0x%x, nData=0x%x",
             link ? static_cast<unsigned>(link->m_hCmd.load()) : 0u,
             static_cast<unsigned>(req.nFlag), static_cast<unsigned>(req.nData));
    std::shared_ptr<MessageSink> progress;
    if ((req.nFlag & kApplyProgress) && m_progress) {
        for (int i = 0; i < m_nProgressTries && !progress; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(m_nProgressPauseMs));
            progress = m_progress->Find(kProgressTitle);
        }
    }
    if (!progress) {
        std::lock_guard<std::mutex> lock(m_mutex);
        progress = m_observer;
    }
    bool ok = true;
    if ((!link || !link->IsConnected()) && g_Config.GoWithNoDev == 0) {
        if (progress) progress->Post(WM_CLOSE_MSG, 0, 0);
        NotifyUser(g_UiText.tc_msg15, "Error");
        ok = false;
    } else {
        // The record as it is now: later edits and LoadPro do not reach into this apply.
        auto rec = g_ProfileList.Snapshot();
        int r = 0;
        if (rec)
            r = ApplyProfileToDevice(*rec, progress.get(), link, WM_PROGRESS, req.nFlag, req.nData,
                                     &m_slots);
        if (r == 0) {
            // A mouse unplugged half-way is named as such, not as a failed update.
            if (link->DeviceGone())
                NotifyUser(DisconnectedText(), "Error");
            else
                NotifyUser(g_UiText.tc_msg18.empty()
                               ? std::string("Writing to the mouse failed. Please try again.")
                               : g_UiText.tc_msg18,
                           "Error");
            ok = false;
        }
        if (progress) {
            progress->Post(WM_CLOSE_MSG, 0, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            progress->Post(WM_CLOSE_MSG, 0, 0);
        }
        g_pfnLog("Apply Over");
    }
    if (!ok) {
        // The mouse still holds the key set it had: so does the profile.
        if (req.nFlag & kApplyKeySet) KeySetSwitchFailed(req.nData);
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_failures;
    }
}

std::string DisconnectedText() {
    return g_UiText.tc_msg19.empty() ? std::string("The mouse was disconnected.")
                                     : g_UiText.tc_msg19;
}
