#include "profile/recent_apps.h"

#include <algorithm>

#include "profile/app_rules.h"

std::string RecentApps::RuleName(const platform::FocusedWindow& w) {
    const size_t slash = w.exe.rfind('/');
    const std::string exeName = slash == std::string::npos ? w.exe : w.exe.substr(slash + 1);
    for (const std::string* name : {&w.appId, &w.wmClass, &w.wmInstance, &exeName})
        if (IsGoodRuleName(*name)) return *name;
    return "";
}

void RecentApps::Note(const platform::FocusedWindow& w) {
    if (w.none) return;
    std::string name = RuleName(w);
    if (name.empty()) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_names.erase(std::remove_if(m_names.begin(), m_names.end(),
                                 [&](const std::string& n) { return SameRuleName(n, name); }),
                  m_names.end());
    m_names.insert(m_names.begin(), std::move(name));
    if (m_names.size() > kMax) m_names.resize(kMax);
}

std::vector<std::string> RecentApps::Names() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_names;
}
