#include "profile/pointer_apply.h"

#include <atomic>
#include <mutex>

#include "core/log.h"
#include "core/notifier.h"

namespace {

using Backend = platform::PointerSettingsBackend;

std::mutex g_backendMutex;
std::unique_ptr<platform::PointerSettingsBackend> g_backend;
std::atomic<bool> g_loggedUnavailable{false};

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
    std::vector<std::string> outOfRange, refused;
    // One integer setting: skipped when out of range; refused when the desktop read it (so it
    // has the setting) but did not store the new value. Unreadable ones are written blindly.
    const auto apply = [&](int32_t PointerSettings::*field, bool (*get)(Backend&, int&),
                           bool (*set)(Backend&, int)) {
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
        &PointerSettings::doubleClickMs, [](Backend& b, int& v) { return b.GetDoubleClickTime(v); },
        [](Backend& b, int v) { return b.SetDoubleClickTime(v); });
    apply(
        &PointerSettings::scrollLines, [](Backend& b, int& v) { return b.GetScrollLines(v); },
        [](Backend& b, int v) { return b.SetScrollLines(v); });
    const bool on = block.precision != 0;
    bool current = false;
    const bool read = backend.GetPrecision(current);
    if ((!read || current != on) && !backend.SetPrecision(on) && read)
        refused.push_back(std::string("enhanced pointer precision ") + (on ? "on" : "off"));
    apply(
        &PointerSettings::speed, [](Backend& b, int& v) { return b.GetSpeed(v); },
        [](Backend& b, int v) { return b.SetSpeed(v); });
    apply(
        &PointerSettings::trails, [](Backend& b, int& v) { return b.GetTrails(v); },
        [](Backend& b, int v) { return b.SetTrails(v); });
    if (outOfRange.empty() && refused.empty()) return;
    std::string text = "Pointer settings not applied:";
    const char* sep = " ";
    for (const std::string& o : outOfRange) {
        text += sep + o + " is out of range";
        sep = "; ";
    }
    for (const std::string& r : refused) {
        text += sep + ("the desktop refused " + r);
        sep = "; ";
    }
    text += ".";
    g_pfnLog("ApplyPointerSettings: %s", text.c_str());
    NotifyUser(text, "Warning");
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
