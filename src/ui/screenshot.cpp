#include "ui/screenshot.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QWidget>

int RenderWidgetToPng(QWidget* widget, const std::string& path) {
    if (!widget || path.empty()) return 0;
    const QString file = QString::fromStdString(path);
    QDir().mkpath(QFileInfo(file).absolutePath());
    // grab() renders the widget and its children through the normal paint path, also for a
    // window that is not on screen.
    const QPixmap picture = widget->grab();
    if (picture.isNull()) return 0;
    return picture.save(file, "PNG") ? 1 : 0;
}
