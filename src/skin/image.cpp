#include "skin/image.h"

#include <QString>
#include <QVector>
#include <QWidget>

#include <algorithm>
#include <vector>

#include "core/paths.h"

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

QImage LoadSkinImage(const std::string& fileName) {
    return LoadImageFile(SkinPath(fileName));
}

QImage CloneArea(const QImage& image, int x, int y, int w, int h) {
    if (image.isNull() || w <= 0 || h <= 0) return QImage();
    const QRect area(x, y, w, h);
    if (!image.rect().contains(area)) return QImage();
    return image.copy(area);
}

void DrawImage(QPainter& target, const QImage& image, const QRect& destRect, const QRect& srcRect) {
    if (image.isNull() || destRect.isEmpty() || srcRect.isEmpty()) return;
    target.drawImage(destRect, image, srcRect);
}

void DrawImageAt(QPainter& target, const QImage& image, int x, int y) {
    if (image.isNull()) return;
    target.drawImage(QPoint(x, y), image);
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
