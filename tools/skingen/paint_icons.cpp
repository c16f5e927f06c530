// Panel icons, key numbers, macro tree and event icons, the colour palette and the app icon.
#include <QConicalGradient>
#include <QRadialGradient>

#include <cmath>

#include "draw_kit.h"
#include "painters.h"

namespace skingen {
namespace {

Picture Icon(const std::function<void(QPainter&)>& glyph) {
    return Paint(22, 22, [&](QPainter& p) {
        p.setPen(QPen(kAccent, 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        glyph(p);
    });
}

Picture Number(int n) {
    return Paint(18, 16, [&](QPainter& p) {
        FillBox(p, QRectF(0, 0, 18, 16), 4, QColor("#222732"), QColor("#1c2029"), kLine);
        p.setPen(kMuted);
        p.setFont(Face(n >= 10 ? 9 : 10, QFont::Bold));
        p.drawText(QRectF(0, 0, 18, 16), Qt::AlignCenter, QString::number(n));
    });
}

Picture Arrow(bool down, const QColor& colour) {
    return Paint(16, 16, [&](QPainter& p) {
        p.setPen(QPen(colour, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        if (down) {
            p.drawLine(QPointF(8, 3), QPointF(8, 12.5));
            p.drawPolyline(QPolygonF{QPointF(4, 9), QPointF(8, 13), QPointF(12, 9)});
        } else {
            p.drawLine(QPointF(8, 13), QPointF(8, 3.5));
            p.drawPolyline(QPolygonF{QPointF(4, 7), QPointF(8, 3), QPointF(12, 7)});
        }
    });
}

}  // namespace

void PaintIcons(const SaveFn& save) {
    save("Icon_Light.png", Icon([](QPainter& p) {
             p.drawEllipse(QPointF(11, 11), 4, 4);
             for (int i = 0; i < 8; ++i) {
                 const double a = i * M_PI / 4;
                 p.drawLine(QPointF(11 + 6.5 * std::cos(a), 11 + 6.5 * std::sin(a)),
                            QPointF(11 + 9 * std::cos(a), 11 + 9 * std::sin(a)));
             }
         }));
    save("Icon_Rate.png", Icon([](QPainter& p) {
             p.drawPolyline(QPolygonF{QPointF(2, 12), QPointF(6, 12), QPointF(8.5, 5),
                                      QPointF(12, 18), QPointF(14.5, 9), QPointF(16.5, 12),
                                      QPointF(20, 12)});
         }));
    save("Icon_Dpi.png", Icon([](QPainter& p) {
             p.drawEllipse(QPointF(11, 11), 6.5, 6.5);
             p.drawLine(QPointF(11, 1.5), QPointF(11, 6));
             p.drawLine(QPointF(11, 16), QPointF(11, 20.5));
             p.drawLine(QPointF(1.5, 11), QPointF(6, 11));
             p.drawLine(QPointF(16, 11), QPointF(20.5, 11));
             p.setBrush(kAccent);
             p.drawEllipse(QPointF(11, 11), 1.2, 1.2);
         }));
    save("Icon_DbClick.png", Icon([](QPainter& p) {
             p.drawRoundedRect(QRectF(6, 3, 10, 16), 5, 5);
             p.drawLine(QPointF(11, 3), QPointF(11, 9));
             p.drawLine(QPointF(6, 9), QPointF(16, 9));
             p.drawArc(QRectF(13, 0.5, 8, 8), 0, 90 * 16);
             p.drawArc(QRectF(15.5, -2, 8, 8), 0, 90 * 16);
         }));
    save("Icon_Scroll.png", Icon([](QPainter& p) {
             p.drawRoundedRect(QRectF(8, 6, 6, 10), 3, 3);
             p.drawPolyline(QPolygonF{QPointF(7.5, 4.5), QPointF(11, 1.5), QPointF(14.5, 4.5)});
             p.drawPolyline(QPolygonF{QPointF(7.5, 17.5), QPointF(11, 20.5), QPointF(14.5, 17.5)});
         }));
    save("Icon_Sens.png", Icon([](QPainter& p) {
             p.drawArc(QRectF(2, 4, 18, 18), 0, 180 * 16);
             p.drawLine(QPointF(11, 13), QPointF(16, 8));
             p.setBrush(kAccent);
             p.drawEllipse(QPointF(11, 13), 1.5, 1.5);
         }));
    save("Icon_Enhance.png", Icon([](QPainter& p) {
             QPainterPath star;
             star.moveTo(11, 2);
             star.quadTo(12, 10, 20, 11);
             star.quadTo(12, 12, 11, 20);
             star.quadTo(10, 12, 2, 11);
             star.quadTo(10, 10, 11, 2);
             p.drawPath(star);
         }));
    for (int n = 1; n <= 16; ++n) save(QString("number%1.png").arg(n), Number(n));

    auto treeMark = [](bool open) {
        return Paint(12, 12, [open](QPainter& p) {
            FillBox(p, QRectF(0, 0, 12, 12), 3, QColor("#262b36"), QColor("#1f232c"), kLineHi);
            p.setPen(QPen(kText, 1.4, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(3.5, 6), QPointF(8.5, 6));
            if (!open) p.drawLine(QPointF(6, 3.5), QPointF(6, 8.5));
        });
    };
    // "open" is shown on an expanded folder: it offers collapsing.
    save("macro/open.png", treeMark(true));
    save("macro/close.png", treeMark(false));
    save("macro/UP_N.png", Arrow(false, kMuted));
    save("macro/DN_N.png", Arrow(true, kAccent));
    save("macro/TM_N.png", Paint(16, 16, [](QPainter& p) {
             p.setPen(QPen(QColor("#f5a524"), 1.6, Qt::SolidLine, Qt::RoundCap));
             p.drawEllipse(QPointF(8, 8), 6, 6);
             p.drawLine(QPointF(8, 8), QPointF(8, 4.5));
             p.drawLine(QPointF(8, 8), QPointF(10.5, 9.5));
         }));

    save("PickColor.png", Paint(73, 73, [](QPainter& p) {
             const QPointF c(36.5, 36.5);
             QConicalGradient hue(c, 0);
             for (int i = 0; i <= 6; ++i)
                 hue.setColorAt(i / 6.0, QColor::fromHsv((i * 60) % 360, 255, 255));
             p.setPen(Qt::NoPen);
             p.setBrush(hue);
             p.drawEllipse(c, 34, 34);
             QRadialGradient white(c, 34);
             white.setColorAt(0, QColor(255, 255, 255, 255));
             white.setColorAt(1, QColor(255, 255, 255, 0));
             p.setBrush(white);
             p.drawEllipse(c, 34, 34);
             p.setBrush(Qt::NoBrush);
             p.setPen(QPen(WithAlpha(Qt::black, 90), 1));
             p.drawEllipse(c, 34, 34);
         }));
}

QImage PaintAppIcon(int size) {
    return PaintAt(size, size, 1, [size](QPainter& p) {
        const qreal s = size / 64.0;
        p.scale(s, s);
        FillBox(p, QRectF(2, 2, 60, 60), 14, QColor("#1f2430"), kInk, kLineHi);
        // A mouse silhouette with the accent on its wheel.
        QPainterPath body;
        body.addRoundedRect(QRectF(20, 12, 24, 40), 12, 12);
        p.setPen(QPen(kText, 2.5));
        p.setBrush(Qt::NoBrush);
        p.drawPath(body);
        p.drawLine(QPointF(32, 12), QPointF(32, 26));
        p.setPen(QPen(kAccent, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(32, 17), QPointF(32, 21));
    });
}

}  // namespace skingen
