#include "profile/focus_watch.h"

#include "core/log.h"

FocusWatch::FocusWatch(std::string rulesPath, std::unique_ptr<platform::FocusSource> source,
                       FocusSwitcher::SwitchFn fn, int ownPid, std::string ownAppId)
    : m_path(std::move(rulesPath)),
      m_source(std::move(source)),
      m_switcher(std::move(fn), ownPid, std::move(ownAppId)) {
    m_switcher.SetRules(LoadAppRules(m_path));
    Follow();
}

FocusWatch::~FocusWatch() {
    // No report may reach the switcher while it ends.
    if (m_source) m_source->Stop();
}

const char* FocusWatch::SourceName() const {
    return m_source ? m_source->Name() : nullptr;
}

bool FocusWatch::SetRules(const AppRules& rules) {
    if (!SaveAppRules(rules, m_path)) {
        g_pfnLog("FocusWatch: %s not written", m_path.c_str());
        return false;
    }
    m_switcher.SetRules(rules);
    Follow();
    return true;
}

bool FocusWatch::SetPaused(bool paused) {
    AppRules rules = m_switcher.Rules();
    rules.paused = paused;
    return SetRules(rules);
}

void FocusWatch::SetPicking(bool picking) {
    m_picking = picking;
    Follow();
}

void FocusWatch::Follow() {
    const AppRules rules = m_switcher.Rules();
    const bool want = m_source && (rules.Active() || (m_picking && !rules.paused));
    if (want == m_watching) return;
    if (want) {
        m_watching = m_source->Start([this](const platform::FocusedWindow& w) {
            if (!m_switcher.IsOwn(w)) m_recent.Note(w);
            m_switcher.OnFocus(w);
        });
        g_pfnLog("FocusWatch: %s %s", m_source->Name(), m_watching ? "watching" : "failed");
    } else {
        m_source->Stop();
        m_watching = false;
        g_pfnLog("FocusWatch: %s stopped", m_source->Name());
    }
}

std::string FocusStatusLine(const char* sourceName, const AppRules& rules) {
    if (!sourceName) return "application switching: no focus source on this desktop";
    const size_t n = rules.rules.size();
    return std::string("application switching: ") + sourceName + " focus source, " +
           std::to_string(n) + (n == 1 ? " rule, " : " rules, ") +
           (rules.paused ? "paused"
            : n == 0     ? "off until a rule exists"
                         : "on");
}
