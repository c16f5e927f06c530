#include "skin/image.h"

#include <QFileInfo>
#include <QString>
#include <QVector>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/log.h"
#include "core/paths.h"
#include "skin/skin_files.h"

namespace {
constexpr size_t kMaxPathChars = 259;
constexpr int kRegionBatch = 2000;  // rectangles turned into a region at a time
}  // namespace

QColor ColorFromRef(uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

std::string SkinPath(const std::string& fileName) {
    std::string path = g_szAppDir + "skins/" + fileName;
    if (path.size() > kMaxPathChars) path.resize(kMaxPathChars);
    return path;
}

QImage LoadImageFile(const std::string& path) {
    QImage image;
    if (path.empty() || !image.load(QString::fromStdString(path))) return QImage();
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

SkinImage::SkinImage(const QImage& image) : QImage(image) {
    if (const auto* skin = dynamic_cast<const SkinImage*>(&image)) m_sharp = skin->m_sharp;
}

SkinImage::SkinImage(const QImage& base, const QImage& sharp) : QImage(base) {
    if (!base.isNull() && sharp.size() == base.size() * kDoubledScale) {
        m_sharp = sharp;
        m_sharp.setDevicePixelRatio(kDoubledScale);
    }
}

QImage SharpOf(const QImage& image) {
    const auto* skin = dynamic_cast<const SkinImage*>(&image);
    return skin ? skin->Sharp() : QImage();
}

SkinImage LoadSkinImageFile(const std::string& path) {
    const QImage base = LoadImageFile(path);
    if (base.isNull()) return SkinImage();
    const std::string sharpPath = DoubledSkinName(path);
    if (!QFileInfo::exists(QString::fromStdString(sharpPath))) return SkinImage(base);
    const QImage sharp = LoadImageFile(sharpPath);
    if (sharp.size() != base.size() * kDoubledScale) {
        g_pfnLog("LoadSkinImage: %s is %dx%d, not twice the %dx%d picture; not used",
                 sharpPath.c_str(), sharp.width(), sharp.height(), base.width(), base.height());
        return SkinImage(base);
    }
    return SkinImage(base, sharp);
}

SkinImage LoadSkinImage(const std::string& fileName) {
    return LoadSkinImageFile(SkinPath(fileName));
}

SkinImage CloneArea(const QImage& image, int x, int y, int w, int h) {
    if (image.isNull() || w <= 0 || h <= 0) return SkinImage();
    const QRect area(x, y, w, h);
    if (!image.rect().contains(area)) return SkinImage();
    const QImage sharp = SharpOf(image);
    if (sharp.isNull()) return SkinImage(image.copy(area));
    const int s = kDoubledScale;
    return SkinImage(image.copy(area), sharp.copy(QRect(x * s, y * s, w * s, h * s)));
}

namespace {

// The scale of the target's device pixels to its coordinates.
qreal DeviceScale(const QPainter& target) {
    const qreal dpr = target.device() ? target.device()->devicePixelRatio() : 1.0;
    return std::max(dpr, target.deviceTransform().m11());
}

}  // namespace

namespace {

// Draws the part of the sharp picture that srcRect of the 1x picture stands for.
void DrawSharp(QPainter& target, const QImage& sharp, const QRectF& destRect,
               const QRect& srcRect) {
    const qreal s = kDoubledScale;
    const QRectF from(srcRect.x() * s, srcRect.y() * s, srcRect.width() * s, srcRect.height() * s);
    const bool smooth = target.testRenderHint(QPainter::SmoothPixmapTransform);
    target.setRenderHint(QPainter::SmoothPixmapTransform);  // for scales between 1 and 2
    target.drawImage(destRect, sharp, from);
    target.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}

}  // namespace

void DrawImage(QPainter& target, const QImage& image, const QRect& destRect, const QRect& srcRect) {
    if (image.isNull() || destRect.isEmpty() || srcRect.isEmpty()) return;
    const QImage sharp = SharpOf(image);
    if (sharp.isNull() || DeviceScale(target) <= 1.0) {
        target.drawImage(destRect, image, srcRect);
        return;
    }
    DrawSharp(target, sharp, QRectF(destRect), srcRect);
}

void DrawImage(QPainter& target, const QImage& image, const QRectF& destRect,
               const QRect& srcRect) {
    if (image.isNull() || destRect.isEmpty() || srcRect.isEmpty()) return;
    const QImage sharp = SharpOf(image);
    if (sharp.isNull() || DeviceScale(target) <= 1.0) {
        target.drawImage(destRect, image, QRectF(srcRect));
        return;
    }
    DrawSharp(target, sharp, destRect, srcRect);
}

void DrawImageAt(QPainter& target, const QImage& image, int x, int y) {
    if (image.isNull()) return;
    if (!SharpOf(image).isNull() && DeviceScale(target) > 1.0) {
        DrawImage(target, image, QRect(QPoint(x, y), image.size()), image.rect());
        return;
    }
    target.drawImage(QPoint(x, y), image);
}

qreal PaintScale(const QWidget* widget, const QPainter& painter) {
    const qreal dpr = widget ? widget->devicePixelRatioF() : 1.0;
    return std::max<qreal>({1.0, dpr, painter.deviceTransform().m11()});
}

QImage NewCanvas(const QSize& logical, qreal scale) {
    if (scale <= 1.0) {
        QImage canvas(logical, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        return canvas;
    }
    QImage canvas(QSize(static_cast<int>(std::ceil(logical.width() * scale)),
                        static_cast<int>(std::ceil(logical.height() * scale))),
                  QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(scale);
    canvas.fill(Qt::transparent);
    return canvas;
}

SkinImage ComposeSkinImage(const QSize& logical, const std::function<void(QPainter&)>& draw) {
    auto at = [&](qreal scale) {
        QImage canvas = NewCanvas(logical, scale);
        QPainter p(&canvas);
        draw(p);
        p.end();
        return canvas;
    };
    return SkinImage(at(1), at(kDoubledScale));
}

void FillArgb(QPainter& target, const QRect& rect, uint32_t argb) {
    target.fillRect(rect, QColor::fromRgba(argb));
}

QImage FlattenOnKey(const QImage& image, uint32_t keyColour) {
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(ColorFromRef(keyColour));
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    return flat;
}

QRegion BitmapToRegion(const QImage& image, uint32_t keyColour, int tolerance) {
    QRegion region;
    if (image.isNull()) return region;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const int kr = keyColour & 0xFF, kg = (keyColour >> 8) & 0xFF, kb = (keyColour >> 16) & 0xFF;
    auto within = [tolerance](int v, int k) {
        return v >= k - tolerance && v <= std::min(k + tolerance, 255);
    };
    auto outside = [&](QRgb px) {
        return within(qRed(px), kr) && within(qGreen(px), kg) && within(qBlue(px), kb);
    };

    std::vector<QRect> runs;
    auto flush = [&]() {
        if (runs.empty()) return;
        QRegion batch;
        // The runs are already in top-to-bottom, left-to-right bands, as setRects expects.
        batch.setRects(runs.data(), static_cast<int>(runs.size()));
        region += batch;
        runs.clear();
    };
    const int w = rgb.width();
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        int x = 0;
        while (x < w) {
            while (x < w && outside(line[x])) ++x;
            const int start = x;
            while (x < w && !outside(line[x])) ++x;
            if (x > start) {
                runs.emplace_back(start, y, x - start, 1);
                if (static_cast<int>(runs.size()) == kRegionBatch) flush();
            }
        }
    }
    flush();
    return region;
}

void ClipToShape(QPainter& painter, const QWidget* window) {
    if (window && !window->mask().isEmpty()) painter.setClipRegion(window->mask());
}

bool ShapeWindowFromImage(QWidget* window, const QImage& background, uint32_t keyColour,
                          int tolerance) {
    if (!window || background.isNull()) return false;
    const QRegion region =
        BitmapToRegion(FlattenOnKey(background, keyColour), keyColour, tolerance);
    if (region.isEmpty()) return false;
    // The mask shapes the window where the window system can (X11) and takes clicks only
    // inside it; a compositor that draws windows whole (Wayland) shows the see-through
    // background the window's painting leaves outside the mask instead of the key colour.
    if (!window->testAttribute(Qt::WA_WState_Created)) {
        window->setAttribute(Qt::WA_OpaquePaintEvent, false);  // outside the shape it is not
        window->setAttribute(Qt::WA_TranslucentBackground);
    }
    window->setMask(region);
    window->update();
    return true;
}
