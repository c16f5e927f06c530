#include "ui/screenshot.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRegion>
#include <QWidget>

int RenderWidgetToPng(QWidget* widget, const std::string& path, double scale) {
    if (!widget || path.empty()) return 0;
    const QString file = QString::fromStdString(path);
    QDir().mkpath(QFileInfo(file).absolutePath());
    // Rendered through the normal paint path (also for a window that is not on screen) onto a
    // transparent picture, and a shaped window only inside its shape, as the screen shows it.
    const qreal ratio = scale > 0 ? scale : widget->devicePixelRatioF();
    QImage picture((QSizeF(widget->size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    if (picture.isNull()) return 0;
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    widget->render(&picture, QPoint(), widget->mask(), QWidget::DrawChildren);
    return picture.save(file, "PNG") ? 1 : 0;
}
