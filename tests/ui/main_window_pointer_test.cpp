// The pointer block follows the desktop: settings it does not take are inert with one line
// saying so, and its current values are shown at start.
#include <gtest/gtest.h>

#include "config/ui_text.h"
#include "core/messages.h"
#include "main_window_fixture.h"
#include "profile/profile_apply.h"

namespace main_window_test {
namespace {

// A desktop with only speed and precision (as sway or plain X11), at speed 4, precision off.
class SpeedOnlyDesktop : public platform::PointerSettingsBackend {
  public:
    int speed = 4;
    bool precision = false;
    unsigned Supported() const override {
        return platform::kPointerSpeed | platform::kPointerPrecision;
    }
    bool GetDoubleClickTime(int&) override { return false; }
    bool SetDoubleClickTime(int) override { return false; }
    bool GetScrollLines(int&) override { return false; }
    bool SetScrollLines(int) override { return false; }
    bool GetPrecision(bool& on) override {
        on = precision;
        return true;
    }
    bool SetPrecision(bool on) override {
        precision = on;
        return true;
    }
    bool GetSpeed(int& s) override {
        s = speed;
        return true;
    }
    bool SetSpeed(int s) override {
        speed = s;
        return true;
    }
    bool GetTrails(int&) override { return false; }
    bool SetTrails(int) override { return false; }
};

class PointerBlockTest : public MainWindowTest {
  protected:
    void SetUp() override {}
};

TEST_F(PointerBlockTest, NothingAppliesTheBlockIsInertWithOneLineAndNoMessageBox) {
    m_pointerAtStart = platform::MakeNullPointerSettings();
    Start(kCid, kMid);
    EXPECT_EQ(platform::kPointerDoubleClick | platform::kPointerScrollLines |
                  platform::kPointerPrecision | platform::kPointerSpeed,
              m_window->InertPointerSettings());
    ASSERT_FALSE(g_UiText.tc_ptr_none.empty());
    EXPECT_EQ(g_UiText.tc_ptr_none, m_window->PointerNotice());
    for (int id : {kIdBarSpeed, kIdBarScroll, kIdBarDbClick})
        EXPECT_FALSE(m_window->Bar(id)->isEnabled()) << id;
    EXPECT_FALSE(m_window->EnhanceSwitch()->isEnabled());
    EXPECT_EQ(QString::fromStdString(g_UiText.tc_ptr_none), m_window->Bar(kIdBarSpeed)->toolTip());
    // A pointer apply (a restore or another profile) brings no stock box either.
    g_ApplyThread.Post(kApplyPointer, 0);
    ASSERT_TRUE(g_ApplyThread.WaitIdle(3000));
    for (const auto& m : m_notifier.messages)
        EXPECT_EQ(std::string::npos, m.first.find("Pointer settings")) << m.first;
}

TEST_F(PointerBlockTest, TheDesktopsValuesShowAndWhatItLacksIsInert) {
    auto desktop = std::make_unique<SpeedOnlyDesktop>();
    SpeedOnlyDesktop* seen = desktop.get();
    m_pointerAtStart = std::move(desktop);
    Start(kCid, kMid);
    EXPECT_EQ(4, Profile().pointer.speed);
    EXPECT_EQ(0, Profile().pointer.precision);
    EXPECT_EQ(4, m_window->Bar(kIdBarSpeed)->GetValue());
    EXPECT_EQ("3", m_window->ValueLabel(kIdBarSpeed)->Caption());  // the third stop: 4
    EXPECT_TRUE(m_window->EnhanceSwitch()->IsChecked());           // checked = precision off
    EXPECT_EQ(platform::kPointerDoubleClick | platform::kPointerScrollLines,
              m_window->InertPointerSettings());
    EXPECT_EQ(g_UiText.tc_ptr_part, m_window->PointerNotice());
    EXPECT_TRUE(m_window->Bar(kIdBarSpeed)->isEnabled());
    EXPECT_FALSE(m_window->Bar(kIdBarScroll)->isEnabled());
    EXPECT_FALSE(m_window->Bar(kIdBarDbClick)->isEnabled());
    EXPECT_TRUE(m_window->EnhanceSwitch()->isEnabled());

    // What the user changes reaches the desktop.
    m_window->Bar(kIdBarSpeed)->SetValue(16);
    SendWinMessage(m_window.get(), WM_SLIDER_CHANGED, 16, kIdBarSpeed);
    ASSERT_TRUE(g_ApplyThread.WaitIdle(3000));
    EXPECT_EQ(16, seen->speed);
}

TEST_F(PointerBlockTest, SettingsTurnedOffStayEditableWithoutALine) {
    Start(kCid, kMid);  // the fixture's own: turned off
    EXPECT_EQ(0u, m_window->InertPointerSettings());
    EXPECT_EQ("", m_window->PointerNotice());
    EXPECT_TRUE(m_window->Bar(kIdBarScroll)->isEnabled());
}

}  // namespace
}  // namespace main_window_test
