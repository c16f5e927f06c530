// The on-screen display of a DPI stage change: shown near the bottom centre without taking focus
// or clicks, gone after about a second; the mouse's own DPI button shows it from the window.
#include "ui/osd_popup.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "config/program_config.h"
#include "main_window_fixture.h"
#include "platform/dbus_client.h"
#include "platform/desktop_osd.h"
#include "platform/osd_services.h"
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

TEST(OsdPopup, TheWayFollowsTheDisplayServer) {
    const struct {
        const char* platform;
        OsdWay way;
    } cases[] = {
        {"xcb", OsdWay::Window},
        {"offscreen", OsdWay::Window},
        {"wayland", OsdWay::DesktopService},
        {"wayland-egl", OsdWay::DesktopService},
        {"eglfs", OsdWay::None},
        {"vnc", OsdWay::None},
    };
    for (const auto& c : cases) EXPECT_EQ(c.way, ChooseOsdWay(c.platform)) << c.platform;
}

// The window on a Wayland session: the stage changes go to the desktop's notification service
// (a stand-in on a private bus), each replacing the one before; Pop=0 sends nothing.
class OsdServiceWindowTest : public MainWindowTest {
  protected:
    void SetUp() override {
        m_savedPop = g_Config.Pop;
        MainWindowTest::SetUp();
        if (m_bus.Address().empty()) GTEST_SKIP() << "dbus-daemon is not installed";
        m_server = std::make_unique<platform_test::OsdService>(
            m_bus.Address(), platform_test::OsdService::Kind::Notifications);
        ASSERT_TRUE(m_server->Ready());
        const std::string address = m_bus.Address();
        m_window->OsdDisplay().UseDesktopService(std::make_unique<platform::OsdSender>([address] {
            std::shared_ptr<platform::DbusConnection> bus =
                platform::DbusConnection::OpenAddress(address);
            return platform::MakeDesktopOsd(bus, "Mivora", "mivora");
        }));
    }
    void TearDown() override {
        g_Config.Pop = m_savedPop;
        MainWindowTest::TearDown();
    }
    // Presses the mouse's DPI button and waits until the window has the next stage.
    void PressDpi() {
        const int expected = (g_nCurDpiLevel.load() + 1) % Model().DM;
        m_backend->PressDpiButton(0);
        ASSERT_TRUE(WaitUntil([&] { return g_nCurDpiLevel.load() == expected; }));
        ui_test::Pump();
        ASSERT_TRUE(m_window->OsdDisplay().Sender()->Idle(3000));
    }

    platform_test::PrivateBus m_bus;
    std::unique_ptr<platform_test::OsdService> m_server;
    int m_savedPop = 1;
};

TEST_F(OsdServiceWindowTest, EachStageChangeReplacesTheNotificationBefore) {
    PressDpi();
    PressDpi();
    ASSERT_TRUE(m_server->AwaitCalls(2));
    const auto calls = m_server->Calls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(0u, calls[0].replacesId);
    EXPECT_NE(0u, calls[1].replacesId);
    EXPECT_EQ("DPI-" + std::to_string(g_nCurDpiLevel.load() + 1), calls[1].summary);
    EXPECT_FALSE(calls[1].body.empty());
    EXPECT_EQ(nullptr, m_window->Osd()) << "no window of its own on Wayland";
}

TEST_F(OsdServiceWindowTest, TheOptionTurnsItOff) {
    g_Config.Pop = 0;
    PressDpi();
    PressDpi();
    EXPECT_TRUE(m_server->Calls().empty());
}

}  // namespace
