#include "profile/pointer_apply.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

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

struct Range {
    const char* name;
    const char* unit;
    int32_t PointerSettings::*field;
    int min, max;
    bool screen;  // -1 (one screen per notch) is a value too
};
// The window's sliders: double-click 900 down to 200 ms, speed 1 to 20, 1 to 10 wheel lines.
constexpr Range kRanges[] = {
    {"double-click time", " ms", &PointerSettings::doubleClickMs, 200, 900, false},
    {"scroll lines", "", &PointerSettings::scrollLines, 1, 10, true},
    {"pointer speed", "", &PointerSettings::speed, 1, 20, false},
    {"trails", "", &PointerSettings::trails, 0, 16, false},
};

std::string Describe(const Range& r, int value) {
    return std::string(r.name) + " " + std::to_string(value) + r.unit + " (" +
           (r.screen ? "-1 or " : "") + std::to_string(r.min) + " to " + std::to_string(r.max) +
           r.unit + ")";
}

bool InRange(const Range& r, int value) {
    return (value >= r.min && value <= r.max) || (r.screen && value == -1);
}

const Range& RangeOf(int32_t PointerSettings::*field) {
    for (const Range& r : kRanges)
        if (r.field == field) return r;
    return kRanges[0];
}

}  // namespace

std::vector<std::string> PointerSettingsOutOfRange(const PointerSettings& block) {
    std::vector<std::string> out;
    for (const Range& r : kRanges)
        if (!InRange(r, block.*(r.field))) out.push_back(Describe(r, block.*(r.field)));
    return out;
}

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
    std::vector<std::string> outOfRange, refused;
    // One integer setting the desktop has: skipped when out of range; refused when the desktop
    // read it but did not store the new value. Unreadable ones are written blindly.
    const auto apply = [&](unsigned bit, int32_t PointerSettings::*field,
                           bool (*get)(PointerSettingsBackend&, int&),
                           bool (*set)(PointerSettingsBackend&, int)) {
        if (!(has & bit)) return;
        const Range& r = RangeOf(field);
        const int want = block.*field;
        if (!InRange(r, want)) {
            outOfRange.push_back(Describe(r, want));
            return;
        }
        int value = 0;
        const bool read = get(backend, value);
        if (read && value == want) return;
        if (!set(backend, want) && read)
            refused.push_back(std::string(r.name) + " " + std::to_string(want) + r.unit);
    };
    apply(
        platform::kPointerDoubleClick, &PointerSettings::doubleClickMs,
        [](PointerSettingsBackend& b, int& v) { return b.GetDoubleClickTime(v); },
        [](PointerSettingsBackend& b, int v) { return b.SetDoubleClickTime(v); });
    apply(
        platform::kPointerScrollLines, &PointerSettings::scrollLines,
        [](PointerSettingsBackend& b, int& v) { return b.GetScrollLines(v); },
        [](PointerSettingsBackend& b, int v) { return b.SetScrollLines(v); });
    if (has & platform::kPointerPrecision) {
        const bool on = block.precision != 0;
        bool current = false;
        const bool read = backend.GetPrecision(current);
        if ((!read || current != on) && !backend.SetPrecision(on) && read)
            refused.push_back(std::string("enhanced pointer precision ") + (on ? "on" : "off"));
    }
    apply(
        platform::kPointerSpeed, &PointerSettings::speed,
        [](PointerSettingsBackend& b, int& v) { return b.GetSpeed(v); },
        [](PointerSettingsBackend& b, int v) { return b.SetSpeed(v); });
    apply(
        platform::kPointerTrails, &PointerSettings::trails,
        [](PointerSettingsBackend& b, int& v) { return b.GetTrails(v); },
        [](PointerSettingsBackend& b, int v) { return b.SetTrails(v); });
    for (const std::string& r : refused)
        g_pfnLog("ApplyPointerSettings: %s did not take the %s", backend.Name(), r.c_str());
    // A value out of range is the profile's fault and told each time; a desktop that refuses
    // will refuse again, so that is told once per run (the log keeps every refusal).
    const bool tellRefused = !refused.empty() && !g_toldRefused.exchange(true);
    if (outOfRange.empty() && !tellRefused) return;
    // The refusal's lead line is in the user's language; the details name the settings.
    std::string text = tellRefused ? (g_UiText.tc_ptr_refused.empty() ? kPointerSettingRefused
                                                                      : g_UiText.tc_ptr_refused) +
                                         std::string(" ")
                                   : std::string();
    text += "Pointer settings not applied:";
    const char* sep = " ";
    for (const std::string& o : outOfRange) {
        text += sep + o + " is out of range";
        sep = "; ";
    }
    if (tellRefused) {
        for (const std::string& r : refused) {
            text += sep + ("the desktop refused " + r);
            sep = "; ";
        }
    }
    text += ".";
    g_pfnLog("ApplyPointerSettings: %s", text.c_str());
    NotifyUser(text, "Warning");
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
