// A mouse whose hidraw nodes exist but may not be opened: the window says why, once, instead
// of claiming for ever that it is still reading the mouse.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include <atomic>
#include <string>
#include <vector>

#include "config/ui_text.h"
#include "device/session_state.h"
#include "main_window_fixture.h"
#include "platform/pointer_settings.h"
#include "profile/pointer_apply.h"
#include "ui/msg_dlg.h"

namespace main_window_test {
namespace {

// The receiver's nodes as a user without the udev rule sees them: listed, never opened.
class DeniedHid : public platform::HidBackend {
  public:
    std::vector<platform::HidInterfaceInfo> Enumerate() override {
        platform::HidInterfaceInfo cmd, notify;
        cmd.path = "hid#vid_1209&pid_0007&mi_01&col01#hidraw4";
        cmd.reportId = 8;
        cmd.featureLength = 15;
        notify.path = "hid#vid_1209&pid_0007&mi_01&col02#hidraw4";
        notify.reportId = 9;
        notify.inputLength = 15;
        for (auto* i : {&cmd, &notify}) {
            i->vendorId = 0x1209;
            i->productId = 0x0007;
        }
        return {cmd, notify};
    }
    platform::HidHandle Open(const std::string&, int* err) override {
        ++opens;
        if (err) *err = platform::kHidErrAccessDenied;
        return platform::kNoHidHandle;
    }
    void Close(platform::HidHandle) override {}
    int SetFeature(platform::HidHandle, const uint8_t*, size_t) override {
        return platform::kHidErrInvalidHandle;
    }
    int ReadInput(platform::HidHandle, uint8_t*, size_t, int, size_t*) override {
        return platform::kHidErrInvalidHandle;
    }
    void CancelRead(platform::HidHandle) override {}
    bool IsAttached(platform::HidHandle) override { return false; }
    std::atomic<int> opens{0};
};

TEST(MainWindowPermission, SaysOnceHowToInstallTheRuleAndAnswersActionsWithIt) {
    ui_test::ProgramFolder program;
    testing_support::TempDir data;
    g_szDataDir = data.path() + "/";
    g_bProfileReady = 0;
    g_bSearchDevice = 0;
    auto previousPointer = SetPointerSettingsBackend(platform::MakeNullPointerSettings(true));
    LoadMenuImages();
    DeniedHid hid;
    {
        CMivoraDlg window(hid, nullptr);
        window.m_bQuitAppOnExit = false;
        window.Session().m_nFindFirstDelayMs = 0;
        window.Session().m_nFindIntervalMs = 20;
        ASSERT_TRUE(window.InitDialog());
        window.show();

        ModalCatcher messages;
        ASSERT_TRUE(WaitUntil([&] { return !messages.texts.empty(); }));
        const std::string shown = messages.texts[0];
        EXPECT_NE(shown.find(g_UiText.tc_msg_perm), std::string::npos) << shown;
        EXPECT_NE(shown.find("70-mivora.rules' /etc/udev/rules.d/"), std::string::npos) << shown;
        EXPECT_NE(shown.find("udevadm control --reload"), std::string::npos) << shown;

        // Many more searches are refused the same way: no second message.
        const int opensBefore = hid.opens.load();
        ASSERT_TRUE(WaitUntil([&] { return hid.opens.load() > opensBefore + 10; }));
        EXPECT_EQ(messages.texts.size(), 1u);

        // An action (every one asks the session first) gets the reason, not "still reading
        // the settings".
        EXPECT_EQ(window.Session().IsMouseOnline(true), 0);
        ASSERT_TRUE(WaitUntil([&] { return messages.texts.size() == 2; }));
        EXPECT_NE(messages.texts[1].find(g_UiText.tc_msg_perm), std::string::npos);
        EXPECT_EQ(messages.texts[1].find(g_UiText.tc_msg20), std::string::npos);
        window.Session().Stop();
    }
    SetPointerSettingsBackend(std::move(previousPointer));
    g_ProfileList.Clear();
    FreeMenuImages();
}

}  // namespace
}  // namespace main_window_test
