#include "ui/menu_dismiss.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "ui/menu_dlg.h"

namespace {

bool IsInsideMenu(QObject* watched) {
    auto* w = qobject_cast<QWidget*>(watched);
    return w && qobject_cast<CMenuDlg*>(w->window()) != nullptr;
}

}  // namespace

MenuDismisser::MenuDismisser(void (*close)()) : m_close(close) {
    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s != Qt::ApplicationActive) m_close();
    });
}

MenuDismisser::~MenuDismisser() {
    Stop();
}

void MenuDismisser::Stop() {
    if (!qApp) return;
    qApp->removeEventFilter(this);
    disconnect(qApp, nullptr, this, nullptr);
}

bool MenuDismisser::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
            // The press goes on: a click on another key opens that key's menu at once.
            if (watched->isWidgetType() && !IsInsideMenu(watched)) m_close();
            return false;
        case QEvent::KeyPress:
            if (CMenuDlg* menu = CurrentPopupMenu();
                menu && menu->HandleKey(static_cast<QKeyEvent*>(event)))
                return true;
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                m_close();
                return true;
            }
            return false;
        case QEvent::ApplicationDeactivate:
            if (watched == qApp) m_close();
            return false;
        default:
            return false;
    }
}
