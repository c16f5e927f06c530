#include "profile/mouse_bus.h"

#include <cstdio>
#include <optional>

#include "config/device_model.h"
#include "config/program_config.h"
#include "core/paths.h"
#include "device/link_state.h"
#include "device/session_state.h"
#include "profile/apply_thread.h"
#include "profile/key_set_switch.h"
#include "profile/profile_apply.h"
#include "profile/profile_defaults.h"
#include "profile/profile_export.h"
#include "profile/profile_json.h"
#include "profile/profile_list.h"
#include "profile/profile_restore.h"
#include "profile/report_rates.h"
#include "profile/set_command.h"

using platform::DbusCallPtr;
using platform::DbusValue;

namespace {

std::string ColorText(uint32_t bgr) {
    char t[16];
    std::snprintf(t, sizeof t, "#%02x%02x%02x", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    return t;
}

const std::string& Str(const DbusValue& v) {
    static const std::string empty;
    const std::string* s = std::get_if<std::string>(&v);
    return s ? *s : empty;
}

}  // namespace

int MouseBus::Capture::Show(const std::string& text, const std::string& caption, unsigned buttons) {
    if (!on) return previous->Show(text, caption, buttons);
    std::lock_guard<std::mutex> lock(mutex);
    messages.push_back(text);
    return IDOK;  // as mivora-cli answers
}

// The apply path of a bus request: the same waiting and the same messages as mivora-cli's.
class MouseBus::Target : public SetTarget {
  public:
    explicit Target(Capture& capture) : m_capture(capture) {}
    int Fail(const std::string& why) override {
        if (outcome.rc == 0) {
            outcome.rc = 1;
            outcome.error = why;
        }
        return 1;
    }
    int Apply(int nFlag, int nData) override {
        BeginApply();
        g_ApplyThread.Post(nFlag, nData);
        return WaitApplied();
    }
    void BeginApply() override {
        m_failuresBefore = g_ApplyThread.Failures();
        m_messagesBefore = Messages().size();
    }
    int WaitApplied() override {
        if (!g_ApplyThread.WaitIdle(kApplyTimeoutMs))
            return Fail("the mouse did not take the settings in time");
        const std::vector<std::string> m = Messages();
        if (g_ApplyThread.Failures() != m_failuresBefore) {
            const std::string why = m.size() > m_messagesBefore ? m[m_messagesBefore] : "";
            return Fail(why.empty() ? "writing to the mouse failed" : OneLine(why));
        }
        for (size_t i = m_messagesBefore; i < m.size(); ++i)
            outcome.notices.push_back(OneLine(m[i]));
        m_messagesBefore = m.size();
        return 0;
    }
    int FailWithMessage(const std::string& fallback) override {
        const std::vector<std::string> m = Messages();
        if (m.size() > m_messagesBefore && !OneLine(m.back()).empty())
            return Fail(OneLine(m.back()));
        return Fail(fallback);
    }
    void Print(const std::string& text) override { outcome.output += text; }
    // The messages of this request not yet told.
    std::vector<std::string> NewMessages() const {
        const std::vector<std::string> m = Messages();
        std::vector<std::string> out;
        for (size_t i = m_messagesBefore; i < m.size(); ++i) out.push_back(OneLine(m[i]));
        return out;
    }
    Outcome outcome;

  private:
    std::vector<std::string> Messages() const {
        std::lock_guard<std::mutex> lock(m_capture.mutex);
        return m_capture.messages;
    }
    Capture& m_capture;
    int m_failuresBefore = 0;
    size_t m_messagesBefore = 0;
};

MouseBus::MouseBus(platform::DbusService& bus, Host host) : m_bus(bus), m_host(std::move(host)) {
    m_capture.previous = SetNotifier(&m_capture);
}

MouseBus::~MouseBus() {
    if (m_worker.joinable()) m_worker.join();
    SetNotifier(m_capture.previous);
    // A change still unanswered gets an error from the call's own end.
    m_pending.reset();
}

bool MouseBus::Export(std::string& error) {
    if (!m_bus.Export(Describe(), error)) return false;
    m_announced = Values();
    m_announcedStage = g_nCurDpiLevel.load();
    return true;
}

std::string MouseBus::Unavailable(std::string& errorName, bool changing) const {
    errorName = kBusErrorNoMouse;
    switch (CurrentLinkState(*m_host.link)) {
        case LinkState::kNoMouse: {
            char vid[8];
            std::snprintf(vid, sizeof vid, "%04x", static_cast<unsigned>(g_Config.VID));
            return std::string("no mouse found (vendor id ") + vid + ")";
        }
        case LinkState::kNoPermission:
            return "no permission to open the mouse's hidraw nodes; the Mivora window shows how "
                   "to give it";
        case LinkState::kReading:
            errorName = kBusErrorBusy;
            return "the mouse's settings are still being read; try again in a moment";
        case LinkState::kConnected:
            break;
    }
    if (!pSensorCfg.load() || !g_ProfileList.Snapshot()) return "no profile";
    errorName = kBusErrorBusy;
    if (changing && (m_pending || !g_ApplyThread.WaitIdle(0)))
        return "the mouse is busy writing another change; try again when it is done "
               "(nothing was changed)";
    return "";
}

void MouseBus::RunChange(DbusCallPtr call, std::function<Outcome(Target&)> job) {
    std::string name;
    const std::string why = Unavailable(name, true);
    if (!why.empty()) return call->Fail(name, why);
    if (m_worker.joinable()) m_worker.join();  // the last one has answered: it is done
    m_pending = std::move(call);
    {
        std::lock_guard<std::mutex> lock(m_capture.mutex);
        m_capture.messages.clear();
    }
    m_capture.on = true;
    std::weak_ptr<bool> alive = m_alive;
    m_worker = std::thread([this, job = std::move(job), alive] {
        Target target(m_capture);
        Outcome outcome = job(target);
        if (outcome.rc == 0) outcome.rc = target.outcome.rc;
        if (outcome.error.empty()) outcome.error = target.outcome.error;
        outcome.output = target.outcome.output + outcome.output;
        outcome.notices.insert(outcome.notices.begin(), target.outcome.notices.begin(),
                               target.outcome.notices.end());
        m_host.post([this, alive, outcome]() mutable {
            if (alive.expired()) return;
            m_capture.on = false;
            DbusCallPtr answered = std::move(m_pending);
            if (!answered) return;
            if (outcome.rc == 0 && outcome.finish) outcome.finish(outcome);
            if (outcome.rc != 0)
                answered->Fail(outcome.errorName.empty() ? kBusErrorFailed : outcome.errorName,
                               outcome.error);
            else
                answered->Reply({outcome.output, outcome.notices});
            Refresh();
            if (outcome.rc == 0 && m_host.changed) m_host.changed();
        });
    });
}

void MouseBus::RunImport(DbusCallPtr call, const std::string& file, bool force, bool replaceRules) {
    RunChange(std::move(call), [this, file, force, replaceRules](Target& t) {
        Outcome o;
        t.BeginApply();
        if (ImportProfile(file, g_bProfileReady != 0, force) != 1) {
            t.FailWithMessage("the profile could not be imported");
        } else if (t.WaitApplied() == 0) {
            // The rules beside the profile, as mivora-cli import takes them.
            o.finish = [this, file, replaceRules](Outcome& done) {
                const RulesStore store = m_host.rules.load && m_host.rules.save
                                             ? m_host.rules
                                             : RulesFileStore(g_szDataDir + kAppRulesFile);
                const RulesImport r =
                    TakeRulesBeside(file, store, [replaceRules](int, int) { return replaceRules; });
                if (r.Warning())
                    done.notices.push_back(r.message);
                else if (!r.message.empty())
                    done.output += r.message + "\n";
                if (r.Changed() && m_host.rulesChanged) m_host.rulesChanged();
            };
        }
        return o;
    });
}

platform::DbusInterface MouseBus::Describe() {
    platform::DbusInterface d;
    d.path = kBusPath;
    d.name = kBusInterface;
    d.events.push_back({"DpiStageChanged", "i", {"stage"}});

    // The whole profile as read prints it; reading needs no quiet mouse, only a profile.
    const auto reader =
        [this](std::string (*print)(const DeviceModel&, const ProfileRecord&, int)) {
            return [this, print](DbusCallPtr call) {
                std::string name;
                const std::string why = Unavailable(name, false);
                if (!why.empty() && name != kBusErrorBusy) return call->Fail(name, why);
                const DeviceModel* m = pSensorCfg.load();
                auto rec = g_ProfileList.Snapshot();
                if (!m || !rec) return call->Fail(kBusErrorNoMouse, "no profile");
                call->Reply({print(*m, *rec, g_nCurDpiLevel.load())});
            };
        };
    d.methods.push_back({"Read", "", "s", {"json"}, reader(ProfileJson)});
    d.methods.push_back({"ReadText", "", "s", {"text"}, reader(ProfileText)});
    d.methods.push_back(
        {"Set", "as", "sas", {"words", "output", "notices"}, [this](DbusCallPtr call) {
             auto words = std::get<std::vector<std::string>>(call->Args()[0]);
             RunChange(std::move(call), [words](Target& t) {
                 if (words.empty())
                     t.Fail(SetUsage());
                 else
                     RunSetCommand(t, words);
                 return Outcome{};
             });
         }});
    d.methods.push_back({"Apply", "", "sas", {"output", "notices"}, [this](DbusCallPtr call) {
                             RunChange(std::move(call), [](Target& t) {
                                 t.Apply(kImportApplyFlags, kApplyAll);
                                 return Outcome{};
                             });
                         }});
    d.methods.push_back(
        {"Export", "s", "sas", {"file", "output", "notices"}, [this](DbusCallPtr call) {
             const std::string file = Str(call->Args()[0]);
             RunChange(std::move(call), [file](Target& t) {
                 Outcome o;
                 t.BeginApply();
                 if (ExportProfile(file) != 1)
                     t.FailWithMessage("no profile to export");
                 else
                     o.notices = t.NewMessages();
                 return o;
             });
         }});
    d.methods.push_back(
        {"Import", "sb", "sas", {"file", "force", "output", "notices"}, [this](DbusCallPtr call) {
             const std::string file = Str(call->Args()[0]);
             const bool* force = std::get_if<bool>(&call->Args()[1]);
             RunImport(std::move(call), file, force && *force, false);
         }});
    d.methods.push_back(
        {"ImportWithOptions",
         "sas",
         "sas",
         {"file", "options", "output", "notices"},
         [this](DbusCallPtr call) {
             const std::string file = Str(call->Args()[0]);
             const auto* options = std::get_if<std::vector<std::string>>(&call->Args()[1]);
             bool force = false, rules = false;
             for (const std::string& o : options ? *options : std::vector<std::string>{}) {
                 if (o == "force") {
                     force = true;
                 } else if (o == "rules") {
                     rules = true;
                 } else {
                     return call->Fail(kBusErrorFailed, "unknown import option \"" + o +
                                                            "\" (the options are force and rules)");
                 }
             }
             RunImport(std::move(call), file, force, rules);
         }});

    d.methods.push_back({"Restore", "", "sas", {"output", "notices"}, [this](DbusCallPtr call) {
                             RunChange(std::move(call), [](Target& t) {
                                 if (ResetProfileToDefaults() < 0)
                                     t.Fail("no profile to restore");
                                 else
                                     t.Apply(kRestoreApplyFlags, kApplyAll);
                                 return Outcome{};
                             });
                         }});
    d.methods.push_back(
        {"SwitchKeySet", "i", "sas", {"set", "output", "notices"}, [this](DbusCallPtr call) {
             const int32_t* set = std::get_if<int32_t>(&call->Args()[0]);
             const int wanted = set ? *set : -1;
             RunChange(std::move(call), [wanted](Target& t) {
                 t.BeginApply();
                 if (wanted < 0 || wanted >= kKeySets)
                     t.Fail("there is no key set " + std::to_string(wanted) +
                            "; the key sets are 0, 1 and 2");
                 else if (!SwitchKeySet(wanted))
                     t.FailWithMessage("no profile");
                 else if (t.WaitApplied() == 0)
                     // As mivora-cli keyset says it, with the set numbered for people.
                     t.Print("key set " + std::to_string(wanted + 1) +
                             " is current; the mouse holds it\n");
                 return Outcome{};
             });
         }});

    // Property names, in the order Values() gives them.
    m_names = {"Connected",  "LinkState",    "Link",          "Permission",    "ModelName",
               "Cid",        "Mid",          "Sensor",        "DpiStage",      "DpiStages",
               "ReportRate", "LightingMode", "LightingColor", "LightingSpeed", "LightingBrightness",
               "KeySet",     "DataFolder"};
    static const char* const kTypes[] = {"b",     "s", "s", "s", "s", "i", "i", "s", "i",
                                         "a(ii)", "i", "i", "s", "i", "i", "i", "s"};
    for (size_t i = 0; i < m_names.size(); ++i)
        d.properties.push_back({m_names[i], kTypes[i], [this, i] { return Values()[i]; }});
    return d;
}

std::vector<DbusValue> MouseBus::Values() const {
    const CUSBDriver& link = *m_host.link;
    const LinkState state = CurrentLinkState(link);
    static const char* const kStates[] = {"no-mouse", "no-permission", "reading", "connected"};
    const bool connected = state == LinkState::kConnected;
    const bool bluetooth = link.m_bBluetooth.load() != 0;
    const DeviceModel* m = connected ? pSensorCfg.load() : nullptr;
    std::optional<ProfileRecord> rec;
    if (m) rec = g_ProfileList.Snapshot();
    char sensor[16] = "";
    if (m) std::snprintf(sensor, sizeof sensor, "0x%x", static_cast<unsigned>(m->Sensor));
    platform::DbusIntPairs stages;
    int rate = -1;
    if (m && rec) {
        for (int i = 0; i < StagesInUse(*rec, *m); ++i)
            stages.emplace_back(rec->stages[i].xDpi, rec->stages[i].yDpi);
        rate = bluetooth ? BluetoothRateHz(rec->rateBt) : ReceiverRateHz(rec->rate24);
    }
    auto field = [&](auto get) { return rec ? static_cast<int32_t>(get(*rec)) : -1; };
    return {
        connected,
        std::string(kStates[static_cast<int>(state)]),
        std::string(link.IsConnected() ? (bluetooth ? "bluetooth" : "receiver") : ""),
        std::string(link.m_nOpenDenied.load() > 0 && !link.IsConnected() ? "denied" : "granted"),
        std::string(m ? g_Config.Title : ""),
        static_cast<int32_t>(m ? m->CID : -1),
        static_cast<int32_t>(m ? m->MID : -1),
        std::string(sensor),
        static_cast<int32_t>(m ? g_nCurDpiLevel.load() : -1),
        stages,
        static_cast<int32_t>(rate),
        field([](const ProfileRecord& r) { return r.lightMode; }),
        std::string(rec ? ColorText(rec->lightColor) : ""),
        field([](const ProfileRecord& r) { return r.lightSpeed; }),
        field([](const ProfileRecord& r) { return r.lightBrightness; }),
        field([](const ProfileRecord& r) { return r.KeySetIndex(); }),
        g_szDataDir,
    };
}

void MouseBus::Refresh() {
    const std::vector<DbusValue> now = Values();
    std::vector<std::string> moved;
    for (size_t i = 0; i < now.size() && i < m_names.size(); ++i)
        if (i >= m_announced.size() || !(now[i] == m_announced[i])) moved.push_back(m_names[i]);
    m_announced = now;
    m_bus.EmitPropertiesChanged(kBusPath, kBusInterface, moved);
    const int stage = g_nCurDpiLevel.load();
    if (stage != m_announcedStage) {
        m_announcedStage = stage;
        m_bus.Emit(kBusPath, kBusInterface, "DpiStageChanged", {static_cast<int32_t>(stage)});
    }
}
