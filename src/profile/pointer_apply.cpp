#include "profile/pointer_apply.h"

#include <atomic>
#include <mutex>
#include <string>

#include "config/ui_text.h"
#include "core/log.h"
#include "core/notifier.h"

using platform::PointerSettingsBackend;

namespace {

std::mutex g_backendMutex;
std::unique_ptr<PointerSettingsBackend> g_backend;
std::atomic<bool> g_toldUnavailable{false};
std::atomic<bool> g_toldRefused{false};

PointerSettingsBackend& Backend() {
    if (!g_backend) g_backend = platform::MakeSystemPointerSettings();
    return *g_backend;
}

void Refused(PointerSettingsBackend& backend, const char* what, int value) {
    g_pfnLog((std::string("ApplyPointerSettings: ") + backend.Name() + " did not take the " + what +
              " " + std::to_string(value))
                 .c_str());
    if (!g_toldRefused.exchange(true))
        NotifyUser(
            g_UiText.tc_ptr_refused.empty() ? kPointerSettingRefused : g_UiText.tc_ptr_refused,
            "Warning");
}

}  // namespace

void ApplyPointerSettings(const PointerSettings& block, PointerSettingsBackend& backend) {
    if (!backend.Available()) {
        if (!g_toldUnavailable.exchange(true)) {
            g_pfnLog(
                "ApplyPointerSettings: no desktop pointer settings found, kept in the profile");
            // Once per run: the user would otherwise think the sliders took effect.
            if (!backend.TurnedOff())
                NotifyUser(g_UiText.tc_ptr_none.empty() ? kPointerSettingsNotApplied
                                                        : g_UiText.tc_ptr_none,
                           "Warning");
        }
        return;
    }
    const unsigned has = backend.Supported();
    int value = 0;
    if ((has & platform::kPointerDoubleClick) &&
        (!backend.GetDoubleClickTime(value) || value != block.doubleClickMs) &&
        !backend.SetDoubleClickTime(block.doubleClickMs))
        Refused(backend, "double-click time", block.doubleClickMs);
    if ((has & platform::kPointerScrollLines) &&
        (!backend.GetScrollLines(value) || value != block.scrollLines) &&
        !backend.SetScrollLines(block.scrollLines))
        Refused(backend, "scroll lines", block.scrollLines);
    const bool on = block.precision != 0;
    bool current = false;
    if ((has & platform::kPointerPrecision) && (!backend.GetPrecision(current) || current != on) &&
        !backend.SetPrecision(on))
        Refused(backend, "precision", on ? 1 : 0);
    if ((has & platform::kPointerSpeed) && (!backend.GetSpeed(value) || value != block.speed) &&
        !backend.SetSpeed(block.speed))
        Refused(backend, "speed", block.speed);
    if ((has & platform::kPointerTrails) && (!backend.GetTrails(value) || value != block.trails) &&
        !backend.SetTrails(block.trails))
        Refused(backend, "trails", block.trails);
}

void ApplyPointerSettings(const PointerSettings& block) {
    std::lock_guard<std::mutex> lock(g_backendMutex);
    ApplyPointerSettings(block, Backend());
}

unsigned ReadPointerSettings(PointerSettings& block, PointerSettingsBackend& backend) {
    if (!backend.Available()) return 0;
    const unsigned has = backend.Supported();
    unsigned read = 0;
    int value = 0;
    bool on = false;
    if ((has & platform::kPointerDoubleClick) && backend.GetDoubleClickTime(value)) {
        block.doubleClickMs = value;
        read |= platform::kPointerDoubleClick;
    }
    if ((has & platform::kPointerScrollLines) && backend.GetScrollLines(value)) {
        block.scrollLines = value;
        read |= platform::kPointerScrollLines;
    }
    if ((has & platform::kPointerPrecision) && backend.GetPrecision(on)) {
        block.precision = on ? 1 : 0;
        read |= platform::kPointerPrecision;
    }
    if ((has & platform::kPointerSpeed) && backend.GetSpeed(value)) {
        block.speed = value;
        read |= platform::kPointerSpeed;
    }
    if ((has & platform::kPointerTrails) && backend.GetTrails(value)) {
        block.trails = value;
        read |= platform::kPointerTrails;
    }
    return read;
}

unsigned ReadPointerSettings(PointerSettings& block) {
    std::lock_guard<std::mutex> lock(g_backendMutex);
    return ReadPointerSettings(block, Backend());
}

DesktopPointerState TakeDesktopPointerState() {
    std::lock_guard<std::mutex> lock(g_backendMutex);
    PointerSettingsBackend& b = Backend();
    DesktopPointerState state{b.Available(), b.TurnedOff(), b.Available() ? b.Supported() : 0};
    if (!state.available) g_toldUnavailable = true;
    return state;
}

std::unique_ptr<PointerSettingsBackend> SetPointerSettingsBackend(
    std::unique_ptr<PointerSettingsBackend> backend) {
    std::lock_guard<std::mutex> lock(g_backendMutex);
    std::swap(g_backend, backend);
    return backend;
}
