#include "skin/win_message.h"

#include <QCoreApplication>

QEvent::Type CWinMessageEvent::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void PostWinMessage(QObject* receiver, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    if (!receiver) return;
    QCoreApplication::postEvent(receiver, new CWinMessageEvent(msg, wParam, lParam));
}

intptr_t SendWinMessage(QObject* receiver, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    if (!receiver) return 0;
    CWinMessageEvent event(msg, wParam, lParam);
    QCoreApplication::sendEvent(receiver, &event);
    return event.result();
}
