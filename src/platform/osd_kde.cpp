// Plasma's own on-screen display (the one of its volume and brightness keys): one line of text
// with an icon, placed and styled by the shell.
#include <string>
#include <vector>

#include "platform/dbus_client.h"
#include "platform/desktop_osd.h"

namespace platform {

namespace {

const DbusObject kOsdService{"org.kde.plasmashell", "/org/kde/osdService", "org.kde.osdService"};
// A short bound: the display is meant to be glanced at, and a hung shell must not hold it long.
constexpr int kCallMs = 500;

class KdeOsd : public DesktopOsd {
  public:
    explicit KdeOsd(std::shared_ptr<DbusConnection> bus) : m_bus(std::move(bus)) {}
    const char* Name() const override { return "Plasma OSD"; }
    bool Show(const std::string& title, const std::string& text) override {
        const std::string line = text.empty() ? title : title + "  " + text;
        std::vector<DbusValue> reply;
        return m_bus->Call(kOsdService, "showText", "ss",
                           {std::string("input-mouse"), BoundOsdText(line)}, reply, kCallMs);
    }

  private:
    std::shared_ptr<DbusConnection> m_bus;
};

}  // namespace

std::unique_ptr<DesktopOsd> MakeKdeOsd(std::shared_ptr<DbusConnection> bus) {
    return std::make_unique<KdeOsd>(std::move(bus));
}

}  // namespace platform
