// The progress dialog: positions posted from another thread, the fill width, closing by
// WM_CLOSE_MSG or its close button, and a missing skin image.
#include <QPointer>

#include <gtest/gtest.h>

#include <thread>

#include "config/program_config.h"
#include "core/messages.h"
#include "core/notifier.h"
#include "skin/png_btn.h"
#include "ui/progress_dlg.h"
#include "ui/ui_test_util.h"

namespace {

class ProgressTest : public ::testing::Test {
  protected:
    ui_test::ProgramFolder m_program;
};

TEST_F(ProgressTest, PositionsFromTheApplyThreadMoveTheBarAndCloseIt) {
    CProgressDlg dlg;
    SetupDefaultProgress(dlg);
    dlg.open();
    EXPECT_EQ(dlg.windowTitle().toStdString(), g_Config.Title);
    EXPECT_EQ(dlg.windowRole(), "MyProgressDlg..") << "how the apply thread finds it";
    EXPECT_EQ(dlg.size(), QSize(530, 150));  // progress_nr.png
    EXPECT_EQ(dlg.FillWidth(), 45) << "position 0 already shows the bar's left edge";
    // The picture's rounded corners are transparent: the window is cut to its shape.
    const QImage face(QString::fromStdString(g_szAppDir + "skins/progress_nr.png"));
    ASSERT_EQ(qAlpha(face.pixel(0, 0)), 0);
    EXPECT_FALSE(dlg.mask().isEmpty());
    EXPECT_FALSE(dlg.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(dlg.mask().contains(QPoint(265, 75)));

    // The apply thread finds the window by its title and only posts to it.
    std::shared_ptr<MessageSink> sink = TopWindowsForApplyThread()->Find(kProgressTitle);
    ASSERT_TRUE(sink);
    std::thread worker([sink] {
        for (int pos : {10, 50, 100}) sink->Post(WM_PROGRESS, static_cast<uintptr_t>(pos), 0);
    });
    worker.join();
    ui_test::Pump();
    EXPECT_EQ(dlg.m_nPos, 100);
    EXPECT_EQ(dlg.FillWidth(), 486);

    EXPECT_EQ(SendWinMessage(&dlg, WM_PROGRESS, 50, 0), 1);
    EXPECT_EQ(dlg.FillWidth(), 45 + 50 * 441 / 100);
    EXPECT_EQ(SendWinMessage(&dlg, WM_PROGRESS, 150, 0), 1);
    EXPECT_EQ(dlg.m_nPos, 0) << "a position outside the range shows the minimum";

    // Keys cannot close it.
    for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Space}) ui_test::TapKey(&dlg, key);
    ui_test::Pump();
    EXPECT_TRUE(dlg.isVisible());

    sink->Post(WM_CLOSE_MSG, 0, 0);
    ui_test::Pump();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(TopWindowsForApplyThread()->Find(kProgressTitle), nullptr);
    // Posts after the window closed are lost without harm.
    sink->Post(WM_PROGRESS, 70, 0);
    ui_test::Pump();
    EXPECT_EQ(dlg.m_nPos, 0);
}

TEST_F(ProgressTest, FillFollowsThePositionInThePicture) {
    CProgressDlg dlg;
    SetupDefaultProgress(dlg);
    dlg.open();
    const QImage track = dlg.ComposePicture();
    dlg.OnSetPos(100);
    const QImage full = dlg.ComposePicture();
    // Past the bar's left edge the picture changes only where the fill reaches.
    EXPECT_NE(track.pixel(300, 112), full.pixel(300, 112));
    EXPECT_EQ(track.pixel(500, 112), full.pixel(500, 112));
}

TEST_F(ProgressTest, CloseButtonCloses) {
    CProgressDlg dlg;
    SetupDefaultProgress(dlg);
    dlg.open();
    ASSERT_NE(dlg.CloseButton(), nullptr);
    EXPECT_EQ(dlg.CloseButton()->pos(), QPoint(530 - 42, 10));
    ui_test::ClickCentre(dlg.CloseButton());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(ProgressTest, EmptyRangeDoesNotDivideByZero) {
    CProgressDlg dlg;
    dlg.m_rcBar = CfgRect{45, 101, 486, 123};
    dlg.m_nMin = dlg.m_nMax = 5;
    dlg.m_nPos = 5;
    EXPECT_EQ(dlg.FillWidth(), 45);
}

TEST(ProgressSkinTest, MissingFillImageWarnsOnceAndCloses) {
    ui_test::SkinFolder skins;
    skins.CopyBuilt("progress_nr.png");
    skins.CopyBuilt("exit_nr.png");
    skins.CopyBuilt("exit_ov.png");
    testing_support::RecordingNotifier notes;
    CProgressDlg dlg;
    SetupDefaultProgress(dlg);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    ASSERT_EQ(notes.messages.size(), 1u);
    EXPECT_EQ(notes.messages[0].first, "ProgressDlg skin loss");
}

}  // namespace
