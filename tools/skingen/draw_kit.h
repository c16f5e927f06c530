// Palette and drawing helpers shared by the skin generator's painters.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <functional>

namespace skingen {

// Dark theme with one accent colour.
inline const QColor kInk("#0d0f13");         // deepest background
inline const QColor kBase("#14171d");        // window face
inline const QColor kCard("#1a1e26");        // raised cards
inline const QColor kWell("#101319");        // sunken areas
inline const QColor kLine("#2a303c");        // hairlines and borders
inline const QColor kLineHi("#3a4252");      // lit borders
inline const QColor kText("#e8ebf1");        // primary text and glyphs
inline const QColor kMuted("#8b93a5");       // secondary glyphs
inline const QColor kAccent("#19c3ff");      // the one accent
inline const QColor kAccentDeep("#0b8fc4");  // accent, shaded end of gradients
inline const QColor kDanger("#e5484d");      // close button hover only

QColor WithAlpha(QColor c, int alpha);

// One skin picture drawn twice from the same code: at its size for screens at scale 1, and at
// twice the size (device pixel ratio 2) for scaled screens, where Qt draws it sharp.
struct Picture {
    QImage x1, x2;
};

// A transparent image of w x h logical pixels at scale (device pixel ratio) with an
// antialiased painter in logical coordinates handed to draw.
QImage PaintAt(int w, int h, int scale, const std::function<void(QPainter&)>& draw);
// The picture at scales 1 and 2.
Picture Paint(int w, int h, const std::function<void(QPainter&)>& draw);

// Rounded rectangle path inset by half a pixel so one-pixel borders stay crisp.
QPainterPath RoundedBox(const QRectF& r, qreal radius);

// Filled rounded box with a vertical gradient and a one-pixel border.
void FillBox(QPainter& p, const QRectF& r, qreal radius, const QColor& top, const QColor& bottom,
             const QColor& border);

// The shipped face at a pixel size and weight.
QFont Face(int pixelSize, QFont::Weight weight = QFont::Normal);

// A window face: hard-edged rounded card (fully opaque inside, fully transparent outside) so
// that shaping by a key colour leaves no fringe.
Picture WindowFace(int w, int h, int radius, const std::function<void(QPainter&)>& decorate);

}  // namespace skingen
