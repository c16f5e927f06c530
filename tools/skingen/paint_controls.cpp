// Buttons, switches, slider parts, lamps and check boxes.
#include <QLinearGradient>
#include <QRadialGradient>

#include "draw_kit.h"
#include "painters.h"

namespace skingen {
namespace {

Picture PushButton(int w, int h, bool lit) {
    return Paint(w, h, [&](QPainter& p) {
        const QRectF r(0, 0, w, h);
        if (lit) {
            // Pressed: the accent lives in the border and glow so accent captions stay legible.
            FillBox(p, r, 6, QColor("#16303d"), QColor("#122430"), kAccent);
            QLinearGradient glow(0, 0, 0, h);
            glow.setColorAt(0, WithAlpha(kAccent, 0));
            glow.setColorAt(1, WithAlpha(kAccent, 45));
            p.setPen(Qt::NoPen);
            p.setBrush(glow);
            p.drawPath(RoundedBox(r.adjusted(1, 1, -1, -1), 5));
        } else {
            FillBox(p, r, 6, QColor("#262b36"), QColor("#1d2129"), kLineHi);
            // A soft top highlight gives the key some depth.
            p.setPen(QPen(WithAlpha(Qt::white, 18), 1));
            p.drawLine(QPointF(6, 1.5), QPointF(w - 6, 1.5));
        }
    });
}

Picture TitleButton(int size, bool hover, const QColor& hoverFill,
                    const std::function<void(QPainter&, const QColor&)>& glyph) {
    return Paint(size, size, [&](QPainter& p) {
        const QRectF r(0, 0, size, size);
        if (hover)
            FillBox(p, r, 7, hoverFill.lighter(110), hoverFill, WithAlpha(Qt::white, 40));
        else
            FillBox(p, r, 7, QColor("#1f232c"), QColor("#1a1e26"), kLine);
        glyph(p, hover ? QColor(Qt::white) : kMuted);
    });
}

Picture Combo(int w, int h) {
    return Paint(w, h, [&](QPainter& p) {
        FillBox(p, QRectF(0, 0, w, h), 7, QColor("#1f232c"), QColor("#1a1e26"), kLine);
        // Chevron in its own corner, clear of a centred caption of normal length.
        p.setPen(QPen(kAccent, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const qreal cx = w - 11, cy = h / 2.0;
        p.drawPolyline(QPolygonF{QPointF(cx - 3.5, cy - 1.8), QPointF(cx, cy + 1.8),
                                 QPointF(cx + 3.5, cy - 1.8)});
    });
}

Picture Segment(int w, int h, bool lit, bool arrows) {
    return Paint(w, h, [&](QPainter& p) {
        const QRectF r(0, 0, w, h);
        if (lit) {
            FillBox(p, r, 6, WithAlpha(kAccent, 70), WithAlpha(kAccent, 40), kAccent);
            p.setPen(Qt::NoPen);
            p.setBrush(kAccent);
            p.drawRoundedRect(QRectF(w / 2.0 - 12, h - 3, 24, 2), 1, 1);
        } else {
            FillBox(p, r, 6, QColor("#212630"), QColor("#1b1f27"), kLine);
        }
        if (arrows) {
            // Step marks over the DPI grid's decrease and increase areas.
            p.setPen(QPen(lit ? kText : kMuted, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            const qreal cy = h / 2.0;
            p.drawPolyline(QPolygonF{QPointF(12, cy - 4), QPointF(8, cy), QPointF(12, cy + 4)});
            p.drawPolyline(
                QPolygonF{QPointF(w - 12, cy - 4), QPointF(w - 8, cy), QPointF(w - 12, cy + 4)});
        }
    });
}

Picture TwoWordSwitch(int w, int h, bool rightLit) {
    return Paint(w, h, [&](QPainter& p) {
        FillBox(p, QRectF(0, 0, w, h), h / 2.0, kWell, kWell, kLine);
        const QRectF knob =
            rightLit ? QRectF(w / 2.0, 1, w / 2.0 - 1, h - 2) : QRectF(1, 1, w / 2.0 - 1, h - 2);
        // A neutral knob with an accent rim: the current word is drawn in the accent colour.
        FillBox(p, knob, (h - 2) / 2.0, QColor("#343c4b"), QColor("#2a303c"), kAccentDeep);
    });
}

Picture Track(int w, int h, int thickness, bool fill) {
    return Paint(w, h, [&](QPainter& p) {
        const QRectF r(0, (h - thickness) / 2.0, w, thickness);
        p.setPen(Qt::NoPen);
        if (fill) {
            QLinearGradient g(0, 0, w, 0);
            g.setColorAt(0, kAccentDeep);
            g.setColorAt(1, kAccent);
            p.setBrush(g);
        } else {
            p.setBrush(QColor("#262b36"));
        }
        p.drawRoundedRect(r, thickness / 2.0, thickness / 2.0);
    });
}

Picture Lamp(int w, int h, bool lit, const std::function<void(QPainter&)>& glyph) {
    return Paint(w, h, [&](QPainter& p) {
        if (lit) {
            QRadialGradient glow(w / 2.0, h / 2.0, std::max(w, h) / 2.0);
            glow.setColorAt(0, WithAlpha(kAccent, 90));
            glow.setColorAt(1, WithAlpha(kAccent, 0));
            p.setPen(Qt::NoPen);
            p.setBrush(glow);
            p.drawRect(0, 0, w, h);
        }
        p.setPen(QPen(lit ? kAccent : QColor("#4a5263"), 1.8, Qt::SolidLine, Qt::RoundCap,
                      Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        glyph(p);
    });
}

Picture CheckBox(bool on, bool toggleStyle) {
    return Paint(16, 16, [&](QPainter& p) {
        if (toggleStyle) {
            FillBox(p, QRectF(0, 3, 16, 10), 5, on ? kAccent : kWell, on ? kAccentDeep : kWell,
                    on ? kAccent : kLineHi);
            p.setPen(Qt::NoPen);
            p.setBrush(on ? Qt::white : kMuted);
            p.drawEllipse(QPointF(on ? 11 : 5, 8), 3, 3);
            return;
        }
        FillBox(p, QRectF(1, 1, 14, 14), 3, on ? kAccent : kWell, on ? kAccentDeep : kWell,
                on ? kAccent : kLineHi);
        if (on) {
            p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF{QPointF(4.5, 8), QPointF(7, 10.5), QPointF(11.5, 5.5)});
        }
    });
}

}  // namespace

void PaintControls(const SaveFn& save) {
    save("btn_nr.png", PushButton(96, 35, false));
    save("btn_dn.png", PushButton(96, 35, true));
    save("btn2_nr.png", Segment(76, 27, false, false));
    save("btn2_dn.png", Segment(76, 27, true, false));
    // Arrows only where they work: on the current DPI stage (the rate buttons share dpi_nr).
    save("dpi_nr.png", Segment(91, 27, false, false));
    save("dpi_ov.png", Segment(91, 27, true, false));
    save("dpi_dn.png", Segment(91, 27, true, true));
    save("combo_nr.png", Combo(110, 29));
    save("sw_nr.png", TwoWordSwitch(84, 17, false));
    save("sw_dn.png", TwoWordSwitch(84, 17, true));
    save("label_nr.png", Paint(39, 17, [](QPainter& p) {
             FillBox(p, QRectF(0, 0, 39, 17), 4, kWell, kWell, kLine);
         }));

    save("bar_nr.png", Track(331, 8, 6, false));
    save("bar_ov.png", Track(331, 8, 6, true));
    save("led_bar.png", Track(252, 11, 5, false));
    save("slider.png", Paint(11, 11, [](QPainter& p) {
             p.setPen(QPen(kAccent, 2));
             p.setBrush(Qt::white);
             p.drawEllipse(QRectF(1, 1, 9, 9));
         }));
    save("bar_dot.png", Paint(5, 11, [](QPainter& p) {
             p.setPen(Qt::NoPen);
             p.setBrush(QColor("#5a6376"));
             p.drawEllipse(QRectF(0.5, 3, 4, 4));
         }));

    auto cross = [](QPainter& p, const QColor& c) {
        p.setPen(QPen(c, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 10), QPointF(19, 19));
        p.drawLine(QPointF(19, 10), QPointF(10, 19));
    };
    auto dash = [](QPainter& p, const QColor& c) {
        p.setPen(QPen(c, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9.5, 14.5), QPointF(19.5, 14.5));
    };
    auto info = [](QPainter& p, const QColor& c) {
        p.setPen(QPen(c, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(14.5, 13), QPointF(14.5, 20));
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawEllipse(QPointF(14.5, 9.2), 1.3, 1.3);
    };
    save("min_nr.png", TitleButton(29, false, kAccentDeep, dash));
    save("min_ov.png", TitleButton(29, true, kAccentDeep, dash));
    save("exit_nr.png", TitleButton(29, false, kDanger, cross));
    save("exit_ov.png", TitleButton(29, true, kDanger, cross));
    save("about_nr.png", TitleButton(29, false, kAccentDeep, info));
    save("about_ov.png", TitleButton(29, true, kAccentDeep, info));

    auto rune = [](QPainter& p) {
        p.drawPolyline(QPolygonF{QPointF(10.5, 10.5), QPointF(20, 19.5), QPointF(15.5, 24),
                                 QPointF(15.5, 7), QPointF(20, 11.5), QPointF(10.5, 20.5)});
    };
    auto waves = [](QPainter& p) {
        p.drawPoint(QPointF(17.5, 19));
        p.drawArc(QRectF(12.5, 14, 10, 10), 45 * 16, 90 * 16);
        p.drawArc(QRectF(8.5, 10, 18, 18), 45 * 16, 90 * 16);
        p.drawArc(QRectF(4.5, 6, 26, 26), 45 * 16, 90 * 16);
    };
    save("flag_bt_nr.png", Lamp(31, 31, false, rune));
    save("flag_bt_dn.png", Lamp(31, 31, true, rune));
    save("flag_24g_nr.png", Lamp(35, 26, false, waves));
    save("flag_24g_dn.png", Lamp(35, 26, true, waves));

    save("check_nr.png", CheckBox(false, true));
    save("check_dn.png", CheckBox(true, true));
    save("Check_nr.png", CheckBox(false, false));
    save("Check_dn.png", CheckBox(true, false));
}

}  // namespace skingen
