// Per-application switching in a running program: the rules file in the data folder, the
// session's focus source and the switcher. The source runs only while switching is on (a rule
// exists and the user did not pause it): a paused program watches no windows.
#pragma once

#include <memory>
#include <string>

#include "platform/focus_source.h"
#include "profile/focus_switcher.h"
#include "profile/recent_apps.h"

class FocusWatch {
  public:
    // source may be null (no source knows this desktop): the rules are kept all the same.
    FocusWatch(std::string rulesPath, std::unique_ptr<platform::FocusSource> source,
               FocusSwitcher::SwitchFn fn, int ownPid, std::string ownAppId);
    ~FocusWatch();
    FocusWatch(const FocusWatch&) = delete;
    FocusWatch& operator=(const FocusWatch&) = delete;

    // The session's source ("X11", "sway"), or nullptr when this desktop has none.
    const char* SourceName() const;
    // True while the source reports to the switcher.
    bool Watching() const { return m_watching; }
    AppRules Rules() const { return m_switcher.Rules(); }
    // Stores the rules, then watches or stops as they say. False when the file cannot be
    // written: then nothing changed.
    bool SetRules(const AppRules& rules);
    bool SetPaused(bool paused);
    FocusSwitcher& Switcher() { return m_switcher; }
    // While the user picks an application for a rule, the source runs even before the first
    // rule (never while paused), so the applications the user brings to the front are offered.
    void SetPicking(bool picking);
    // The other applications seen in front while the source ran, newest first.
    std::vector<std::string> RecentApps() const { return m_recent.Names(); }

  private:
    void Follow();

    std::string m_path;
    std::unique_ptr<platform::FocusSource> m_source;
    FocusSwitcher m_switcher;
    ::RecentApps m_recent;
    bool m_picking = false;
    bool m_watching = false;
};

// One line for `mivora-cli status` and the log: which source says what is in front (or that none
// does on this desktop), how many rules there are and whether switching is on.
std::string FocusStatusLine(const char* sourceName, const AppRules& rules);
