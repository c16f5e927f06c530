// Panel rectangles and the key function menu's placement: pure geometry from the configuration.
#include <algorithm>

#include "config/program_config.h"
#include "ui/mivora_dlg.h"

namespace {

// A configuration point whose y is 0 counts as not set.
QPoint PointOr(const CfgPoint& p, int defX, int defY) {
    if (p.y == 0) return QPoint(defX, defY);
    return QPoint(p.x, p.y);
}

QRect At(QPoint p, int w, int h) {
    return QRect(p.x(), p.y(), w, h);
}

QRect LabelOf(const QRect& bar) {
    // (right + 18, top - 4, right + 57, top + 13) with an exclusive right edge
    return QRect(bar.x() + bar.width() + 18, bar.y() - 4, 39, 17);
}

}  // namespace

PanelRects ComputePanelRects(const DeviceModel* model) {
    const bool led = model && model->ShowLED != 0;
    PanelRects r;
    r.enhance = At(PointOr(g_Config.ptEnhance, 560, led ? 123 : 160), 84, 17);
    r.moveSpeed = At(PointOr(g_Config.ptMoveSpeed, 560, led ? 172 : 215), 331, 12);
    r.scrollSpeed = At(PointOr(g_Config.ptScrollSpeed, 560, led ? 215 : 265), 331, 12);
    r.dbClickSpeed = At(PointOr(g_Config.ptDbClickSpeed, 560, led ? 260 : 315), 331, 12);
    r.moveLabel = LabelOf(r.moveSpeed);
    r.scrollLabel = LabelOf(r.scrollSpeed);
    r.dbClickLabel = LabelOf(r.dbClickSpeed);

    // Four rates share the row that three 91 px buttons with 15 px gaps once filled.
    r.rate[0] = At(PointOr(g_Config.ptRate, 520, led ? 330 : 410), 66, 27);
    for (int i = 1; i < kRateButtons; ++i)
        r.rate[i] = QRect(r.rate[i - 1].x() + r.rate[i - 1].width() + 13, r.rate[0].y(), 66, 27);

    r.dpi[0] = At(PointOr(g_Config.ptDPI, 520, led ? 415 : 513), 91, 27);
    for (int i = 1; i < 8; ++i)
        r.dpi[i] = QRect(r.dpi[i - 1].x() + r.dpi[i - 1].width() + 12, r.dpi[0].y(), 91, 27);

    r.light[0] = At(PointOr(g_Config.ptLight, 520, 503), 76, 27);
    for (int i = 1; i < 5; ++i)
        r.light[i] =
            QRect(r.light[i - 1].x() + r.light[i - 1].width() + 10, r.light[0].y(), 76, 27);
    const QRect& l5 = r.light[4];
    r.pickColor = QRect(l5.x() + l5.width() + 15, l5.y() - 25, 73, 73);
    return r;
}

QPoint FunctionMenuPoint(QRect rect, int menuW, int menuItems, int screenHeight, int* menuWidth) {
    // Widen a narrow button's rectangle on both sides so the menu gets MenuW pixels.
    int left = rect.x();
    int right = rect.x() + rect.width();
    if (menuW != 0 && right - left < menuW) {
        const int diff = menuW - (right - left);
        left -= diff / 2;
        right = left + menuW;
    }
    const int top = rect.y();
    const int bottom = rect.y() + rect.height();
    const int h = menuItems * 20;
    if (menuWidth) *menuWidth = right - left - 4;
    if (bottom + h > screenHeight) return QPoint(left, top - h);
    return QPoint(left, bottom);
}
