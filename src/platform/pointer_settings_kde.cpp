// KDE Plasma 5 and 6. On Wayland KWin owns the input devices and offers each on the session bus;
// it saves what is set there into kcminputrc itself. On X11 the X server's devices take the
// values at once and kcminputrc keeps them for Plasma's next start. Double-click time and wheel
// lines live in kdeglobals [KDE] on both, announced with KDE's change signals so that running
// programs reread them.
#include <charconv>
#include <string>
#include <vector>

#include "platform/dbus_client.h"
#include "platform/kde_config_file.h"
#include "platform/pointer_mapping.h"
#include "platform/pointer_settings.h"
#include "platform/xinput_pointers.h"

namespace platform {

namespace {

constexpr const char* kKwin = "org.kde.KWin";
constexpr const char* kDeviceRoot = "/org/kde/KWin/InputDevice";
constexpr const char* kDeviceInterface = "org.kde.KWin.InputDevice";
constexpr const char* kManagerInterface = "org.kde.KWin.InputDeviceManager";
// KGlobalSettings' change kind "settings" with the category "mouse".
constexpr int32_t kKdeSettingsChanged = 3;
constexpr int32_t kKdeSettingsMouse = 0;

bool ParseInt(const std::string& s, int& out) {
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

// kdeglobals [KDE]: the settings every KDE and Qt program of the session reads.
class KdeGlobals {
  public:
    KdeGlobals(DbusConnection* bus, std::string configDir)
        : m_bus(bus), m_path(std::move(configDir) + "/kdeglobals") {}

    bool Get(const char* key, int& value) {
        std::string text;
        return KdeConfigGetFile(m_path, "KDE", key, text) && ParseInt(text, value);
    }
    bool Set(const char* key, int value) {
        if (!KdeConfigSetFile(m_path, "KDE", key, std::to_string(value))) return false;
        int back = 0;
        if (!Get(key, back) || back != value) return false;
        if (m_bus) {
            // Plasma 6 programs watch the file's ConfigChanged, older ones KGlobalSettings.
            m_bus->EmitGroupKeys("/kdeglobals", "org.kde.kconfig.notify", "ConfigChanged",
                                 {{"KDE", {key}}});
            m_bus->EmitTwoInts("/KGlobalSettings", "org.kde.KGlobalSettings", "notifyChange",
                               kKdeSettingsChanged, kKdeSettingsMouse);
        }
        return true;
    }

  private:
    DbusConnection* m_bus;
    std::string m_path;
};

// The settings both KDE sessions share: double-click time and wheel lines.
class KdeBase : public PointerSettingsBackend {
  public:
    KdeBase(std::unique_ptr<DbusConnection> bus, const std::string& configDir)
        : m_bus(std::move(bus)), m_globals(m_bus.get(), configDir) {}

    bool GetDoubleClickTime(int& ms) override { return m_globals.Get("DoubleClickInterval", ms); }
    bool SetDoubleClickTime(int ms) override {
        return ms > 0 && m_globals.Set("DoubleClickInterval", ms);
    }
    bool GetScrollLines(int& lines) override { return m_globals.Get("WheelScrollLines", lines); }
    // KDE has no page-per-notch setting: -1 is not applied.
    bool SetScrollLines(int lines) override {
        return lines > 0 && m_globals.Set("WheelScrollLines", lines);
    }
    bool GetTrails(int&) override { return false; }
    bool SetTrails(int) override { return false; }

  protected:
    std::unique_ptr<DbusConnection> m_bus;
    KdeGlobals m_globals;
};

class KdeWaylandPointerSettings : public KdeBase {
  public:
    using KdeBase::KdeBase;

    const char* Name() const override { return "KDE Plasma (Wayland)"; }
    unsigned Supported() const override {
        return kPointerDoubleClick | kPointerScrollLines | kPointerPrecision | kPointerSpeed;
    }

    bool GetSpeed(int& speed) override {
        for (const DbusObject& d : Pointers()) {
            DbusValue v;
            if (m_bus->GetProperty(d, "pointerAcceleration", v) &&
                std::holds_alternative<double>(v)) {
                speed = SpeedFromUnit(std::get<double>(v));
                return true;
            }
        }
        return false;
    }
    bool SetSpeed(int speed) override {
        const double unit = SpeedToUnit(speed);
        return ForEveryPointer([&](const DbusObject& d) {
            DbusValue back;
            return m_bus->SetProperty(d, "pointerAcceleration", unit) &&
                   m_bus->GetProperty(d, "pointerAcceleration", back) &&
                   std::holds_alternative<double>(back) &&
                   SpeedFromUnit(std::get<double>(back)) == SpeedFromUnit(unit);
        });
    }
    bool GetPrecision(bool& on) override {
        for (const DbusObject& d : Pointers())
            if (ProfileOf(d, on)) return true;
        return false;
    }
    bool SetPrecision(bool on) override {
        return ForEveryPointer([&](const DbusObject& d) {
            bool now = !on;
            return m_bus->SetProperty(
                       d,
                       on ? "pointerAccelerationProfileAdaptive" : "pointerAccelerationProfileFlat",
                       true) &&
                   ProfileOf(d, now) && now == on;
        });
    }

  private:
    bool Bool(const DbusObject& d, const char* name, bool& value) {
        DbusValue v;
        if (!m_bus->GetProperty(d, name, v) || !std::holds_alternative<bool>(v)) return false;
        value = std::get<bool>(v);
        return true;
    }
    bool ProfileOf(const DbusObject& d, bool& on) {
        bool flat = false, adaptive = false;
        if (!Bool(d, "pointerAccelerationProfileFlat", flat) ||
            !Bool(d, "pointerAccelerationProfileAdaptive", adaptive) || flat == adaptive)
            return false;
        on = adaptive;
        return true;
    }
    // KWin's devices that are pointers and not touchpads (a touchpad keeps its own settings).
    std::vector<DbusObject> Pointers() {
        std::vector<DbusObject> out;
        DbusValue names;
        if (!m_bus ||
            !m_bus->GetProperty({kKwin, kDeviceRoot, kManagerInterface}, "devicesSysNames",
                                names) ||
            !std::holds_alternative<std::vector<std::string>>(names))
            return out;
        for (const std::string& sysName : std::get<std::vector<std::string>>(names)) {
            // "eventN" is the last part of the object path: nothing else may get in there.
            if (sysName.empty() || sysName.size() > 64 ||
                sysName.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") !=
                    std::string::npos)
                continue;
            DbusObject d{kKwin, std::string(kDeviceRoot) + "/" + sysName, kDeviceInterface};
            bool pointer = false, touchpad = true;
            if (Bool(d, "pointer", pointer) && Bool(d, "touchpad", touchpad) && pointer &&
                !touchpad)
                out.push_back(std::move(d));
        }
        return out;
    }
    template <typename Set>
    bool ForEveryPointer(Set set) {
        const std::vector<DbusObject> pointers = Pointers();
        bool all = !pointers.empty();
        for (const DbusObject& d : pointers) all &= set(d);
        return all;
    }
};

class KdeX11PointerSettings : public KdeBase {
  public:
    KdeX11PointerSettings(std::unique_ptr<XInputPointers> x, std::unique_ptr<DbusConnection> bus,
                          const std::string& configDir)
        : KdeBase(std::move(bus), configDir),
          m_x(MakeX11PointerSettings(std::move(x))),
          m_inputrc(configDir + "/kcminputrc") {}

    const char* Name() const override { return "KDE Plasma (X11)"; }
    unsigned Supported() const override {
        return kPointerDoubleClick | kPointerScrollLines | kPointerPrecision | kPointerSpeed;
    }

    bool GetSpeed(int& speed) override { return m_x->GetSpeed(speed); }
    bool SetSpeed(int speed) override {
        const double unit = SpeedToUnit(speed);
        const bool now = m_x->SetSpeed(speed);
        std::string back;
        double d = 0;
        const bool kept =
            SetMouse("XLbInptPointerAcceleration", PointerNumberText(unit)) &&
            KdeConfigGetFile(m_inputrc, "Mouse", "XLbInptPointerAcceleration", back) &&
            ParseDouble(back, d) && SpeedFromUnit(d) == SpeedFromUnit(unit);
        return now && kept;
    }
    bool GetPrecision(bool& on) override { return m_x->GetPrecision(on); }
    bool SetPrecision(bool on) override {
        const bool now = m_x->SetPrecision(on);
        std::string back;
        const std::string flat = on ? "false" : "true";
        const bool kept = SetMouse("XLbInptAccelProfileFlat", flat) &&
                          KdeConfigGetFile(m_inputrc, "Mouse", "XLbInptAccelProfileFlat", back) &&
                          back == flat;
        return now && kept;
    }

  private:
    static bool ParseDouble(const std::string& s, double& out) {
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
        return ec == std::errc() && end == s.data() + s.size();
    }
    bool SetMouse(const char* key, const std::string& value) {
        if (!KdeConfigSetFile(m_inputrc, "Mouse", key, value)) return false;
        if (m_bus)
            m_bus->EmitGroupKeys("/kcminputrc", "org.kde.kconfig.notify", "ConfigChanged",
                                 {{"Mouse", {key}}});
        return true;
    }

    std::unique_ptr<PointerSettingsBackend> m_x;
    std::string m_inputrc;
};

}  // namespace

std::unique_ptr<PointerSettingsBackend> MakeKdeWaylandPointerSettings(
    std::unique_ptr<DbusConnection> bus, const std::string& configDir) {
    return std::make_unique<KdeWaylandPointerSettings>(std::move(bus), configDir);
}

std::unique_ptr<PointerSettingsBackend> MakeKdeX11PointerSettings(
    std::unique_ptr<XInputPointers> x, std::unique_ptr<DbusConnection> bus,
    const std::string& configDir) {
    return std::make_unique<KdeX11PointerSettings>(std::move(x), std::move(bus), configDir);
}

}  // namespace platform
