// Skin pictures on scaled screens: the "@2x" picture is drawn where the device has the pixels,
// the 1x picture everywhere else, and a broken "@2x" file is left out.
#include <QPainter>

#include <fstream>

#include <gtest/gtest.h>

#include "skin/image.h"
#include "skin/png_btn.h"
#include "skin/png_slider_bar.h"
#include "skin_test_util.h"

namespace {

using skin_test::Solid;

// A 12x4 picture with a white one-pixel column at x 6; its sharp picture (24x8) has a white
// column one device pixel wide at x 13, a line no enlargement of the 1x picture can give.
QImage Base() {
    QImage image = Solid(12, 4, Qt::black);
    for (int y = 0; y < 4; ++y) image.setPixelColor(6, y, Qt::white);
    return image;
}

QImage Sharp() {
    QImage image = Solid(24, 8, Qt::black);
    for (int y = 0; y < 8; ++y) image.setPixelColor(13, y, Qt::white);
    return image;
}

// The widget as it shows on a screen of scale dpr.
QImage Render(QWidget& widget, qreal dpr) {
    QImage image(widget.size() * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    widget.render(&image);
    return image.convertToFormat(QImage::Format_ARGB32);
}

QImage Argb(const QImage& image) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    out.setDevicePixelRatio(1);
    return out;
}

// A button cut from (4, 0, 6, 4) of the picture, as the windows cut theirs from a face.
void CutButton(CPngBtn& btn, const QImage& face) {
    btn.resize(6, 4);
    btn.SetImages(QRect(4, 0, 6, 4), face, face, face);
}

TEST(SharpSkin, AScaledScreenShowsTheSharpPictureAndScaleOneTheSameAsBefore) {
    skin_test::SkinFolder skins;
    skins.Add("face.png", Base());
    skins.Add("face@2x.png", Sharp());
    const SkinImage face = LoadSkinImage("face.png");
    ASSERT_EQ(face.size(), QSize(12, 4));  // the layout's size is the 1x picture's
    ASSERT_EQ(face.Sharp().size(), QSize(24, 8));

    CPngBtn btn;
    CutButton(btn, face);
    const QImage twice = Render(btn, 2);
    EXPECT_EQ(Argb(twice), Argb(Sharp().copy(8, 0, 12, 8)));
    for (int x = 0; x < 12; ++x) {  // one device pixel wide, nothing blended beside it
        const QRgb px = twice.pixel(x, 3);
        EXPECT_EQ(px, x == 5 ? 0xFFFFFFFFu : 0xFF000000u) << "device column " << x;
    }

    // At scale 1 the sharp picture plays no part: the button looks as one without it.
    CPngBtn plain;
    CutButton(plain, Base());
    EXPECT_EQ(Render(btn, 1), Render(plain, 1));
    EXPECT_EQ(Render(btn, 1), Argb(Base().copy(4, 0, 6, 4)));
}

// A slider bar composes its track over the face once: the sharp track is composed too.
TEST(SharpSkin, ASliderBarsTrackIsComposedSharp) {
    skin_test::SkinFolder skins;
    skins.Add("face.png", Base());
    skins.Add("face@2x.png", Sharp());
    const SkinImage face = LoadSkinImage("face.png");
    CPngSliderBar bar(nullptr, nullptr);
    bar.resize(12, 4);
    bar.ComposePictures(face, QRect(0, 0, 12, 4), Solid(1, 1, Qt::transparent), QImage());
    EXPECT_EQ(Argb(Render(bar, 2)), Argb(Sharp()));
    EXPECT_EQ(Argb(Render(bar, 1)), Argb(Base()));
}

TEST(SharpSkin, ABrokenSharpFileIsLeftOutAndLogged) {
    struct Case {
        const char* what;
        QImage sharp;
        const char* bytes;  // written instead of sharp when set
    };
    const Case cases[] = {
        {"wrong size", Solid(23, 8, Qt::white), nullptr},
        {"three times", Solid(36, 12, Qt::white), nullptr},
        {"one pixel", Solid(1, 1, Qt::white), nullptr},
        {"not a picture", QImage(), "\x89PNG\r\n garbage"},
    };
    for (const Case& c : cases) {
        skin_test::SkinFolder skins;
        skins.Add("face.png", Base());
        if (c.bytes)
            std::ofstream(skins.Dir() + "/skins/face@2x.png") << c.bytes;
        else
            skins.Add("face@2x.png", c.sharp);
        testing_support::LogCapture log;
        const SkinImage face = LoadSkinImage("face.png");
        EXPECT_EQ(face.size(), QSize(12, 4)) << c.what;
        EXPECT_TRUE(face.Sharp().isNull()) << c.what;
        EXPECT_TRUE(log.Contains("face@2x.png")) << c.what;
        CPngBtn btn;
        CutButton(btn, face);
        CPngBtn plain;
        CutButton(plain, Base());
        EXPECT_EQ(Render(btn, 2), Render(plain, 2)) << c.what;
    }
}

}  // namespace
