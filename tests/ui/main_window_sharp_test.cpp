// The main window on a screen scaled by 2 shows the skin's sharp pictures, and at scale 1 the
// same pixels as the 1x pictures.
#include <gtest/gtest.h>

#include <QImage>

#include "main_window_fixture.h"

namespace {

using main_window_test::MainWindowTest;

// The window as a screen of scale dpr shows it.
QImage Render(QWidget& window, qreal dpr) {
    QImage image(window.size() * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::black);
    window.render(&image);
    image.setDevicePixelRatio(1);
    return image.convertToFormat(QImage::Format_ARGB32);
}

QImage Skin(const QString& name) {
    return QImage(QString::fromStdString(testing_support::BinDir()) + "skins/" + name)
        .convertToFormat(QImage::Format_ARGB32);
}

// Device pixels of shown at `at` that differ from the opaque pixels of picture, inset by
// `inset` so that the picture's antialiased rim over the face does not count.
int Differences(const QImage& shown, QPoint at, const QImage& picture, int inset) {
    int differ = 0;
    for (int y = inset; y < picture.height() - inset; ++y)
        for (int x = inset; x < picture.width() - inset; ++x) {
            const QRgb want = picture.pixel(x, y);
            if (qAlpha(want) != 255) continue;
            if (shown.pixel(at.x() + x, at.y() + y) != want) ++differ;
        }
    return differ;
}

// The key numbers beside the key list are skin pictures drawn on the face: their digits show
// the sharp picture's pixels at scale 2, where an enlarged 1x picture would be blocky, and the
// 1x picture's pixels at scale 1.
TEST_F(MainWindowTest, KeyNumbersAreSharpAtScaleTwoAndUnchangedAtOne) {
    const QRect kb = m_window->KeyButton(0)->geometry();
    const QPoint at(kb.x() - 22, kb.y() + 2);  // where the face draws "number1.png"
    const QImage one = Skin("number1.png"), two = Skin("number1@2x.png");
    ASSERT_EQ(two.size(), one.size() * 2);

    EXPECT_EQ(0, Differences(Render(*m_window, 1), at, one, 2));
    EXPECT_EQ(0, Differences(Render(*m_window, 2), at * 2, two, 4));
}

// Buttons cut their look from the skin too: the exit button at scale 2 is its sharp picture.
TEST_F(MainWindowTest, TitleButtonsAreSharpAtScaleTwo) {
    QWidget* exit = nullptr;  // the rightmost title button
    for (CPngBtn* b : m_window->findChildren<CPngBtn*>(Qt::FindDirectChildrenOnly))
        if (b->size() == QSize(29, 29) && (!exit || b->x() > exit->x())) exit = b;
    ASSERT_NE(exit, nullptr);
    const QImage two = Skin("exit_nr@2x.png");
    EXPECT_EQ(0, Differences(Render(*m_window, 2), exit->geometry().topLeft() * 2, two, 4));
}

}  // namespace
