// The freedesktop notification service as an on-screen display: each notification replaces the
// one before (replaces_id), is marked transient so it stays out of the history, and expires after
// about a second.
#include <systemd/sd-bus.h>

#include <cstdint>
#include <string>

#include "platform/dbus_client.h"
#include "platform/desktop_osd.h"

namespace platform {

namespace {

const DbusObject kNotifications{"org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                                "org.freedesktop.Notifications"};
constexpr int kCallMs = 500;

int AppendHints(sd_bus_message* m, const std::string& desktopEntry) {
    int r = sd_bus_message_open_container(m, 'a', "{sv}");
    if (r >= 0) r = sd_bus_message_append(m, "{sv}", "transient", "b", 1);
    if (r >= 0) r = sd_bus_message_append(m, "{sv}", "category", "s", "device");
    if (r >= 0) r = sd_bus_message_append(m, "{sv}", "desktop-entry", "s", desktopEntry.c_str());
    if (r >= 0) r = sd_bus_message_close_container(m);
    return r;
}

class NotificationOsd : public DesktopOsd {
  public:
    NotificationOsd(std::shared_ptr<DbusConnection> bus, std::string appName, std::string icon)
        : m_bus(std::move(bus)), m_appName(std::move(appName)), m_icon(std::move(icon)) {}
    const char* Name() const override { return "notification"; }

    bool Show(const std::string& title, const std::string& text) override {
        const std::string summary = BoundOsdText(title);
        const std::string body = BoundOsdText(text);
        auto append = [&](sd_bus_message* m) {
            int r = sd_bus_message_append(m, "susss", m_appName.c_str(), m_lastId, m_icon.c_str(),
                                          summary.c_str(), body.c_str());
            if (r >= 0) r = sd_bus_message_append_strv(m, nullptr);  // no actions
            if (r >= 0) r = AppendHints(m, m_icon);
            if (r >= 0) r = sd_bus_message_append(m, "i", int32_t{kOsdNotificationMs});
            return r;
        };
        uint32_t id = 0;
        auto read = [&id](sd_bus_message* m) { return sd_bus_message_read(m, "u", &id); };
        if (!m_bus->CallMessage(kNotifications, "Notify", append, read, kCallMs)) return false;
        m_lastId = id;
        return true;
    }

  private:
    std::shared_ptr<DbusConnection> m_bus;
    std::string m_appName;
    std::string m_icon;
    uint32_t m_lastId = 0;  // the notification the next one replaces (0: none yet)
};

}  // namespace

std::unique_ptr<DesktopOsd> MakeNotificationOsd(std::shared_ptr<DbusConnection> bus,
                                                std::string appName, std::string icon) {
    return std::make_unique<NotificationOsd>(std::move(bus), std::move(appName), std::move(icon));
}

}  // namespace platform
