// Skin images and the drawing helpers every skinned window and control uses. An image whose
// width is 0 counts as not loaded: callers report it or simply do not draw it.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRegion>

#include <cstdint>
#include <string>

class QWidget;

// Colour of a 0x00BBGGRR value (red in the low byte), opaque.
QColor ColorFromRef(uint32_t bgr);

// "<program folder>skins/<fileName>", cut at 259 characters.
std::string SkinPath(const std::string& fileName);

// Loads a PNG (or any image Qt reads) from path; an image of width 0 when missing or unreadable.
QImage LoadImageFile(const std::string& path);
// Loads "<program folder>skins/<fileName>"; width 0 when missing or unreadable.
QImage LoadSkinImage(const std::string& fileName);

// A copy of the rectangle (x, y, w, h) of image in its pixel format; a null image (width 0)
// when the rectangle is empty or not wholly inside the image.
QImage CloneArea(const QImage& image, int x, int y, int w, int h);

// Draws srcRect of image scaled into destRect with alpha blending; a null image draws nothing.
void DrawImage(QPainter& target, const QImage& image, const QRect& destRect, const QRect& srcRect);
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
