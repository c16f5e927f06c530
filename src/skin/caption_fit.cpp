#include "skin/caption_fit.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

int CaptionWidth(const QFont& font, const QString& text) {
    // The integer advance is rounded to nearest: eliding against it cuts texts that fit.
    return static_cast<int>(std::ceil(QFontMetricsF(font).horizontalAdvance(text)));
}

FittedCaption FitCaption(const QFont& font, const QString& text, int width) {
    if (CaptionWidth(font, text) <= width) return {text, false};
    const QString cut = QFontMetricsF(font).elidedText(text, Qt::ElideRight, std::max(0, width));
    return {cut, true};
}

bool DrawFittedCaption(QPainter& painter, const QRect& rect, const QString& text, int align) {
    const FittedCaption fit = FitCaption(painter.font(), text, rect.width());
    painter.drawText(rect, align | Qt::TextSingleLine, fit.shown);
    return fit.elided;
}
