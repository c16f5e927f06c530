// The on-screen display of a DPI stage change: shown near the bottom centre without taking focus
// or clicks, gone after about a second; the mouse's own DPI button shows it from the window.
#include "ui/osd_popup.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "config/program_config.h"
#include "main_window_fixture.h"
#include "ui/mivora_dlg.h"

namespace {

using main_window_test::MainWindowTest;
using main_window_test::WaitUntil;

TEST(OsdPopup, ShowsAtTheBottomCentreWithoutFocusOrClicksThenGoes) {
    COsdPopup osd;
    osd.ShowStage("DPI-2", "X 1600", "Y 800");
    ASSERT_TRUE(osd.isVisible());
    EXPECT_EQ(osd.StageText(), "DPI-2");
    EXPECT_EQ(osd.ValueText(), "X 1600  Y 800");
    const Qt::WindowFlags f = osd.windowFlags();
    EXPECT_TRUE(f & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(f & Qt::WindowTransparentForInput);
    EXPECT_TRUE(f & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(f & Qt::FramelessWindowHint);
    EXPECT_TRUE(osd.testAttribute(Qt::WA_ShowWithoutActivating));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_NEAR(osd.geometry().center().x(), area.center().x(), 1);
    EXPECT_GT(osd.geometry().top(), area.center().y());
    EXPECT_LE(osd.geometry().bottom(), area.bottom());

    // A second change while it shows: new texts, the second starts again.
    QElapsedTimer t;
    t.start();
    osd.ShowStage("DPI-3", "2400", "");
    EXPECT_EQ(osd.ValueText(), "2400");
    ASSERT_TRUE(WaitUntil([&] { return !osd.isVisible(); }, COsdPopup::kShowMs + 2000));
    EXPECT_GE(t.elapsed(), COsdPopup::kShowMs * 9 / 10);  // a coarse timer may end 5% early
}

class OsdWindowTest : public MainWindowTest {};

TEST_F(OsdWindowTest, TheMousesDpiButtonShowsTheNewStage) {
    ASSERT_NE(g_Config.Pop, 0) << "the shipped configuration shows the display";
    EXPECT_EQ(m_window->Osd(), nullptr);
    m_backend->PressDpiButton(0);
    ASSERT_TRUE(WaitUntil([&] { return m_window->Osd() && m_window->Osd()->isVisible(); }));
    EXPECT_TRUE(m_window->Osd()->StageText().startsWith("DPI-"));
    EXPECT_FALSE(m_window->Osd()->ValueText().isEmpty());
    EXPECT_FALSE(m_window->Osd()->isActiveWindow());
    ASSERT_TRUE(
        WaitUntil([&] { return !m_window->Osd()->isVisible(); }, COsdPopup::kShowMs + 2000));
}

}  // namespace
