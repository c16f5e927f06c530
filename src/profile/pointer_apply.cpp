#include "profile/pointer_apply.h"

#include <atomic>
#include <mutex>

#include "core/log.h"
#include "core/notifier.h"

namespace {

std::mutex g_backendMutex;
std::unique_ptr<platform::PointerSettingsBackend> g_backend;
std::atomic<bool> g_loggedUnavailable{false};

}  // namespace

void ApplyPointerSettings(const PointerSettings& block, platform::PointerSettingsBackend& backend) {
    if (!backend.Available()) {
        if (!g_loggedUnavailable.exchange(true)) {
            g_pfnLog(
                "ApplyPointerSettings: no desktop pointer settings found, kept in the profile");
            // Once per run: the user would otherwise think the sliders took effect.
            if (!backend.TurnedOff()) NotifyUser(kPointerSettingsNotApplied, "Warning");
        }
        return;
    }
    int value = 0;
    if (!backend.GetDoubleClickTime(value) || value != block.doubleClickMs)
        backend.SetDoubleClickTime(block.doubleClickMs);
    if (!backend.GetScrollLines(value) || value != block.scrollLines)
        backend.SetScrollLines(block.scrollLines);
    const bool on = block.precision != 0;
    bool current = false;
    if (!backend.GetPrecision(current) || current != on) backend.SetPrecision(on);
    if (!backend.GetSpeed(value) || value != block.speed) backend.SetSpeed(block.speed);
    if (!backend.GetTrails(value) || value != block.trails) backend.SetTrails(block.trails);
}

void ApplyPointerSettings(const PointerSettings& block) {
    std::lock_guard<std::mutex> lock(g_backendMutex);
    if (!g_backend) g_backend = platform::MakeSystemPointerSettings();
    ApplyPointerSettings(block, *g_backend);
}

std::unique_ptr<platform::PointerSettingsBackend> SetPointerSettingsBackend(
    std::unique_ptr<platform::PointerSettingsBackend> backend) {
    std::lock_guard<std::mutex> lock(g_backendMutex);
    std::swap(g_backend, backend);
    return backend;
}
