#include "profile/app_rules.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/private_profile.h"

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(const std::string& a, const std::string& b) {
    return !a.empty() && a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string FileName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool SameRuleName(const std::string& a, const std::string& b) {
    return SameName(a, b);
}

// A name goes into the file as one "key=value" line and must read back as it was.
bool IsGoodRuleName(const std::string& app) {
    if (app.empty() || app.size() > kMaxRuleAppChars) return false;
    if (app.front() == ' ' || app.back() == ' ' || app.front() == '"') return false;
    return std::none_of(app.begin(), app.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

const AppRule* AppRules::Match(const platform::FocusedWindow& w) const {
    for (const AppRule& r : rules) {
        if (SameName(r.app, w.appId) || SameName(r.app, w.wmInstance) ||
            SameName(r.app, w.wmClass) || SameName(r.app, w.exe) ||
            SameName(r.app, FileName(w.exe)))
            return &r;
    }
    return nullptr;
}

SwitchTarget AppRules::TargetFor(const platform::FocusedWindow& w) const {
    if (const AppRule* r = Match(w)) return {r->keySet, r->dpiStage};
    return {defaultSet, -1};
}

bool AppRules::Put(const AppRule& rule) {
    if (!IsGoodRuleName(rule.app) || rule.keySet < 0 || rule.keySet >= kKeySetCount ||
        rule.dpiStage < -1 || rule.dpiStage >= kMaxRuleStages)
        return false;
    for (AppRule& r : rules) {
        if (SameName(r.app, rule.app)) {
            r = rule;
            return true;
        }
    }
    if (static_cast<int>(rules.size()) >= kMaxAppRules) return false;
    rules.push_back(rule);
    return true;
}

AppRules LoadAppRules(const std::string& path) {
    AppRules out;
    platform::PrivateProfile ini;
    if (!ini.Load(path)) return out;
    const int set = ini.GetInt("Rules", "DefaultSet", 1) - 1;
    out.defaultSet = set >= 0 && set < kKeySetCount ? set : 0;
    out.paused = ini.GetInt("Rules", "Paused", 0) != 0;
    const int count = std::clamp(ini.GetInt("Rules", "Count", 0), 0, kMaxAppRules);
    for (int i = 1; i <= count; ++i) {
        const std::string section = "Rule" + std::to_string(i);
        AppRule r;
        // One byte over the limit tells an over-long name from one that fits.
        r.app = ini.GetString(section, "App", "", kMaxRuleAppChars + 1);
        r.keySet = ini.GetInt(section, "KeySet", 0) - 1;
        const int stage = ini.GetInt(section, "Stage", 0) - 1;
        r.dpiStage = stage >= 0 && stage < kMaxRuleStages ? stage : -1;
        out.Put(r);
    }
    return out;
}

std::string AppRulesText(const AppRules& rules) {
    std::string text = "[Rules]\nCount=" + std::to_string(rules.rules.size()) +
                       "\nPaused=" + (rules.paused ? "1" : "0") +
                       "\nDefaultSet=" + std::to_string(rules.defaultSet + 1) + "\n";
    for (size_t i = 0; i < rules.rules.size(); ++i) {
        const AppRule& r = rules.rules[i];
        text += "\n[Rule" + std::to_string(i + 1) + "]\nApp=" + r.app +
                "\nKeySet=" + std::to_string(r.keySet + 1) + "\n";
        if (r.dpiStage >= 0) text += "Stage=" + std::to_string(r.dpiStage + 1) + "\n";
    }
    return text;
}

bool SaveAppRules(const AppRules& rules, const std::string& path) {
    const std::string text = AppRulesText(rules);
    return platform::WriteFileAtomic(path, reinterpret_cast<const uint8_t*>(text.data()),
                                     text.size());
}
