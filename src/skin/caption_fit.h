// The one rule for captions in every window: a caption is drawn in its window's font at that
// font's one size. Where it is wider than its room it is cut with an ellipsis, and the control
// shows the whole text as its tool tip; it is never drawn smaller.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

struct FittedCaption {
    QString shown;        // what is drawn: the caption, or its elided form
    bool elided = false;  // true when shown is cut
};

// Pixels text needs on one line in font (its advance rounded up, so a caption that is reported
// to fit is never cut).
int CaptionWidth(const QFont& font, const QString& text);

// The caption as it is drawn in width pixels of font.
FittedCaption FitCaption(const QFont& font, const QString& text, int width);

// Draws text on one line in rect with the painter's font and pen (align: horizontal and
// vertical alignment flags); returns true when it had to be elided.
bool DrawFittedCaption(QPainter& painter, const QRect& rect, const QString& text, int align);
