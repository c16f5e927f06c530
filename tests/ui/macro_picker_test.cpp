// The macro picker: its tree comes from the files, OK needs a macro, "new" asks for the editor.
#include <gtest/gtest.h>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "skin/png_btn.h"
#include "ui/macro_ui_fixture.h"
#include "ui/pick_macro_dlg.h"
#include "ui/tree_ctrl_ex.h"

namespace {

using ui_test::ClickCentre;

class PickerTest : public MacroUiTest {
  protected:
    void SetUp() override {
        MacroUiTest::SetUp();
        m_savedMacroDir = g_Config.MacroDir;
        PutFile("Jump.zqm", Macro("Jump", 0x123456));
        PutFile("Sub/Run.zqm", Macro("Run", 0x000777));
        PutFile("notes.txt.zqm", StMacro{});  // no magic: not offered
    }
    void TearDown() override {
        g_Config.MacroDir = m_savedMacroDir;
        MacroUiTest::TearDown();
    }
    static CTreeItem* Find(CTreeCtrlEx* tree, const char* text) {
        CTreeItem* found = nullptr;
        tree->WalkChildren(
            nullptr,
            [&](CTreeItem* item, TreeItemRecord*, const QString& t) {
                if (t == text) found = item;
                return found ? 1 : 0;
            },
            true);
        return found;
    }
    int m_savedMacroDir = 0;
};

TEST_F(PickerTest, OffersTheFilesNotTheLibraryAndFoldersOnlyWithMacroDir) {
    // The library is empty: the picker reads the folder itself.
    for (int macroDir : {1, 0}) {
        SCOPED_TRACE(macroDir);
        g_Config.MacroDir = macroDir;
        CPickMacroDlg dlg;
        dlg.open();
        CTreeCtrlEx* tree = dlg.Tree();
        ASSERT_NE(tree, nullptr);
        EXPECT_EQ(tree->geometry(), QRect(QPoint(25, 60), QPoint(374, 279)));
        EXPECT_EQ(Find(tree, "notes.txt"), nullptr);
        EXPECT_EQ(tree->Selected(), nullptr);
        CTreeItem* jump = Find(tree, "Jump");
        ASSERT_NE(jump, nullptr);
        EXPECT_EQ(tree->FindRecord(jump)->value, 0x123456u);
        EXPECT_EQ(Find(tree, "Sub") != nullptr, macroDir == 1);
        EXPECT_EQ(Find(tree, "Run") != nullptr, macroDir == 1);
        dlg.reject();
    }
}

TEST_F(PickerTest, OkTakesOnlyAMacro) {
    g_Config.MacroDir = 1;
    CPickMacroDlg dlg;
    dlg.open();
    CTreeCtrlEx* tree = dlg.Tree();

    // Nothing selected, then a folder: the "Tips" box, and the dialog stays.
    for (CTreeItem* item : {static_cast<CTreeItem*>(nullptr), Find(tree, "Sub")}) {
        tree->Select(item);
        ClickCentre(dlg.OkButton());
        EXPECT_TRUE(dlg.isVisible());
        ASSERT_FALSE(m_notes.messages.empty());
        EXPECT_EQ(m_notes.messages.back(),
                  std::make_pair(g_UiText.tc_macro_msg1, std::string("Tips")));
    }
    EXPECT_EQ(dlg.m_nResult, 0);

    tree->ToggleExpand(Find(tree, "Sub"));
    ui_test::SendMouse(tree, QEvent::MouseButtonPress, tree->ItemRect(Find(tree, "Run")).center());
    ClickCentre(dlg.OkButton());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_nResult, 0x777);
}

// By keyboard: the named tree has the focus when the picker opens, Enter on a folder opens it
// and Enter on a macro picks it.
TEST_F(PickerTest, TheKeyboardStartsInTheTreeAndEnterPicksAMacro) {
    g_Config.MacroDir = 1;
    CPickMacroDlg dlg;
    dlg.open();
    CTreeCtrlEx* tree = dlg.Tree();
    EXPECT_EQ(dlg.focusWidget(), tree);
    EXPECT_EQ(tree->accessibleName().toStdString(), g_UiText.tc_macro_list);
    tree->Select(Find(tree, "Sub"));
    ui_test::TapKey(tree, Qt::Key_Return);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(m_notes.messages.empty());
    EXPECT_TRUE(tree->ItemRect(Find(tree, "Run")).isValid()) << "the folder opened";
    tree->Select(Find(tree, "Jump"));
    ui_test::TapKey(tree, Qt::Key_Return);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_nResult, 0x123456);
}

TEST_F(PickerTest, NewAsksForTheEditorAndCancelChoosesNothing) {
    {
        CPickMacroDlg dlg;
        dlg.open();
        ClickCentre(dlg.NewButton());
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(dlg.m_nResult, CPickMacroDlg::kOpenEditor);
    }
    for (bool useClose : {false, true}) {
        CPickMacroDlg dlg;
        dlg.open();
        dlg.Tree()->Select(Find(dlg.Tree(), "Jump"));
        ClickCentre(useClose ? dlg.CloseButton() : dlg.CancelButton());
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
        EXPECT_EQ(dlg.m_nResult, 0);
    }
}

TEST_F(PickerTest, MissingBackgroundEndsAsCancelled) {
    ui_test::SkinFolder empty;
    CPickMacroDlg dlg;
    dlg.open();
    ui_test::Pump();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

}  // namespace
