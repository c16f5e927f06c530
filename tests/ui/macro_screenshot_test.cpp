// Pictures of the macro editor (a folder tree and a recorded macro) and the macro picker in each
// shipped language, for people to look at: written into $MIVORA_SHOTS_DIR, or shots/ beside the
// program folder of the build.
#include <QImage>

#include <gtest/gtest.h>

#include "config/program_config.h"
#include "macro/macro_tree.h"
#include "ui/macro_dlg.h"
#include "ui/macro_ui_fixture.h"
#include "ui/pick_macro_dlg.h"
#include "ui/screenshot.h"
#include "ui/tree_ctrl_ex.h"

namespace {

std::string ShotsDir() {
    const QByteArray env = qgetenv("MIVORA_SHOTS_DIR");
    if (!env.isEmpty()) return env.toStdString() + "/";
    return testing_support::BinDir() + "../shots/";
}

void Shoot(QWidget& dlg, const std::string& name) {
    ui_test::Pump();
    const std::string path = ShotsDir() + name + ".png";
    ASSERT_EQ(RenderWidgetToPng(&dlg, path), 1) << path;
    EXPECT_EQ(QImage(QString::fromStdString(path)).size(), dlg.size()) << path;
}

class MacroShots : public MacroUiTest {};

TEST_F(MacroShots, EditorAndPickerInEveryLanguage) {
    const int savedDir = g_Config.MacroDir;
    g_Config.MacroDir = 1;
    PutFile("Reload.zqm", Macro("Reload", 0x10));
    PutFile("Shooter/Burst fire.zqm", Macro("Burst fire", 0x11));
    PutFile("Shooter/Sniper/Hold breath long.zqm", Macro("Hold breath long", 0x12));
    PutFile("Office/Signature.zqm", Macro("Signature", 0x13));
    LoadMacroLibrary(nullptr, true, true);
    // Every language of the shipped list, named by its folder.
    ASSERT_GT(g_Config.LangCount, 0);
    for (int lang = 0; lang < g_Config.LangCount; ++lang) {
        const std::string t = g_Config.Lang[lang].folder;
        SCOPED_TRACE(t);
        ui_test::ProgramFolder::UseLanguage(t);
        {
            CMacroDlg dlg;
            dlg.open();
            CTreeCtrlEx* tree = dlg.MacroTreeCtrl();
            tree->WalkChildren(
                nullptr,
                [&](CTreeItem* item, TreeItemRecord* rec, const QString&) {
                    if (rec->type == kTreeItemFolder) tree->ToggleExpand(item);
                    return 0;
                },
                true);
            CTreeItem* burst = nullptr;
            tree->WalkChildren(
                nullptr,
                [&](CTreeItem* item, TreeItemRecord*, const QString& s) {
                    if (s == "Burst fire") burst = item;
                    return burst ? 1 : 0;
                },
                true);
            ASSERT_NE(burst, nullptr);
            ui_test::SendMouse(tree, QEvent::MouseButtonPress, tree->ItemRect(burst).center());
            ui_test::Pump();
            dlg.OnRecordButton();
            for (int k : {Qt::Key_Q, Qt::Key_W, Qt::Key_E}) {
                ui_test::SendKey(&dlg, k, false);
                ui_test::SendKey(&dlg, k, true);
            }
            ui_test::SendKey(&dlg, Qt::Key_Control, false, 105);
            dlg.OnRecordButton();
            dlg.OnInsertPick(242);
            EXPECT_EQ(dlg.KeyLineCount(), 9);
            Shoot(dlg, t + "_macro_editor");
            dlg.reject();
        }
        {
            CPickMacroDlg dlg;
            dlg.open();
            dlg.Tree()->WalkChildren(
                nullptr,
                [&](CTreeItem* item, TreeItemRecord* rec, const QString&) {
                    if (rec->type == kTreeItemFolder) dlg.Tree()->ToggleExpand(item);
                    return 0;
                },
                true);
            dlg.Tree()->Select(dlg.Tree()->TopItems().back().get());
            Shoot(dlg, t + "_macro_picker");
            dlg.reject();
        }
    }
    g_Config.MacroDir = savedDir;
}

}  // namespace
