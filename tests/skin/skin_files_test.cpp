// The build's program folder holds every skin picture the windows load, at its laid-out size.
#include <QDir>
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

TEST(SkinFiles, EveryListedPictureExistsWithItsSize) {
    for (const SkinFileSpec& spec : kSkinFiles) {
        const QImage image(BinPath("skins/") + spec.name);
        ASSERT_FALSE(image.isNull()) << spec.name;
        EXPECT_EQ(image.size(), QSize(spec.width, spec.height)) << spec.name;
        EXPECT_TRUE(image.hasAlphaChannel()) << spec.name;
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
    QFile cfg(QString::fromStdString(testing_support::SourceDataDir()) + "cfg.ini");
    if (!cfg.open(QIODevice::ReadOnly | QIODevice::Text)) GTEST_SKIP() << "no cfg.ini shipped";
    QTextStream in(&cfg);
    int cid = -1, mid = -1, models = 0;
    auto check = [&] {
        if (cid < 0 || mid < 0) return;
        const QString folder =
            QString("skins/%1%2/").arg(cid, 2, 10, QChar('0')).arg(mid, 2, 10, QChar('0'));
        const QImage nr(BinPath(folder + "mouse_nr.png")), dn(BinPath(folder + "mouse_dn.png"));
        EXPECT_FALSE(nr.isNull()) << folder.toStdString();
        EXPECT_EQ(nr.size(), dn.size()) << folder.toStdString();
        EXPECT_GE(nr.width(), kMousePictureMinWidth);
        EXPECT_GE(nr.height(), kMousePictureMinHeight);
        ++models;
    };
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith('[')) {
            check();
            cid = mid = -1;
        } else if (line.startsWith("CID=", Qt::CaseInsensitive)) {
            cid = line.mid(4).trimmed().toInt(nullptr, 0);
        } else if (line.startsWith("MID=", Qt::CaseInsensitive)) {
            mid = line.mid(4).trimmed().toInt(nullptr, 0);
        }
    }
    check();
    EXPECT_GT(models, 0);
}

}  // namespace
