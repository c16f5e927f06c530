#include "skin/png_btn.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include "skin/image.h"
#include "skin/skin_settings.h"

namespace {
constexpr uint32_t kDebugFrameColour = 0xFF000A;
}

CPngBtn::CPngBtn(QWidget* parent) : QAbstractButton(parent), m_fontOwn(ShellDlgFont(16)) {
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
}

void CPngBtn::SetImages(const QRect& rect, const QImage& normal, const QImage& hover,
                        const QImage& pressed) {
    m_imgNormal = CloneArea(normal, rect.x(), rect.y(), rect.width(), rect.height());
    m_imgHover = CloneArea(hover, rect.x(), rect.y(), rect.width(), rect.height());
    m_imgPressed = CloneArea(pressed, rect.x(), rect.y(), rect.width(), rect.height());
    m_imgDisabled = CloneArea(normal, rect.x(), rect.y(), rect.width(), rect.height());
    setFocusPolicy(Qt::NoFocus);
    update();
}

void CPngBtn::SetCaption(const std::string& text, int leftOffset) {
    m_strCaption = text;
    m_nLeftOffset = leftOffset;
    update();
}

void CPngBtn::SetChecked(bool state) {
    if (state == m_bChecked) return;
    m_bChecked = state;
    update();
}

void CPngBtn::SetToolTip(const std::string& text) {
    setToolTip(QString::fromStdString(text));
}

void CPngBtn::SetBackgroundPiece(const QImage& source, const QRect& rect) {
    m_imgBack = CloneArea(source, rect.x(), rect.y(), rect.width(), rect.height());
    update();
}

CPngBtn::StateLook CPngBtn::ChooseLook() const {
    const bool disabled = !isEnabled();
    if (!m_bSwitch) {
        if (m_bChecked || isDown()) return {&m_imgPressed, m_clrPressed};
        if (m_bHovering) return {&m_imgHover, m_clrHover};
        if (disabled) return {&m_imgDisabled, m_clrNormal};
        return {&m_imgNormal, m_clrNormal};
    }
    // A switch ignores the momentary press: its look follows `checked`.
    if (m_bChecked && disabled) return {&m_imgDisabled, m_clrNormal};
    if (m_bChecked) return {&m_imgPressed, m_clrPressed};
    if (m_bHovering) return {&m_imgHover, m_clrHover};
    if (disabled) return {&m_imgDisabled, m_clrNormal};
    return {&m_imgNormal, m_clrNormal};
}

const QFont& CPngBtn::CaptionFont() const {
    return m_pOwnerFont ? *m_pOwnerFont : m_fontOwn;
}

void CPngBtn::DrawCaption(QPainter& painter, uint32_t colour) const {
    if (m_strCaption.empty()) return;
    const QRect area(m_nLeftOffset, 2, width() - m_nLeftOffset, height() - 2);
    if (area.width() <= 0 || area.height() <= 0) return;
    painter.setFont(CaptionFont());
    painter.setPen(ColorFromRef(colour));
    const QString text =
        QFontMetrics(painter.font())
            .elidedText(QString::fromStdString(m_strCaption), Qt::ElideRight, area.width());
    const int align = Qt::AlignVCenter | Qt::TextSingleLine |
                      (m_nLeftOffset == 0 ? Qt::AlignHCenter : Qt::AlignLeft);
    painter.drawText(area, align, text);
}

QImage CPngBtn::ComposePicture() const {
    if (m_imgNormal.isNull()) return QImage();
    QImage picture(size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    const QRect natural(QPoint(0, 0), m_imgNormal.size());
    if (!m_imgBack.isNull()) DrawImageAt(painter, m_imgBack, 0, 0);
    const StateLook look = ChooseLook();
    if (look.image && !look.image->isNull())
        DrawImage(painter, *look.image, natural, look.image->rect());
    DrawCaption(painter, look.colour);
    if (m_bDebugFrame) {
        painter.setPen(ColorFromRef(kDebugFrameColour));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(picture.rect().adjusted(0, 0, -1, -1));
    }
    return picture;
}

void CPngBtn::paintEvent(QPaintEvent*) {
    const QImage picture = ComposePicture();
    if (picture.isNull()) return;
    QPainter painter(this);
    painter.drawImage(0, 0, picture);
}

void CPngBtn::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    if (!m_bHovering) {
        m_bHovering = true;
        update();
    }
}

void CPngBtn::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    if (m_bHovering) {
        m_bHovering = false;
        update();
    }
}

void CPngBtn::mouseMoveEvent(QMouseEvent* event) {
    // The first move over the button also counts as entering, as not every platform sends enter.
    if (!m_bHovering && rect().contains(event->position().toPoint())) {
        m_bHovering = true;
        update();
    }
    QAbstractButton::mouseMoveEvent(event);
}

void CPngBtn::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) m_bHovering = false;
    QAbstractButton::changeEvent(event);
}
