#include "skin/image.h"

#include <QWidget>

#include <gtest/gtest.h>

#include "skin_test_util.h"

namespace {

using skin_test::Solid;

constexpr uint32_t kKey = 0x00FF00;  // green, 0x00BBGGRR

TEST(BitmapToRegion, ToleranceDecidesWhichPixelsAreCut) {
    struct Case {
        QRgb pixel;
        int tolerance;
        bool inside;
    };
    const Case cases[] = {
        {qRgb(0, 255, 0), 0, false},    {qRgb(0, 250, 0), 0, true},   {qRgb(0, 250, 0), 10, false},
        {qRgb(10, 245, 10), 10, false}, {qRgb(11, 255, 0), 10, true}, {qRgb(0, 255, 11), 10, true},
        {qRgb(255, 0, 255), 10, true},
    };
    for (const Case& c : cases) {
        QImage image(3, 1, QImage::Format_RGB32);
        image.fill(QColor(0, 255, 0));
        image.setPixel(1, 0, c.pixel);
        const QRegion region = BitmapToRegion(image, kKey, c.tolerance);
        EXPECT_EQ(region.contains(QPoint(1, 0)), c.inside)
            << std::hex << c.pixel << " tolerance " << std::dec << c.tolerance;
        EXPECT_FALSE(region.contains(QPoint(0, 0)));
    }
}

TEST(BitmapToRegion, UpperBoundIsCappedAt255) {
    // Key blue 250 with tolerance 10: 255 is within [240, 255] and must be cut.
    QImage image(1, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(0, 0, 255));
    EXPECT_TRUE(BitmapToRegion(image, 0xFA0000, 10).isEmpty());
}

TEST(BitmapToRegion, MatchesThePixelsOverManyBatches) {
    // A striped, holed pattern gives more than two batches of runs; every pixel must agree.
    QImage image(240, 120, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const bool cut = (x / 3 + y) % 4 == 0 || (x * 7 + y * 13) % 11 == 0;
            image.setPixel(x, y, cut ? qRgb(0, 255, 0) : qRgb(30, 40, 50));
        }
    const QRegion region = BitmapToRegion(image, kKey, 0);
    ASSERT_GT(region.rectCount(), 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(region.contains(QPoint(x, y)), image.pixel(x, y) != qRgb(0, 255, 0))
                << x << "," << y;
}

TEST(ShapeWindow, SoftEdgesAreFlattenedOntoTheKeyColour) {
    QImage face = Solid(4, 1, Qt::transparent);
    face.setPixelColor(1, 0, QColor(200, 50, 50, 255));  // opaque
    face.setPixelColor(2, 0, QColor(200, 50, 50, 6));    // almost transparent edge
    face.setPixelColor(3, 0, QColor(0, 0, 0, 0));        // fully transparent

    const QImage flat = FlattenOnKey(face, kKey);
    EXPECT_EQ(flat.pixel(3, 0), qRgb(0, 255, 0));
    const QRegion strict = BitmapToRegion(flat, kKey, 0);
    const QRegion loose = BitmapToRegion(flat, kKey, 10);
    EXPECT_TRUE(strict.contains(QPoint(1, 0)));
    EXPECT_TRUE(strict.contains(QPoint(2, 0)));  // tolerance 0 keeps the soft edge
    EXPECT_FALSE(loose.contains(QPoint(2, 0)));  // tolerance 10 cuts it
    EXPECT_FALSE(strict.contains(QPoint(3, 0)));

    QWidget window;
    window.resize(4, 1);
    EXPECT_TRUE(ShapeWindowFromImage(&window, face, kKey, 0));
    EXPECT_EQ(window.mask(), strict);
}

TEST(ShapeWindow, AnImageWithoutInsidePixelsKeepsTheRectangle) {
    QWidget window;
    window.resize(5, 5);
    EXPECT_FALSE(ShapeWindowFromImage(&window, Solid(5, 5, Qt::transparent), kKey, 0));
    EXPECT_TRUE(window.mask().isEmpty());
}

TEST(CloneArea, CopiesInsideAndRefusesPiecesReachingOutside) {
    QImage source = Solid(10, 8, Qt::red);
    source.setPixelColor(4, 3, Qt::blue);
    const QImage piece = CloneArea(source, 4, 3, 2, 2);
    ASSERT_EQ(piece.size(), QSize(2, 2));
    EXPECT_EQ(piece.format(), source.format());
    EXPECT_EQ(piece.pixelColor(0, 0), QColor(Qt::blue));

    EXPECT_TRUE(CloneArea(source, 9, 0, 2, 2).isNull());
    EXPECT_TRUE(CloneArea(source, -1, 0, 2, 2).isNull());
    EXPECT_TRUE(CloneArea(source, 0, 0, 0, 2).isNull());
    EXPECT_TRUE(CloneArea(QImage(), 0, 0, 1, 1).isNull());
}

TEST(LoadSkinImage, MissingOrBrokenFilesGiveWidthZero) {
    skin_test::SkinFolder skins;
    skins.Add("ok.png", Solid(7, 3, Qt::green));
    EXPECT_EQ(LoadSkinImage("ok.png").size(), QSize(7, 3));
    EXPECT_EQ(LoadSkinImage("absent.png").width(), 0);
    testing_support::TempDir dir;
    EXPECT_EQ(LoadImageFile(dir.Write("bad.png", "not a picture")).width(), 0);
}

TEST(SkinPath, IsCutAt259Characters) {
    skin_test::SkinFolder skins;
    EXPECT_EQ(SkinPath("a.png"), g_szAppDir + "skins/a.png");
    EXPECT_EQ(SkinPath(std::string(400, 'x')).size(), 259u);
}

TEST(ColorFromRef, RedIsTheLowByte) {
    EXPECT_EQ(ColorFromRef(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ColorFromRef(0x030201), QColor(1, 2, 3));
}

}  // namespace
