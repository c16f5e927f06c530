#include "platform/desktop_osd.h"

#include <chrono>

#include "platform/dbus_client.h"

namespace platform {

std::string BoundOsdText(std::string text) {
    if (text.size() <= kMaxOsdText) return text;
    size_t end = kMaxOsdText;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return text;
}

std::unique_ptr<DesktopOsd> MakeDesktopOsd(std::shared_ptr<DbusConnection> bus, std::string appName,
                                           std::string icon) {
    if (!bus) return nullptr;
    if (bus->NameHasOwner("org.kde.plasmashell")) return MakeKdeOsd(std::move(bus));
    return MakeNotificationOsd(std::move(bus), std::move(appName), std::move(icon));
}

OsdSender::OsdSender(Make make) : m_make(std::move(make)) {
    m_thread = std::thread([this] { Run(); });
}

OsdSender::~OsdSender() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_cv.notify_all();
    m_thread.join();
}

void OsdSender::Post(std::string title, std::string text) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_next.emplace(std::move(title), std::move(text));
    }
    m_cv.notify_all();
}

bool OsdSender::Idle(int ms) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::milliseconds(ms),
                         [this] { return !m_next && !m_busy; });
}

void OsdSender::Run() {
    std::unique_ptr<DesktopOsd> osd;
    bool made = false;
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_cv.wait(lock, [this] { return m_stop || m_next; });
        if (m_stop) return;
        auto [title, text] = std::move(*m_next);
        m_next.reset();
        m_busy = true;
        lock.unlock();
        if (!made) {
            osd = m_make();
            made = true;
        }
        if (osd) osd->Show(title, text);
        lock.lock();
        m_busy = false;
        m_cv.notify_all();
    }
}

}  // namespace platform
