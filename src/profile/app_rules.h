// Per-application key sets: which key set (and optionally which DPI stage) the mouse gets while
// an application is in front, and the default set for every other one. Kept in the data folder
// as a small INI file the user can read:
//
//   [Rules]          Count=N, Paused=0|1, DefaultSet=1..3
//   [Rule1]..[RuleN] App=firefox, KeySet=1..3, Stage=1..8 (missing: the stage stays)
//
// Numbers in the file count from 1 as the window shows them; in memory they count from 0.
#pragma once

#include <string>
#include <vector>

#include "platform/focus_source.h"

constexpr const char* kAppRulesFile = "AppRules.ini";
// The file comes from the user's folder and may be edited by hand: at most this many rules, and
// names of at most kMaxRuleAppChars bytes.
constexpr int kMaxAppRules = 64;
constexpr size_t kMaxRuleAppChars = 128;
constexpr int kKeySetCount = 3;
constexpr int kMaxRuleStages = 8;

// True when app can name a rule: 1 to kMaxRuleAppChars bytes, no control character, no space at
// either end and no quote at the start (it must read back from the file as it was written).
bool IsGoodRuleName(const std::string& app);
// Whether two names are the same application's (ASCII case ignored; "" names none).
bool SameRuleName(const std::string& a, const std::string& b);

struct AppRule {
    std::string app;    // app id, WM_CLASS or executable (path or file name), any case
    int keySet = 0;     // 0..2
    int dpiStage = -1;  // 0..7, or -1 to leave the stage as it is
    friend bool operator==(const AppRule&, const AppRule&) = default;
};

// What the mouse should hold: a key set and a DPI stage (-1 = unchanged).
struct SwitchTarget {
    int keySet = 0;
    int dpiStage = -1;
    friend bool operator==(const SwitchTarget&, const SwitchTarget&) = default;
};

struct AppRules {
    std::vector<AppRule> rules;
    int defaultSet = 0;
    bool paused = false;

    // Switching runs only when the user made a rule and did not pause it.
    bool Active() const { return !paused && !rules.empty(); }
    // The first rule naming the window's app id, WM_CLASS (either string) or executable (full
    // path or file name), compared without ASCII case; null when none does.
    const AppRule* Match(const platform::FocusedWindow& w) const;
    // The rule's target, or the default set with the stage unchanged.
    SwitchTarget TargetFor(const platform::FocusedWindow& w) const;
    // Adds a rule (or replaces the one with the same app); false for an empty or too long name,
    // a set outside 0..2, a stage outside -1..7 or a full list.
    bool Put(const AppRule& rule);
};

// Reads path; a missing or unreadable file gives no rules. Rules with an empty or over-long
// name or a set out of range are skipped, a stage out of range is taken as "unchanged".
AppRules LoadAppRules(const std::string& path);
// The file's text for the rules.
std::string AppRulesText(const AppRules& rules);
// Replaces path atomically; false (file unchanged) when it cannot be written.
[[nodiscard]] bool SaveAppRules(const AppRules& rules, const std::string& path);
