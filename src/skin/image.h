// Skin images and the drawing helpers every skinned window and control uses. An image whose
// width is 0 counts as not loaded: callers report it or simply do not draw it.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRegion>

#include <cstdint>
#include <functional>
#include <string>

class QWidget;

// A skin picture. As a QImage it is the 1x picture, whose size is the layout's (rectangles,
// masks and hit zones come from it); it may also hold the same picture drawn at twice the size,
// which DrawImage and DrawImageAt take on a device scaled above 1 so that the skin stays as
// sharp as the text. Passed on as a QImage reference it keeps the sharp picture; copied into a
// plain QImage it is only the 1x one.
class SkinImage : public QImage {
  public:
    SkinImage() = default;
    // A QImage that is a SkinImage keeps its sharp picture.
    SkinImage(const QImage& image);  // NOLINT(google-explicit-constructor): a plain image is one
    // sharp is kept only when it is exactly twice base's size.
    SkinImage(const QImage& base, const QImage& sharp);
    // The picture at twice the size (device pixel ratio 2); null when there is none.
    const QImage& Sharp() const { return m_sharp; }

  private:
    QImage m_sharp;
};

// The sharp picture of image when it is a SkinImage with one; null otherwise.
QImage SharpOf(const QImage& image);

// Colour of a 0x00BBGGRR value (red in the low byte), opaque.
QColor ColorFromRef(uint32_t bgr);

// "<program folder>skins/<fileName>", cut at 259 characters.
std::string SkinPath(const std::string& fileName);

// Loads a PNG (or any image Qt reads) from path; an image of width 0 when missing or unreadable.
QImage LoadImageFile(const std::string& path);
// Loads a skin picture from path with its sharp picture from the "@2x" file beside it when that
// exists; a sharp picture of the wrong size is left out (and logged). Width 0 when the picture
// itself is missing or unreadable.
SkinImage LoadSkinImageFile(const std::string& path);
// Loads "<program folder>skins/<fileName>" the same way.
SkinImage LoadSkinImage(const std::string& fileName);

// A copy of the rectangle (x, y, w, h) of image in its pixel format, with the same part of its
// sharp picture; a null image (width 0) when the rectangle is empty or not wholly inside.
SkinImage CloneArea(const QImage& image, int x, int y, int w, int h);

// The scale from the widget's coordinates to device pixels, also when it is rendered into a
// scaled image (a grab at a device pixel ratio); at least 1.
qreal PaintScale(const QWidget* widget, const QPainter& painter);
// A transparent canvas of the logical size at scale: painted in logical coordinates, drawn at
// the logical size. At scale 1 it is the plain image of that size.
QImage NewCanvas(const QSize& logical, qreal scale);
// A picture composed by draw at scale 1 and, for scaled screens, at scale 2.
SkinImage ComposeSkinImage(const QSize& logical, const std::function<void(QPainter&)>& draw);

// Draws srcRect of image scaled into destRect with alpha blending; a null image draws nothing.
// Rectangles are in the 1x picture's pixels; on a device scaled above 1 the sharp picture of a
// SkinImage is drawn in its place.
void DrawImage(QPainter& target, const QImage& image, const QRect& destRect, const QRect& srcRect);
// The same into a destination that need not lie on whole logical pixels.
void DrawImage(QPainter& target, const QImage& image, const QRectF& destRect, const QRect& srcRect);
// Draws the whole image at its natural size with its top-left corner at (x, y).
void DrawImageAt(QPainter& target, const QImage& image, int x, int y);
// Fills rect with a colour with alpha, argb = 0xAARRGGBB.
void FillArgb(QPainter& target, const QRect& rect, uint32_t argb);

// The image blended over an opaque key colour (0x00BBGGRR): fully transparent pixels become
// exactly the key colour.
QImage FlattenOnKey(const QImage& image, uint32_t keyColour);

// Region of the pixels whose red, green and blue are not all within tolerance of the key
// colour's; built from one-pixel-high runs row by row. Empty when no pixel is inside.
QRegion BitmapToRegion(const QImage& image, uint32_t keyColour, int tolerance);

// Flattens background onto the key colour and masks window with the resulting region; a
// window not yet created also gets a see-through background, which its painting (clipped by
// ClipToShape) leaves outside the region. Returns false (the window keeps its rectangular
// shape) when the region is empty.
bool ShapeWindowFromImage(QWidget* window, const QImage& background, uint32_t keyColour,
                          int tolerance);
// Clips painter to window's mask, when it has one.
void ClipToShape(QPainter& painter, const QWidget* window);
