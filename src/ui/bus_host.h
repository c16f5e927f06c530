// The window serves the mouse on the session bus: the bus's descriptor in the window's event
// loop, the engine's MouseBus on it, and the window's own device events announced at once.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <memory>
#include <string>

#include "platform/dbus_service.h"
#include "profile/mouse_bus.h"

class CMivoraDlg;

class BusHost : public QObject {
    Q_OBJECT
  public:
    // address "" is the session bus. Without a bus, or with the name owned by another program,
    // the window runs without serving: Error() says why (for the log).
    BusHost(CMivoraDlg& window, const std::string& address = "");
    ~BusHost() override;
    bool Serving() const { return m_mouse != nullptr; }
    const std::string& Error() const { return m_error; }
    // How often changes made in the window itself are looked for (tests lengthen it to see
    // that the mouse's own events do not wait for it).
    void SetChangePollMs(int ms) { m_changes.setInterval(ms); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Process();

    CMivoraDlg& m_window;
    std::unique_ptr<platform::DbusService> m_bus;
    std::unique_ptr<MouseBus> m_mouse;
    std::unique_ptr<QSocketNotifier> m_readable;
    QTimer m_due;      // sd-bus's own time-outs
    QTimer m_changes;  // what the window changed by itself
    std::string m_error;
};
