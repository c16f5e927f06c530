#include "ui/pick_color_dlg.h"
#include "ui/top_windows.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "config/program_config.h"
#include "core/messages.h"
#include "skin/focus_ring.h"
#include "skin/image.h"
#include "skin/win_message.h"
#include "ui/std_dialogs.h"

namespace {

ColorChooser& Chooser() {
    static ColorChooser chooser;
    return chooser;
}

bool StandardColorDialog(QWidget* parent, uint32_t initial, uint32_t* chosen) {
    const QColor colour = AskColor(parent, ColorFromRef(initial));
    if (!colour.isValid()) return false;
    *chosen = static_cast<uint32_t>(colour.red()) | static_cast<uint32_t>(colour.green()) << 8 |
              static_cast<uint32_t>(colour.blue()) << 16;
    return true;
}

}  // namespace

void SetColorChooser(ColorChooser chooser) {
    Chooser() = std::move(chooser);
}

bool ChooseColor(QWidget* parent, uint32_t initial, uint32_t* chosen) {
    if (!chosen) return false;
    if (Chooser()) return Chooser()(parent, initial, chosen);
    return StandardColorDialog(parent, initial, chosen);
}

QRegion AlphaHotRegion(const QImage& image, int minAlpha) {
    QRegion region;
    if (image.isNull()) return region;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        int x = 0;
        while (x < argb.width()) {
            while (x < argb.width() && qAlpha(row[x]) < minAlpha) ++x;
            const int start = x;
            while (x < argb.width() && qAlpha(row[x]) >= minAlpha) ++x;
            if (x > start) region += QRect(start, y, x - start, 1);
        }
    }
    return region;
}

CPickColorDlg::CPickColorDlg(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true);
    m_img = LoadSkinImage("PickColor.png");
    if (m_img.width() > 0) {
        m_hot = AlphaHotRegion(m_img, kMinAlpha);
        resize(m_img.size());
    } else {
        m_img = SkinImage();
    }
}

void CPickColorDlg::SetBackgroundPiece(const QImage& piece) {
    m_imgBack = piece;
    update();
}

void CPickColorDlg::SetColor(uint32_t clr) {
    m_clr = clr;
    update();
}

QImage CPickColorDlg::ComposePicture(qreal dpr) const {
    // Composed in device pixels: at a fractional scale (1.25) a picture of the logical size
    // would be scaled by the window system and leave the last device row or column unpainted,
    // a dark seam under the wheel.
    dpr = std::max<qreal>(dpr, 1);
    QImage canvas(QSize(static_cast<int>(std::ceil(width() * dpr)),
                        static_cast<int>(std::ceil(height() * dpr))),
                  QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(dpr);
    canvas.fill(Qt::transparent);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF client(0, 0, canvas.width() / dpr, canvas.height() / dpr);
    if (!m_imgBack.isNull()) DrawImage(p, m_imgBack, client, m_imgBack.rect());
    if (!m_img.isNull()) {
        DrawImage(p, m_img, client, m_img.rect());
        // The current colour as a swatch in the wheel's pale centre.
        const QRectF swatch = client.adjusted(0, 0, -1, -1);
        const QPointF c = swatch.center();
        const qreal r = std::max<qreal>(4, std::min(swatch.width(), swatch.height()) / 7);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(0, 0, 0, 150), 1.5));
        p.setBrush(ColorFromRef(m_clr));
        p.drawEllipse(c, r, r);
    }
    return canvas;
}

void CPickColorDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), ComposePicture(PaintScale(this, painter)));
    if (ShowsFocusRing(this)) DrawFocusRing(painter, rect(), g_Config.Btn_txt_clr_ov);
}

void CPickColorDlg::Choose() {
    uint32_t chosen = 0;
    if (!ChooseColor(this, m_clr, &chosen)) return;
    m_clr = chosen;
    update();
    PostWinMessage(parentWidget(), WM_PICK_COLOR, m_clr, 0);
}

void CPickColorDlg::focusInEvent(QFocusEvent* event) {
    NoteFocusReason(this, event->reason());
    QWidget::focusInEvent(event);
    update();
}

void CPickColorDlg::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void CPickColorDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (!m_hot.contains(event->position().toPoint())) return;
    Choose();
}

void CPickColorDlg::mouseMoveEvent(QMouseEvent* event) {
    if (m_hot.contains(event->position().toPoint()))
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

void CPickColorDlg::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) &&
        !event->isAutoRepeat() && isEnabled()) {
        event->accept();
        Choose();
        return;
    }
    if (IsWindowKeySwallowed(event->key())) return event->accept();
    QWidget::keyPressEvent(event);
}

void CPickColorDlg::keyReleaseEvent(QKeyEvent* event) {
    if (IsWindowKeySwallowed(event->key())) return event->accept();
    QWidget::keyReleaseEvent(event);
}
