// The per-model top view of the mouse; its key zones follow the model's key marks.
#include <QLinearGradient>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

#include "draw_kit.h"
#include "painters.h"

namespace skingen {
namespace {

QRectF ZoneRect(const MarkRect& m) {
    return QRectF(m.left, m.top, m.right - m.left, m.bottom - m.top);
}

// The lit shape of each key: its mark within the mouse's shell, less the marks after it (their
// buttons lie above it in the view) with a small gap, so that no two zones overlap.
QList<QPainterPath> KeyZones(const QList<MarkRect>& marks, const QPainterPath& shell) {
    constexpr qreal kGap = 2;
    QList<QPainterPath> zones;
    for (qsizetype i = 0; i < marks.size(); ++i) {
        const QRectF zone = ZoneRect(marks[i]);
        if (zone.width() <= 0 || zone.height() <= 0) continue;
        QPainterPath path = RoundedBox(zone, 4).intersected(shell);
        for (qsizetype j = i + 1; j < marks.size(); ++j) {
            const QRectF above = ZoneRect(marks[j]);
            if (above.width() <= 0 || above.height() <= 0) continue;
            QPainterPath cut;
            cut.addRoundedRect(above.adjusted(-kGap, -kGap, kGap, kGap), 4 + kGap, 4 + kGap);
            path = path.subtracted(cut);
        }
        if (!path.isEmpty()) zones.push_back(path.simplified());
    }
    return zones;
}

// The x of the mouse's middle line: where most key marks are centred (the wheel and the buttons
// behind it), the one nearest the picture's middle on a tie; the middle when there are no marks.
// Models with side buttons are wider on the thumb side, so this is not simply the middle.
qreal MiddleLine(const QList<MarkRect>& marks, qreal middle) {
    qreal best = middle;
    int bestCount = 0;
    for (const MarkRect& m : marks) {
        if (m.right <= m.left || m.bottom <= m.top) continue;
        const qreal c = (m.left + m.right) / 2.0;
        int count = 0;
        for (const MarkRect& o : marks)
            if (o.right > o.left && o.bottom > o.top && std::abs((o.left + o.right) / 2.0 - c) <= 2)
                ++count;
        if (count > bestCount ||
            (count == bestCount && std::abs(c - middle) < std::abs(best - middle))) {
            best = c;
            bestCount = count;
        }
    }
    return best;
}

}  // namespace

Picture PaintMousePicture(int width, int height, const QList<MarkRect>& marks, bool highlighted) {
    return Paint(width, height, [&](QPainter& p) {
        const QRectF body(6, 4, width - 12, height - 8);
        QPainterPath shell;
        const qreal top = body.top(), bottom = body.bottom();
        const qreal l = body.left(), r = body.right(), cx = body.center().x();
        // The split, the wheel and the light follow the marks, so that lit zones sit on them.
        const qreal mid =
            std::clamp(MiddleLine(marks, cx), l + body.width() * 0.3, r - body.width() * 0.3);
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
        p.drawLine(QPointF(mid, top), QPointF(mid, seamY));
        QPainterPath arc;
        arc.moveTo(l, seamY + 8);
        arc.quadTo(mid, seamY - 8, r, seamY + 8);
        p.drawPath(arc);
        // Wheel.
        const QRectF wheel(mid - 5, top + body.height() * 0.12, 10, body.height() * 0.14);
        p.setPen(QPen(QColor("#0c0e12"), 1));
        p.setBrush(QColor("#3a4252"));
        p.drawRoundedRect(wheel, 5, 5);
        // Accent light strip along the back.
        QRadialGradient strip(QPointF(mid, bottom - body.height() * 0.2), body.width() * 0.3);
        strip.setColorAt(0, WithAlpha(kAccent, highlighted ? 150 : 70));
        strip.setColorAt(1, WithAlpha(kAccent, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(strip);
        p.drawEllipse(QPointF(mid, bottom - body.height() * 0.2), body.width() * 0.3,
                      body.height() * 0.08);
        p.restore();

        // Only the lit picture shows the key zones: the plain one is the bare mouse, so no
        // faint box reads as a glitch where nothing is pressed.
        if (!highlighted) return;
        for (const QPainterPath& zone : KeyZones(marks, shell)) {
            QLinearGradient lit(zone.boundingRect().topLeft(), zone.boundingRect().bottomLeft());
            lit.setColorAt(0, WithAlpha(kAccent, 200));
            lit.setColorAt(1, WithAlpha(kAccentDeep, 200));
            p.setPen(QPen(kAccent.lighter(130), 1));
            p.setBrush(lit);
            p.drawPath(zone);
        }
    });
}

}  // namespace skingen
