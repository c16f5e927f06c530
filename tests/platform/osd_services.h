// Stand-ins for the desktop services that show the on-screen display: Plasma's osdService and
// the freedesktop notification server, each recording what it was asked to show.
#pragma once

#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/pointer_test_parts.h"

namespace platform_test {

// One showText or Notify call as the service saw it.
struct OsdCall {
    std::string icon, summary, body, appName;
    uint32_t replacesId = 0;
    int32_t expireMs = 0;
    std::vector<std::string> actions;
    std::vector<std::string> hints;  // "transient=b:1", "category=s:device"
};

// The service under its well-known name on the private bus at address.
class OsdService : public BusService {
  public:
    enum class Kind { Plasma, Notifications };
    OsdService(const std::string& address, Kind kind) {
        if (!Open(address)) return;
        if (kind == Kind::Plasma) {
            sd_bus_add_object_vtable(m_bus, nullptr, "/org/kde/osdService", "org.kde.osdService",
                                     kPlasmaTable, this);
            Serve("org.kde.plasmashell");
        } else {
            sd_bus_add_object_vtable(m_bus, nullptr, "/org/freedesktop/Notifications",
                                     "org.freedesktop.Notifications", kNotifyTable, this);
            Serve("org.freedesktop.Notifications");
        }
    }
    ~OsdService() { Stop(); }
    std::vector<OsdCall> Calls() {
        std::lock_guard<std::mutex> lock(mutex);
        return m_calls;
    }
    // Waits up to ms for at least n calls.
    bool AwaitCalls(size_t n, int ms = 2000) {
        for (int waited = 0; waited < ms; waited += 10) {
            if (Calls().size() >= n) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

  private:
    static int ShowText(sd_bus_message* m, void* data, sd_bus_error*) {
        const char* icon = nullptr;
        const char* text = nullptr;
        if (int r = sd_bus_message_read(m, "ss", &icon, &text); r < 0) return r;
        OsdCall c;
        c.icon = icon;
        c.body = text;
        static_cast<OsdService*>(data)->m_calls.push_back(c);  // the serving thread holds mutex
        return sd_bus_reply_method_return(m, "");
    }
    static int Notify(sd_bus_message* m, void* data, sd_bus_error*) {
        auto* self = static_cast<OsdService*>(data);
        OsdCall c;
        const char *app = nullptr, *icon = nullptr, *summary = nullptr, *body = nullptr;
        int r = sd_bus_message_read(m, "susss", &app, &c.replacesId, &icon, &summary, &body);
        if (r < 0) return r;
        c.appName = app;
        c.icon = icon;
        c.summary = summary;
        c.body = body;
        char** actions = nullptr;
        if ((r = sd_bus_message_read_strv(m, &actions)) < 0) return r;
        for (char** p = actions; p && *p; ++p) {
            c.actions.emplace_back(*p);
            free(*p);
        }
        free(actions);
        if ((r = sd_bus_message_enter_container(m, 'a', "{sv}")) < 0) return r;
        while ((r = sd_bus_message_enter_container(m, 'e', "sv")) > 0) {
            const char* key = nullptr;
            const char* type = nullptr;
            sd_bus_message_read(m, "s", &key);
            sd_bus_message_peek_type(m, nullptr, &type);
            std::string hint = std::string(key) + "=" + (type ? type : "?") + ":";
            if (type && std::string(type) == "b") {
                int b = 0;
                sd_bus_message_read(m, "v", "b", &b);
                hint += std::to_string(b);
            } else if (type && std::string(type) == "s") {
                const char* s = nullptr;
                sd_bus_message_read(m, "v", "s", &s);
                hint += s;
            } else {
                sd_bus_message_skip(m, "v");
            }
            c.hints.push_back(hint);
            sd_bus_message_exit_container(m);
        }
        sd_bus_message_exit_container(m);
        if ((r = sd_bus_message_read(m, "i", &c.expireMs)) < 0) return r;
        // A new notification gets a new id; a replacing one keeps the id it replaces.
        const uint32_t id = c.replacesId ? c.replacesId : ++self->m_lastId;
        self->m_calls.push_back(c);
        return sd_bus_reply_method_return(m, "u", id);
    }

    static constexpr sd_bus_vtable kPlasmaTable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("showText", "ss", "", ShowText, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_VTABLE_END};
    static constexpr sd_bus_vtable kNotifyTable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("Notify", "susssasa{sv}i", "u", Notify, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_VTABLE_END};

    std::vector<OsdCall> m_calls;
    uint32_t m_lastId = 40;  // ids that are plainly not a count from zero
};

}  // namespace platform_test
