#include "ui/key_hover_link.h"

#include <QEvent>

#include "skin/png_btn.h"

KeyHoverLink::KeyHoverLink(CPngBtn* const* rows, CPngBtn* const* marks, QObject* parent)
    : QObject(parent) {
    for (int i = 0; i < kKeys; ++i) {
        m_rows[i] = rows[i];
        m_marks[i] = marks[i];
        if (m_rows[i]) m_rows[i]->installEventFilter(this);
        if (m_marks[i]) m_marks[i]->installEventFilter(this);
    }
}

bool KeyHoverLink::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::Enter && type != QEvent::Leave && type != QEvent::Hide)
        return QObject::eventFilter(watched, event);
    const bool lit = type == QEvent::Enter;
    for (int i = 0; i < kKeys; ++i) {
        // The partner shows its pressed look while lit (the picture's highlighted zone, the
        // row's pressed caption colour); neither is a switch, so nothing else uses it.
        CPngBtn* partner = nullptr;
        if (watched == m_rows[i]) partner = m_marks[i];
        if (watched == m_marks[i]) partner = m_rows[i];
        if (partner) partner->SetChecked(lit);
    }
    return QObject::eventFilter(watched, event);
}
