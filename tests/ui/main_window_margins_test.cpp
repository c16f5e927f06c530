// The main window's value labels and colour wheel keep a margin inside the content card, and
// the wheel has no seam when the screen scales by 1.25.
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

#include "skin/face_layout.h"
#include "skin/png_btn.h"
#include "ui/dpi_grid_dlg.h"
#include "ui/main_window_fixture.h"
#include "ui/pick_color_dlg.h"

namespace {

using main_window_test::MainWindowTest;

// The widget drawn as a screen of that scale would show it, in device pixels.
QImage RenderAtScale(QWidget* w, qreal scale) {
    QImage image((QSizeF(w->size()) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::magenta);  // what nothing paints stands out
    w->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    image.setDevicePixelRatio(1);
    return image.convertToFormat(QImage::Format_ARGB32);
}

int Distance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

// The window's content card in client coordinates (right and bottom inclusive).
QRect ContentCard(const QWidget* window) {
    const FaceBox card = MainContentCard(window->width());
    return QRect(QPoint(card.left, card.top), QPoint(card.right - 1, card.bottom - 1));
}

TEST_F(MainWindowTest, PanelControlsKeepAMarginInsideTheCard) {
    ui_test::ClickCentre(m_window->LightButton(3));  // a mode that shows the colour wheel
    ui_test::Pump();
    ASSERT_TRUE(m_window->PickColor()->isVisible());
    const QRect inner = ContentCard(m_window.get())
                            .adjusted(kCardPadding, kCardPadding, -kCardPadding, -kCardPadding);
    std::vector<std::pair<const char*, QWidget*>> controls = {
        {"speed value", m_window->ValueLabel(kIdBarSpeed)},
        {"scroll value", m_window->ValueLabel(kIdBarScroll)},
        {"double-click value", m_window->ValueLabel(kIdBarDbClick)},
        {"colour wheel", m_window->PickColor()}};
    for (int i = 0; i < 5; ++i) controls.push_back({"lighting mode", m_window->LightButton(i)});
    for (int i = 0; i < kRateButtons; ++i) controls.push_back({"rate", m_window->RateButton(i)});
    for (int i = 0; i < 8; ++i)
        if (m_window->DpiGrid(i) && m_window->DpiGrid(i)->isVisible())
            controls.push_back({"DPI stage", m_window->DpiGrid(i)});
    for (const auto& [name, w] : controls) {
        ASSERT_NE(w, nullptr) << name;
        const QRect g = w->geometry();
        EXPECT_TRUE(inner.contains(g))
            << name << " at " << g.x() << "," << g.y() << " " << g.width() << "x" << g.height();
    }
}

TEST_F(MainWindowTest, ColourWheelHasNoSeamAtScaleOneAndAQuarter) {
    ui_test::ClickCentre(m_window->LightButton(3));
    ui_test::Pump();
    CPickColorDlg* picker = m_window->PickColor();
    ASSERT_TRUE(picker->isVisible());
    for (qreal scale : {1.0, 1.25}) {
        SCOPED_TRACE(scale);
        const QImage shot = RenderAtScale(m_window.get(), scale);
        const QRectF box(picker->geometry());
        const QPointF c = box.center() * scale;
        // Around the wheel's ring in steps under a pixel: a seam is a pixel unlike both
        // neighbours a few steps away.
        const qreal ring = box.width() * scale * 0.40;
        constexpr int kSteps = 1440;
        std::vector<QRgb> along;
        for (int i = 0; i < kSteps; ++i) {
            const double a = 2 * M_PI * i / kSteps;
            along.push_back(shot.pixel(
                QPointF(c.x() + ring * std::cos(a), c.y() + ring * std::sin(a)).toPoint()));
        }
        int seams = 0;
        for (int i = 0; i < kSteps; ++i) {
            const QRgb prev = along[(i + kSteps - 4) % kSteps], next = along[(i + 4) % kSteps];
            if (Distance(along[i], prev) > 40 && Distance(along[i], next) > 40) ++seams;
        }
        EXPECT_EQ(seams, 0);
        // The wheel's box does not show: along each edge the picture matches the face just
        // outside it.
        const int top = static_cast<int>(std::floor(box.top() * scale));
        const int bottom = static_cast<int>(std::ceil(box.bottom() * scale));
        int edges = 0;
        for (int x = static_cast<int>(box.left() * scale) + 4; x < box.right() * scale - 4; ++x) {
            // The device rows on either side of each edge, the one the wheel's box ends in first.
            for (int d = 0; d <= 1; ++d) {
                edges += Distance(shot.pixel(x, top - d), shot.pixel(x, top - 5)) > 12;
                edges += Distance(shot.pixel(x, bottom - 1 + d), shot.pixel(x, bottom + 4)) > 12;
            }
        }
        EXPECT_EQ(edges, 0);
    }
}

}  // namespace
