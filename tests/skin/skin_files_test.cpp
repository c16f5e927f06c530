// The build's program folder holds every skin picture the windows load, at its laid-out size.
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTextStream>

#include <gtest/gtest.h>

#include "skin/skin_files.h"
#include "support/support.h"

namespace {

QString BinPath(const QString& name) {
    return QString::fromStdString(testing_support::BinDir()) + name;
}

// What the pictures depend on in the shipped cfg.ini: "ptMin" and the models' codes.
struct ShippedLayout {
    bool present = false;
    int ptMinX = kDefaultPtMinX;
    std::vector<std::pair<int, int>> models;  // customer code, model code
};

ShippedLayout ReadShippedCfg() {
    ShippedLayout layout;
    QFile cfg(QString::fromStdString(testing_support::SourceDataDir()) + "cfg.ini");
    if (!cfg.open(QIODevice::ReadOnly | QIODevice::Text)) return layout;
    layout.present = true;
    QTextStream in(&cfg);
    QString section;
    int cid = -1, mid = -1;
    auto flush = [&] {
        if (cid >= 0 && mid >= 0) layout.models.emplace_back(cid, mid);
        cid = mid = -1;
    };
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        const QString key = line.section('=', 0, 0).trimmed().toUpper();
        const QString value = line.section('=', 1).trimmed();
        if (line.startsWith('[')) {
            flush();
            section = line.toUpper();
        } else if (section == "[OPT]" && key == "PTMIN") {
            layout.ptMinX = value.section(',', 0, 0).trimmed().toInt();
        } else if (key == "CID") {
            cid = value.toInt(nullptr, 0);
        } else if (key == "MID") {
            mid = value.toInt(nullptr, 0);
        }
    }
    flush();
    return layout;
}

TEST(SkinFiles, EveryListedPictureExistsWithItsSize) {
    const ShippedLayout layout = ReadShippedCfg();
    for (const SkinFileSpec& spec : kSkinFiles) {
        const QImage image(BinPath("skins/") + spec.name);
        ASSERT_FALSE(image.isNull()) << spec.name;
        QSize expected(spec.width, spec.height);
        if (QString(spec.name) == "main_nr.png") expected.setWidth(MainFaceWidth(layout.ptMinX));
        EXPECT_EQ(image.size(), expected) << spec.name;
        EXPECT_TRUE(image.hasAlphaChannel()) << spec.name;
        // The sharp picture for scaled screens.
        const QString doubled = QString::fromStdString(DoubledSkinName(spec.name));
        const QImage sharp(BinPath("skins/") + doubled);
        ASSERT_FALSE(sharp.isNull()) << doubled.toStdString();
        EXPECT_EQ(sharp.size(), expected * 2) << doubled.toStdString();
    }
}

TEST(SkinFiles, ProgramIconAndFontAreBesideTheProgram) {
    QImageReader icon(BinPath("appico.ico"));
    EXPECT_EQ(icon.format(), "ico");
    EXPECT_FALSE(icon.read().isNull());
    QFile font(BinPath("appfont.ttf"));
    ASSERT_TRUE(font.open(QIODevice::ReadOnly));
    EXPECT_EQ(font.read(4), QByteArray("\x00\x01\x00\x00", 4));  // TrueType outlines
}

TEST(SkinFiles, EveryShippedModelHasItsMousePictures) {
    const ShippedLayout layout = ReadShippedCfg();
    if (!layout.present) GTEST_SKIP() << "no cfg.ini shipped";
    ASSERT_FALSE(layout.models.empty());
    for (auto [cid, mid] : layout.models) {
        const QString folder =
            QString("skins/%1%2/").arg(cid, 2, 10, QChar('0')).arg(mid, 2, 10, QChar('0'));
        const QImage nr(BinPath(folder + "mouse_nr.png")), dn(BinPath(folder + "mouse_dn.png"));
        ASSERT_FALSE(nr.isNull()) << folder.toStdString();
        EXPECT_EQ(nr.size(), dn.size()) << folder.toStdString();
        EXPECT_GE(nr.width(), kMousePictureMinWidth);
        EXPECT_GE(nr.height(), kMousePictureMinHeight);
        for (const char* name : {"mouse_nr.png", "mouse_dn.png"}) {
            const QImage sharp(BinPath(folder + QString::fromStdString(DoubledSkinName(name))));
            EXPECT_EQ(sharp.size(), nr.size() * 2) << folder.toStdString() << name;
        }
    }
}

}  // namespace
