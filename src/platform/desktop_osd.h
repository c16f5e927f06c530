// Short texts shown by the desktop's own services where the program cannot place a window of its
// own (Wayland): Plasma's on-screen display, else a notification that replaces the one before.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace platform {

class DbusConnection;

class DesktopOsd {
  public:
    virtual ~DesktopOsd() = default;
    // The service's name for the log ("Plasma OSD", "notification").
    virtual const char* Name() const = 0;
    // Shows the title (the DPI stage) with its text (the DPI) for about a second; false when the
    // service refused or did not answer.
    virtual bool Show(const std::string& title, const std::string& text) = 0;
};

// The longest title or text handed to a service.
constexpr size_t kMaxOsdText = 256;
// Cuts text to kMaxOsdText bytes without splitting a UTF-8 sequence.
std::string BoundOsdText(std::string text);
// How long a notification stays, in ms.
constexpr int kOsdNotificationMs = 1000;

// org.kde.osdService.showText on org.kde.plasmashell.
std::unique_ptr<DesktopOsd> MakeKdeOsd(std::shared_ptr<DbusConnection> bus);
// org.freedesktop.Notifications.Notify: transient, short, each replacing its predecessor.
// appName is the program's name for people; icon its icon, which is its desktop file's name too.
std::unique_ptr<DesktopOsd> MakeNotificationOsd(std::shared_ptr<DbusConnection> bus,
                                                std::string appName, std::string icon);
// Plasma's display where plasmashell owns its name on the bus, else the notification.
std::unique_ptr<DesktopOsd> MakeDesktopOsd(std::shared_ptr<DbusConnection> bus, std::string appName,
                                           std::string icon);

// Hands texts to a DesktopOsd on a thread of its own, so a hung service never holds the caller;
// of the texts posted while one is on its way only the newest follows.
class OsdSender {
  public:
    // make runs once on the sender's thread before the first text (the bus is opened there);
    // null means no service: posts are dropped.
    using Make = std::function<std::unique_ptr<DesktopOsd>()>;
    explicit OsdSender(Make make);
    ~OsdSender();
    OsdSender(const OsdSender&) = delete;
    OsdSender& operator=(const OsdSender&) = delete;

    void Post(std::string title, std::string text);
    // Waits up to ms until every posted text is handed over; true when it was.
    bool Idle(int ms);

  private:
    void Run();

    Make m_make;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::optional<std::pair<std::string, std::string>> m_next;
    bool m_busy = false;
    bool m_stop = false;
    std::thread m_thread;
};

}  // namespace platform
