#include "platform/focus_bus_receiver.h"

#include <poll.h>

#include <climits>

#include "platform/dbus_service.h"

namespace platform {

namespace {

std::string TextArg(const std::vector<DbusValue>& args, size_t i) {
    const std::string* s = i < args.size() ? std::get_if<std::string>(&args[i]) : nullptr;
    return s ? BoundFocusText(*s) : std::string();
}

int PidFromText(const std::string& text) {
    if (text.empty() || text.size() > 10) return 0;
    long long pid = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        pid = pid * 10 + (c - '0');
    }
    return pid > 0 && pid <= INT_MAX ? static_cast<int>(pid) : 0;
}

}  // namespace

FocusedWindow FocusedWindowFromBus(const std::vector<DbusValue>& args) {
    FocusedWindow w;
    w.wmClass = TextArg(args, 0);
    w.wmInstance = TextArg(args, 1);
    w.appId = TextArg(args, 2);
    w.pid = PidFromText(TextArg(args, 3));
    w.exe = ExecutableOfPid(w.pid);
    w.title = TextArg(args, 4);
    w.none = w.wmClass.empty() && w.wmInstance.empty() && w.appId.empty() && w.pid == 0 &&
             w.title.empty();
    return w;
}

BusFocusSource::BusFocusSource(std::string address, std::string peerName)
    : m_address(std::move(address)), m_peerName(std::move(peerName)) {}

BusFocusSource::~BusFocusSource() {
    Stop();
}

bool BusFocusSource::Start(Callback onFocus) {
    if (m_thread.joinable() || m_service) return false;
    std::string error;
    m_service = m_address.empty() ? DbusService::OpenSession(error)
                                  : DbusService::OpenAddress(m_address, error);
    m_client =
        m_address.empty() ? DbusConnection::OpenSession() : DbusConnection::OpenAddress(m_address);
    m_onFocus = std::move(onFocus);
    DbusInterface iface;
    iface.path = kFocusBusPath;
    iface.name = kFocusBusInterface;
    iface.methods.push_back({"Activated",
                             "sssss",
                             "",
                             {"wm_class", "wm_instance", "app_id", "pid", "title"},
                             [this](DbusCallPtr call) {
                                 // The session bus is the user's, but only the compositor knows
                                 // what is in front.
                                 if (m_peerOwner.empty() || call->Sender() != m_peerOwner) {
                                     call->Fail(
                                         "org.freedesktop.DBus.Error.AccessDenied",
                                         "only " + m_peerName + " tells which window is in front");
                                     return;
                                 }
                                 call->Reply({});
                                 m_onFocus(FocusedWindowFromBus(call->Args()));
                             }});
    iface.events.push_back({"Resend", "", {}});
    // The object first: a peer that watches the name calls it as soon as the name appears.
    bool ok = m_service && m_client && m_service->Export(iface, error) &&
              m_service->WatchNameOwner(m_peerName,
                                        [this](const std::string& owner) {
                                            m_peerOwner = owner;
                                            if (!owner.empty()) OnPeer(*m_service);
                                        }) &&
              m_service->RequestName(kFocusBusName, error) && m_stop.Open();
    if (ok) {
        m_peerOwner = m_service->NameOwner(m_peerName);
        if (!m_peerOwner.empty()) ok = OnPeer(*m_service);
    }
    if (!ok) {
        m_service.reset();
        m_client.reset();
        m_stop.Close();
        return false;
    }
    m_thread = std::thread([this] { Run(); });
    return true;
}

void BusFocusSource::Stop() {
    if (m_thread.joinable()) {
        m_stop.Raise();
        m_thread.join();
    }
    if (m_service) OnStop();
    m_service.reset();
    m_client.reset();
    m_peerOwner.clear();
    m_stop.Close();
}

void BusFocusSource::Run() {
    for (;;) {
        m_service->Process();
        const int ready = m_stop.Wait(m_service->Fd(), static_cast<short>(m_service->Events()),
                                      m_service->TimeoutMs());
        // Stopped, or the bus went away (the session ends): nothing more will come.
        if (ready < 0 || (ready & (POLLHUP | POLLERR))) return;
    }
}

}  // namespace platform
