// Window faces, popup menu rows and the progress window.
#include <QLinearGradient>
#include <QRadialGradient>

#include <algorithm>

#include "draw_kit.h"
#include "painters.h"
#include "skin/face_layout.h"

namespace skingen {
namespace {

void Card(QPainter& p, const QRectF& r) {
    FillBox(p, r, 10, QColor("#1b1f27"), QColor("#171a21"), kLine);
}

void Well(QPainter& p, const QRectF& r) {
    FillBox(p, r, 6, kWell, kWell, kLine);
}

QRectF BoxRect(const FaceBox& b) {
    return QRectF(b.left, b.top, b.right - b.left, b.bottom - b.top);
}

// Small buttons that the dialogs cut out of their own background (only captions are added).
void CutButton(QPainter& p, const QRectF& r) {
    FillBox(p, r, 5, QColor("#262b36"), QColor("#1e222b"), kLineHi);
}

void Wordmark(QPainter& p, qreal x, qreal y) {
    // Logo: an accent chevron beside the name.
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    QPainterPath mark;
    mark.moveTo(x, y);
    mark.lineTo(x + 9, y + 10);
    mark.lineTo(x, y + 20);
    mark.lineTo(x + 5, y + 20);
    mark.lineTo(x + 14, y + 10);
    mark.lineTo(x + 5, y);
    mark.closeSubpath();
    p.drawPath(mark);
    p.setBrush(WithAlpha(kAccent, 110));
    p.drawPath(mark.translated(8, 0));
    p.setPen(kText);
    QFont font = Face(17, QFont::Bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setFont(font);
    p.drawText(QRectF(x + 30, y - 2, 200, 24), Qt::AlignLeft | Qt::AlignVCenter, "MIVORA");
}

// The glowing stage behind the mouse picture.
void Stage(QPainter& p, const QRectF& r, const QPointF& centre) {
    QRadialGradient glow(centre, r.height() * 0.55);
    glow.setColorAt(0, WithAlpha(kAccent, 38));
    glow.setColorAt(1, WithAlpha(kAccent, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawPath(RoundedBox(r, 10));
}

Picture MainFace(int w, QPointF glow) {
    return WindowFace(w, 640, 14, [w, glow](QPainter& p) {
        // Header band.
        QLinearGradient head(0, 0, 0, 52);
        head.setColorAt(0, QColor("#1c2029"));
        head.setColorAt(1, QColor("#161920"));
        p.fillRect(QRectF(0, 0, w, 52), head);
        p.setPen(QPen(kLine, 1));
        p.drawLine(QPointF(0, 51.5), QPointF(w, 51.5));
        QLinearGradient accentLine(0, 0, w, 0);
        accentLine.setColorAt(0, WithAlpha(kAccent, 0));
        accentLine.setColorAt(0.25, WithAlpha(kAccent, 160));
        accentLine.setColorAt(0.6, WithAlpha(kAccent, 0));
        p.setPen(QPen(QBrush(accentLine), 1));
        p.drawLine(QPointF(0, 52.5), QPointF(w, 52.5));
        Wordmark(p, 22, 15);

        // One content card: the panels sit wherever the configuration puts them.
        const QRectF card = BoxRect(MainContentCard(w));
        Card(p, card);
        Stage(p, card, glow);
        // Footer band for the profile buttons at y 577..612.
        p.setPen(QPen(kLine, 1));
        p.drawLine(QPointF(16, 570.5), QPointF(w - 16, 570.5));
    });
}

Picture DialogFace(int w, int h, const std::function<void(QPainter&)>& decorate) {
    return WindowFace(w, h, 12, [&](QPainter& p) {
        QLinearGradient head(0, 0, 0, 48);
        head.setColorAt(0, QColor("#1c2029"));
        head.setColorAt(1, WithAlpha(QColor("#1c2029"), 0));
        p.fillRect(QRectF(0, 0, w, 48), head);
        decorate(p);
    });
}

Picture MenuRow(bool hover, bool sub) {
    return Paint(120, 20, [&](QPainter& p) {
        p.fillRect(QRectF(0, 0, 120, 20), hover ? QColor("#1f3a4a") : QColor("#1a1e26"));
        if (hover) p.fillRect(QRectF(0, 0, 3, 20), kAccent);
        p.setPen(QPen(WithAlpha(Qt::white, 10), 1));
        p.drawLine(QPointF(0, 19.5), QPointF(120, 19.5));
        if (sub) {
            p.setPen(
                QPen(hover ? kAccent : kMuted, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF{QPointF(110, 6.5), QPointF(113.5, 10), QPointF(110, 13.5)});
        }
    });
}

Picture Progress(bool filled) {
    return DialogFace(530, 150, [filled](QPainter& p) {
        const QRectF bar(45, 101, 441, 22);
        Well(p, bar.adjusted(-3, -3, 3, 3));
        if (filled) {
            QLinearGradient g(bar.topLeft(), bar.topRight());
            g.setColorAt(0, kAccentDeep);
            g.setColorAt(1, kAccent);
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            p.drawRoundedRect(bar, 4, 4);
            p.setPen(QPen(WithAlpha(Qt::white, 50), 1));
            p.drawLine(QPointF(bar.left() + 4, bar.top() + 1.5),
                       QPointF(bar.right() - 4, bar.top() + 1.5));
        }
    });
}

// The macro editor: a well under each list, the buttons under them, and the option card, all
// where cfg.ini puts the editor's controls.
Picture MacroFace(const MacroLayout& m) {
    constexpr int kWidth = 760, kHeight = 460;
    return DialogFace(kWidth, kHeight, [&m](QPainter& p) {
        const int listsBottom = std::max(m.macroList.bottom(), m.keyList.bottom()) + 1;
        for (const QRect& list : {m.macroList, m.keyList}) {
            const int l = list.left(), r = list.right() + 1, b = list.bottom() + 1;
            Well(p, BoxRect(MacroListWell(l, list.top(), r, b)));
            // The two halves the editor cuts its small buttons from, 8 to 28 pixels below.
            const int half = (r - l) / 2;
            CutButton(p, QRectF(l, b + 8, half - 2, 20));
            CutButton(p, QRectF(l + half + 2, b + 8, r - l - half - 2, 20));
        }
        Card(p, BoxRect(MacroOptionCard(m.optX, m.keyList.top(), listsBottom, kWidth)));
    });
}

}  // namespace

void PaintWindows(const SaveFn& save, int mainWidth, QPointF glow, const MacroLayout& macro) {
    save("main_nr.png", MainFace(mainWidth, glow));
    save("msg_nr.png", DialogFace(460, 200, [](QPainter& p) {
             p.setPen(QPen(kLine, 1));
             p.drawLine(QPointF(20, 135.5), QPointF(440, 135.5));
         }));
    save("msg2_nr.png", DialogFace(400, 340, [](QPainter& p) {
             Well(p, QRectF(23, 58, 354, 224));
             for (const QRectF& r :
                  {QRectF(25, 302, 80, 20), QRectF(210, 302, 80, 20), QRectF(298, 302, 80, 20)})
                 CutButton(p, r);
             p.setPen(QPen(kLine, 1));
             p.drawLine(QPointF(20, 292.5), QPointF(380, 292.5));
         }));
    save("macro_nr.png", MacroFace(macro));
    save("progress_nr.png", Progress(false));
    save("progress_ov.png", Progress(true));
    save("menu_nr.png", MenuRow(false, false));
    save("menu_ov.png", MenuRow(true, false));
    save("menusub_nr.png", MenuRow(false, true));
    save("menusub_ov.png", MenuRow(true, true));
}

}  // namespace skingen
