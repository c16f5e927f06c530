// Switches the mouse's key set by the application in front. Focus events come from any thread
// and return at once; one worker carries the switches out, one at a time, so a switch in flight
// always finishes before the next starts and the mouse never holds half a key set. While one
// runs, later events only replace the waiting target: the latest one wins.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/focus_source.h"
#include "profile/app_rules.h"

class FocusSwitcher {
  public:
    // Carries one switch out and returns when the mouse holds it; false when it failed.
    using SwitchFn = std::function<bool(const SwitchTarget&)>;

    // ownPid and ownAppId tell the program's own windows (pid, or app id / WM_CLASS as the
    // toolkit sets it), whose focus changes nothing.
    FocusSwitcher(SwitchFn fn, int ownPid, std::string ownAppId);
    ~FocusSwitcher();
    FocusSwitcher(const FocusSwitcher&) = delete;
    FocusSwitcher& operator=(const FocusSwitcher&) = delete;

    void SetRules(const AppRules& rules);
    AppRules Rules() const;
    void SetPaused(bool paused);
    bool Paused() const;

    // A window came to the front. Returns at once; the switch, if any, runs on the worker.
    void OnFocus(const platform::FocusedWindow& w);
    // The mouse's settings were read (at start, or when it came back): when the last switch
    // failed, the set of the window still in front is written now.
    void MouseReady();
    // What the mouse holds by the last switch that succeeded (nullopt before the first), so a
    // window of the same target costs nothing.
    std::optional<SwitchTarget> Holding() const;
    // Waits until no switch waits or runs; false on time-out.
    bool WaitIdle(int timeoutMs);
    // Switches carried out and switches that failed, since the start.
    int Switches() const;
    int Failures() const;
    // Time from the focus event to the end of the last switch that succeeded, in microseconds.
    long LastSwitchMicros() const;
    // True for a window of this program (its pid, or its app id / WM_CLASS).
    bool IsOwn(const platform::FocusedWindow& w) const;

  private:
    void Run();

    SwitchFn m_fn;
    const int m_ownPid;
    const std::string m_ownAppId;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    AppRules m_rules;
    std::optional<SwitchTarget> m_pending;
    std::chrono::steady_clock::time_point m_pendingSince;  // the focus event of m_pending
    std::optional<SwitchTarget> m_inFlight;
    std::optional<SwitchTarget> m_holding;
    std::optional<SwitchTarget> m_wanted;  // the target of the last window in front
    bool m_retryOnFailure = false;         // the mouse was read while a switch was in flight
    int m_switches = 0;
    int m_failures = 0;
    long m_lastMicros = 0;
    bool m_exit = false;
    std::thread m_thread;
};
