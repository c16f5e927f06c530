// The per-model top view of the mouse; its key zones follow the model's key marks.
#include <QLinearGradient>
#include <QRadialGradient>

#include "draw_kit.h"
#include "painters.h"

namespace skingen {

QImage PaintMousePicture(int width, int height, const QList<MarkRect>& marks, bool highlighted) {
    return Paint(width, height, [&](QPainter& p) {
        const QRectF body(6, 4, width - 12, height - 8);
        QPainterPath shell;
        const qreal top = body.top(), bottom = body.bottom();
        const qreal l = body.left(), r = body.right(), cx = body.center().x();
        const qreal shoulder = top + body.height() * 0.32;
        shell.moveTo(cx, top);
        shell.cubicTo(r - body.width() * 0.08, top, r, top + body.height() * 0.12, r, shoulder);
        shell.cubicTo(r, bottom - body.height() * 0.18, r - body.width() * 0.1, bottom, cx, bottom);
        shell.cubicTo(l + body.width() * 0.1, bottom, l, bottom - body.height() * 0.18, l,
                      shoulder);
        shell.cubicTo(l, top + body.height() * 0.12, l + body.width() * 0.08, top, cx, top);

        QLinearGradient g(body.topLeft(), body.bottomRight());
        g.setColorAt(0, QColor("#2a303c"));
        g.setColorAt(0.5, QColor("#1d2129"));
        g.setColorAt(1, QColor("#15181e"));
        p.setPen(QPen(kLineHi, 1.2));
        p.setBrush(g);
        p.drawPath(shell);

        // Seams: the split between the two main buttons and the end of the buttons.
        p.save();
        p.setClipPath(shell);
        p.setPen(QPen(QColor("#0c0e12"), 1.5));
        const qreal seamY = top + body.height() * 0.40;
        p.drawLine(QPointF(cx, top), QPointF(cx, seamY));
        QPainterPath arc;
        arc.moveTo(l, seamY + 8);
        arc.quadTo(cx, seamY - 8, r, seamY + 8);
        p.drawPath(arc);
        // Wheel.
        const QRectF wheel(cx - 5, top + body.height() * 0.12, 10, body.height() * 0.14);
        p.setPen(QPen(QColor("#0c0e12"), 1));
        p.setBrush(QColor("#3a4252"));
        p.drawRoundedRect(wheel, 5, 5);
        // Accent light strip along the back.
        QRadialGradient strip(QPointF(cx, bottom - body.height() * 0.2), body.width() * 0.3);
        strip.setColorAt(0, WithAlpha(kAccent, highlighted ? 150 : 70));
        strip.setColorAt(1, WithAlpha(kAccent, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(strip);
        p.drawEllipse(QPointF(cx, bottom - body.height() * 0.2), body.width() * 0.3,
                      body.height() * 0.08);
        p.restore();

        for (const MarkRect& m : marks) {
            const QRectF zone(m.left, m.top, m.right - m.left, m.bottom - m.top);
            if (zone.width() <= 0 || zone.height() <= 0) continue;
            if (highlighted) {
                FillBox(p, zone, 4, WithAlpha(kAccent, 200), WithAlpha(kAccentDeep, 200),
                        kAccent.lighter(130));
            } else {
                // Only a faint hint of the zone: the lit picture shows it when pressed.
                p.setPen(Qt::NoPen);
                p.setBrush(WithAlpha(kAccent, 12));
                p.drawPath(RoundedBox(zone, 4));
            }
        }
    });
}

}  // namespace skingen
