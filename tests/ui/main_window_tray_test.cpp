// The tray icon: a notification area that comes up after the program still gets it, and its tip
// says the state of the link.
#include <gtest/gtest.h>

#include <atomic>

#include "config/device_model.h"
#include "config/program_config.h"
#include "config/ui_text.h"
#include "main_window_fixture.h"
#include "profile/focus_watch.h"
#include "support/support.h"
#include "ui/app_tray.h"

#include <QAction>

namespace {

using main_window_test::MainWindowTest;
using main_window_test::WaitUntil;

class TrayTest : public MainWindowTest {
  protected:
    void SetUp() override {
        m_bStartPlugged = false;
        m_trayProbe = [this] { return m_trayUp.load(); };
        MainWindowTest::SetUp();
    }
    std::atomic<bool> m_trayUp{false};
};

TEST_F(TrayTest, ATrayThatStartsLaterGetsTheIcon) {
    ASSERT_TRUE(g_Config.TrayIcon == 1 || g_Config.TrayIcon == 3);
    ASSERT_NE(m_window->Tray(), nullptr);
    EXPECT_FALSE(m_window->HasTray());
    // Without a tray the window cannot hide: minimised, it stays reachable.
    m_window->OnMinimise();
    ui_test::Pump();
    EXPECT_FALSE(m_window->isHidden());
    m_window->showNormal();

    m_trayUp = true;
    ASSERT_TRUE(WaitUntil([&] { return m_window->HasTray(); }, MainWindowTray::kRetryMs + 2000));
    m_window->OnMinimise();
    ui_test::Pump();
    EXPECT_TRUE(m_window->isHidden()) << "the tray brings it back now";
    m_window->ShowFromTray();
}

TEST_F(TrayTest, TheTipSaysTheStateOfTheLink) {
    const QString title = QString::fromStdString(g_Config.Title);
    auto tip = [&] { return m_window->Tray()->ToolTip(); };
    EXPECT_EQ(tip(), title + "\n" + QString::fromStdString(g_UiText.tc_state_nomouse));

    m_backend->SetOpenDenied(0, true);
    m_backend->Replug(0);
    ASSERT_TRUE(WaitUntil(
        [&] { return tip() == title + "\n" + QString::fromStdString(g_UiText.tc_state_noperm); }));

    m_backend->SetOpenDenied(0, false);
    ASSERT_TRUE(WaitUntil([&] { return Connected(); }));
    const std::string connected = ModelDisplayName(Model()) + " · " + g_UiText.tc_msg38;
    ASSERT_TRUE(
        WaitUntil([&] { return tip() == title + "\n" + QString::fromStdString(connected); }));
}

// With a rule in the data folder the menu offers to pause switching, and the choice is stored.
class TrayFocusTest : public MainWindowTest {
  protected:
    void SetUp() override {
        m_data.Write(kAppRulesFile, "[Rules]\nCount=1\n[Rule1]\nApp=game\nKeySet=2\n");
        MainWindowTest::SetUp();
    }
};

TEST_F(TrayFocusTest, ThePauseItemPausesAndResumesSwitching) {
    MainWindowTray* tray = m_window->Tray();
    ASSERT_NE(tray, nullptr);
    ASSERT_NE(m_window->Focus(), nullptr);
    tray->UpdateFocusItem();
    QAction* pause = tray->FocusPauseItem();
    ASSERT_TRUE(pause->isVisible());
    EXPECT_EQ(pause->text(), QString::fromStdString(g_UiText.tc_focus_pause));
    EXPECT_FALSE(pause->isChecked());
    pause->trigger();
    EXPECT_TRUE(m_window->Focus()->Rules().paused);
    EXPECT_TRUE(LoadAppRules(m_data.File(kAppRulesFile)).paused);
    pause->trigger();
    EXPECT_FALSE(LoadAppRules(m_data.File(kAppRulesFile)).paused);
    EXPECT_FALSE(m_window->Focus()->Rules().paused);
}

}  // namespace
