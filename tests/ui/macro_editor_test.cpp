// The macro editor against a real macro folder: recording, the key list, saving, and the
// library operations run from its tree.
#include <QAccessible>
#include <QKeyEvent>

#include <gtest/gtest.h>

#include <filesystem>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/messages.h"
#include "macro/key_names.h"
#include "macro/macro_tree.h"
#include "profile/function_codes.h"
#include "profile/profile_list.h"
#include "skin/key_event_vk.h"
#include "skin/png_btn.h"
#include "ui/macro_dlg.h"
#include "ui/macro_ui_fixture.h"
#include "ui/menu_dlg.h"
#include "ui/tree_ctrl_ex.h"

namespace {

namespace fs = std::filesystem;
using ui_test::ClickCentre;
using ui_test::SendKey;

uint32_t g_tick = 0;
uint32_t g_step = 0;
uint32_t TestClock() {
    return g_tick += g_step;
}

class EditorTest : public MacroUiTest {
  protected:
    void SetUp() override {
        MacroUiTest::SetUp();
        m_saved = g_Config;
        g_Config.MacroDir = 1;
        g_Config.MinUIDelay = 10;
        g_Config.MinDelay = 10;
        g_Config.ApplyNow = 0;
        CMacroDlg::ResetCaptureMemory();
        g_tick = 1000;
        g_step = 0;
        CMacroDlg::SetRecordClock(TestClock);
    }
    void TearDown() override {
        CMacroDlg::SetRecordClock(nullptr);
        m_dlg.reset();
        g_Config = m_saved;
        MacroUiTest::TearDown();
    }
    // Loads the library from the folder and opens the editor with scripted inputs.
    CMacroDlg& Open() {
        LoadMacroLibrary(nullptr, true, true);
        m_dlg = std::make_unique<CMacroDlg>();
        m_dlg->m_fnAskText = [this](const std::string&, int, std::string* out) {
            if (m_typed.empty()) return 0;
            *out = m_typed;
            return 1;
        };
        m_dlg->m_fnAskKey = [this](std::array<uint8_t, 4>* c) {
            *c = m_capture;
            return 1;
        };
        m_dlg->m_fnAskNumber = [this](const std::string&, int, int, int, int32_t* out) {
            *out = m_number;
            return 1;
        };
        m_dlg->m_fnAskFile = [this](bool, const std::string& initial) {
            m_fileInitial = initial;
            return m_file;
        };
        m_dlg->open();
        return *m_dlg;
    }
    CTreeItem* Find(const char* text) const {
        CTreeItem* found = nullptr;
        m_dlg->MacroTreeCtrl()->WalkChildren(
            nullptr,
            [&](CTreeItem* item, TreeItemRecord*, const QString& t) {
                if (t == text) found = item;
                return found ? 1 : 0;
            },
            true);
        return found;
    }
    // Clicks an item of the macro tree as the user would.
    void ClickItem(CTreeItem* item) {
        CTreeCtrlEx* tree = m_dlg->MacroTreeCtrl();
        tree->EnsureVisible(item);
        ui_test::SendMouse(tree, QEvent::MouseButtonPress, tree->ItemRect(item).center());
        ui_test::Pump();
    }
    // The key list as "kind:value" words.
    std::string Lines() const {
        std::string out;
        for (const auto& line : m_dlg->KeyList()->TopItems())
            out += (out.empty() ? "" : " ") + std::to_string(line->rec.kind) + ":" +
                   std::to_string(line->rec.value);
        return out;
    }
    static std::string Events(const StMacro& m) {
        std::string out;
        for (const StMacroEvent& e : m.stEvents) {
            if (e.wKey == 0 && e.dwDelay == 0) break;
            out += (out.empty() ? "" : " ") + std::to_string(e.wKey) + "/" +
                   std::to_string(e.wState) + "/" + std::to_string(e.dwDelay);
        }
        return out;
    }
    bool Told(const std::string& text) const {
        for (const auto& m : m_notes.messages)
            if (m.first == text) return true;
        return false;
    }

    ProgramConfig m_saved;
    std::unique_ptr<CMacroDlg> m_dlg;
    std::string m_typed;
    std::array<uint8_t, 4> m_capture{};
    int32_t m_number = 0;
    std::string m_file;
    std::string m_fileInitial;
};

TEST_F(EditorTest, RecordingTakesEachKeyOnceWithItsSide) {
    PutFile("Jump.zqm", Macro("Jump", 0x100));
    CMacroDlg& dlg = Open();
    ClickItem(Find("Jump"));
    EXPECT_EQ(Lines(), "1:65 2:50 0:65") << "a shown macro lists its events";
    EXPECT_FALSE(dlg.AutoDelay()) << "showing a macro switches the automatic delay off";

    ClickCentre(dlg.RecordButton());
    ASSERT_TRUE(dlg.IsRecording());
    EXPECT_EQ(dlg.RecordButton()->Caption(), g_UiText.tc_macro_stop);
    EXPECT_EQ(Lines(), "");
    ASSERT_EQ(VkFromQtKey(Qt::Key_Launch0, false), 0);
    SendKey(&dlg, Qt::Key_Launch0, false);  // no key code: not recorded as 0
    SendKey(&dlg, Qt::Key_A, false, 38);
    SendKey(&dlg, Qt::Key_A, false, 38);  // auto-repeat
    SendKey(&dlg, Qt::Key_A, false, 38);
    SendKey(&dlg, Qt::Key_A, true, 38);
    SendKey(&dlg, Qt::Key_Control, false, 105);  // right Ctrl
    SendKey(&dlg, Qt::Key_Control, true, 105);
    SendKey(&dlg, Qt::Key_Control, false, 37);  // left Ctrl
    SendKey(&dlg, Qt::Key_Escape, false, 9);    // captured, does not close
    // The tree ignores clicks while recording, and other buttons refuse.
    ClickItem(Find("Jump"));
    ClickCentre(dlg.DeleteButton());
    EXPECT_TRUE(Told(g_UiText.tc_macro_msg17));
    ClickCentre(dlg.RecordButton());
    EXPECT_FALSE(dlg.IsRecording());
    EXPECT_EQ(dlg.RecordButton()->Caption(), g_UiText.tc_macro_start);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(Lines(), "1:65 0:65 1:163 0:163 1:17 1:27");
    EXPECT_TRUE(dlg.SaveButton()->isVisibleTo(&dlg));

    ClickCentre(dlg.SaveButton());
    EXPECT_FALSE(dlg.SaveButton()->isVisibleTo(&dlg));
    const StMacro saved = ReadBack("Jump.zqm");
    EXPECT_EQ(Events(saved), "65/1/0 65/0/0 163/1/0 163/0/0 17/1/0 27/1/0");
    EXPECT_EQ(saved.dwAutoDelay, 0u);
    EXPECT_EQ(saved.dwFlags & kMacroDirtyMask, 0u);
}

TEST_F(EditorTest, RecordingKeepsThirtyMessagesWithPausesRaisedToTheMinimum) {
    CMacroDlg& dlg = Open();
    m_typed = "Combo";
    ClickCentre(dlg.NewButton());
    ASSERT_NE(Find("Combo"), nullptr);
    EXPECT_TRUE(dlg.AutoDelay()) << "a new macro records with pauses";
    ClickCentre(dlg.RecordButton());
    g_step = 4;  // below MinUIDelay 10
    for (int k = 0; k < 20; ++k) {
        SendKey(&dlg, Qt::Key_A + k, false);
        SendKey(&dlg, Qt::Key_A + k, true);
    }
    ClickCentre(dlg.RecordButton());
    EXPECT_EQ(dlg.KeyLineCount(), MacroEventLimit);
    EXPECT_EQ(dlg.KeyList()->TopItems().size(), 2u * MacroEventLimit - 1);
    EXPECT_EQ(dlg.KeyList()->TopItems()[1]->rec.value, 10u);
    EXPECT_EQ(dlg.KeyList()->TopItems()[1]->text, "10 ms");
    EXPECT_FALSE(Told(g_UiText.tc_macro_msg18)) << "later keys are dropped silently";
    EXPECT_EQ(dlg.KeyList()->TopItems().back()->rec.value, static_cast<uint32_t>('O'));
}

TEST_F(EditorTest, SaveMergesPausesAndDropsLeadingLines) {
    StMacro m = Macro("Tidy", 0x200);
    // release A, 10 ms, press B, 20 ms, a lone 30 ms pause, release B
    m.stEvents[0] = {65, 0, 10};
    m.stEvents[1] = {66, 1, 20};
    m.stEvents[2] = {0, 0, 30};
    m.stEvents[3] = {66, 0, 0};
    PutFile("Tidy.zqm", m);
    CMacroDlg& dlg = Open();
    ClickItem(Find("Tidy"));
    EXPECT_EQ(Lines(), "0:65 2:10 1:66 2:20 2:30 0:66");
    dlg.OnInsertPick(240);  // no target: appended, press then release
    EXPECT_EQ(dlg.KeyList()->TopItems().back()->text.toStdString(), g_UiText.tc_click);
    ClickCentre(dlg.SaveButton());
    EXPECT_EQ(Lines(), "1:66 2:50 0:66 1:240 0:240");
    EXPECT_EQ(Events(ReadBack("Tidy.zqm")), "66/1/50 66/0/0 240/1/0 240/0/0");
}

// A save that cannot be written is not reported as done: the user is told, the button stays,
// and closing the editor writes the edits once the file can be written again.
TEST_F(EditorTest, AFailedSaveIsToldKeptAndRetriedAtClose) {
    PutFile("Jump.zqm", Macro("Jump", 0x300));
    CMacroDlg& dlg = Open();
    ClickItem(Find("Jump"));
    const std::string file = MacroFolder() + "/Jump.zqm";
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);  // the write cannot replace a folder
    dlg.OnInsertPick(241);
    ClickCentre(dlg.SaveButton());
    EXPECT_TRUE(Told(g_UiText.tc_macro_msg22));
    EXPECT_TRUE(dlg.SaveButton()->isVisibleTo(&dlg));
    EXPECT_NE(0u, FindMacroById(0x300)->dwFlags & kMacroDirtyMask);

    std::filesystem::remove(file);
    m_notes.messages.clear();
    dlg.reject();
    EXPECT_FALSE(Told(g_UiText.tc_macro_msg22));
    EXPECT_EQ(Events(ReadBack("Jump.zqm")), "65/1/50 65/0/0 241/1/0 241/0/0");
    EXPECT_EQ(0u, FindMacroById(0x300)->dwFlags & kMacroDirtyMask);
}

TEST_F(EditorTest, ClosingSaysSoWhenAnEditStillCannotBeWritten) {
    PutFile("Jump.zqm", Macro("Jump", 0x300));
    CMacroDlg& dlg = Open();
    ClickItem(Find("Jump"));
    const std::string file = MacroFolder() + "/Jump.zqm";
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    dlg.OnInsertPick(241);
    dlg.reject();
    EXPECT_TRUE(Told(g_UiText.tc_macro_msg22));
    EXPECT_NE(0u, FindMacroById(0x300)->dwFlags & kMacroDirtyMask);
}

TEST_F(EditorTest, InsertPutsTheKeyBeforeOrAfterTheTarget) {
    struct Case {
        int before;
        const char* lines;
    };
    for (const Case& c :
         {Case{1, "1:65 2:50 2:50 1:66 0:65"}, Case{0, "1:65 2:50 0:65 1:66 2:50"}}) {
        SCOPED_TRACE(c.before);
        ClearMacroLibrary();
        PutFile("Jump.zqm", Macro("Jump", 0x100));
        g_Config.InsertBefore = c.before;
        CMacroDlg& dlg = Open();
        ClickItem(Find("Jump"));
        dlg.KeyList()->Select(dlg.KeyList()->TopItems()[2].get());
        m_capture = {0, 66, 0, 0};
        dlg.OnInsertPick(CMacroDlg::kInsertKeyDown);
        EXPECT_EQ(Lines(), c.lines);
        EXPECT_TRUE(dlg.SaveButton()->isVisibleTo(&dlg));
        ASSERT_NE(FindMacroById(0x100), nullptr);
        EXPECT_NE(FindMacroById(0x100)->dwFlags & MACRO_DIRTY_EVENTS, 0u);
        EXPECT_EQ(Events(ReadBack("Jump.zqm")), "65/1/50 65/0/0") << "saved only on save";
    }
}

TEST_F(EditorTest, InsertRulesAndAKeyCodeOfZero) {
    PutFile("Jump.zqm", Macro("Jump", 0x100));
    CMacroDlg& dlg = Open();
    ClickCentre(dlg.InsertButton());
    EXPECT_TRUE(Told(g_UiText.tc_macro_msg1)) << "no macro selected";

    ClickItem(Find("Jump"));
    // Only modifiers: the first left-hand one; nothing captured inserts nothing.
    m_capture = {0x02 | 0x04, 0, 0, 0};
    dlg.OnInsertPick(CMacroDlg::kInsertKeyUp);
    EXPECT_EQ(Lines(), "1:65 2:50 0:65 0:160");
    m_capture = {0, 0, 0, 0};
    dlg.OnInsertPick(CMacroDlg::kInsertKeyDown);
    EXPECT_EQ(dlg.KeyLineCount(), 3);
    // Right Ctrl alone gives code 0, which ends the saved events there.
    m_capture = {0x10, 0, 0, 0};
    dlg.OnInsertPick(CMacroDlg::kInsertKeyDown);
    dlg.OnInsertPick(241);
    testing_support::LogCapture log;
    ClickCentre(dlg.SaveButton());
    EXPECT_TRUE(log.Contains("Capture keycode=0"));
    EXPECT_EQ(Events(ReadBack("Jump.zqm")), "65/1/50 65/0/0 160/0/0");
}

TEST_F(EditorTest, EditingLinesAndTheEventLimit) {
    PutFile("Jump.zqm", Macro("Jump", 0x100));
    CMacroDlg& dlg = Open();
    ClickItem(Find("Jump"));
    ClickCentre(dlg.EditLineButton());
    EXPECT_TRUE(Told(g_UiText.tc_macro_msg1)) << "no line selected";

    CTreeItem* pause = dlg.KeyList()->TopItems()[1].get();
    dlg.KeyList()->Select(pause);
    m_number = 3;  // below MinDelay 10
    ClickCentre(dlg.EditLineButton());
    EXPECT_EQ(pause->rec.value, 10u);
    EXPECT_EQ(pause->text, "10 ms");

    CTreeItem* key = dlg.KeyList()->TopItems()[2].get();
    dlg.KeyList()->Select(key);
    m_capture = {0, 0x5A, 0, 0};
    ClickCentre(dlg.EditLineButton());
    EXPECT_EQ(Lines(), "1:65 2:10 0:90") << "the line keeps its kind";
    EXPECT_EQ(key->text.toStdString(), KeyName(0x5A));

    ClickCentre(dlg.DeleteLineButton());
    EXPECT_EQ(Lines(), "1:65 2:10");
    for (int i = 0; i < 15; ++i) dlg.OnInsertPick(242);
    EXPECT_EQ(dlg.KeyLineCount(), 29) << "the last pair did not fit";
    EXPECT_TRUE(Told(g_UiText.tc_macro_msg18));
}

TEST_F(EditorTest, NewRenameAndTheirRefusals) {
    PutFile("Jump.zqm", Macro("Jump", 0x100));
    CMacroDlg& dlg = Open();
    for (const char* bad : {"a-b", "x#y", "p/q"}) {
        m_typed = bad;
        ClickCentre(dlg.NewButton());
        EXPECT_EQ(Find(bad), nullptr) << bad;
    }
    EXPECT_EQ(m_notes.messages.size(), 3u);
    m_typed = "jUMP";
    ClickCentre(dlg.NewButton());
    EXPECT_TRUE(Told(g_UiText.tc_macro_msg8)) << "names differ only in case";
    m_typed = "a.b";
    ClickCentre(dlg.NewButton());
    ASSERT_NE(Find("a"), nullptr);
    EXPECT_EQ(dlg.MacroTreeCtrl()->Selected(), Find("a"));

    // A rename always writes the new name into the file, and keeps the id.
    ClickItem(Find("Jump"));
    m_typed = "Hop";
    dlg.OnCommand(CMacroDlg::kCmdRename);
    ASSERT_NE(Find("Hop"), nullptr);
    EXPECT_FALSE(fs::exists(MacroFolder() + "/Jump.zqm"));
    const StMacro hop = ReadBack("Hop.zqm");
    EXPECT_EQ(MacroName(hop), "Hop");
    EXPECT_EQ(hop.dwMacroID, 0x100u);
    m_typed = "A";
    dlg.OnCommand(CMacroDlg::kCmdRename);
    EXPECT_NE(Find("Hop"), nullptr) << "duplicate of the new macro a";

    // Closing writes the new macro that was never saved.
    EXPECT_FALSE(fs::exists(MacroFolder() + "/a.zqm"));
    ClickCentre(dlg.CloseButton());
    EXPECT_TRUE(fs::exists(MacroFolder() + "/a.zqm"));
}

TEST_F(EditorTest, DeleteImportAndExport) {
    PutFile("Sub/Run.zqm", Macro("Run", 0x300));
    PutFile("Jump.zqm", Macro("Jump", 0x100));
    testing_support::TempDir outside;
    const std::string source = outside.path() + "/Other.zqm";
    ASSERT_EQ(WriteMacroFile(source, Macro("Whatever", 0x999)), 1);
    CMacroDlg& dlg = Open();

    // Import with a macro selected goes into that macro's folder.
    dlg.MacroTreeCtrl()->ToggleExpand(Find("Sub"));
    ClickItem(Find("Run"));
    m_file = source;
    dlg.OnCommand(CMacroDlg::kCmdImport);
    ASSERT_NE(Find("Other"), nullptr);
    EXPECT_TRUE(fs::exists(MacroFolder() + "/Sub/Other.zqm"));
    EXPECT_EQ(Lines(), "1:65 2:50 0:65");
    dlg.OnCommand(CMacroDlg::kCmdImport);
    EXPECT_TRUE(Told(g_UiText.tc_macro_msg8));

    ClickItem(Find("Jump"));
    m_file = outside.path() + "/copy.zqm";
    dlg.OnCommand(CMacroDlg::kCmdExport);
    EXPECT_EQ(m_fileInitial, "Jump.zqm");
    EXPECT_EQ(Events(ReadBack("Jump.zqm")), "65/1/50 65/0/0");
    EXPECT_TRUE(fs::exists(m_file));

    m_notes.reply = IDCANCEL;
    ClickCentre(dlg.DeleteButton());
    EXPECT_NE(Find("Jump"), nullptr);
    m_notes.reply = IDOK;
    ClickCentre(dlg.DeleteButton());
    EXPECT_EQ(Find("Jump"), nullptr);
    EXPECT_FALSE(fs::exists(MacroFolder() + "/Jump.zqm"));
    EXPECT_EQ(FindMacroById(0x100), nullptr);
    ClickCentre(dlg.DeleteButton());
    EXPECT_TRUE(Told(g_UiText.tc_macro_msg1)) << "nothing selected";

    ClickItem(Find("Sub"));
    dlg.OnCommand(CMacroDlg::kCmdDelete);
    EXPECT_FALSE(fs::exists(MacroFolder() + "/Sub"));
    EXPECT_TRUE(fs::exists(outside.path() + "/Other.zqm")) << "nothing outside is touched";
}

// Deleting a macro (or its folder) that keys play asks with the macro's name, the keys and the
// function each goes back to; a macro no key plays gets the plain question.
TEST_F(EditorTest, DeletingAMacroInUseNamesItsKeys) {
    PutFile("Sub/Run.zqm", Macro("Run", 0x300));
    PutFile("Jump.zqm", Macro("Jump", 0x100));
    PutFile("Idle.zqm", Macro("Idle", 0x200));
    const KeyEntry savedDefaults[2] = {g_DefaultKeys[1][2], g_DefaultKeys[1][5]};
    g_DefaultKeys[1][2] = KeyEntry{0x01000015};  // Back
    g_DefaultKeys[1][5] = KeyEntry{0x01000014};  // Forward
    ProfileRecord rec;
    rec.curKeySet = 1;
    rec.keys[1][2] = KeyEntry{kFunMacro, 3, 0x100};
    rec.keys[1][5] = KeyEntry{kFunMacro, 6, 0x300};
    rec.keys[0][7] = KeyEntry{kFunMacro, 8, 0x100};  // another set: not the one shown
    g_ProfileList.Replace(rec);
    CMacroDlg& dlg = Open();
    m_notes.reply = IDCANCEL;
    auto question = [&](const char* item) {
        m_notes.messages.clear();
        ClickItem(Find(item));
        dlg.OnCommand(CMacroDlg::kCmdDelete);
        return m_notes.messages.empty() ? std::string() : m_notes.messages.back().first;
    };
    const std::string back = KeyFunctionLabel(g_DefaultKeys[1][2]);
    const std::string forward = KeyFunctionLabel(g_DefaultKeys[1][5]);
    ASSERT_FALSE(back.empty());
    EXPECT_EQ(question("Jump"),
              g_UiText.tc_msg6 + "\nKey 3 plays “Jump” and will become “" + back + "”.");
    EXPECT_EQ(question("Sub"),
              g_UiText.tc_msg6 + "\nKey 6 plays “Run” and will become “" + forward + "”.");
    EXPECT_EQ(question("Idle"), g_UiText.tc_msg6);
    EXPECT_NE(Find("Jump"), nullptr) << "cancelled";
    g_DefaultKeys[1][2] = savedDefaults[0];
    g_DefaultKeys[1][5] = savedDefaults[1];
    g_ProfileList.Clear();
}

TEST_F(EditorTest, FoldersNestToTheDepthLimit) {
    std::string rel;
    for (int i = 0; i <= 6; ++i) rel += "L" + std::to_string(i) + "/";
    PutFile(rel + "Deep.zqm", Macro("Deep", 0x400));
    Open();
    EXPECT_NE(Find("L5"), nullptr);
    EXPECT_EQ(m_dlg->MacroTreeCtrl()->ItemDepth(Find("L5")), 5);
    EXPECT_EQ(Find("L6"), nullptr);
    EXPECT_EQ(Find("Deep"), nullptr);
}

TEST_F(EditorTest, RightClickMenusAndKeysThatMustNotClose) {
    PutFile("Sub/Run.zqm", Macro("Run", 0x300));
    PutFile("Jump.zqm", Macro("Jump", 0x100));
    CMacroDlg& dlg = Open();
    auto menuCodes = [&](CTreeCtrlEx* tree, CTreeItem* item) {
        const QPoint at = item ? tree->ItemRect(item).center() : QPoint(10, tree->height() - 5);
        ui_test::SendMouse(tree, QEvent::MouseButtonPress, at, Qt::RightButton);
        ui_test::Pump();
        std::vector<int> codes;
        if (CMenuDlg* menu = CurrentPopupMenu())
            for (const MenuItem& m : menu->Items()) codes.push_back(m.code);
        ClosePopupMenu();
        return codes;
    };
    using V = std::vector<int>;
    EXPECT_EQ(menuCodes(dlg.MacroTreeCtrl(), nullptr), (V{1, 16}));
    EXPECT_EQ(menuCodes(dlg.MacroTreeCtrl(), Find("Sub")), (V{1, 32, 4, 16}));
    EXPECT_EQ(menuCodes(dlg.MacroTreeCtrl(), Find("Jump")), (V{8, 32, 4}));
    EXPECT_EQ(Lines(), "1:65 2:50 0:65") << "the macro is shown first";
    EXPECT_EQ(menuCodes(dlg.KeyList(), dlg.KeyList()->TopItems()[0].get()), (V{64, 1024}));
    EXPECT_EQ(menuCodes(dlg.KeyList(), nullptr), V{});

    // A pick arrives as WM_CHILD_CLICK: delete the selected line.
    dlg.KeyList()->Select(dlg.KeyList()->TopItems()[0].get());
    PostWinMessage(&dlg, WM_CHILD_CLICK, CMacroDlg::kCmdDeleteLine, 0);
    ui_test::Pump();
    EXPECT_EQ(Lines(), "2:50 0:65");

    for (int key : {Qt::Key_Return, Qt::Key_Space, Qt::Key_F1}) ui_test::TapKey(&dlg, key);
    ui_test::Pump();
    EXPECT_TRUE(dlg.isVisible());
    ui_test::TapKey(&dlg, Qt::Key_Escape);  // as the close button
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(EditorTest, AHeldEscStopsRecordingWhileATappedOneIsRecorded) {
    PutFile("Jump.zqm", Macro("Jump", 0x100));
    CMacroDlg& dlg = Open();
    ClickItem(Find("Jump"));
    ClickCentre(dlg.RecordButton());
    ASSERT_TRUE(dlg.IsRecording());
    for (auto [key, scan] : {std::pair{Qt::Key_A, 38}, {Qt::Key_Escape, 9}, {Qt::Key_Tab, 23}}) {
        SendKey(&dlg, key, false, scan);
        SendKey(&dlg, key, true, scan);
    }
    auto heldEsc = [&](bool repeat) {
        QKeyEvent e(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, 9, 0, 0, QString(), repeat);
        QApplication::sendEvent(&dlg, &e);
    };
    heldEsc(false);
    g_tick += 600;
    heldEsc(true);
    EXPECT_TRUE(dlg.IsRecording()) << "not yet a second";
    g_tick += 400;
    heldEsc(true);
    EXPECT_FALSE(dlg.IsRecording());
    EXPECT_EQ(Lines(), "1:65 0:65 1:27 0:27 1:9 0:9") << "the held Esc is not recorded";
    EXPECT_EQ(dlg.focusWidget(), dlg.RecordButton());
    heldEsc(true);  // still held after the stop: the editor stays
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(dlg.SaveButton()->isVisibleTo(&dlg));
}

// A held key comes as marked repeats, as unmarked release and press pairs of one server time
// (the toolkit marks only a pair it sees whole), or, with key repeat off (as many who find it
// hard to let go of a key in time have it), as one press and its release.
TEST_F(EditorTest, HeldKeysWithAndWithoutKeyRepeat) {
    PutFile("Jump.zqm", Macro("Jump", 0x100));
    CMacroDlg& dlg = Open();
    ClickItem(Find("Jump"));
    auto key = [&](int qtKey, QEvent::Type type, uint32_t afterMs, bool repeat = false,
                   quint64 time = 0) {
        g_tick += afterMs;
        const quint32 scan = qtKey == Qt::Key_Escape ? 9 : qtKey == Qt::Key_B ? 56 : 38;
        QKeyEvent e(type, qtKey, Qt::NoModifier, scan, 0, 0, QString(), repeat);
        e.setTimestamp(time);
        QApplication::sendEvent(&dlg, &e);
    };
    const auto press = QEvent::KeyPress, release = QEvent::KeyRelease;

    // Held A with marked repeats, then Esc without key repeat: short, then a second long.
    ClickCentre(dlg.RecordButton());
    ASSERT_TRUE(dlg.IsRecording());
    key(Qt::Key_A, press, 10);
    for (int i = 0; i < 3; ++i) {
        key(Qt::Key_A, release, 40, true);
        key(Qt::Key_A, press, 0, true);
    }
    key(Qt::Key_A, release, 40);
    // Held B with unmarked pairs: the release of each pair is taken back by its press.
    key(Qt::Key_B, press, 100, false, 3000);
    for (quint64 t = 3660; t < 3800; t += 40) {
        key(Qt::Key_B, release, t == 3660 ? 660 : 40, false, t);
        key(Qt::Key_B, press, 0, false, t);
    }
    key(Qt::Key_B, release, 40, false, 3850);
    key(Qt::Key_Escape, press, 100);
    key(Qt::Key_Escape, release, 999);
    EXPECT_TRUE(dlg.IsRecording()) << "a short Esc is a key to record";
    key(Qt::Key_Escape, press, 100);
    key(Qt::Key_Escape, release, 1000);
    EXPECT_FALSE(dlg.IsRecording());
    EXPECT_EQ(Lines(), "1:65 0:65 1:66 0:66 1:27 0:27") << "only the short Esc is recorded";
    EXPECT_EQ(dlg.focusWidget(), dlg.RecordButton());

    // Esc held with unmarked pairs: the recording stops after a second, and the rest of the
    // hold neither is recorded nor closes the editor.
    ClickCentre(dlg.RecordButton());
    ASSERT_TRUE(dlg.IsRecording());
    key(Qt::Key_Escape, press, 100, false, 5000);
    for (int i = 0; i < 15; ++i) {
        const quint64 t = 5660 + 40 * i;
        key(Qt::Key_Escape, release, i == 0 ? 660 : 40, false, t);
        key(Qt::Key_Escape, press, 0, false, t);
    }
    EXPECT_FALSE(dlg.IsRecording());
    EXPECT_EQ(Lines(), "");
    key(Qt::Key_Escape, release, 40, false, 6260);
    key(Qt::Key_Escape, press, 0, false, 6260);
    key(Qt::Key_Escape, release, 40, false, 6300);
    EXPECT_TRUE(dlg.isVisible());
    key(Qt::Key_Escape, press, 500, false, 6800);  // a new Esc closes it
    EXPECT_FALSE(dlg.isVisible());
}

// What a screen reader meets in the editor: every control it can focus says what it is, and
// Tab goes from the library to the key list, the record, insert and save buttons, then Close.
TEST_F(EditorTest, EveryFocusableControlIsNamedAndTabReadsLeftToRight) {
    CMacroDlg& dlg = Open();
    EXPECT_EQ(dlg.focusWidget(), dlg.MacroTreeCtrl());
    dlg.SaveButton()->show();
    for (QWidget* w : dlg.findChildren<QWidget*>()) {
        if (w->focusPolicy() == Qt::NoFocus || !w->isVisibleTo(&dlg)) continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr);
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty())
            << w->metaObject()->className() << " at " << w->x() << "," << w->y();
    }
    EXPECT_EQ(dlg.InsertButton()->accessibleName().toStdString(), g_UiText.tc_macro_loop);
    EXPECT_EQ(dlg.MacroTreeCtrl()->accessibleName().toStdString(), g_UiText.tc_macro_list);
    EXPECT_EQ(dlg.KeyList()->accessibleName().toStdString(), g_UiText.tc_macro_key_list);

    const std::vector<QWidget*> expected = {
        dlg.MacroTreeCtrl(),  dlg.NewButton(),        dlg.DeleteButton(), dlg.KeyList(),
        dlg.EditLineButton(), dlg.DeleteLineButton(), dlg.RecordButton(), dlg.InsertButton(),
        dlg.SaveButton(),     dlg.CloseButton()};
    std::vector<QWidget*> chain = {dlg.MacroTreeCtrl()};
    for (QWidget* w = dlg.MacroTreeCtrl()->nextInFocusChain(); w != dlg.MacroTreeCtrl();
         w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus && w != &dlg) chain.push_back(w);
    EXPECT_EQ(chain, expected);
}

TEST_F(EditorTest, TreesWorkWithArrowsEnterDeleteAndF2) {
    PutFile("Hop.zqm", Macro("Hop", 0x101));
    PutFile("Jump.zqm", Macro("Jump", 0x100));
    CMacroDlg& dlg = Open();
    CTreeCtrlEx* tree = dlg.MacroTreeCtrl();
    EXPECT_TRUE(tree->focusPolicy() & Qt::TabFocus);
    auto tap = [](QWidget* w, int key) {
        ui_test::TapKey(w, key);
        ui_test::Pump();
    };
    // Arrows move the selection as clicks do: the macro is shown.
    tap(tree, Qt::Key_Down);
    ASSERT_NE(tree->Selected(), nullptr);
    const CTreeItem* first = tree->Selected();
    EXPECT_EQ(Lines(), "1:65 2:50 0:65");
    tap(tree, Qt::Key_End);
    EXPECT_NE(tree->Selected(), first);
    tap(tree, Qt::Key_Up);
    EXPECT_EQ(tree->Selected(), first);
    tap(tree, Qt::Key_Up);  // the top stays the top
    EXPECT_EQ(tree->Selected(), first);
    // F2 renames the selected macro.
    const std::string oldName = first->text.toStdString();
    m_typed = "Skip";
    tap(tree, Qt::Key_F2);
    EXPECT_NE(Find("Skip"), nullptr);
    EXPECT_EQ(Find(oldName.c_str()), nullptr);

    // The key list: Down selects a line, Enter edits it, Delete removes it.
    ClickItem(Find(oldName == "Hop" ? "Jump" : "Hop"));
    CTreeCtrlEx* list = dlg.KeyList();
    tap(list, Qt::Key_Down);
    ASSERT_EQ(list->Selected(), list->TopItems()[0].get());
    m_capture = {0, 'B', 0, 0};
    tap(list, Qt::Key_Return);
    EXPECT_EQ(Lines(), "1:66 2:50 0:65");
    tap(list, Qt::Key_Down);
    tap(list, Qt::Key_Delete);
    EXPECT_EQ(Lines(), "1:66 0:65");
    EXPECT_TRUE(dlg.SaveButton()->isVisibleTo(&dlg));
    EXPECT_TRUE(dlg.isVisible()) << "keys in a tree never close the editor";
}

}  // namespace
