// The rules editor: a rule made by keyboard, the names it refuses, Cancel, and the window's way
// to it.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "main_window_fixture.h"
#include "platform/files.h"
#include "profile/focus_watch.h"
#include "skin/png_btn.h"
#include "ui/app_rules_dlg.h"
#include "ui/app_tray.h"
#include "ui/ui_test_util.h"

namespace {

// A key as the user presses it: to whatever has the dialog's focus.
void Press(QWidget* dlg, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* to = dlg->focusWidget() ? dlg->focusWidget() : dlg;
    QTest::keyClick(to, static_cast<Qt::Key>(key), mods);
    ui_test::Pump();
}

void Type(QWidget* dlg, const QString& text) {
    QTest::keyClicks(dlg->focusWidget(), text);
}

class AppRulesDlgTest : public ::testing::Test {
  protected:
    CAppRulesDlg::Setup MakeSetup() {
        CAppRulesDlg::Setup s;
        s.rules = m_start;
        s.sourceName = "X11";
        s.stageDpi = {800, 1600, 3200};
        s.recent = [this] { return m_recent; };
        s.store = [this](const AppRules& r) {
            ++m_stores;
            m_stored = r;
            return m_storeWorks;
        };
        return s;
    }

    ui_test::ProgramFolder m_program;
    testing_support::RecordingNotifier m_notifier;
    AppRules m_start;
    std::vector<std::string> m_recent = {"steam_app_730", "org.mozilla.firefox"};
    AppRules m_stored;
    int m_stores = 0;
    bool m_storeWorks = true;
};

TEST_F(AppRulesDlgTest, ARuleMadeByKeyboardIsKeptOnEnter) {
    CAppRulesDlg dlg(nullptr, MakeSetup());
    dlg.open();
    ui_test::Pump();
    ASSERT_TRUE(dlg.focusWidget() == dlg.AppField() ||
                dlg.focusWidget() == dlg.AppField()->lineEdit())
        << "the dialog opens on the name";
    // The applications seen in front are offered, newest first.
    ASSERT_EQ(dlg.AppField()->count(), 2);
    EXPECT_EQ(dlg.AppField()->itemText(0), "steam_app_730");

    Press(&dlg, Qt::Key_Down);  // the second one seen
    EXPECT_EQ(dlg.AppField()->currentText(), "org.mozilla.firefox");
    Press(&dlg, Qt::Key_Tab);
    EXPECT_EQ(dlg.focusWidget(), dlg.SetField());
    Press(&dlg, Qt::Key_Down);  // key set 2
    Press(&dlg, Qt::Key_Tab);
    EXPECT_EQ(dlg.focusWidget(), dlg.StageField());
    Press(&dlg, Qt::Key_Down);
    Press(&dlg, Qt::Key_Down);  // stage 2
    EXPECT_EQ(dlg.StageField()->currentText().toStdString(), "2 · 1600 DPI");
    Press(&dlg, Qt::Key_Tab);
    EXPECT_EQ(dlg.focusWidget(), dlg.AddButton());
    Press(&dlg, Qt::Key_Space);
    ASSERT_EQ(dlg.RuleList()->count(), 1);

    // A typed name (trimmed): Enter in the field adds it with the set and stage still chosen, and
    // the dialog stays.
    dlg.AppField()->setFocus();
    dlg.AppField()->lineEdit()->clear();
    Type(&dlg, "  Gedit ");
    Press(&dlg, Qt::Key_Return);
    EXPECT_TRUE(dlg.isVisible());
    ASSERT_EQ(dlg.RuleList()->count(), 2);
    EXPECT_EQ(0, m_stores) << "nothing is kept before OK";

    dlg.DefaultField()->setFocus();
    Press(&dlg, Qt::Key_Down);  // every other application: set 2
    Press(&dlg, Qt::Key_Return);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    ASSERT_EQ(1, m_stores);
    EXPECT_EQ((std::vector<AppRule>{{"org.mozilla.firefox", 1, 1}, {"Gedit", 1, 1}}),
              m_stored.rules);
    EXPECT_EQ(1, m_stored.defaultSet);
    EXPECT_FALSE(m_stored.paused);
}

TEST_F(AppRulesDlgTest, RefusedNamesAndAFullListSaySo) {
    for (int i = 0; i < kMaxAppRules; ++i) ASSERT_TRUE(m_start.Put({"app" + std::to_string(i), 0}));
    const struct {
        std::string typed;
        std::string message;
    } cases[] = {
        {"   ", g_UiText.tc_rules_no_name},
        {std::string(kMaxRuleAppChars + 1, 'x'), "at most 128 bytes"},
        {"\"quoted", g_UiText.tc_rules_bad_name},
        {"one-more", "at most 64 rules"},
    };
    CAppRulesDlg dlg(nullptr, MakeSetup());
    dlg.open();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        m_notifier.messages.clear();
        dlg.AppField()->setEditText(QString::fromStdString(c.typed));
        EXPECT_FALSE(dlg.AddRule());
        ASSERT_EQ(m_notifier.messages.size(), 1u);
        EXPECT_NE(m_notifier.messages[0].first.find(c.message), std::string::npos)
            << m_notifier.messages[0].first;
        EXPECT_EQ(dlg.RuleList()->count(), kMaxAppRules);
    }
    // A full list still takes a change of a rule it holds.
    dlg.AppField()->setEditText("APP3");
    dlg.SetField()->setCurrentIndex(2);
    EXPECT_TRUE(dlg.AddRule());
    EXPECT_EQ(dlg.Rules().rules[3], (AppRule{"APP3", 2, -1}));
    EXPECT_EQ(dlg.RuleList()->currentRow(), 3);
}

TEST_F(AppRulesDlgTest, EditDeleteAndCancel) {
    ASSERT_TRUE(m_start.Put({"game", 1, 2}));
    ASSERT_TRUE(m_start.Put({"browser", 2}));
    CAppRulesDlg dlg(nullptr, MakeSetup());
    dlg.open();
    ui_test::Pump();
    // Picking a rule shows it in the fields; Change renames it onto the other rule's name.
    dlg.RuleList()->setCurrentRow(0);
    EXPECT_EQ(dlg.AppField()->currentText(), "game");
    EXPECT_EQ(dlg.StageField()->currentData().toInt(), 2);
    dlg.AppField()->setEditText("Browser");
    ASSERT_TRUE(dlg.ChangeRule());
    EXPECT_EQ((std::vector<AppRule>{{"Browser", 1, 2}}), dlg.Rules().rules);
    dlg.RuleList()->setFocus();
    Press(&dlg, Qt::Key_Delete);
    EXPECT_TRUE(dlg.Rules().rules.empty());
    EXPECT_FALSE(dlg.DeleteButton()->isEnabled());

    // Esc from the name field cancels: nothing is kept.
    dlg.AppField()->setFocus();
    Press(&dlg, Qt::Key_Escape);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(0, m_stores);
}

TEST_F(AppRulesDlgTest, RulesThatCannotBeKeptKeepTheDialogOpen) {
    m_storeWorks = false;
    CAppRulesDlg dlg(nullptr, MakeSetup());
    dlg.open();
    ui_test::ClickCentre(dlg.OkButton());
    EXPECT_TRUE(dlg.isVisible());
    ASSERT_EQ(m_notifier.messages.size(), 1u);
    EXPECT_EQ(m_notifier.messages[0].first, g_UiText.tc_rules_not_saved);
    dlg.reject();
}

TEST_F(AppRulesDlgTest, TheDialogNamesTheFocusSourceInEveryLanguage) {
    for (const char* language : {"English", "Deutsch", "日本語"}) {
        ui_test::ProgramFolder::UseLanguage(language);
        const std::string x11 = CAppRulesDlg::SourceLine("X11");
        EXPECT_NE(x11.find("X11"), std::string::npos) << language;
        EXPECT_EQ(x11.find("%s"), std::string::npos) << language;
        EXPECT_EQ(CAppRulesDlg::SourceLine(nullptr), g_UiText.tc_rules_nosource) << language;
        CAppRulesDlg dlg(nullptr, MakeSetup());
        EXPECT_EQ(dlg.accessibleDescription().toStdString(), x11);
        // Every control has a name a screen reader can say.
        for (QWidget* w : std::initializer_list<QWidget*>{
                 dlg.RuleList(), dlg.AppField(), dlg.SetField(), dlg.StageField(),
                 dlg.DefaultField(), dlg.PauseBox(), dlg.OkButton(), dlg.CancelButton()})
            EXPECT_FALSE(w->accessibleName().isEmpty() && w->property("text").toString().isEmpty())
                << w->metaObject()->className();
    }
    ui_test::ProgramFolder::UseLanguage("English");
}

// The window: its rules button opens the editor, and what the user keeps reaches the file and
// the switcher at once.
using main_window_test::MainWindowTest;

class RulesWindowTest : public MainWindowTest {};

TEST_F(RulesWindowTest, ARuleMadeByKeyboardLandsInTheFileAndTheSwitcher) {
    FocusWatch* focus = m_window->Focus();
    ASSERT_NE(focus, nullptr);
    CPngBtn* open = m_window->RulesButton();
    EXPECT_TRUE(open->isVisible());
    EXPECT_EQ(open->accessibleDescription().toStdString(),
              CAppRulesDlg::SourceLine(focus->SourceName()));
    // Beside the key sets, not over them or the keys.
    EXPECT_FALSE(open->geometry().intersects(m_window->KeySetButton(2)->geometry()));
    EXPECT_FALSE(open->geometry().intersects(m_window->KeyButton(0)->geometry()));

    const std::string path = m_data.File(kAppRulesFile);
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<CAppRulesDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        Type(dlg, "steam_app_730");
        Press(dlg, Qt::Key_Tab);
        Press(dlg, Qt::Key_End);  // key set 3
        Press(dlg, Qt::Key_Tab, Qt::ShiftModifier);
        Press(dlg, Qt::Key_Return);
        dlg->OkButton()->setFocus();
        Press(dlg, Qt::Key_Return);
    });
    open->setFocus();
    QTest::keyClick(open, Qt::Key_Space);
    EXPECT_EQ(LoadAppRules(path).rules, (std::vector<AppRule>{{"steam_app_730", 2, -1}}));
    EXPECT_EQ(focus->Rules().rules, LoadAppRules(path).rules);
    EXPECT_TRUE(focus->Rules().Active()) << "the first rule turns switching on";

    // Cancel leaves the file as it was, byte for byte.
    std::vector<uint8_t> before;
    ASSERT_TRUE(platform::ReadWholeFile(path, before));
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<CAppRulesDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        dlg->DeleteRule();
        dlg->PauseBox()->setChecked(true);
        ui_test::ClickCentre(dlg->CancelButton());
    });
    EXPECT_EQ(m_window->OpenRulesDialog(), IDCANCEL);
    std::vector<uint8_t> after;
    ASSERT_TRUE(platform::ReadWholeFile(path, after));
    EXPECT_EQ(before, after);
    EXPECT_EQ(focus->Rules().rules.size(), 1u);
}

TEST_F(RulesWindowTest, TheTrayMenuOpensTheEditorOverTheWindow) {
    MainWindowTray* tray = m_window->Tray();
    ASSERT_NE(tray, nullptr);
    QAction* item = tray->FocusRulesItem();
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->text().startsWith(QString::fromStdString(g_UiText.tc_rules_title)));
    m_window->hide();
    bool opened = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<CAppRulesDlg*>(QApplication::activeModalWidget());
        opened = dlg != nullptr;
        if (dlg) dlg->reject();
    });
    item->trigger();
    EXPECT_TRUE(opened);
    EXPECT_TRUE(m_window->isVisible());
}

}  // namespace
