// Start-up pieces of the desktop program: one copy per user, the command line, and a skin
// folder with missing pictures.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include "config/ui_text.h"
#include "profile/apply_thread.h"
#include "profile/profile_list.h"
#include "sim/virtual_mouse.h"
#include "ui/app_options.h"
#include "ui/app_single_instance.h"
#include "ui/mivora_dlg.h"
#include "ui/ui_test_util.h"

namespace {

bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

TEST(SingleInstanceTest, SecondCopyIsRefusedAndWakesTheFirst) {
    testing_support::TempDir dir;
    const QString name = QString::fromStdString(dir.File("MUTEX_ZQ_WIRELESS"));
    SingleInstance first(name);
    ASSERT_TRUE(first.Acquire());
    QStringList tokens;
    QObject::connect(&first, &SingleInstance::showRequested,
                     [&](const QString& token) { tokens << token; });

    SingleInstance second(name);
    EXPECT_FALSE(second.Acquire());
    EXPECT_TRUE(second.AskFirstToShow(200));
    EXPECT_TRUE(WaitFor([&] { return tokens.size() == 1; }, 2000));
    EXPECT_EQ(QStringList{QString()}, tokens);
}

TEST(SingleInstanceTest, TheSecondCopysActivationTokenReachesTheFirst) {
    // Wayland raises a window only with the token the second copy was started with; one that
    // is not a plain token is left out, and the window is shown all the same.
    testing_support::TempDir dir;
    const QString name = QString::fromStdString(dir.File("MUTEX_ZQ_WIRELESS"));
    SingleInstance first(name);
    ASSERT_TRUE(first.Acquire());
    QStringList tokens;
    QObject::connect(&first, &SingleInstance::showRequested,
                     [&](const QString& token) { tokens << token; });
    const QString longest(255, 'x');
    const QStringList sent = {"sway-1234_abc", longest, longest + "x", "two words",
                              "line\nshow evil"};
    for (const QString& token : sent) {
        SingleInstance second(name);
        ASSERT_FALSE(second.Acquire());
        EXPECT_TRUE(second.AskFirstToShow(200, token));
    }
    ASSERT_TRUE(WaitFor([&] { return tokens.size() == sent.size(); }, 3000));
    EXPECT_EQ((QStringList{"sway-1234_abc", longest, "", "", ""}), tokens);
}

TEST(SingleInstanceTest, AHostileRequestShowsNothingAndKeepsTheSocketServing) {
    testing_support::TempDir dir;
    const QString name = QString::fromStdString(dir.File("MUTEX_ZQ_WIRELESS"));
    SingleInstance first(name);
    ASSERT_TRUE(first.Acquire());
    QStringList tokens;
    QObject::connect(&first, &SingleInstance::showRequested,
                     [&](const QString& token) { tokens << token; });
    {
        // Endless bytes without a newline are cut off, not collected.
        QLocalSocket s;
        s.connectToServer(name);
        ASSERT_TRUE(s.waitForConnected(1000));
        s.write(QByteArray(100000, 's'));
        s.waitForBytesWritten(1000);
        EXPECT_TRUE(WaitFor([&] { return s.state() == QLocalSocket::UnconnectedState; }, 3000));
    }
    SingleInstance second(name);
    EXPECT_TRUE(second.AskFirstToShow(200, "tok"));
    ASSERT_TRUE(WaitFor([&] { return tokens.size() == 1; }, 2000));
    EXPECT_EQ("tok", tokens.front());
}

TEST(SingleInstanceTest, LeftoverSocketOfACrashedCopyDoesNotBlock) {
    testing_support::TempDir dir;
    const std::string path = dir.File("MUTEX_ZQ_WIRELESS");
    dir.Write("MUTEX_ZQ_WIRELESS", "");  // what a copy that died leaves behind
    SingleInstance next(QString::fromStdString(path));
    EXPECT_TRUE(next.Acquire());
    SingleInstance third(QString::fromStdString(path));
    EXPECT_FALSE(third.Acquire());
}

TEST(SingleInstanceTest, TheLockNotTheSocketDecidesWhichCopyRuns) {
    // Two copies started at once: the second may probe before the first listens, or find its
    // socket in the middle of being replaced. Neither may let both run.
    testing_support::TempDir dir;
    const QString name = QString::fromStdString(dir.File("MUTEX_ZQ_WIRELESS"));
    SingleInstance first(name);
    ASSERT_TRUE(first.Acquire());
    QLocalServer::removeServer(name);  // the first copy's socket not there (yet)
    SingleInstance second(name);
    EXPECT_FALSE(second.Acquire());
    EXPECT_FALSE(second.AskFirstToShow(100));  // nobody listens: bounded, then gives up
}

TEST(AppOptionsTest, VirtualMouseOptionsAndErrors) {
    AppOptions o;
    std::string error;
    ASSERT_TRUE(ParseAppOptions(
        {"--virtual-mouse=/tmp/v.bin", "--virtual-cid", "0x4D", "--virtual-mid", "2",
         "--virtual-link", "bluetooth", "--data-dir", "/tmp/d", "--screenshot", "/tmp/s"},
        o, error))
        << error;
    EXPECT_TRUE(o.virtualMouse);
    EXPECT_EQ(o.virtualFile, "/tmp/v.bin");
    EXPECT_EQ(o.virtualCid, 0x4D);
    EXPECT_EQ(o.virtualMid, 2);
    EXPECT_EQ(o.virtualLink, "bluetooth");
    EXPECT_EQ(o.dataDir, "/tmp/d");
    EXPECT_EQ(o.screenshotDir, "/tmp/s");

    const std::vector<std::vector<std::string>> bad = {
        {"--virtual-cid", "256"},
        {"--virtual-link", "usb"},
        {"--virtual-mouse="},
        {"--screenshot"},
        {"--bogus"},
    };
    for (const auto& args : bad) {
        AppOptions b;
        EXPECT_FALSE(ParseAppOptions(args, b, error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

class SkinLossTest : public ::testing::Test {
  protected:
    void SetUp() override { g_szDataDir = m_data.path() + "/"; }
    void TearDown() override {
        g_ApplyThread.Stop();
        g_ProfileList.Clear();
    }
    ui_test::ProgramFolder m_program;
    testing_support::TempDir m_data;
    testing_support::RecordingNotifier m_notifier;
    sim::VirtualMouseBackend m_backend;  // no mouse plugged in
};

TEST_F(SkinLossTest, MissingBackgroundEndsWithItsMessage) {
    ui_test::SkinFolder skins;  // empty skins folder
    CMivoraDlg window(m_backend, nullptr);
    window.m_bQuitAppOnExit = false;
    EXPECT_FALSE(window.InitDialog(false));
    ASSERT_FALSE(m_notifier.messages.empty());
    EXPECT_EQ(m_notifier.messages.front(),
              std::make_pair(std::string("Load skins failed."), std::string("Error")));
}

TEST_F(SkinLossTest, MissingOptionalPicturesAreNotDrawn) {
    ui_test::SkinFolder skins;
    skins.CopyBuilt("main_nr.png");  // only the background
    CMivoraDlg window(m_backend, nullptr);
    window.m_bQuitAppOnExit = false;
    ASSERT_TRUE(window.InitDialog(false));
    window.show();
    const QImage face = window.grab().toImage();
    EXPECT_EQ(face.size(),
              QImage(QString::fromStdString(skins.Dir() + "/skins/main_nr.png")).size());
    // The buttons that lack their pictures were reported, not created.
    bool reported = false;
    for (const auto& m : m_notifier.messages) reported |= m.second == "Warrning";
    EXPECT_TRUE(reported);
}

// A first run (no lang.ini yet) speaks the desktop's language when it is one of the ten; a
// language the user chose stays.
// The program folder as built, without a mouse.
using FirstRunTest = SkinLossTest;

TEST_F(FirstRunTest, FollowsTheDesktopsLanguage) {
    struct Case {
        const char* lang;
        const char* messages;
        int stored;  // a language chosen before (-1: first run)
        const char* folder;
    };
    int deutsch = -1;
    for (int k = 0; k < g_Config.LangCount; ++k)
        if (g_Config.Lang[k].folder == "Deutsch") deutsch = k;
    ASSERT_GE(deutsch, 0);
    const Case cases[] = {
        {"de_DE.UTF-8", nullptr, -1, "Deutsch"},
        {"de_DE.UTF-8", "ja_JP.UTF-8", -1, "日本語"},
        {"sv_SE.UTF-8", nullptr, -1, "English"},
        {"fr_FR.UTF-8", nullptr, deutsch, "Deutsch"},
    };
    for (const Case& c : cases) {
        testing_support::TempDir data;
        g_szDataDir = data.path() + "/";
        if (c.stored >= 0) {
            ASSERT_TRUE(WriteLangIndex(g_szDataDir, c.stored));
        }
        setenv("LANG", c.lang, 1);
        if (c.messages) setenv("LC_MESSAGES", c.messages, 1);
        {
            CMivoraDlg window(m_backend, nullptr);
            window.m_bQuitAppOnExit = false;
            ASSERT_TRUE(window.InitDialog(false));
            const int k = ReadLangIndex(g_szDataDir);
            EXPECT_EQ(g_Config.Lang[k].folder, c.folder) << c.lang;
            EXPECT_EQ(window.LanguageCombo()->SelectedValue(), k) << c.lang;
            const std::string caption = window.RestoreButton()->Caption();
            window.Session().Stop();
            LoadUiTexts(LanguageTextPath(g_szAppDir, c.folder));
            EXPECT_EQ(caption, g_UiText.tc_restore) << c.lang;
        }
        unsetenv("LC_MESSAGES");
        setenv("LANG", "C.UTF-8", 1);
        g_szDataDir = m_data.path() + "/";
    }
    ui_test::ProgramFolder::UseLanguage("English");
}

}  // namespace
