#include "skin/focus_ring.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPen>
#include <QWidget>

#include "skin/image.h"

void DrawFocusRing(QPainter& painter, const QRect& rect, uint32_t colour) {
    if (rect.width() < 3 || rect.height() < 3) return;
    painter.save();
    QPen pen(ColorFromRef(colour));
    pen.setWidth(1);
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(1, 1, -2, -2));
    painter.restore();
}

namespace {
constexpr const char* kKeyFocusProperty = "mivoraKeyFocus";
}  // namespace

void NoteFocusReason(QWidget* widget, Qt::FocusReason reason) {
    const bool byKeyboard = reason != Qt::ActiveWindowFocusReason &&
                            reason != Qt::MouseFocusReason && reason != Qt::PopupFocusReason;
    widget->setProperty(kKeyFocusProperty, byKeyboard);
}

bool ShowsFocusRing(const QWidget* widget) {
    return widget && widget->hasFocus() && widget->focusPolicy() != Qt::NoFocus &&
           widget->property(kKeyFocusProperty).toBool();
}

bool IsActivateKey(const QKeyEvent* event) {
    return event && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
           !event->isAutoRepeat();
}
