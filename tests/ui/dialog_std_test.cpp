// The toolkit's colour and file dialogs as the program shows them: dark, in the program's
// language, and opening where the user last was.
#include <gtest/gtest.h>

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QTimer>

#include "core/notifier.h"
#include "ui/app_notifier.h"
#include "ui/msg_dlg.h"
#include "ui/std_dialogs.h"
#include "ui/ui_test_util.h"

namespace {

// Runs inspect on the next modal dialog of type D, then closes it with accept or reject.
template <typename D, typename Fn>
void OnNextDialog(Fn inspect) {
    QTimer::singleShot(0, [inspect] {
        auto* dlg = qobject_cast<D*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        inspect(dlg);
    });
}

TEST(StandardDialogs, FileDialogsStartAtHomeThenWhereTheLastFileWasChosen) {
    testing_support::TempDir dir;
    dir.Write("a.zqa", "x");
    QString seen;
    OnNextDialog<QFileDialog>([&](QFileDialog* dlg) {
        seen = dlg->directory().absolutePath();
        dlg->selectFile(QString::fromStdString(dir.File("a.zqa")));
        static_cast<QDialog*>(dlg)->accept();  // QFileDialog's own, through QDialog's public one
    });
    EXPECT_EQ(AskOpenFileName(nullptr, "Profile (*.zqa)"),
              QString::fromStdString(dir.File("a.zqa")));
    EXPECT_EQ(seen, QDir(QDir::homePath()).absolutePath());

    // A save dialog offers only the suggested name, in the last folder.
    OnNextDialog<QFileDialog>([&](QFileDialog* dlg) {
        seen = dlg->directory().absolutePath();
        dlg->reject();
    });
    EXPECT_TRUE(AskSaveFileName(nullptr, "zqm (*.zqm)", "../../etc/m1").isEmpty());
    EXPECT_EQ(seen, QDir(QString::fromStdString(dir.path())).absolutePath());
}

TEST(StandardDialogs, ColourDialogIsDarkAndPresetWithTheColour) {
    QColor preset, window, text;
    OnNextDialog<QColorDialog>([&](QColorDialog* dlg) {
        preset = dlg->currentColor();
        window = dlg->palette().color(QPalette::Window);
        text = dlg->palette().color(QPalette::WindowText);
        dlg->accept();
    });
    EXPECT_EQ(AskColor(nullptr, QColor(0x33, 0x66, 0x99)), QColor(0x33, 0x66, 0x99));
    EXPECT_EQ(preset, QColor(0x33, 0x66, 0x99));
    EXPECT_LT(window.lightness(), 80);
    EXPECT_GT(text.lightness(), 180);
}

TEST(StandardDialogs, EngineNoticesComeInTheProgramsOwnMessageDialog) {
    // Never a stock box with an English "Warning" title: the skinned message dialog, whose
    // answer is mapped back to the buttons the engine asked for.
    ui_test::ProgramFolder program;
    GuiNotifier notifier;
    struct Case {
        const char* caption;
        unsigned buttons;
        bool accept;
        int answer;
    };
    const Case cases[] = {{"Warning", MB_OK, true, IDOK},
                          {"Error", MB_OK, true, IDOK},
                          {"Warning", MB_YESNO, true, IDYES},
                          {"Warning", MB_YESNO, false, IDNO},
                          {"Warning", MB_OKCANCEL, false, IDCANCEL}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.caption) + " " + std::to_string(c.buttons));
        std::string shown;
        OnNextDialog<CMsgDlg>([&](CMsgDlg* dlg) {
            shown = dlg->m_strText;
            c.accept ? dlg->accept() : dlg->reject();
        });
        EXPECT_EQ(c.answer, NotifyUser("The desktop refused the speed.", c.caption, c.buttons));
        EXPECT_EQ("The desktop refused the speed.", shown);
    }
}

TEST(StandardDialogs, ToolkitTextsFollowTheProgramLanguage) {
    EXPECT_EQ(LocaleOfLanguageFolder("Deutsch").language(), QLocale::German);
    EXPECT_EQ(LocaleOfLanguageFolder("简体中文").name(), "zh_CN");
    EXPECT_EQ(LocaleOfLanguageFolder("English").language(), QLocale::English);
    const QString english = QColorDialog::tr("&Basic colors");
    ASSERT_TRUE(UseStandardDialogLanguage(LocaleOfLanguageFolder("Deutsch")))
        << "the toolkit's German translations are not installed";
    EXPECT_NE(QColorDialog::tr("&Basic colors"), english);
    UseStandardDialogLanguage(LocaleOfLanguageFolder("English"));
    EXPECT_EQ(QColorDialog::tr("&Basic colors"), english);
}

}  // namespace
