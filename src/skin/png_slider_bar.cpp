#include "skin/png_slider_bar.h"

#include <QAccessible>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "core/messages.h"
#include "skin/focus_ring.h"
#include "skin/image.h"
#include "skin/skin_settings.h"
#include "skin/win_message.h"

CPngSliderBar::CPngSliderBar(QWidget* parent, QObject* owner)
    : QWidget(parent), m_thumb(new CPngSlider(this)), m_pOwner(owner) {
    setFocusPolicy(Qt::TabFocus);
}

QObject* CPngSliderBar::Owner() const {
    return m_pOwner ? m_pOwner : parent();
}

void CPngSliderBar::ComposePictures(const QImage& ownerBackground, const QRect& bgRect,
                                    const QImage& track, const QImage& fill) {
    const SkinImage piece =
        CloneArea(ownerBackground, bgRect.x(), bgRect.y(), bgRect.width(), bgRect.height());
    auto compose = [&](const QImage& image) {
        return ComposeSkinImage(size(), [&](QPainter& painter) {
            DrawImageAt(painter, piece, 0, 0);
            // Clipped to the bar: a bar narrower than its track shows the track cut at its edge.
            DrawImageAt(painter, image, m_ptTrackOffset.x(), m_ptTrackOffset.y());
        });
    };
    m_imgTrack = compose(track);
    m_imgFill = fill.isNull() ? SkinImage() : compose(fill);
    update();
}

void CPngSliderBar::SetRange(int minimum, int maximum) {
    m_thumb->SetRange(minimum, maximum);
}

void CPngSliderBar::SetHidden(bool hidden) {
    m_bHidden = hidden;
    m_thumb->setVisible(!hidden && !m_thumb->ThumbImage().isNull());
    update();
}

void CPngSliderBar::SetStopMark(const QImage& mark, int markTop) {
    m_imgMark = mark;
    m_nMarkTop = markTop;
    update();
}

void CPngSliderBar::SetFillWidth(int w) {
    m_nFillWidth = w;
    update();
}

int CPngSliderBar::AskOwner(int value) {
    if (!m_bAskOwner) return 1;
    return static_cast<int>(
        SendWinMessage(Owner(), WM_SLIDER_QUERY, static_cast<uintptr_t>(value), m_nCtrlId));
}

void CPngSliderBar::PostChanging(int value) {
    PostWinMessage(Owner(), WM_SLIDER_CHANGING, static_cast<uintptr_t>(value), m_nCtrlId);
}

void CPngSliderBar::PostChanged(int value) {
    PostWinMessage(Owner(), WM_SLIDER_CHANGED, static_cast<uintptr_t>(value), m_nCtrlId);
}

QImage CPngSliderBar::ComposePicture(qreal scale) const {
    QImage picture = NewCanvas(size(), scale);
    QPainter painter(&picture);
    DrawImageAt(painter, m_imgTrack, 0, 0);
    if (!m_imgFill.isNull() && m_nFillWidth > 0 && !m_bHidden) {
        const int w = std::min(m_nFillWidth, m_imgFill.width());
        DrawImage(painter, m_imgFill, QRect(0, 0, w, m_imgFill.height()),
                  QRect(0, 0, w, m_imgFill.height()));
    }
    const std::vector<int>& stops = m_thumb->Stops();
    if (!m_imgMark.isNull() && !m_bHidden) {
        for (int stop : stops)
            DrawImageAt(painter, m_imgMark, stop + m_ptTrackOffset.x() - m_imgMark.width() / 2,
                        m_nMarkTop);
    }
    if (m_bDebugFrame) {
        painter.setPen(ColorFromRef(0x0000FF));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        for (int stop : stops) painter.drawLine(stop, 0, stop, height() - 1);
    }
    return picture;
}

void CPngSliderBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, ComposePicture(PaintScale(this, painter)));
    if (ShowsFocusRing(this)) DrawFocusRing(painter, rect(), g_SkinSettings.clrBtnOv);
}

bool CPngSliderBar::MoveToPosition(int pos) {
    if (m_bHidden || !isEnabled()) return false;
    pos = std::clamp(pos, m_thumb->Minimum(), m_thumb->Maximum());
    const int before = GetValue();
    const int value = m_thumb->ValueOfPos(pos);
    if (AskOwner(value) != 1) return false;
    m_thumb->SetValue(value, false);
    if (GetValue() != value) SetFillWidth(0);  // a value without a stop shows no fill
    if (value == before) return false;
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent changed(this, value);
        QAccessible::updateAccessibility(&changed);
    }
    PostChanged(value);
    return true;
}

void CPngSliderBar::keyPressEvent(QKeyEvent* event) {
    const int pos = m_thumb->Position();
    int to = pos;
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Down:
            to = pos - 1;
            break;
        case Qt::Key_Right:
        case Qt::Key_Up:
            to = pos + 1;
            break;
        case Qt::Key_PageDown:
            to = pos - kPageStep;
            break;
        case Qt::Key_PageUp:
            to = pos + kPageStep;
            break;
        case Qt::Key_Home:
            to = m_thumb->Minimum();
            break;
        case Qt::Key_End:
            to = m_thumb->Maximum();
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
    MoveToPosition(to);
}

void CPngSliderBar::focusInEvent(QFocusEvent* event) {
    NoteFocusReason(this, event->reason());
    QWidget::focusInEvent(event);
    update();
}

void CPngSliderBar::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void CPngSliderBar::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void CPngSliderBar::mouseReleaseEvent(QMouseEvent* event) {
    if (m_bHidden || event->button() != Qt::LeftButton) return;
    if (!rect().contains(event->position().toPoint())) return;
    MoveToPosition(m_thumb->NearestPos(event->position().toPoint().x()));
}
