#include "ui/dialog_face.h"

#include <QPainter>
#include <QRect>

#include <algorithm>

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

SkinImage StretchedFace(const QImage& src, QSize size) {
    if (src.isNull()) return SkinImage(NewCanvas(size, 1));
    // The sharp face is composed from the sharp picture's pieces where src has one.
    return ComposeSkinImage(size, [&](QPainter& p) { StretchPieces(p, src, size); });
}
