#include "draw_kit.h"

#include <QLinearGradient>
#include <QStringList>

namespace skingen {

QColor WithAlpha(QColor c, int alpha) {
    c.setAlpha(alpha);
    return c;
}

namespace {

// A transparent image of w x h logical pixels at scale; a painter on it draws in logical
// coordinates.
QImage Blank(int w, int h, int scale) {
    QImage image(w * scale, h * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    return image;
}

QImage WindowFaceAt(int w, int h, int radius, int scale,
                    const std::function<void(QPainter&)>& decorate) {
    QImage image = Blank(w, h, scale);
    QPainter p(&image);
    // The outline is drawn without antialiasing: edge pixels are either the face or nothing.
    p.setRenderHint(QPainter::Antialiasing, false);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(0, 0, w, h), radius, radius);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, QColor("#171a21"));
    g.setColorAt(1, kBase.darker(115));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(shape);
    p.setClipPath(shape);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    decorate(p);
    // Inner hairline along the outline.
    p.setClipping(false);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kLine, 1));
    p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), radius - 0.5, radius - 0.5);
    p.end();
    // Clear anything the antialiased hairline left outside the hard outline.
    QImage mask = Blank(w, h, scale);
    QPainter m(&mask);
    m.setRenderHint(QPainter::Antialiasing, false);
    m.setPen(Qt::NoPen);
    m.setBrush(Qt::white);
    m.drawPath(shape);
    m.end();
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const auto* keep = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(keep[x]) == 0)
                line[x] = 0;
            else
                line[x] = qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), 255) | 0xFF000000u;
        }
    }
    return image;
}

}  // namespace

QImage PaintAt(int w, int h, int scale, const std::function<void(QPainter&)>& draw) {
    QImage image = Blank(w, h, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    draw(p);
    p.end();
    return image;
}

Picture Paint(int w, int h, const std::function<void(QPainter&)>& draw) {
    return {PaintAt(w, h, 1, draw), PaintAt(w, h, 2, draw)};
}

QPainterPath RoundedBox(const QRectF& r, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    return path;
}

void FillBox(QPainter& p, const QRectF& r, qreal radius, const QColor& top, const QColor& bottom,
             const QColor& border) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(border.alpha() ? QPen(border, 1) : Qt::NoPen);
    p.setBrush(g);
    p.drawPath(RoundedBox(r, radius));
}

QFont Face(int pixelSize, QFont::Weight weight) {
    QFont font;
    font.setFamilies(QStringList{"DejaVu Sans", "sans-serif"});
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

Picture WindowFace(int w, int h, int radius, const std::function<void(QPainter&)>& decorate) {
    return {WindowFaceAt(w, h, radius, 1, decorate), WindowFaceAt(w, h, radius, 2, decorate)};
}

}  // namespace skingen
