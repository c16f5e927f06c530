// Pictures of the dialogs in each shipped language, for people to look at: written into
// $MIVORA_SHOTS_DIR, or shots/ beside the program folder of the build.
#include <QImage>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "config/program_config.h"
#include "ui/about_dlg.h"
#include "ui/firekey_dlg.h"
#include "ui/msg_dlg.h"
#include "ui/progress_dlg.h"
#include "ui/screenshot.h"
#include "ui/ui_test_util.h"

namespace {

std::string ShotsDir() {
    const QByteArray env = qgetenv("MIVORA_SHOTS_DIR");
    if (!env.isEmpty()) return env.toStdString() + "/";
    return testing_support::BinDir() + "../shots/";
}

// Writes the shown dialog and checks that the file holds its picture.
void Shoot(QDialog& dlg, const std::string& name) {
    dlg.open();
    ui_test::Pump();
    const std::string path = ShotsDir() + name + ".png";
    ASSERT_EQ(RenderWidgetToPng(&dlg, path), 1) << path;
    const QImage written(QString::fromStdString(path));
    EXPECT_EQ(written.size(), dlg.size()) << path;
    // Outside a shaped window's shape the picture is transparent, as the screen shows it.
    if (!dlg.mask().isEmpty() && !dlg.mask().contains(QPoint(0, 0))) {
        EXPECT_EQ(written.pixelColor(0, 0).alpha(), 0) << path;
    }
    dlg.reject();
}

TEST(ScreenshotTest, DialogsInEveryLanguage) {
    ui_test::ProgramFolder program;
    // Every language of the shipped list, named by its folder.
    ASSERT_GT(g_Config.LangCount, 0);
    for (int lang = 0; lang < g_Config.LangCount; ++lang) {
        const std::string t = g_Config.Lang[lang].folder;
        SCOPED_TRACE(t);
        ui_test::ProgramFolder::UseLanguage(t);
        {
            CMsgDlg dlg;
            dlg.m_nMode = CMsgDlg::kMessage;
            dlg.m_strText = g_UiText.tc_msg29;
            Shoot(dlg, t + "_msg_message");
        }
        {
            CMsgDlg dlg;
            dlg.m_nMode = CMsgDlg::kText;
            dlg.m_strText = g_UiText.tc_macro_msg5;
            Shoot(dlg, t + "_msg_text");
        }
        {
            CMsgDlg dlg;
            dlg.m_nMode = CMsgDlg::kNumber;
            dlg.m_strText = g_UiText.tc_macro_msg12;
            dlg.m_nMin = 1;
            dlg.m_nMax = 65535;
            dlg.open();
            QTest::keyClicks(dlg.Edit(), "70000");
            Shoot(dlg, t + "_msg_number");
        }
        {
            CMsgDlg dlg;
            dlg.m_nMode = CMsgDlg::kKeyCapture;
            dlg.m_strText = g_UiText.tc_combo_tips;
            dlg.m_bModifierBoxes = 1;
            dlg.open();
            dlg.m_Capture = {0x03, 'A', 0, 0};
            CMsgDlg::ResetCaptureMemory();
            dlg.CaptureKey('B', false);
            EXPECT_EQ(dlg.m_Capture, (std::array<uint8_t, 4>{0, 66, 0, 0}));
            EXPECT_EQ(dlg.Edit()->text().toStdString(), "B");
            Shoot(dlg, t + "_msg_capture");
        }
        {
            CMsgDlg dlg;
            dlg.m_nMode = CMsgDlg::kConfirm;
            dlg.m_strText = g_UiText.tc_msg5;
            Shoot(dlg, t + "_msg_confirm");
        }
        {
            CFirekeyDlg dlg;
            dlg.m_nMax = 3;
            Shoot(dlg, t + "_firekey");
        }
        {
            CAboutDlg dlg;
            Shoot(dlg, t + "_about");
        }
        {
            CProgressDlg dlg;
            SetupDefaultProgress(dlg);
            dlg.m_nPos = 40;
            Shoot(dlg, t + "_progress");
        }
    }
    ui_test::ProgramFolder::UseLanguage("English");
}

}  // namespace
