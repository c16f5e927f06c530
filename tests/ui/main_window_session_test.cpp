// The main window with the device session and the window commands: device events, unplug and
// replug, restoring the defaults, the language switch and the exit path.
#include <gtest/gtest.h>

#include "config/ui_text.h"
#include "core/messages.h"
#include "macro/key_names.h"
#include "main_window_fixture.h"
#include "platform/files.h"
#include "profile/app_rules.h"
#include "profile/focus_watch.h"
#include "profile/profile_store.h"
#include "sim/factory_image.h"
#include "ui/dpi_grid_dlg.h"
#include "ui/mivora_dlg_files.h"
#include "ui/msg_dlg.h"
#include "ui/progress_dlg.h"
#include "ui/top_windows.h"

namespace {

using main_window_test::AcceptNextModal;
using main_window_test::MainWindowTest;
using main_window_test::WaitUntil;

TEST_F(MainWindowTest, DpiButtonOfTheMouseMarksTheNewStage) {
    const int before = g_nCurDpiLevel.load();
    const int expected = (before + 1) % Model().DM;
    m_backend->PressDpiButton(0);
    ASSERT_TRUE(WaitUntil([&] { return g_nCurDpiLevel.load() == expected; }));
    ui_test::Pump();
    for (int i = 0; i < Model().DM; ++i)
        EXPECT_EQ(m_window->DpiGrid(i)->m_bCurrent, i == expected) << i;
}

TEST_F(MainWindowTest, LightingButtonOfTheMouseShowsTheNewMode) {
    const uint32_t before = Profile().lightMode;
    m_backend->PressLightingButton(0);
    ASSERT_TRUE(WaitUntil([&] { return Profile().lightMode != before; }));
    ui_test::Pump();
    EXPECT_TRUE(m_window->LightButton(static_cast<int>(Profile().lightMode))->IsChecked());
}

TEST_F(MainWindowTest, IndicatorsFollowUnplugAndReplug) {
    ASSERT_EQ(Model().DevTy, 3);
    EXPECT_TRUE(m_window->ReceiverIndicator()->isVisible());
    EXPECT_TRUE(m_window->ReceiverIndicator()->IsChecked());
    EXPECT_FALSE(m_window->BluetoothIndicator()->IsChecked());

    m_backend->Unplug(0);
    ASSERT_TRUE(WaitUntil([&] { return !m_window->Link().IsConnected(); }));
    ASSERT_TRUE(WaitUntil([&] { return !m_window->ReceiverIndicator()->IsChecked(); }));

    m_backend->Replug(0);
    // Identified, read and shown; the gate refuses (with a message) while a read is running.
    ASSERT_TRUE(
        WaitUntil([&] { return Connected() && m_window->ReceiverIndicator()->IsChecked(); }));
    m_window->Session().WaitProfileRead();
    ASSERT_TRUE(WaitUntil([&] { return Connected(); }));

    // The link works again: a rate click reaches the mouse.
    ui_test::ClickCentre(m_window->RateButton(1));
    ui_test::Pump();
    EXPECT_EQ(Memory(sim::kAddrReportRate, 1)[0] & 0x0F, 4);
}

TEST_F(MainWindowTest, RestoreDefaultsResetsProfileAndMouseWithProgress) {
    ui_test::ClickCentre(m_window->RateButton(0));
    PickFunction(3, static_cast<int>(0x080000A2));
    ASSERT_TRUE(g_ApplyThread.WaitIdle(3000));
    const ProfileRecord changed = Profile();
    ProfileRecord defaults = changed;
    FillProfileDefaults(defaults);
    ASSERT_NE(changed, defaults);

    bool sawProgress = false;
    AcceptNextModal();  // the question tc_msg5
    // Watched all along: how soon the window shows depends on the apply thread.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout,
                     [&] { sawProgress = sawProgress || FindTopWindow(kProgressTitle); });
    watch.start(5);
    ui_test::ClickCentre(m_window->RestoreButton());
    ui_test::Pump();
    watch.stop();
    EXPECT_TRUE(sawProgress);
    EXPECT_EQ(Profile(), defaults);
    EXPECT_EQ(g_nCurDpiLevel.load(), Model().DEFLEVEL);
    EXPECT_TRUE(m_window->DpiGrid(Model().DEFLEVEL)->m_bCurrent);
    // The mouse was reset to its factory settings: its rate is the model's default again.
    EXPECT_TRUE(g_ApplyThread.WaitIdle(3000));
    EXPECT_EQ(g_ApplyThread.Failures(), 0);
    sim::MemoryImage factory{};
    sim::BuildFactoryImage(Model(), factory);
    EXPECT_EQ(Memory(0, 0x3C), std::vector<uint8_t>(factory.begin(), factory.begin() + 0x3C));
    // The restored profile is on disk at once.
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(platform::ReadWholeFile(ProfileFilePath(Model().CID, Model().MID), bytes));
    ASSERT_EQ(bytes.size() >= kProfileRecordBytes, true);
}

TEST_F(MainWindowTest, RestoreAnsweredNoChangesNothing) {
    const ProfileRecord before = Profile();
    ui_test::OnNextModal([](QDialog*) {});  // Cancel on tc_msg5
    ui_test::ClickCentre(m_window->RestoreButton());
    ui_test::Pump();
    EXPECT_EQ(Profile(), before);
    EXPECT_TRUE(g_ApplyThread.Pending().empty());
}

TEST_F(MainWindowTest, LanguageSwitchRetitlesTheWindowAndIsRemembered) {
    int deutsch = -1;
    for (int k = 0; k < g_Config.LangCount; ++k)
        if (g_Config.Lang[k].folder == "Deutsch") deutsch = k;
    ASSERT_GE(deutsch, 0);
    const std::string english = m_window->RestoreButton()->Caption();
    m_window->SwitchLanguage(deutsch);
    const std::string german = m_window->RestoreButton()->Caption();
    EXPECT_EQ(german, g_UiText.tc_restore);
    EXPECT_NE(german, english);
    EXPECT_EQ(m_window->LightButton(0)->Caption(), g_UiText.LedMode(1));
    const ProfileRecord p = Profile();
    EXPECT_EQ(m_window->KeyButton(0)->Caption(), KeyFunctionLabel(p.keys[p.KeySetIndex()][0]));
    EXPECT_EQ(ReadLangIndex(g_szDataDir), deutsch);
    EXPECT_EQ(m_window->LanguageCombo()->SelectedValue(), deutsch);
    m_window->SwitchLanguage(0);
}

TEST_F(MainWindowTest, ExportThenImportBringsTheProfileBack) {
    const std::string file = m_data.File("saved.zqa");
    SetProfileFileChooser([&](const ProfileFileRequest&) { return file; });
    ui_test::ClickCentre(m_window->RateButton(2));  // 500 Hz goes into the file
    ui_test::ClickCentre(m_window->ExportButton());
    ui_test::Pump();
    const ProfileRecord exported = Profile();

    PickFunction(3, static_cast<int>(0x080000A2));
    ui_test::ClickCentre(m_window->RateButton(0));
    ui_test::Pump();
    ASSERT_NE(Profile(), exported);
    ASSERT_EQ(Memory(sim::kAddrReportRate, 1)[0] & 0x0F, 8);
    g_Config.ApplyNow = 0;

    ui_test::ClickCentre(m_window->ImportButton());
    ui_test::Pump();
    SetProfileFileChooser({});
    const ProfileRecord p = Profile();
    EXPECT_EQ(p.keys[p.KeySetIndex()][3], exported.keys[exported.KeySetIndex()][3]);
    EXPECT_EQ(p.rate24, 0x500u);
    EXPECT_EQ(m_window->KeyButton(3)->Caption(),
              KeyFunctionLabel(exported.keys[exported.KeySetIndex()][3]));
    // An import writes the mouse whatever ApplyNow says.
    EXPECT_EQ(Memory(sim::kAddrReportRate, 1)[0] & 0x0F, 2);
}

// The rules by application exported beside a profile come with its import: the user is asked
// before rules of his own are replaced, and the switcher holds what the file says afterwards.
TEST_F(MainWindowTest, ImportAsksBeforeTheRulesBesideTheProfileReplaceTheUsersOwn) {
    const std::string file = m_data.File("saved.zqa");
    SetProfileFileChooser([&](const ProfileFileRequest&) { return file; });
    ui_test::ClickCentre(m_window->ExportButton());
    ui_test::Pump();
    m_data.Write("saved.rules.ini",
                 "[Rules]\nCount=2\nDefaultSet=1\n[Rule1]\nApp=firefox\nKeySet=2\n"
                 "[Rule2]\nApp=game\nKeySet=3\n");
    const std::string own = g_szDataDir + kAppRulesFile;
    AppRules mine;
    ASSERT_TRUE(mine.Put({"editor", 2, -1}));
    auto rulesNow = [&] {
        return m_window->Focus() ? m_window->Focus()->Rules() : LoadAppRules(own);
    };
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "yes" : "no");
        ASSERT_TRUE(m_window->WindowRulesStore().save(mine));
        std::vector<std::string> texts;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* msg = qobject_cast<CMsgDlg*>(QApplication::activeModalWidget());
            if (!msg || !msg->isVisible()) return;
            texts.push_back(msg->m_strText);
            // The question first, then what became of it.
            if (texts.size() == 1 && !yes)
                msg->reject();
            else
                msg->accept();
        });
        answer.start(5);
        ui_test::ClickCentre(m_window->ImportButton());
        ui_test::Pump();
        answer.stop();
        ASSERT_GE(texts.size(), 1u);
        EXPECT_NE(std::string::npos, texts[0].find("1")) << texts[0];
        EXPECT_NE(std::string::npos, texts[0].find("2")) << texts[0];
        const AppRules after = rulesNow();
        // What the program keeps is what the file holds: no switch on a rule that was dropped.
        EXPECT_EQ(LoadAppRules(own).rules, after.rules);
        if (yes) {
            ASSERT_EQ(2u, after.rules.size());
            EXPECT_EQ("firefox", after.rules[0].app);
            ASSERT_EQ(2u, texts.size());
            EXPECT_NE(std::string::npos, texts[1].find("saved.rules.ini")) << texts[1];
        } else {
            EXPECT_EQ(mine.rules, after.rules);
            EXPECT_EQ(1u, texts.size());
        }
    }
    SetProfileFileChooser({});
}

TEST_F(MainWindowTest, ExitSavesTheProfileWhileAMessageDialogIsOpen) {
    g_Config.ApplyNow = 0;
    PickFunction(3, static_cast<int>(0x080000A2));
    const ProfileRecord changed = Profile();
    bool dialogOpenAtExit = false;
    QTimer::singleShot(20, [&] {
        dialogOpenAtExit = FindTopWindow(kMsgTopWindowTitle) != nullptr;
        m_window->OnExit();
    });
    ShowMessageText("open while exiting", m_window.get());  // returns when exit closes it
    EXPECT_TRUE(dialogOpenAtExit);
    EXPECT_EQ(FindTopWindow(kMsgTopWindowTitle), nullptr);
    EXPECT_TRUE(m_window->IsExiting());
    g_ProfileList.Clear();
    ASSERT_EQ(LoadPro(), 1);
    EXPECT_EQ(Profile(), changed);
}

}  // namespace
