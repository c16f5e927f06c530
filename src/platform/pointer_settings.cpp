// The null backend and the choice of backend for the running session.
#include <cstdlib>
#include <cstring>

#include "platform/dbus_client.h"
#include "platform/desktop_session.h"
#include "platform/pointer_settings.h"
#include "platform/user_dirs.h"
#include "platform/xinput_pointers.h"

namespace platform {

namespace {

class NullPointerSettings : public PointerSettingsBackend {
  public:
    explicit NullPointerSettings(bool turnedOff) : m_turnedOff(turnedOff) {}
    bool Available() const override { return false; }
    unsigned Supported() const override { return 0; }
    bool TurnedOff() const override { return m_turnedOff; }
    bool GetDoubleClickTime(int&) override { return false; }
    bool SetDoubleClickTime(int) override { return false; }
    bool GetScrollLines(int&) override { return false; }
    bool SetScrollLines(int) override { return false; }
    bool GetPrecision(bool&) override { return false; }
    bool SetPrecision(bool) override { return false; }
    bool GetSpeed(int&) override { return false; }
    bool SetSpeed(int) override { return false; }
    bool GetTrails(int&) override { return false; }
    bool SetTrails(int) override { return false; }

  private:
    bool m_turnedOff;
};

}  // namespace

std::unique_ptr<PointerSettingsBackend> MakeNullPointerSettings(bool turnedOff) {
    return std::make_unique<NullPointerSettings>(turnedOff);
}

std::unique_ptr<PointerSettingsBackend> MakeSystemPointerSettings() {
    const char* env = std::getenv("MIVORA_POINTER_SETTINGS");
    if (env && std::strcmp(env, "none") == 0) return MakeNullPointerSettings(true);
    const SessionFacts facts = CurrentSessionFacts();
    switch (DetectPointerDesktop(facts)) {
        case PointerDesktop::Sway:
            return MakeSwayPointerSettings(facts.swaySock);
        case PointerDesktop::Gnome:
            // Without the schema gsettings stores nothing any desktop reads.
            if (GnomeMouseSchemaInstalled()) return MakeGnomePointerSettings();
            break;
        case PointerDesktop::KdeWayland:
            if (auto bus = DbusConnection::OpenSession())
                return MakeKdeWaylandPointerSettings(std::move(bus), ConfigHomeDir());
            break;
        case PointerDesktop::KdeX11:
            if (auto x = OpenXInputPointers())
                return MakeKdeX11PointerSettings(std::move(x), DbusConnection::OpenSession(),
                                                 ConfigHomeDir());
            break;
        case PointerDesktop::X11:
            // An X server whose pointers are not driven by libinput (evdev, a virtual server)
            // has none of these settings.
            if (auto x = OpenXInputPointers(); x && !x->Pointers().empty()) {
                // xfsettingsd owns this name while it runs.
                const bool xfce = facts.HasBusName("org.xfce.SettingsDaemon") &&
                                  facts.HasBusName("org.xfce.Xfconf");
                return MakeX11PointerSettings(std::move(x),
                                              xfce ? DbusConnection::OpenSession() : nullptr);
            }
            break;
        case PointerDesktop::None:
            break;
    }
    return MakeNullPointerSettings();
}

}  // namespace platform
