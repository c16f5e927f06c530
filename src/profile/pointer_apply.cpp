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
    unsigned setting;
    std::string UiTextTable::*caption;  // the setting's name in the window's language
};
// The window's sliders: double-click 900 down to 200 ms, speed 1 to 20, 1 to 10 wheel lines.
const Range kRanges[] = {
    {"double-click time", " ms", &PointerSettings::doubleClickMs, 200, 900, false,
     platform::kPointerDoubleClick, &UiTextTable::tc_adv_str1},
    {"scroll lines", "", &PointerSettings::scrollLines, 1, 10, true, platform::kPointerScrollLines,
     &UiTextTable::tc_adv_str3},
    {"pointer speed", "", &PointerSettings::speed, 1, 20, false, platform::kPointerSpeed,
     &UiTextTable::tc_adv_str2},
    {"trails", "", &PointerSettings::trails, 0, 16, false, platform::kPointerTrails,
     &UiTextTable::tc_ptr_trails},
};

// The loaded language's text, or the English one when the language lacks it.
std::string Text(const std::string& loaded, const char* english) {
    return loaded.empty() ? english : loaded;
}

// pattern with "%1", "%2", ... replaced by args in one pass (an argument's own "%2" stays).
std::string Fill(const std::string& pattern, const std::vector<std::string>& args) {
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char d = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (pattern[i] == '%' && d >= '1' && d <= '9' &&
            static_cast<size_t>(d - '1') < args.size()) {
            out += args[static_cast<size_t>(d - '1')];
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

// A value with the setting's unit in the loaded language ("500 ms").
std::string WithUnit(const Range& r, int value) {
    std::string text = std::to_string(value);
    if (*r.unit != '\0') text += " " + Text(g_UiText.tc_adv_str20, "ms");
    return text;
}

// "<setting> <value>" for one issue, in the loaded language.
std::vector<std::string> NameAndValue(const PointerIssue& issue) {
    if (issue.setting == platform::kPointerPrecision)
        return {Text(g_UiText.tc_adv_str5, "enhanced pointer precision"),
                issue.value != 0 ? Text(g_UiText.tc_msg25, "on") : Text(g_UiText.tc_msg26, "off")};
    for (const Range& r : kRanges)
        if (r.setting == issue.setting)
            return {Text(g_UiText.*(r.caption), r.name), WithUnit(r, issue.value)};
    return {"?", std::to_string(issue.value)};
}

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

// The issue in English, for the log: "pointer speed 12".
std::string EnglishName(const PointerIssue& issue) {
    if (issue.setting == platform::kPointerPrecision)
        return std::string("enhanced pointer precision ") + (issue.value != 0 ? "on" : "off");
    for (const Range& r : kRanges)
        if (r.setting == issue.setting)
            return std::string(r.name) + " " + std::to_string(issue.value) + r.unit;
    return std::to_string(issue.value);
}

}  // namespace

std::vector<std::string> PointerSettingsOutOfRange(const PointerSettings& block) {
    std::vector<std::string> out;
    for (const Range& r : kRanges)
        if (!InRange(r, block.*(r.field))) out.push_back(Describe(r, block.*(r.field)));
    return out;
}

std::string PointerSettingsNotice(const std::vector<PointerIssue>& issues, bool refusedLead) {
    std::string text =
        refusedLead ? Text(g_UiText.tc_ptr_refused, kPointerSettingRefused) + " " : std::string();
    text += Text(g_UiText.tc_ptr_not_applied, "Pointer settings not applied:");
    const char* sep = " ";
    for (const PointerIssue& issue : issues) {
        std::vector<std::string> args = NameAndValue(issue);
        if (issue.refused) {
            text +=
                sep + Fill(Text(g_UiText.tc_ptr_refused_one, "the desktop refused %1 %2"), args);
        } else {
            for (const Range& r : kRanges)
                if (r.setting == issue.setting) {
                    args.push_back(std::to_string(r.min));
                    args.push_back(WithUnit(r, r.max));
                }
            text +=
                sep + Fill(Text(g_UiText.tc_ptr_range, "%1 %2 is out of range (%3 to %4)"), args);
        }
        sep = "; ";
    }
    return text + ".";
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
    std::vector<PointerIssue> outOfRange, refused;
    // One integer setting the desktop has: skipped when out of range; refused when the desktop
    // read it but did not store the new value. Unreadable ones are written blindly.
    const auto apply = [&](unsigned bit, int32_t PointerSettings::*field,
                           bool (*get)(PointerSettingsBackend&, int&),
                           bool (*set)(PointerSettingsBackend&, int)) {
        if (!(has & bit)) return;
        const Range& r = RangeOf(field);
        const int want = block.*field;
        if (!InRange(r, want)) {
            outOfRange.push_back({bit, want, false});
            return;
        }
        int value = 0;
        const bool read = get(backend, value);
        if (read && value == want) return;
        if (!set(backend, want) && read) refused.push_back({bit, want, true});
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
            refused.push_back({platform::kPointerPrecision, on ? 1 : 0, true});
    }
    apply(
        platform::kPointerSpeed, &PointerSettings::speed,
        [](PointerSettingsBackend& b, int& v) { return b.GetSpeed(v); },
        [](PointerSettingsBackend& b, int v) { return b.SetSpeed(v); });
    apply(
        platform::kPointerTrails, &PointerSettings::trails,
        [](PointerSettingsBackend& b, int& v) { return b.GetTrails(v); },
        [](PointerSettingsBackend& b, int v) { return b.SetTrails(v); });
    for (const PointerIssue& r : refused)
        g_pfnLog("ApplyPointerSettings: %s did not take the %s", backend.Name(),
                 EnglishName(r).c_str());
    // A value out of range is the profile's fault and told each time; a desktop that refuses
    // will refuse again, so that is told once per run (the log keeps every refusal).
    const bool tellRefused = !refused.empty() && !g_toldRefused.exchange(true);
    if (outOfRange.empty() && !tellRefused) return;
    std::vector<PointerIssue> told = outOfRange;
    if (tellRefused) told.insert(told.end(), refused.begin(), refused.end());
    const std::string text = PointerSettingsNotice(told, tellRefused);
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
