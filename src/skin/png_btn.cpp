#include "skin/png_btn.h"

#include <QEnterEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "skin/caption_fit.h"
#include "skin/focus_ring.h"
#include "skin/image.h"
#include "skin/skin_settings.h"

namespace {

constexpr uint32_t kDebugFrameColour = 0xFF000A;

// Draws the state image at its natural height; a button made wider than its image (to hold a
// longer caption) keeps the image's ends and stretches only its middle.
void DrawImageWidened(QPainter& painter, const QImage& image, int width) {
    const int w = image.width();
    const int h = image.height();
    if (width <= w) {
        DrawImage(painter, image, QRect(0, 0, w, h), image.rect());
        return;
    }
    const int cap = std::min(h / 2, w / 3);
    DrawImage(painter, image, QRect(0, 0, cap, h), QRect(0, 0, cap, h));
    DrawImage(painter, image, QRect(cap, 0, width - 2 * cap, h), QRect(cap, 0, w - 2 * cap, h));
    DrawImage(painter, image, QRect(width - cap, 0, cap, h), QRect(w - cap, 0, cap, h));
}

}  // namespace

CPngBtn::CPngBtn(QWidget* parent) : QAbstractButton(parent), m_fontOwn(ShellDlgFont(16)) {
    // Tab reaches every button; a click does not move the focus (nor show the ring).
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true);
}

void CPngBtn::SetImages(const QRect& rect, const QImage& normal, const QImage& hover,
                        const QImage& pressed) {
    m_imgNormal = CloneArea(normal, rect.x(), rect.y(), rect.width(), rect.height());
    m_imgHover = CloneArea(hover, rect.x(), rect.y(), rect.width(), rect.height());
    m_imgPressed = CloneArea(pressed, rect.x(), rect.y(), rect.width(), rect.height());
    m_imgDisabled = CloneArea(normal, rect.x(), rect.y(), rect.width(), rect.height());
    update();
}

void CPngBtn::SetCaption(const std::string& text, int leftOffset) {
    m_strCaption = text;
    m_nLeftOffset = leftOffset;
    UpdateCaptionTip();
    update();
}

void CPngBtn::SetChecked(bool state) {
    if (state == m_bChecked) return;
    m_bChecked = state;
    update();
}

void CPngBtn::SetToolTip(const std::string& text) {
    m_strOwnTip = text;
    UpdateCaptionTip();
}

int CPngBtn::CaptionLeft() const {
    return m_nLeftOffset > 0 ? m_nLeftOffset : kCaptionInset;
}

int CPngBtn::CaptionRoom() const {
    return width() - CaptionLeft() - kCaptionInset;
}

bool CPngBtn::IsCaptionElided() const {
    if (m_strCaption.empty()) return false;
    return CaptionWidth(CaptionFont(), QString::fromStdString(m_strCaption)) > CaptionRoom();
}

int CPngBtn::WidthForCaption(int padding) const {
    return CaptionWidth(CaptionFont(), QString::fromStdString(m_strCaption)) + CaptionLeft() +
           kCaptionInset + padding;
}

void CPngBtn::WidenForCaption(int padding, int maxWidth) {
    const int w = std::min(WidthForCaption(padding), maxWidth);
    if (w > width()) resize(w, height());
}

void CPngBtn::WidenLeftForCaption(int padding, int minLeft) {
    const int right = x() + width();
    const int w = std::min(WidthForCaption(padding), right - minLeft);
    if (w > width()) setGeometry(right - w, y(), w, height());
}

void CPngBtn::UpdateCaptionTip() {
    // A tip that only repeats the caption on show tells nothing: none then.
    const bool elided = IsCaptionElided();
    const std::string none;
    const std::string& tip = elided                        ? m_strCaption
                             : m_strOwnTip == m_strCaption ? none
                                                           : m_strOwnTip;
    const QString text = QString::fromStdString(tip);
    if (toolTip() != text) setToolTip(text);
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
    const QRect area(CaptionLeft(), 2, CaptionRoom(), height() - 2);
    if (area.width() <= 0 || area.height() <= 0) return;
    QFont font = CaptionFont();
    if (m_bLink) font.setUnderline(true);
    painter.setFont(font);
    painter.setPen(ColorFromRef(colour));
    const int align = Qt::AlignVCenter | (m_nLeftOffset == 0 ? Qt::AlignHCenter : Qt::AlignLeft);
    DrawFittedCaption(painter, area, QString::fromStdString(m_strCaption), align);
}

QImage CPngBtn::ComposePicture(qreal scale) const {
    if (m_imgNormal.isNull()) return QImage();
    QImage picture = NewCanvas(size(), scale);
    QPainter painter(&picture);
    if (!m_imgBack.isNull()) DrawImageAt(painter, m_imgBack, 0, 0);
    const StateLook look = ChooseLook();
    if (look.image && !look.image->isNull()) DrawImageWidened(painter, *look.image, width());
    DrawCaption(painter, look.colour);
    if (m_bDebugFrame) {
        painter.setPen(ColorFromRef(kDebugFrameColour));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    return picture;
}

void CPngBtn::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QImage picture = ComposePicture(PaintScale(this, painter));
    if (picture.isNull()) return;
    painter.drawImage(0, 0, picture);
    if (ShowsFocusRing(this)) DrawFocusRing(painter, rect(), m_clrHover);
}

void CPngBtn::keyPressEvent(QKeyEvent* event) {
    if (IsActivateKey(event) && isEnabled()) {
        event->accept();
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void CPngBtn::focusInEvent(QFocusEvent* event) {
    NoteFocusReason(this, event->reason());
    QAbstractButton::focusInEvent(event);
    update();
}

void CPngBtn::focusOutEvent(QFocusEvent* event) {
    QAbstractButton::focusOutEvent(event);
    update();
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

void CPngBtn::resizeEvent(QResizeEvent* event) {
    QAbstractButton::resizeEvent(event);
    UpdateCaptionTip();
}

bool CPngBtn::event(QEvent* event) {
    // The owner may change the font after the caption: the tip is checked again before it shows.
    if (event->type() == QEvent::ToolTip) UpdateCaptionTip();
    return QAbstractButton::event(event);
}

void CPngBtn::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) m_bHovering = false;
    QAbstractButton::changeEvent(event);
}
