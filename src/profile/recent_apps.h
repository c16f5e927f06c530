// The applications seen in front since the program started, newest first: the rules dialog
// offers them so the user need not know an app id or window class by heart.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/focus_source.h"

class RecentApps {
  public:
    static constexpr size_t kMax = 12;

    // Notes a window in front (any thread). The name a rule would use for it goes to the front;
    // a window without a usable name (none fits a rule) is left out.
    void Note(const platform::FocusedWindow& w);
    // The names, newest first, each once whatever its case; at most kMax.
    std::vector<std::string> Names() const;

    // The name a rule takes for w: its app id, else its window class, else its executable's
    // file name, the first that a rule can hold; "" when none can.
    static std::string RuleName(const platform::FocusedWindow& w);

  private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_names;
};
