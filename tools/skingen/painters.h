// The skin generator's painters, one family per file. Each hands its pictures to save.
#pragma once

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QString>

#include <functional>

#include "draw_kit.h"

namespace skingen {

using SaveFn = std::function<void(const QString& name, const Picture& picture)>;

void PaintControls(const SaveFn& save);  // buttons, switches, bars, lamps, check boxes
void PaintIcons(const SaveFn& save);     // panel icons, key numbers, macro icons, palette
QImage PaintAppIcon(int size);           // appico.ico
// The macro editor's layout values of cfg.ini ("rcMacroList", "rcKeyList", "Macro_Opt_X"),
// the program's defaults when absent.
struct MacroLayout {
    QRect macroList{QPoint(84, 76), QPoint(286, 394)};
    QRect keyList{QPoint(326, 76), QPoint(498, 394)};
    int optX = 580;
};
// Window faces, menu rows, progress; the main face is mainWidth wide, its glow centred at glow.
void PaintWindows(const SaveFn& save, int mainWidth, QPointF glow, const MacroLayout& macro);

// One model's key mark, left/top/right/bottom in picture coordinates.
struct MarkRect {
    int left, top, right, bottom;
};
// The model's top view: plain (highlighted false) or with every key area lit.
Picture PaintMousePicture(int width, int height, const QList<MarkRect>& marks, bool highlighted);

}  // namespace skingen
