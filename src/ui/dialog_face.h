// The face of a skinned dialog that is larger than its skin picture: the picture's corners kept,
// its plain middle stretched and its bottom band (the line above the buttons and their row) kept
// whole; and the fonts its texts are set in.
#pragma once

#include <QFont>
#include <QImage>
#include <QSize>
#include <QString>

#include <string>

#include "skin/image.h"

class CPngBtn;
class QWidget;

// How far the buttons stand above the bottom of a stretched face, and the height of its band.
constexpr int kFaceButtonRow = 50;
constexpr int kFaceBottomBand = 80;

// A dialog's face at scale: back over the whole face (back's size, else fallback when back is
// null) and the dialogs' grey frame round it; the caller paints its texts on top.
QImage FramedFace(const QImage& back, QSize fallback, qreal scale);

// src ("msg_nr.png") stretched to size, with its sharp picture stretched alike; a transparent
// face when src is null.
SkinImage StretchedFace(const QImage& src, QSize size);

// The skin's font for a dialog's text, and the same bold and larger for its title.
QFont DialogTextFont();
QFont DialogTitleFont();
// Height of text wrapped at width in font; 0 for no text.
int WrappedTextHeight(const QFont& font, int width, const QString& text);

// A push button of the skin's small kind on a stretched face at (x, y), in the dialog's button
// colours and at least as wide as its caption (up to maxWidth); null when the skin lacks it.
CPngBtn* NewFaceButton(QWidget* owner, const SkinImage& face, const std::string& caption, int x,
                       int y, int maxWidth);
