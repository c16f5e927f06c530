#include "profile/focus_switcher.h"

#include <chrono>
#include <utility>

#include "core/log.h"

FocusSwitcher::FocusSwitcher(SwitchFn fn, int ownPid, std::string ownAppId)
    : m_fn(std::move(fn)), m_ownPid(ownPid), m_ownAppId(std::move(ownAppId)) {
    m_thread = std::thread([this] { Run(); });
}

FocusSwitcher::~FocusSwitcher() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_exit = true;
        m_pending.reset();
    }
    m_wake.notify_all();
    m_thread.join();
}

void FocusSwitcher::SetRules(const AppRules& rules) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_rules = rules;
}

AppRules FocusSwitcher::Rules() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_rules;
}

void FocusSwitcher::SetPaused(bool paused) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_rules.paused = paused;
    if (paused) m_pending.reset();
}

bool FocusSwitcher::Paused() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_rules.paused;
}

bool FocusSwitcher::IsOwn(const platform::FocusedWindow& w) const {
    if (m_ownPid > 0 && w.pid == m_ownPid) return true;
    if (m_ownAppId.empty()) return false;
    AppRules own;
    own.rules.push_back({m_ownAppId, 0, -1});
    // The executable's name is no proof: another copy of the program is another application.
    platform::FocusedWindow names = w;
    names.exe.clear();
    return own.Match(names) != nullptr;
}

void FocusSwitcher::OnFocus(const platform::FocusedWindow& w) {
    // Nothing in front (the desktop) and the program's own windows leave the mouse as it is.
    if (w.none || IsOwn(w)) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_rules.Active()) return;
        const SwitchTarget target = m_rules.TargetFor(w);
        m_wanted = target;
        // What the mouse will hold once the running switch ends, unless replaced.
        const std::optional<SwitchTarget> after = m_inFlight ? m_inFlight : m_holding;
        if (after == target) {
            m_pending.reset();
            return;
        }
        if (m_pending != target) m_pendingSince = std::chrono::steady_clock::now();
        m_pending = target;
    }
    m_wake.notify_all();
}

void FocusSwitcher::MouseReady() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_rules.Active() || !m_wanted || m_pending) return;
        // The switch in flight may have begun before the mouse was there: if it fails, once more.
        if (m_inFlight) {
            m_retryOnFailure = true;
            return;
        }
        if (m_holding == m_wanted) return;
        m_pending = m_wanted;
        m_pendingSince = std::chrono::steady_clock::now();
    }
    m_wake.notify_all();
}

std::optional<SwitchTarget> FocusSwitcher::Holding() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_holding;
}

bool FocusSwitcher::WaitIdle(int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_idle.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return !m_pending && !m_inFlight; });
}

int FocusSwitcher::Switches() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_switches;
}

int FocusSwitcher::Failures() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_failures;
}

long FocusSwitcher::LastSwitchMicros() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastMicros;
}

void FocusSwitcher::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_exit || m_pending; });
        if (m_exit) break;
        m_inFlight = m_pending;
        m_pending.reset();
        const SwitchTarget target = *m_inFlight;
        const auto since = m_pendingSince;
        lock.unlock();
        const bool ok = m_fn(target);
        const long micros = static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                                  std::chrono::steady_clock::now() - since)
                                                  .count());
        g_pfnLog("FocusSwitch: set=%d stage=%d ok=%d in %ld us", target.keySet + 1, target.dpiStage,
                 ok ? 1 : 0, micros);
        lock.lock();
        m_inFlight.reset();
        const bool retry = std::exchange(m_retryOnFailure, false);
        if (ok) {
            m_lastMicros = micros;
            m_holding = target;
            ++m_switches;
        } else {
            // Unknown what the mouse holds now: the next window switches again.
            m_holding.reset();
            ++m_failures;
            if (retry && !m_pending && m_wanted && m_rules.Active()) {
                m_pending = m_wanted;
                m_pendingSince = std::chrono::steady_clock::now();
            }
        }
        if (!m_pending) m_idle.notify_all();
    }
    m_idle.notify_all();
}
