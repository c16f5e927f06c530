// The window without a mouse: it says so, device controls are inactive, what needs no mouse
// works, and a mouse plugged in later fills the window in without a restart.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/ui_text.h"
#include "main_window_fixture.h"

namespace main_window_test {
namespace {

TEST(MainWindowNoMouse, SaysSoKeepsTheLibraryUsableAndFillsInWhenAMouseArrives) {
    ui_test::ProgramFolder program;
    testing_support::TempDir data;
    g_szDataDir = data.path() + "/";
    g_bProfileReady = 0;
    g_bSearchDevice = 0;
    auto previousPointer = SetPointerSettingsBackend(platform::MakeNullPointerSettings());
    LoadMenuImages();
    sim::VirtualMouseBackend backend;
    backend.SetLatency(std::chrono::microseconds(0));
    auto notifications = backend.MakeNotifications();
    {
        CMivoraDlg window(backend, notifications.get());
        window.m_bQuitAppOnExit = false;
        window.Session().m_nFindFirstDelayMs = 0;
        window.Session().m_nFindIntervalMs = 20;
        ASSERT_TRUE(window.InitDialog());
        window.show();

        ASSERT_TRUE(WaitUntil([&] { return window.Session().State() == LinkState::NoMouse; }));
        ui_test::Pump();
        EXPECT_EQ(window.StatusText(), g_UiText.tc_state_nomouse);
        EXPECT_FALSE(window.RateButton(0)->isEnabled());
        EXPECT_FALSE(window.KeyButton(0)->isEnabled());
        EXPECT_TRUE(window.MacroButton()->isEnabled());
        EXPECT_TRUE(window.ExportButton()->isEnabled());

        ModalCatcher modals;
        // An action says that no mouse is connected, never "still reading" for ever.
        EXPECT_EQ(window.Session().IsMouseOnline(true), 0);
        ASSERT_TRUE(WaitUntil([&] { return !modals.texts.empty(); }));
        EXPECT_EQ(modals.texts[0], g_UiText.tc_msg4);
        // The macro library needs no mouse.
        window.OnMacroEditor();
        EXPECT_EQ(modals.editors, 1);
        EXPECT_EQ(modals.texts.size(), 1u);

        sim::VirtualMouseSetup setup;
        setup.cid = 0x4D;
        setup.mid = 0x02;
        std::string error;
        ASSERT_GE(backend.AddMouse(setup, error), 0) << error;
        ASSERT_TRUE(WaitUntil([&] { return window.Session().State() == LinkState::Connected; }));
        ui_test::Pump();
        EXPECT_EQ(window.StatusText(), g_UiText.tc_state_receiver);
        EXPECT_TRUE(window.RateButton(0)->isEnabled());
        EXPECT_TRUE(window.KeyButton(0)->isEnabled());
        window.Session().Stop();
    }
    SetPointerSettingsBackend(std::move(previousPointer));
    g_ProfileList.Clear();
    FreeMenuImages();
}

}  // namespace
}  // namespace main_window_test
