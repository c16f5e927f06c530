// The fire key editor: the count field, its limit and the OK rules.
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "core/messages.h"
#include "skin/caption_fit.h"
#include "skin/png_btn.h"
#include "skin/skin_config.h"
#include "skin/skin_settings.h"
#include "ui/firekey_dlg.h"
#include "ui/ui_test_util.h"

namespace {

using ui_test::ClickCentre;

class FirekeyTest : public ::testing::Test {
  protected:
    ui_test::ProgramFolder m_program;
};

TEST_F(FirekeyTest, TypedCountsAreCutToTheMaximum) {
    struct Case {
        int max;
        const char* typed;
        const char* shown;
    };
    for (const Case& c : {Case{3, "7", "3"}, Case{255, "300", "255"}, Case{255, "42", "42"}}) {
        SCOPED_TRACE(c.typed);
        CFirekeyDlg dlg;
        dlg.m_nMax = c.max;
        dlg.open();
        dlg.Field()->clear();
        QTest::keyClicks(dlg.Field(), c.typed);
        EXPECT_EQ(dlg.Field()->text(), c.shown);
        // The range is shown beside the field, and marked when a count was cut.
        EXPECT_EQ(dlg.RangeText(), "1 - " + std::to_string(c.max));
        EXPECT_EQ(dlg.RangeMarked(), strcmp(c.typed, c.shown) != 0);
        EXPECT_TRUE(dlg.rect().contains(dlg.RangeRect()));
        EXPECT_FALSE(dlg.RangeRect().intersects(dlg.Field()->geometry()));
        EXPECT_EQ(dlg.Field()->cursorPosition(), static_cast<int>(strlen(c.shown)));
        ClickCentre(dlg.OkButton());
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(dlg.m_nCount, atoi(c.shown));
    }
}

TEST_F(FirekeyTest, RefusedOkKeepsTheDialogOpen) {
    CFirekeyDlg dlg;
    dlg.m_nMax = 3;
    dlg.m_nCount = 0;
    dlg.open();
    EXPECT_EQ(dlg.Field()->text(), "1") << "a count of 0 shows 1";
    for (const char* text : {"0", "", "00"}) {
        dlg.Field()->setText(text);
        ClickCentre(dlg.OkButton());
        EXPECT_TRUE(dlg.isVisible()) << text;
    }
    EXPECT_EQ(dlg.m_nCount, 0);
    // Enter on a refused count keeps the dialog too; a stray pick message is ignored.
    dlg.Field()->setText("0");
    ui_test::TapKey(dlg.Field(), Qt::Key_Return);
    PostWinMessage(&dlg, WM_CHILD_CLICK, 1, 0);
    ui_test::Pump();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.m_nCount, 0);

    ClickCentre(dlg.CancelButton());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(dlg.m_nCount, 0) << "Cancel leaves the count";
}

TEST_F(FirekeyTest, EnterConfirmsAndEscCancels) {
    struct Case {
        int key;
        QDialog::DialogCode result;
        int count;
    };
    for (const Case c :
         {Case{Qt::Key_Return, QDialog::Accepted, 2}, Case{Qt::Key_Enter, QDialog::Accepted, 2},
          Case{Qt::Key_Escape, QDialog::Rejected, 3}}) {
        CFirekeyDlg dlg;
        dlg.m_nMax = 3;
        dlg.m_nCount = 3;
        dlg.open();
        dlg.Field()->setText("2");
        ui_test::TapKey(dlg.Field(), c.key);
        ui_test::Pump();
        EXPECT_FALSE(dlg.isVisible()) << c.key;
        EXPECT_EQ(dlg.result(), c.result) << c.key;
        EXPECT_EQ(dlg.m_nCount, c.count) << c.key;
    }
}

TEST_F(FirekeyTest, LayoutLabelAndClose) {
    CFirekeyDlg dlg;
    dlg.m_nCount = 7;
    dlg.open();
    EXPECT_EQ(dlg.Field()->text(), "7");
    EXPECT_EQ(dlg.Field()->geometry(), QRect(180, 55, 70, 20));
    EXPECT_EQ(dlg.OkButton()->pos(), QPoint(dlg.width() - 222, dlg.height() - 50));
    EXPECT_EQ(dlg.CancelButton()->pos(), QPoint(dlg.width() - 116, dlg.height() - 50));
    EXPECT_EQ(dlg.CancelButton()->m_clrNormal, g_Config.Btn_txt_clr_nr2);
    EXPECT_EQ(dlg.LabelText(), g_UiText.tc_adv_str17);
    // The desktop names the dialog by what it asks for.
    EXPECT_EQ(dlg.windowTitle().toStdString(), g_UiText.tc_adv_str17 + " – " + g_Config.Title);
    const std::string saved = g_UiText.tc_adv_str17;
    g_UiText.tc_adv_str17.clear();
    EXPECT_EQ(dlg.LabelText(), "Loop count");
    g_UiText.tc_adv_str17 = saved;
    ClickCentre(dlg.CloseButton());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

// Both forms' labels stand whole beside the field in every shipped language, drawn in the
// program's own font as the program runs; the fire form names its count.
TEST_F(FirekeyTest, TheLabelIsWholeInEveryLanguageAndNamesTheCount) {
    ASSERT_EQ(LoadAppFont(), 1);
    ASSERT_GT(g_Config.LangCount, 1);
    for (int k = 0; k < g_Config.LangCount; ++k) {
        ui_test::ProgramFolder::UseLanguage(g_Config.Lang[k].folder);
        for (int max : {CFirekeyDlg::kFireMax, 255}) {
            SCOPED_TRACE(g_Config.Lang[k].folder + " maximum " + std::to_string(max));
            CFirekeyDlg dlg;
            dlg.m_nMax = max;
            dlg.open();
            const std::string expected =
                max == CFirekeyDlg::kFireMax ? g_UiText.tc_fire_count : g_UiText.tc_adv_str17;
            EXPECT_FALSE(expected.empty());
            EXPECT_EQ(dlg.LabelText(), expected);
            const QRect label = dlg.LabelRect();
            EXPECT_FALSE(
                FitCaption(*SkinAppFont(), QString::fromStdString(expected), label.width()).elided);
            EXPECT_GE(label.left(), 16) << "inside the window's face";
            EXPECT_LT(label.right(), dlg.Field()->x());
        }
    }
    UnloadAppFont();
    ui_test::ProgramFolder::UseLanguage("English");
    CFirekeyDlg fire;
    fire.m_nMax = CFirekeyDlg::kFireMax;
    EXPECT_EQ(fire.LabelText(), "Shots per press");
    g_UiText.tc_fire_count.clear();
    EXPECT_EQ(fire.LabelText(), "Shots per press") << "the fallback of an empty text";
}

}  // namespace
