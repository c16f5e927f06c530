// A mouse whose hidraw nodes exist but may not be opened: the window says why, once, with the
// commands to copy and (with pkexec) a button that installs the rule, and keeps a line about it
// while it lasts instead of claiming for ever that it is still reading the mouse.
#include <gtest/gtest.h>

#include <QTest>

#include <QClipboard>
#include <QGuiApplication>
#include <QScreen>
#include <QTextEdit>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "device/permission_hint.h"
#include "main_window_fixture.h"
#include "skin/png_btn.h"
#include "skin/skin_settings.h"
#include "ui/permission_dlg.h"
#include "ui/state_banner.h"

namespace {

using main_window_test::MainWindowTest;
using main_window_test::ModalCatcher;
using main_window_test::WaitUntil;

// PATH for the test's duration; a folder that may hold a stand-in for pkexec.
class PathWith {
  public:
    explicit PathWith(const std::string& dir) {
        const char* old = std::getenv("PATH");
        m_old = old ? old : "";
        setenv("PATH", dir.c_str(), 1);
    }
    ~PathWith() { setenv("PATH", m_old.c_str(), 1); }

  private:
    std::string m_old;
};

// A pkexec that writes its arguments, one invocation a line, and ends with status.
std::string FakePkexec(testing_support::TempDir& dir, int status) {
    const std::string log = dir.File("pkexec.log");
    const std::string script = dir.Write(
        "pkexec", "#!/bin/sh\necho \"$*\" >> '" + log + "'\nexit " + std::to_string(status) + "\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    return log;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// What helps depends on the system: with the rule in place already a replug or a new login does
// (no commands to copy or install); without sudo the commands are for a root shell.
TEST_F(MainWindowTest, TheHelpFollowsWhatTheSystemHas) {
    const struct {
        bool ruleInPlace, haveSudo, havePkexec;
        const std::string* text;
    } cases[] = {
        {false, true, true, &g_UiText.tc_msg_perm},
        {false, false, false, &g_UiText.tc_perm_root},
        {true, true, true, &g_UiText.tc_perm_replug},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.ruleInPlace) + std::to_string(c.haveSudo));
        PermissionAdvice advice;
        advice.ruleInPlace = c.ruleInPlace;
        advice.haveSudo = c.haveSudo;
        advice.havePkexec = c.havePkexec;
        CPermissionDlg help(m_window.get(), advice);
        ASSERT_FALSE(c.text->empty());
        EXPECT_NE(help.Explanation().find(*c.text), std::string::npos) << help.Explanation();
        EXPECT_EQ(help.Commands() == nullptr, c.ruleInPlace);
        EXPECT_EQ(help.CopyButton() == nullptr, c.ruleInPlace);
        EXPECT_EQ(help.InstallButton() != nullptr, !c.ruleInPlace && c.havePkexec);
        if (help.Commands()) {
            const std::string shown = help.Commands()->toPlainText().toStdString();
            EXPECT_EQ(shown, UdevRuleCommands("\n", c.haveSudo));
            EXPECT_EQ(shown.find("sudo") != std::string::npos, c.haveSudo) << shown;
        }
        // Whatever it says fits: the text's rectangle lies within the window.
        EXPECT_TRUE(help.rect().contains(help.TextRect())) << help.size().height();
    }
}

class PermissionWindowTest : public MainWindowTest {
  protected:
    void SetUp() override {
        m_bStartDenied = true;
        MainWindowTest::SetUp();
    }
    CPermissionDlg* WaitForHelp() {
        EXPECT_TRUE(WaitUntil([&] {
            return m_window->PermissionDialog() && m_window->PermissionDialog()->isVisible();
        }));
        return m_window->PermissionDialog();
    }
};

TEST_F(PermissionWindowTest, SaysOnceWhyWithTheCommandsToCopyAndKeepsALineWhileItLasts) {
    const PermissionAdvice advice = CurrentPermissionAdvice();
    if (advice.ruleInPlace) GTEST_SKIP() << "this machine has the udev rule installed";
    CPermissionDlg* help = WaitForHelp();
    ASSERT_NE(help, nullptr);
    // The commands in a field to select and copy from, whole.
    QTextEdit* field = help->Commands();
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(field->isReadOnly());
    EXPECT_TRUE(field->textInteractionFlags() & Qt::TextSelectableByMouse);
    const std::string commands = UdevRuleCommands("\n", advice.haveSudo);
    EXPECT_EQ(field->toPlainText().toStdString(), commands);
    EXPECT_NE(field->toPlainText().indexOf("70-mivora.rules' /etc/udev/rules.d/"), -1);
    QGuiApplication::clipboard()->clear();
    ui_test::ClickCentre(help->CopyButton());
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), commands);
    EXPECT_EQ(help->CopyButton()->Caption(), g_UiText.tc_perm_copied);

    // The window says it while it lasts.
    EXPECT_EQ(m_window->StatusText(), g_UiText.tc_state_noperm);
    EXPECT_TRUE(m_window->StateBanner()->isVisible());
    EXPECT_EQ(m_window->StateBanner()->Title(), g_UiText.tc_perm_title);
    EXPECT_FALSE(m_window->RateButton(0)->isEnabled());

    // Closed, it does not come back by itself: not with more searches, not on an action.
    ui_test::ClickCentre(help->OkButton());
    ASSERT_TRUE(WaitUntil([&] { return m_window->PermissionDialog() == nullptr; }));
    ModalCatcher modals;
    const long searches = 8;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < searches * 50) QApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(m_window->Session().IsMouseOnline(true), 0);
    ui_test::Pump();
    EXPECT_EQ(m_window->PermissionDialog(), nullptr);
    EXPECT_TRUE(modals.texts.empty()) << modals.texts.front();

    // The banner's link and the status line bring it back.
    ui_test::ClickCentre(m_window->StateBanner()->Link());
    ASSERT_NE(WaitForHelp(), nullptr);
    m_window->PermissionDialog()->reject();
    ASSERT_TRUE(WaitUntil([&] { return m_window->PermissionDialog() == nullptr; }));
    ui_test::ClickCentre(m_window->StatusLine());
    ASSERT_NE(WaitForHelp(), nullptr);

    // Allowed at last: the help goes and the window fills in.
    m_backend->SetOpenDenied(0, false);
    ASSERT_TRUE(WaitUntil([&] { return Connected(); }));
    ASSERT_TRUE(WaitUntil([&] { return m_window->PermissionDialog() == nullptr; }));
    EXPECT_FALSE(m_window->StateBanner()->isVisible());
    EXPECT_TRUE(m_window->RateButton(0)->isEnabled());
}

TEST_F(PermissionWindowTest, TheBannersLinkIsReachedByTabAndActsOnEnterAndSpace) {
    if (CurrentPermissionAdvice().ruleInPlace)
        GTEST_SKIP() << "this machine has the udev rule installed";
    ASSERT_NE(WaitForHelp(), nullptr);
    m_window->PermissionDialog()->reject();
    ASSERT_TRUE(WaitUntil([&] { return m_window->PermissionDialog() == nullptr; }));
    m_window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    CPngBtn* link = m_window->StateBanner()->Link();
    ASSERT_TRUE(link->isVisible());
    for (const int key : {Qt::Key_Return, Qt::Key_Space}) {
        // Tab from the title bar's last button lands on it, before the key list.
        m_window->FocusOrder()[3]->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), link);
        QTest::keyClick(link, static_cast<Qt::Key>(key));
        ASSERT_NE(WaitForHelp(), nullptr) << key;
        m_window->PermissionDialog()->reject();
        ASSERT_TRUE(WaitUntil([&] { return m_window->PermissionDialog() == nullptr; }));
    }
}

TEST_F(PermissionWindowTest, InstallRunsPkexecOnceThenSearchesAgain) {
    testing_support::TempDir bin;
    const std::string log = FakePkexec(bin, 0);
    PathWith path(bin.path() + ":/usr/bin:/bin");
    // The help shown at the start was made before pkexec was on the path.
    if (CPermissionDlg* first = WaitForHelp()) first->reject();
    ASSERT_TRUE(WaitUntil([&] { return m_window->PermissionDialog() == nullptr; }));
    m_window->ShowPermissionDialog();
    CPermissionDlg* help = WaitForHelp();
    ASSERT_NE(help, nullptr);
    ASSERT_NE(help->InstallButton(), nullptr);

    // Only the installation may find the mouse now: the next regular search is far away.
    m_window->Session().m_nFindIntervalMs = 60000;
    ui_test::Pump();
    m_backend->SetOpenDenied(0, false);
    ui_test::ClickCentre(help->InstallButton());
    ASSERT_TRUE(WaitUntil([&] { return Connected(); }, 3000));
    ASSERT_TRUE(WaitUntil([&] { return m_window->PermissionDialog() == nullptr; }));
    // One prompt: one pkexec running every step in one root shell.
    const std::string ran = Slurp(log);
    EXPECT_EQ(std::count(ran.begin(), ran.end(), '\n'), 1) << ran;
    EXPECT_EQ(ran.rfind("/bin/sh -c install -m 644 '", 0), 0u) << ran;
    EXPECT_NE(ran.find("70-mivora.rules' /etc/udev/rules.d/ && udevadm control --reload && "
                       "udevadm trigger --subsystem-match=hidraw"),
              std::string::npos)
        << ran;
    EXPECT_EQ(ran.find("sudo"), std::string::npos) << ran;
}

TEST_F(PermissionWindowTest, AFailedInstallSaysSoAndKeepsTheCommands) {
    testing_support::TempDir bin;
    FakePkexec(bin, 126);  // the password prompt was dismissed
    PathWith path(bin.path() + ":/usr/bin:/bin");
    auto help = std::make_unique<CPermissionDlg>(m_window.get());
    help->show();
    ASSERT_NE(help->InstallButton(), nullptr);
    ui_test::ClickCentre(help->InstallButton());
    ASSERT_TRUE(WaitUntil([&] { return help->StatusText() == g_UiText.tc_perm_failed; }));
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->InstallButton()->isEnabled());
}

TEST_F(PermissionWindowTest, WithoutPkexecThereIsNoInstallButton) {
    testing_support::TempDir empty;
    PathWith path(empty.path());
    CPermissionDlg help(m_window.get());
    EXPECT_EQ(help.InstallButton(), nullptr);
    EXPECT_NE(help.CopyButton(), nullptr);
}

// The help holds its texts whole in every language: the explanation, every command on the
// lines of its field, the buttons' captions, all apart and on the screen.
TEST(PermissionHelp, FitsItsTextInEveryLanguage) {
    ui_test::ProgramFolder program;
    testing_support::TempDir bin;
    FakePkexec(bin, 0);
    PathWith path(bin.path() + ":/usr/bin:/bin");
    ASSERT_GE(g_Config.LangCount, 10);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (int k = 0; k < g_Config.LangCount; ++k) {
        const std::string lang = g_Config.Lang[k].folder;
        ui_test::ProgramFolder::UseLanguage(lang);
        CPermissionDlg help(nullptr);
        help.show();
        ui_test::Pump();
        EXPECT_LE(help.width(), screen.width()) << lang;
        EXPECT_LE(help.height(), screen.height()) << lang;
        const QFontMetrics fm(SkinAppFont() ? *SkinAppFont() : help.font());
        const QRect text = help.TextRect();
        const QRect need =
            fm.boundingRect(QRect(text.topLeft(), QSize(text.width(), 100000)), Qt::TextWordWrap,
                            QString::fromStdString(g_UiText.tc_msg_perm));
        EXPECT_LE(need.height(), text.height()) << lang;
        QTextEdit* field = help.Commands();
        EXPECT_LE(field->document()->size().height(), field->viewport()->height()) << lang;
        EXPECT_LE(field->document()->idealWidth(), field->viewport()->width()) << lang;
        std::vector<QRect> parts = {help.TitleRect(), text, field->geometry()};
        for (CPngBtn* b : {help.InstallButton(), help.CopyButton(), help.OkButton()}) {
            ASSERT_NE(b, nullptr) << lang;
            EXPECT_FALSE(b->IsCaptionElided()) << lang << " " << b->Caption();
            parts.push_back(b->geometry());
        }
        for (size_t i = 0; i < parts.size(); ++i) {
            EXPECT_TRUE(help.rect().contains(parts[i])) << lang << " part " << i;
            for (size_t j = i + 1; j < parts.size(); ++j)
                EXPECT_FALSE(parts[i].intersects(parts[j])) << lang << " parts " << i << ", " << j;
        }
    }
}

}  // namespace
