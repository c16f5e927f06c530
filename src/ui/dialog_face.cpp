#include "ui/dialog_face.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRect>

#include <algorithm>

#include "config/program_config.h"
#include "skin/factories.h"
#include "skin/png_btn.h"
#include "skin/skin_settings.h"

namespace {

constexpr int kCorner = 12;

// The nine pieces of src drawn into a face of size.
void StretchPieces(QPainter& p, const QImage& src, QSize size) {
    const int sw = src.width(), sh = src.height(), w = size.width(), h = size.height();
    const int band = std::min(kFaceBottomBand, sh / 2);
    const int rows[2][4] = {{0, kCorner, sh - band, sh}, {0, kCorner, h - band, h}};
    const int cols[2][4] = {{0, kCorner, sw - kCorner, sw}, {0, kCorner, w - kCorner, w}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const QRect from(QPoint(cols[0][c], rows[0][r]),
                             QPoint(cols[0][c + 1] - 1, rows[0][r + 1] - 1));
            const QRect to(QPoint(cols[1][c], rows[1][r]),
                           QPoint(cols[1][c + 1] - 1, rows[1][r + 1] - 1));
            if (!from.isEmpty() && !to.isEmpty()) DrawImage(p, src, to, from);
        }
}

}  // namespace

QImage FramedFace(const QImage& back, QSize fallback, qreal scale) {
    constexpr uint32_t kFrameColour = 0x969696;
    const QSize size = back.isNull() ? fallback : back.size();
    const QRect face(QPoint(0, 0), size);
    QImage canvas = NewCanvas(size, scale);
    QPainter p(&canvas);
    if (!back.isNull()) DrawImage(p, back, face, back.rect());
    p.setPen(ColorFromRef(kFrameColour));
    p.drawRect(face.adjusted(0, 0, -1, -1));
    return canvas;
}

SkinImage StretchedFace(const QImage& src, QSize size) {
    if (src.isNull()) return SkinImage(NewCanvas(size, 1));
    // The sharp face is composed from the sharp picture's pieces where src has one.
    return ComposeSkinImage(size, [&](QPainter& p) { StretchPieces(p, src, size); });
}

QFont DialogTextFont() {
    return SkinAppFont() ? *SkinAppFont() : ShellDlgFont(16);
}

QFont DialogTitleFont() {
    QFont f = DialogTextFont();
    f.setBold(true);
    f.setPixelSize(f.pixelSize() > 0 ? f.pixelSize() + 4 : 20);
    return f;
}

int WrappedTextHeight(const QFont& font, int width, const QString& text) {
    if (text.isEmpty()) return 0;
    return QFontMetrics(font)
        .boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, text)
        .height();
}

CPngBtn* NewFaceButton(QWidget* owner, const SkinImage& face, const std::string& caption, int x,
                       int y, int maxWidth) {
    auto* btn = new CPngBtn(owner);
    const QPoint at(x, y);
    if (!NewSmallPngButton3(&face, &at, owner, "btn_nr.png", "btn_nr.png", "btn_dn.png", btn, 0,
                            g_Config.BtnTips != 0, caption.c_str(), x, y)) {
        delete btn;
        return nullptr;
    }
    btn->m_clrNormal = g_Config.Btn_txt_clr_nr2;
    btn->m_clrHover = g_Config.Btn_txt_clr_ov2;
    btn->m_clrPressed = g_Config.Btn_txt_clr_dn2;
    btn->WidenForCaption(24, maxWidth);
    return btn;
}
