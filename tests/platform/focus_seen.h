// Collects what a focus source reports, for the tests of the sources.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/focus_source.h"

namespace platform_test {

// What the source reported, in order.
struct Seen {
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<platform::FocusedWindow> windows;

    platform::FocusSource::Callback Fn() {
        return [this](const platform::FocusedWindow& w) {
            std::lock_guard<std::mutex> lock(mutex);
            windows.push_back(w);
            cv.notify_all();
        };
    }
    // A copy of the first report from index `from` on that fits, or nullopt after ms.
    std::optional<platform::FocusedWindow> Await(
        size_t from, const std::function<bool(const platform::FocusedWindow&)>& fits,
        int ms = 3000) {
        std::unique_lock<std::mutex> lock(mutex);
        std::optional<platform::FocusedWindow> hit;
        cv.wait_for(lock, std::chrono::milliseconds(ms), [&] {
            for (size_t i = from; i < windows.size() && !hit; ++i)
                if (fits(windows[i])) hit = windows[i];
            return hit.has_value();
        });
        return hit;
    }
    size_t Count() {
        std::lock_guard<std::mutex> lock(mutex);
        return windows.size();
    }
};

inline std::function<bool(const platform::FocusedWindow&)> ByClass(const std::string& c) {
    return [c](const platform::FocusedWindow& w) { return w.wmClass == c; };
}
inline std::function<bool(const platform::FocusedWindow&)> ByAppId(const std::string& id) {
    return [id](const platform::FocusedWindow& w) { return w.appId == id; };
}

}  // namespace platform_test
