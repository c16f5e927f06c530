// What the main window shows for each state of the link: no mouse, a mouse that appears later,
// a mouse unplugged in the middle of a write, and the model and link of every model.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "config/device_model.h"
#include "config/ui_text.h"
#include "main_window_fixture.h"
#include "profile/profile_export.h"
#include "sim/mouse_memory.h"
#include "ui/dpi_grid_dlg.h"
#include "ui/macro_dlg.h"
#include "ui/mivora_dlg_files.h"
#include "ui/pick_color_dlg.h"
#include "ui/state_banner.h"

namespace {

using main_window_test::MainWindowTest;
using main_window_test::ModalCatcher;
using main_window_test::WaitUntil;

class NoMouseWindowTest : public MainWindowTest {
  protected:
    void SetUp() override {
        m_bStartPlugged = false;
        MainWindowTest::SetUp();
    }
    // The controls that only act on a mouse, and those that work without one.
    std::vector<QWidget*> DeviceControls() {
        std::vector<QWidget*> out = {m_window->RateButton(0),   m_window->KeyButton(0),
                                     m_window->DpiGrid(0),      m_window->LightButton(0),
                                     m_window->PickColor(),     m_window->Bar(kIdBarLight1),
                                     m_window->RestoreButton(), m_window->ImportButton()};
        return out;
    }
    std::vector<QWidget*> FreeControls() {
        return {m_window->MacroButton(), m_window->ExportButton(), m_window->LanguageCombo()};
    }
};

TEST_F(NoMouseWindowTest, SaysSoLeavesDeviceControlsInactiveAndTheRestWorks) {
    ASSERT_FALSE(m_window->Link().IsConnected());
    // Plainly, what is wrong and what to do, and whose settings are shown.
    EXPECT_EQ(m_window->StatusText(), g_UiText.tc_state_nomouse);
    CStateBanner* banner = m_window->StateBanner();
    ASSERT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->Title(), g_UiText.tc_state_nomouse);
    EXPECT_NE(banner->Text().find(g_UiText.tc_msg4), std::string::npos) << banner->Text();
    EXPECT_NE(banner->Text().find(ModelDisplayName(Model())), std::string::npos) << banner->Text();
    EXPECT_TRUE(m_window->rect().contains(banner->geometry()));
    for (QWidget* w : DeviceControls())
        EXPECT_FALSE(w->isEnabled()) << w->metaObject()->className();
    for (QWidget* w : FreeControls()) EXPECT_TRUE(w->isEnabled()) << w->metaObject()->className();

    // The macro editor opens.
    ModalCatcher modals;
    ui_test::ClickCentre(m_window->MacroButton());
    ASSERT_TRUE(WaitUntil([&] { return !modals.classes.empty(); }));
    EXPECT_EQ(modals.classes[0], "CMacroDlg");

    // Export writes the stored profile, and the dialog says of which model.
    const std::string file = m_data.File("stored.zqa");
    ProfileFileRequest asked;
    SetProfileFileChooser([&](const ProfileFileRequest& r) {
        asked = r;
        return file;
    });
    ui_test::ClickCentre(m_window->ExportButton());
    ui_test::Pump();
    SetProfileFileChooser({});
    EXPECT_EQ(std::filesystem::exists(file) ? std::filesystem::file_size(file) : 0,
              kExportImageBytes);
    EXPECT_TRUE(asked.save);
    EXPECT_NE(asked.title.find(ModelDisplayName(Model())), std::string::npos) << asked.title;
    EXPECT_EQ(asked.title.find("%s"), std::string::npos);
    EXPECT_EQ(modals.classes.size(), 1u) << modals.texts.back();
}

TEST_F(NoMouseWindowTest, AnActionIsNotToldThatTheMouseIsBeingRead) {
    ModalCatcher modals;
    EXPECT_EQ(m_window->Session().IsMouseOnline(true), 0);
    ASSERT_TRUE(WaitUntil([&] { return !modals.texts.empty(); }));
    EXPECT_EQ(modals.texts[0], g_UiText.tc_msg4);
}

TEST_F(NoMouseWindowTest, FillsInWhenTheMouseIsPluggedIn) {
    // The mouse polls at 500 Hz: the window must show that once it is plugged in.
    uint8_t rate = m_backend->ReadMemory(0, sim::kAddrReportRate, 1)[0];
    rate = static_cast<uint8_t>((rate & 0xF0) | 2);
    ASSERT_TRUE(m_backend->WriteMemory(0, sim::kAddrReportRate, &rate, 1));
    m_backend->Replug(0);
    ASSERT_TRUE(WaitUntil([&] { return Connected(); }));
    m_window->Session().WaitProfileRead();
    ui_test::Pump();
    for (QWidget* w : DeviceControls()) EXPECT_TRUE(w->isEnabled()) << w->metaObject()->className();
    EXPECT_FALSE(m_window->StateBanner()->isVisible());
    EXPECT_EQ(m_window->StatusText(), ModelDisplayName(Model()) + " · " + g_UiText.tc_msg38);
    EXPECT_TRUE(m_window->RateButton(2)->IsChecked());
    ui_test::ClickCentre(m_window->RateButton(1));
    ui_test::Pump();
    EXPECT_EQ(Memory(sim::kAddrReportRate, 1)[0] & 0x0F, 4);
}

TEST_F(MainWindowTest, UnplugDuringAWriteSaysTheMouseWasDisconnectedAndComesBack) {
    m_backend->Unplug(0);
    PostApply(0x20, 0);  // a write already on its way when the mouse goes
    ASSERT_TRUE(g_ApplyThread.WaitIdle(3000));
    ASSERT_TRUE(WaitUntil([&] { return !m_notifier.messages.empty(); }));
    // Which one depends on whether the session noticed the removal before the write began.
    const std::string said = m_notifier.messages[0].first;
    EXPECT_TRUE(said == g_UiText.tc_msg19 || said == g_UiText.tc_msg15) << said;
    // The window is back in the no-mouse state ...
    ASSERT_TRUE(WaitUntil([&] { return !m_window->RateButton(0)->isEnabled(); }));
    EXPECT_EQ(m_window->StatusText(), g_UiText.tc_state_nomouse);
    EXPECT_TRUE(m_window->StateBanner()->isVisible());
    // ... and recovers when the mouse is back (under the same node).
    m_backend->Replug(0);
    ASSERT_TRUE(WaitUntil([&] { return Connected() && m_window->RateButton(0)->isEnabled(); }));
    m_window->Session().WaitProfileRead();
    ui_test::Pump();
    ui_test::ClickCentre(m_window->RateButton(2));
    ui_test::Pump();
    EXPECT_EQ(Memory(sim::kAddrReportRate, 1)[0] & 0x0F, 2);
}

TEST_F(MainWindowTest, AMouseThatStopsAnsweringIsReportedAsDisconnected) {
    m_backend->SetReachable(0, false);
    ModalCatcher modals;
    ui_test::ClickCentre(m_window->RateButton(0));
    ASSERT_TRUE(WaitUntil([&] { return !modals.texts.empty(); }));
    EXPECT_EQ(modals.texts[0], g_UiText.tc_msg19);
}

// Every model and link says which it is, models without link lamps too.
class ModelAndLinkTest : public MainWindowTest,
                         public ::testing::WithParamInterface<std::tuple<int, sim::LinkKind>> {
  protected:
    void SetUp() override {
        m_link = std::get<1>(GetParam());
        Start(0x4D, std::get<0>(GetParam()));
    }
};

TEST_P(ModelAndLinkTest, TheStatusLineNamesModelAndLink) {
    const bool bt = std::get<1>(GetParam()) == sim::LinkKind::kBluetooth;
    const std::string expected =
        ModelDisplayName(Model()) + " · " + (bt ? g_UiText.tc_msg37 : g_UiText.tc_msg38);
    EXPECT_EQ(m_window->StatusText(), expected);
    EXPECT_EQ(m_window->StatusLine()->Caption(), expected);
    EXPECT_TRUE(m_window->StatusLine()->isVisible());
    EXPECT_FALSE(m_window->StatusLine()->IsCaptionElided());
    // Left of whatever stands on the right of the title bar.
    for (QWidget* w :
         std::vector<QWidget*>{m_window->LanguageCombo(), m_window->ReceiverIndicator(),
                               m_window->BluetoothIndicator()})
        if (w->isVisible()) {
            EXPECT_LT(m_window->StatusLine()->geometry().right(), w->x());
        }
}

INSTANTIATE_TEST_SUITE_P(Models, ModelAndLinkTest,
                         ::testing::Values(std::make_tuple(0x01, sim::LinkKind::kReceiver),
                                           std::make_tuple(0x02, sim::LinkKind::kBluetooth),
                                           std::make_tuple(0x03, sim::LinkKind::kReceiver)));

}  // namespace
