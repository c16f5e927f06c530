// Draws every skin picture of the program into a skin folder, plus the program icon.
// Usage: skingen <skin folder> <icon file> [cfg.ini]
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <map>

#include "painters.h"
#include "skin/skin_files.h"

namespace {

struct ModelPicture {
    int cid = 0, mid = 0, sensor = 0;
    QPoint ptMark{337, 65};
    QList<skingen::MarkRect> marks;
};

struct CfgLayout {
    int ptMinX = kDefaultPtMinX;
    skingen::MacroLayout macro;
    std::map<QString, ModelPicture> models;  // by section name, in use only
};

// A point "x, y"; fallback when it does not give two numbers.
QPoint ReadPoint(const QString& text, QPoint fallback) {
    const QStringList parts = text.split(',', Qt::SkipEmptyParts);
    if (parts.size() != 2) return fallback;
    return QPoint(parts[0].trimmed().toInt(), parts[1].trimmed().toInt());
}

// A rectangle "left, top, right, bottom" (right and bottom exclusive); fallback when it does not
// give four numbers or is empty.
QRect ReadRect(const QString& text, QRect fallback) {
    const QStringList parts = text.split(',', Qt::SkipEmptyParts);
    if (parts.size() != 4) return fallback;
    const int l = parts[0].trimmed().toInt(), t = parts[1].trimmed().toInt();
    const int r = parts[2].trimmed().toInt(), b = parts[3].trimmed().toInt();
    if (r <= l || b <= t) return fallback;
    return QRect(QPoint(l, t), QPoint(r - 1, b - 1));
}

// What the pictures depend on in cfg.ini: "ptMin" and the macro editor's layout of section
// OPT, and each model's codes, "ptMark" and key marks ("Mark%d" = x, y, w, h).
CfgLayout ReadCfg(const QString& path) {
    CfgLayout layout;
    auto& models = layout.models;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return layout;
    QTextStream in(&file);
    QString section;
    std::map<QString, std::map<QString, QString>> keys;
    while (!in.atEnd()) {
        QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) continue;
        if (line.startsWith('[') && line.endsWith(']')) {
            section = line.mid(1, line.size() - 2).trimmed().toUpper();
            continue;
        }
        const int eq = line.indexOf('=');
        if (eq <= 0) continue;
        if (section == "OPT") {
            const QString key = line.left(eq).trimmed().toUpper();
            const QString value = line.mid(eq + 1);
            if (key == "PTMIN") {
                const QPoint pt = ReadPoint(value, QPoint(kDefaultPtMinX, 10));
                if (pt.x() > 0 && pt.x() < 4000) layout.ptMinX = pt.x();
            } else if (key == "RCMACROLIST") {
                layout.macro.macroList = ReadRect(value, layout.macro.macroList);
            } else if (key == "RCKEYLIST") {
                layout.macro.keyList = ReadRect(value, layout.macro.keyList);
            } else if (key == "MACRO_OPT_X") {
                bool ok = false;
                const int x = value.trimmed().toInt(&ok, 0);
                if (ok && x > 0 && x < 4000) layout.macro.optX = x;
            }
        }
        if (!section.startsWith("DEV_")) continue;
        keys[section][line.left(eq).trimmed().toUpper()] = line.mid(eq + 1).trimmed();
    }
    for (auto& [name, values] : keys) {
        ModelPicture m;
        m.cid = values["CID"].toInt(nullptr, 0);
        m.mid = values["MID"].toInt(nullptr, 0);
        m.sensor = values["SENSOR"].toInt(nullptr, 0);
        m.ptMark = ReadPoint(values["PTMARK"], m.ptMark);
        for (int n = 1; n <= 16; ++n) {
            const QString v = values[QString("MARK%1").arg(n)];
            if (v.isEmpty()) break;  // an absent mark ends the list
            const QStringList parts = v.split(',', Qt::SkipEmptyParts);
            if (parts.size() != 4) continue;
            const int x = parts[0].trimmed().toInt(), y = parts[1].trimmed().toInt();
            const int w = parts[2].trimmed().toInt(), h = parts[3].trimmed().toInt();
            m.marks.push_back({x, y, x + w, y + h});
        }
        if (m.sensor != 0) models[name] = m;
    }
    return layout;
}

QSize MousePictureSize(const ModelPicture& m) {
    int w = kMousePictureMinWidth, h = kMousePictureMinHeight;
    for (const auto& r : m.marks) {
        w = std::max(w, r.right + 12);
        h = std::max(h, r.bottom + 12);
    }
    return QSize(w, h);
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: skingen <skin folder> <icon file> [cfg.ini]\n");
        return 2;
    }
    const QString skinDir = QString::fromLocal8Bit(argv[1]);
    int failures = 0;
    std::map<QString, QSize> expected;
    for (const SkinFileSpec& spec : kSkinFiles)
        expected[spec.name] = QSize(spec.width, spec.height);

    auto write = [&](const QString& name, const QImage& image) {
        const QString path = skinDir + "/" + name;
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!image.save(path, "PNG")) {
            std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(path));
            ++failures;
        }
    };
    auto save = [&](const QString& name, const skingen::Picture& picture) {
        const auto it = expected.find(name);
        if (it != expected.end() &&
            (it->second != picture.x1.size() || it->second * kDoubledScale != picture.x2.size())) {
            std::fprintf(stderr, "skingen: %s drawn at the wrong size\n", qPrintable(name));
            ++failures;
        }
        write(name, picture.x1);
        write(QString::fromStdString(DoubledSkinName(name.toStdString())), picture.x2);
        expected.erase(name);
    };
    const CfgLayout layout = argc > 3 ? ReadCfg(QString::fromLocal8Bit(argv[3])) : CfgLayout();
    const int mainWidth = MainFaceWidth(layout.ptMinX);
    expected["main_nr.png"] = QSize(mainWidth, 640);
    // The glow of the face sits behind the first model's mouse picture.
    QPointF glow(150, 200);
    if (!layout.models.empty()) {
        const ModelPicture& first = layout.models.begin()->second;
        const QSize size = MousePictureSize(first);
        glow =
            QPointF(first.ptMark.x() + size.width() / 2.0, first.ptMark.y() + size.height() / 2.0);
    }
    skingen::PaintWindows(save, mainWidth, glow, layout.macro);
    skingen::PaintControls(save);
    skingen::PaintIcons(save);
    for (const auto& [name, size] : expected) {
        std::fprintf(stderr, "skingen: no painter for %s\n", qPrintable(name));
        ++failures;
    }

    for (const auto& [section, m] : layout.models) {
        const QSize size = MousePictureSize(m);
        const QString folder =
            QString("%1%2").arg(m.cid, 2, 10, QChar('0')).arg(m.mid, 2, 10, QChar('0'));
        save(folder + "/mouse_nr.png",
             skingen::PaintMousePicture(size.width(), size.height(), m.marks, false));
        save(folder + "/mouse_dn.png",
             skingen::PaintMousePicture(size.width(), size.height(), m.marks, true));
    }

    QImageWriter icon(QString::fromLocal8Bit(argv[2]), "ico");
    if (!icon.write(skingen::PaintAppIcon(64))) {
        std::fprintf(stderr, "skingen: cannot write the icon: %s\n",
                     qPrintable(icon.errorString()));
        ++failures;
    }
    // The desktop's icon theme takes PNG: the same icon, large, beside the .ico.
    const QString themeIcon =
        QFileInfo(QString::fromLocal8Bit(argv[2])).dir().filePath("mivora.png");
    if (!skingen::PaintAppIcon(256).save(themeIcon, "PNG")) {
        std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(themeIcon));
        ++failures;
    }
    // The icon theme's sizes for the package, drawn at each size rather than scaled.
    const QString theme = qEnvironmentVariable("MIVORA_ICON_THEME_DIR");
    if (!theme.isEmpty()) {
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
            const QString dir = QString("%1/%2x%2/apps").arg(theme).arg(size);
            if (!QDir().mkpath(dir) ||
                !skingen::PaintAppIcon(size).save(dir + "/mivora.png", "PNG")) {
                std::fprintf(stderr, "skingen: cannot write the %d px icon in %s\n", size,
                             qPrintable(theme));
                ++failures;
            }
        }
    }
    return failures == 0 ? 0 : 1;
}
