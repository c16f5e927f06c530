// sway and other i3-compatible wlroots compositors: the input commands of their IPC socket for
// every pointer (touchpads keep their own), read back from the compositor's input list.
#include <string>
#include <vector>

#include "platform/json_reader.h"
#include "platform/pointer_mapping.h"
#include "platform/pointer_settings.h"
#include "platform/sway_ipc.h"

namespace platform {

namespace {

class SwayPointerSettings : public PointerSettingsBackend {
  public:
    explicit SwayPointerSettings(std::string socketPath) : m_socket(std::move(socketPath)) {}

    const char* Name() const override { return "sway"; }
    unsigned Supported() const override {
        return kPointerScrollLines | kPointerPrecision | kPointerSpeed;
    }

    bool GetDoubleClickTime(int&) override { return false; }
    bool SetDoubleClickTime(int) override { return false; }
    bool GetTrails(int&) override { return false; }
    bool SetTrails(int) override { return false; }

    bool GetScrollLines(int& lines) override {
        double factor = 0;
        return FirstPointerNumber(nullptr, "scroll_factor", factor) &&
               LinesFromScrollFactor(factor, lines);
    }
    bool SetScrollLines(int lines) override {
        double factor = 0;
        if (!ScrollFactorFromLines(lines, factor)) return false;  // no page-per-notch factor
        if (!Command("scroll_factor " + PointerNumberText(factor))) return false;
        return EveryPointerReadsBack([&](const JsonValue& input) {
            const JsonValue* f = input.Member("scroll_factor");
            int back = 0;
            return f && f->kind == JsonValue::Kind::Number &&
                   LinesFromScrollFactor(f->number, back) && back == lines;
        });
    }
    bool GetPrecision(bool& on) override {
        std::string profile;
        return FirstPointerText("accel_profile", profile) &&
               PrecisionFromAccelProfile(profile.c_str(), on);
    }
    bool SetPrecision(bool on) override {
        if (!Command(std::string("accel_profile ") + AccelProfileName(on))) return false;
        return EveryPointerReadsBack([&](const JsonValue& input) {
            const JsonValue* li = input.Member("libinput");
            const JsonValue* p = li ? li->Member("accel_profile") : nullptr;
            bool back = !on;
            return p && PrecisionFromAccelProfile(p->text.c_str(), back) && back == on;
        });
    }
    bool GetSpeed(int& speed) override {
        double unit = 0;
        if (!FirstPointerNumber("libinput", "accel_speed", unit)) return false;
        speed = SpeedFromUnit(unit);
        return true;
    }
    bool SetSpeed(int speed) override {
        const double unit = SpeedToUnit(speed);
        if (!Command("pointer_accel " + PointerNumberText(unit))) return false;
        return EveryPointerReadsBack([&](const JsonValue& input) {
            const JsonValue* li = input.Member("libinput");
            const JsonValue* v = li ? li->Member("accel_speed") : nullptr;
            return v && v->kind == JsonValue::Kind::Number &&
                   SpeedFromUnit(v->number) == SpeedFromUnit(unit);
        });
    }

  private:
    // One command for every pointer; true when the compositor answered that it succeeded.
    bool Command(const std::string& setting) {
        std::string reply;
        auto ipc = SwayIpc::Connect(m_socket);
        if (!ipc || !ipc->Request(kSwayRunCommand, "input type:pointer " + setting, reply))
            return false;
        JsonValue results;
        if (!ParseJson(reply, results) || results.kind != JsonValue::Kind::Array ||
            results.items.empty())
            return false;
        for (const JsonValue& r : results.items) {
            const JsonValue* ok = r.Member("success");
            if (!ok || ok->kind != JsonValue::Kind::Bool || !ok->boolean) return false;
        }
        return true;
    }
    bool Pointers(std::vector<JsonValue>& out) {
        std::string reply;
        auto ipc = SwayIpc::Connect(m_socket);
        if (!ipc || !ipc->Request(kSwayGetInputs, "", reply)) return false;
        JsonValue inputs;
        if (!ParseJson(reply, inputs) || inputs.kind != JsonValue::Kind::Array) return false;
        out.clear();
        for (JsonValue& input : inputs.items) {
            const JsonValue* type = input.Member("type");
            if (type && type->text == "pointer") out.push_back(std::move(input));
        }
        return true;
    }
    // The compositor keeps the setting for pointers plugged in later, so with no pointer
    // attached an accepted command counts; otherwise every pointer must show the value.
    template <typename Check>
    bool EveryPointerReadsBack(Check check) {
        std::vector<JsonValue> pointers;
        if (!Pointers(pointers)) return false;
        for (const JsonValue& p : pointers)
            if (!check(p)) return false;
        return true;
    }
    bool FirstPointerNumber(const char* section, const char* name, double& value) {
        std::vector<JsonValue> pointers;
        if (!Pointers(pointers)) return false;
        for (const JsonValue& p : pointers) {
            const JsonValue* holder = section ? p.Member(section) : &p;
            const JsonValue* v = holder ? holder->Member(name) : nullptr;
            if (v && v->kind == JsonValue::Kind::Number) {
                value = v->number;
                return true;
            }
        }
        return false;
    }
    bool FirstPointerText(const char* name, std::string& value) {
        std::vector<JsonValue> pointers;
        if (!Pointers(pointers)) return false;
        for (const JsonValue& p : pointers) {
            const JsonValue* li = p.Member("libinput");
            const JsonValue* v = li ? li->Member(name) : nullptr;
            if (v && v->kind == JsonValue::Kind::String) {
                value = v->text;
                return true;
            }
        }
        return false;
    }

    std::string m_socket;
};

}  // namespace

std::unique_ptr<PointerSettingsBackend> MakeSwayPointerSettings(const std::string& socketPath) {
    return std::make_unique<SwayPointerSettings>(socketPath);
}

}  // namespace platform
