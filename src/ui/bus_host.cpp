#include "ui/bus_host.h"

#include "core/messages.h"
#include "skin/win_message.h"
#include "ui/mivora_dlg.h"

namespace {

// How often changes made in the window (a click, a read that finished) are looked for; the
// mouse's own events are announced at once instead.
constexpr int kChangePollMs = 200;

}  // namespace

BusHost::BusHost(CMivoraDlg& window, const std::string& address) : m_window(window) {
    m_bus = address.empty() ? platform::DbusService::OpenSession(m_error)
                            : platform::DbusService::OpenAddress(address, m_error);
    if (!m_bus) return;
    MouseBus::Host host;
    host.link = &window.Link();
    host.post = [this](std::function<void()> fn) {
        QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
    };
    host.changed = [this] { m_window.ShowProfile(); };
    // Asked each time: the window's switcher may start after the bus.
    host.rules = {
        [this] { return m_window.WindowRulesStore().load(); },
        [this](const AppRules& rules) { return m_window.WindowRulesStore().save(rules); }};
    host.rulesChanged = [this] { m_window.OnRulesChanged(); };
    auto mouse = std::make_unique<MouseBus>(*m_bus, std::move(host));
    // The object first, then the name: a client that sees the name finds the object.
    if (!mouse->Export(m_error) || !m_bus->RequestName(kBusName, m_error)) {
        mouse.reset();
        m_bus.reset();
        return;
    }
    m_mouse = std::move(mouse);
    m_readable = std::make_unique<QSocketNotifier>(m_bus->Fd(), QSocketNotifier::Read);
    connect(m_readable.get(), &QSocketNotifier::activated, this, [this] { Process(); });
    m_due.setSingleShot(true);
    connect(&m_due, &QTimer::timeout, this, [this] { Process(); });
    connect(&m_changes, &QTimer::timeout, this, [this] {
        m_mouse->Refresh();
        Process();
    });
    m_changes.start(kChangePollMs);
    window.installEventFilter(this);
    Process();
}

BusHost::~BusHost() {
    m_window.removeEventFilter(this);
    m_readable.reset();
    m_mouse.reset();  // waits for a change in flight, before the bus goes
    m_bus.reset();
}

bool BusHost::eventFilter(QObject* watched, QEvent* event) {
    // The mouse's DPI or lighting button: announced as soon as the window has taken it.
    if (m_mouse && watched == &m_window && event->type() == CWinMessageEvent::EventType() &&
        static_cast<CWinMessageEvent*>(event)->msg() == WM_DEVICE_BEHAVIOR)
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_mouse->Refresh();
                Process();
            },
            Qt::QueuedConnection);
    return false;
}

void BusHost::Process() {
    if (!m_bus) return;
    m_bus->Process();
    const int due = m_bus->TimeoutMs();
    if (due >= 0) m_due.start(due);
}
