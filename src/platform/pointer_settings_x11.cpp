// X11 sessions: the libinput pointers' own XInput properties, which take effect at once. With
// Xfce's settings daemon running, its "pointers" channel gets the speed too, since the daemon
// puts its stored values back on every device it sees plugged in.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/dbus_client.h"
#include "platform/pointer_mapping.h"
#include "platform/pointer_settings.h"
#include "platform/xinput_pointers.h"

namespace platform {

namespace {

// Xfce's property name for a device: letters, digits, '_' and '-' kept, spaces as '_', the
// rest left out.
std::string XfconfDeviceName(const std::string& name) {
    std::string out;
    for (char c : name) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '_' || c == '-')
            out += c;
        else if (c == ' ')
            out += '_';
    }
    return out;
}

class X11PointerSettings : public PointerSettingsBackend {
  public:
    X11PointerSettings(std::unique_ptr<XInputPointers> x, std::unique_ptr<DbusConnection> xfconf)
        : m_x(std::move(x)), m_xfconf(std::move(xfconf)) {}

    const char* Name() const override { return m_xfconf ? "Xfce" : "X11"; }
    unsigned Supported() const override { return kPointerPrecision | kPointerSpeed; }

    bool GetDoubleClickTime(int&) override { return false; }
    bool SetDoubleClickTime(int) override { return false; }
    bool GetScrollLines(int&) override { return false; }
    bool SetScrollLines(int) override { return false; }
    bool GetTrails(int&) override { return false; }
    bool SetTrails(int) override { return false; }

    bool GetSpeed(int& speed) override {
        for (int id : m_x->Pointers()) {
            std::vector<float> v;
            if (m_x->GetFloats(id, kXAccelSpeed, v) && !v.empty()) {
                speed = SpeedFromUnit(v[0]);
                return true;
            }
        }
        return false;
    }
    bool SetSpeed(int speed) override {
        const double unit = SpeedToUnit(speed);
        const std::vector<int> ids = m_x->Pointers();
        if (ids.empty()) return false;
        bool all = true;
        for (int id : ids) {
            if (m_xfconf) {
                const DbusValue value = unit;
                m_xfconf->CallWithVariant(
                    {"org.xfce.Xfconf", "/org/xfce/Xfconf", "org.xfce.Xfconf"}, "SetProperty",
                    {"pointers", "/" + XfconfDeviceName(m_x->DeviceName(id)) +
                                     "/Properties/libinput_Accel_Speed"},
                    &value, nullptr);
            }
            std::vector<float> back;
            m_x->SetFloats(id, kXAccelSpeed, {static_cast<float>(unit)});
            all &= m_x->GetFloats(id, kXAccelSpeed, back) && !back.empty() &&
                   SpeedFromUnit(back[0]) == SpeedFromUnit(unit);
        }
        return all;
    }
    bool GetPrecision(bool& on) override {
        for (int id : m_x->Pointers()) {
            std::vector<uint8_t> v;
            if (m_x->GetBytes(id, kXAccelProfiles, v)) return ProfileOf(v, on);
        }
        return false;
    }
    bool SetPrecision(bool on) override {
        const std::vector<int> ids = m_x->Pointers();
        if (ids.empty()) return false;
        bool all = true;
        for (int id : ids) {
            // One flag per profile the device offers: adaptive, flat (and custom on newer
            // drivers); exactly one of them set.
            std::vector<uint8_t> flags;
            if (!m_x->GetBytes(id, kXAccelProfiles, flags) || flags.size() < 2) {
                all = false;
                continue;
            }
            std::fill(flags.begin(), flags.end(), 0);
            flags[on ? 0 : 1] = 1;
            m_x->SetBytes(id, kXAccelProfiles, flags);
            std::vector<uint8_t> back;
            bool now = !on;
            all &= m_x->GetBytes(id, kXAccelProfiles, back) && ProfileOf(back, now) && now == on;
        }
        return all;
    }

  private:
    static bool ProfileOf(const std::vector<uint8_t>& flags, bool& on) {
        if (flags.size() < 2) return false;
        bool rest = false;
        for (size_t i = 2; i < flags.size(); ++i) rest |= flags[i] != 0;
        if (rest || (flags[0] != 0) == (flags[1] != 0)) return false;  // custom or none
        on = flags[0] != 0;
        return true;
    }

    std::unique_ptr<XInputPointers> m_x;
    std::unique_ptr<DbusConnection> m_xfconf;
};

}  // namespace

std::unique_ptr<PointerSettingsBackend> MakeX11PointerSettings(
    std::unique_ptr<XInputPointers> x, std::unique_ptr<DbusConnection> xfconf) {
    return std::make_unique<X11PointerSettings>(std::move(x), std::move(xfconf));
}

}  // namespace platform
