#include "skin/face_drag.h"

#include <QMouseEvent>
#include <QObject>
#include <QWidget>
#include <QWindow>

namespace {

class CFaceDragger : public QObject {
  public:
    CFaceDragger(QWidget* window, std::function<void()> beforeMove)
        : QObject(window), m_pWindow(window), m_beforeMove(std::move(beforeMove)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_pWindow) return false;
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
            type != QEvent::MouseButtonRelease)
            return false;
        auto* mouse = static_cast<QMouseEvent*>(event);
        switch (type) {
            case QEvent::MouseButtonPress:
                if (mouse->button() != Qt::LeftButton) return false;
                if (m_beforeMove) m_beforeMove();
                // The window manager moves the window when it can; otherwise follow the pointer.
                if (QWindow* handle = m_pWindow->window()->windowHandle();
                    handle && handle->startSystemMove())
                    return true;
                m_bManual = true;
                m_offset = mouse->globalPosition().toPoint() - m_pWindow->window()->pos();
                return true;
            case QEvent::MouseMove:
                if (!m_bManual) return false;
                m_pWindow->window()->move(mouse->globalPosition().toPoint() - m_offset);
                return true;
            case QEvent::MouseButtonRelease:
                if (!m_bManual) return false;
                m_bManual = false;
                return true;
            default:
                return false;
        }
    }

  private:
    QWidget* m_pWindow;
    std::function<void()> m_beforeMove;
    bool m_bManual = false;
    QPoint m_offset;
};

}  // namespace

void EnableFaceDrag(QWidget* window, std::function<void()> beforeMove) {
    if (!window) return;
    window->installEventFilter(new CFaceDragger(window, std::move(beforeMove)));
}
