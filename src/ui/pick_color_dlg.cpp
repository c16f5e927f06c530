#include "ui/pick_color_dlg.h"
#include "ui/top_windows.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "core/messages.h"
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
    setMouseTracking(true);
    m_img = LoadSkinImage("PickColor.png");
    if (m_img.width() > 0) {
        m_hot = AlphaHotRegion(m_img, kMinAlpha);
        resize(m_img.size());
    } else {
        m_img = QImage();
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

QImage CPickColorDlg::ComposePicture() const {
    QImage canvas(size(), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter p(&canvas);
    if (!m_imgBack.isNull()) DrawImage(p, m_imgBack, canvas.rect(), m_imgBack.rect());
    if (!m_img.isNull()) {
        DrawImage(p, m_img, canvas.rect(), m_img.rect());
        // The current colour as a swatch in the wheel's pale centre.
        const QRectF swatch = QRectF(canvas.rect()).adjusted(0, 0, -1, -1);
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
    const QImage picture = ComposePicture();
    QPainter painter(this);
    painter.drawImage(0, 0, picture);
}

void CPickColorDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (!m_hot.contains(event->position().toPoint())) return;
    uint32_t chosen = 0;
    if (!ChooseColor(this, m_clr, &chosen)) return;
    m_clr = chosen;
    PostWinMessage(parentWidget(), WM_PICK_COLOR, m_clr, 0);
}

void CPickColorDlg::mouseMoveEvent(QMouseEvent* event) {
    if (m_hot.contains(event->position().toPoint()))
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

void CPickColorDlg::keyPressEvent(QKeyEvent* event) {
    if (IsWindowKeySwallowed(event->key())) return event->accept();
    QWidget::keyPressEvent(event);
}

void CPickColorDlg::keyReleaseEvent(QKeyEvent* event) {
    if (IsWindowKeySwallowed(event->key())) return event->accept();
    QWidget::keyReleaseEvent(event);
}
