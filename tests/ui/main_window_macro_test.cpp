// Giving a key a macro from the main window's function menu, against the virtual mouse.
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "core/paths.h"
#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "macro/macro_record.h"
#include "main_window_fixture.h"
#include "profile/function_codes.h"
#include "profile/key_slot.h"
#include "skin/png_btn.h"
#include "ui/firekey_dlg.h"
#include "ui/macro_dlg.h"
#include "ui/pick_macro_dlg.h"
#include "ui/tree_ctrl_ex.h"

namespace {

using main_window_test::MainWindowTest;

constexpr uint32_t kJumpId = 0x123456;
constexpr uint32_t kRunId = 0x000777;

class MainWindowMacroTest : public MainWindowTest {
  protected:
    void SetUp() override {
        // The window loads the library from the macro folder when it starts, so the files
        // must be there first.
        g_szDataDir = m_data.path() + "/";
        ClearMacroLibrary();
        std::filesystem::create_directories(MacroFolder());
        PutFile("Jump.zqm", Macro("Jump", kJumpId));
        PutFile("Run.zqm", Macro("Run", kRunId));
        MainWindowTest::SetUp();
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        ClearMacroLibrary();
    }

    static StMacro Macro(const std::string& name, uint32_t id) {
        StMacro m;
        m.dwMagicNumber = kMacroMagic;
        m.dwMacroID = id;
        m.wLoopCount = 1;
        SetMacroName(m, name);
        m.stEvents[0] = {0x41, 1, 50};
        m.stEvents[1] = {0x41, 0, 0};
        return m;
    }
    static void PutFile(const std::string& rel, const StMacro& m) {
        ASSERT_EQ(1, WriteMacroFile(MacroFolder() + "/" + rel, m));
    }

    // Runs act on the modal dialog of type T once it is the active modal widget. A dialog the
    // action leaves open is cancelled so that a failing test cannot hang in its event loop.
    template <class T>
    void WhenModal(std::function<void(T*)> act, int tries = 500) {
        QTimer::singleShot(10, m_window.get(), [this, act, tries] {
            if (auto* dlg = qobject_cast<T*>(QApplication::activeModalWidget())) {
                act(dlg);
                ui_test::Pump();
                if (dlg->isVisible()) {
                    ADD_FAILURE() << dlg->metaObject()->className() << " stayed open";
                    dlg->reject();
                }
                return;
            }
            if (tries > 0)
                WhenModal<T>(act, tries - 1);
            else
                ADD_FAILURE() << T::staticMetaObject.className() << " never opened";
        });
    }

    // Picks the macro called name in the picker and confirms it.
    void PickInPicker(const char* name, bool* seen) {
        WhenModal<CPickMacroDlg>([name, seen](CPickMacroDlg* dlg) {
            *seen = true;
            CTreeCtrlEx* tree = dlg->Tree();
            ASSERT_NE(tree, nullptr);
            CTreeItem* found = nullptr;
            tree->WalkChildren(
                nullptr,
                [&](CTreeItem* item, TreeItemRecord*, const QString& t) {
                    if (t == name) found = item;
                    return found ? 1 : 0;
                },
                true);
            ASSERT_NE(found, nullptr) << name;
            tree->Select(found);
            ui_test::ClickCentre(dlg->OkButton());
        });
    }

    // Types count into the repeat count editor and confirms it.
    void ConfirmCount(const char* count, bool* seen) {
        WhenModal<CFirekeyDlg>([count, seen](CFirekeyDlg* dlg) {
            *seen = true;
            EXPECT_EQ(dlg->m_nMax, 255);
            dlg->Field()->clear();
            QTest::keyClicks(dlg->Field(), count);
            ui_test::ClickCentre(dlg->OkButton());
        });
    }

    // Gives key the macro "Run" played count times, through the picker and the count editor.
    void AssignRun(int key, const char* count) {
        bool pickerSeen = false, countSeen = false;
        PickInPicker("Run", &pickerSeen);
        ConfirmCount(count, &countSeen);
        PickFunction(key, static_cast<int>(kFunMacro));
        ASSERT_TRUE(pickerSeen);
        ASSERT_TRUE(countSeen);
    }

    // Opens the macro editor through the picker's "new" button, selects the macro called name
    // and runs edit on the editor, which then closes.
    void EditMacro(int key, const char* name, std::function<void(CMacroDlg*)> edit) {
        bool pickerSeen = false, editorSeen = false;
        WhenModal<CPickMacroDlg>([&pickerSeen](CPickMacroDlg* dlg) {
            pickerSeen = true;
            ui_test::ClickCentre(dlg->NewButton());
        });
        WhenModal<CMacroDlg>([&editorSeen, name, edit](CMacroDlg* dlg) {
            editorSeen = true;
            CTreeCtrlEx* tree = dlg->MacroTreeCtrl();
            CTreeItem* found = nullptr;
            tree->WalkChildren(
                nullptr,
                [&](CTreeItem* item, TreeItemRecord*, const QString& t) {
                    if (t == name) found = item;
                    return found ? 1 : 0;
                },
                true);
            if (found) {
                tree->EnsureVisible(found);
                ui_test::SendMouse(tree, QEvent::MouseButtonPress, tree->ItemRect(found).center());
                ui_test::Pump();
                edit(dlg);
            } else {
                ADD_FAILURE() << name << " not in the editor";
            }
            dlg->reject();
        });
        PickFunction(key, static_cast<int>(kFunMacro));
        ASSERT_TRUE(pickerSeen);
        ASSERT_TRUE(editorSeen);
    }

    // The 384-byte key slot buffer of matrix position pos (1-based) in the mouse.
    std::vector<uint8_t> SlotInMouse(uint32_t pos) {
        return Memory(static_cast<int>(KeySlotAddress(static_cast<int>(pos) - 1)),
                      static_cast<int>(kKeySlotBytes));
    }
    std::vector<uint8_t> MatrixEntryInMouse(uint32_t pos) {
        const auto matrix =
            Memory(sim::kAddrKeyMatrix, sim::kKeyMatrixEntryBytes * sim::kKeyMatrixEntries);
        const size_t at = (pos - 1) * sim::kKeyMatrixEntryBytes;
        return {matrix.begin() + static_cast<std::ptrdiff_t>(at),
                matrix.begin() + static_cast<std::ptrdiff_t>(at) + 3};
    }
};

TEST_F(MainWindowMacroTest, PickedMacroAndCountReachProfileAndKeySlot) {
    constexpr int kKey = 3;
    AssignRun(kKey, "7");

    const ProfileRecord p = Profile();
    const KeyEntry& e = p.keys[p.KeySetIndex()][kKey];
    EXPECT_EQ(e.dwFunID, kFunMacro);
    EXPECT_EQ(e.dwMacroID, kRunId);
    EXPECT_EQ(e.dwParameter & 0xFF, 7u);
    ASSERT_GE(e.dwMatrixPos, 1u);
    ASSERT_LE(e.dwMatrixPos, static_cast<uint32_t>(kKeySlots));

    EXPECT_EQ(MatrixEntryInMouse(e.dwMatrixPos),
              (std::vector<uint8_t>{kMatrixBuffer, static_cast<uint8_t>(e.dwMatrixPos - 1), 7}));

    const auto slot = SlotInMouse(e.dwMatrixPos);
    EXPECT_EQ(slot[kSlotNameLen], 6);  // "Run" in UTF-16
    EXPECT_EQ(std::vector<uint8_t>(slot.begin() + kSlotName, slot.begin() + kSlotName + 8),
              (std::vector<uint8_t>{'R', 0, 'u', 0, 'n', 0, 0, 0}));
    EXPECT_EQ(slot[kSlotKind], kSlotKindMacro);
    EXPECT_EQ(slot[kSlotSubKind], kSlotSubMacro);
    EXPECT_EQ(slot[kSlotEvents], 2);  // key down and key up
}

TEST_F(MainWindowMacroTest, CancelledPickerLeavesKeyAndMouseAlone) {
    constexpr int kKey = 3;
    const KeyEntry before = Profile().keys[Profile().KeySetIndex()][kKey];
    const auto matrixBefore = Memory(sim::kAddrKeyMatrix, 32);
    bool seen = false;
    WhenModal<CPickMacroDlg>([&seen](CPickMacroDlg* dlg) {
        seen = true;
        ui_test::ClickCentre(dlg->CancelButton());
    });
    PickFunction(kKey, static_cast<int>(kFunMacro));
    ASSERT_TRUE(seen);
    EXPECT_EQ(Profile().keys[Profile().KeySetIndex()][kKey], before);
    EXPECT_EQ(Memory(sim::kAddrKeyMatrix, 32), matrixBefore);
}

TEST_F(MainWindowMacroTest, SavingAnAssignedMacroRewritesItsSlot) {
    constexpr int kKey = 3;
    AssignRun(kKey, "2");
    const ProfileRecord p = Profile();
    const KeyEntry e = p.keys[p.KeySetIndex()][kKey];
    ASSERT_EQ(e.dwMacroID, kRunId);
    ASSERT_EQ(SlotInMouse(e.dwMatrixPos)[kSlotEvents], 2);

    EditMacro(kKey, "Run", [](CMacroDlg* dlg) {
        dlg->OnInsertPick(240);  // appends a left click: press and release
        ui_test::ClickCentre(dlg->SaveButton());
    });
    const auto slot = SlotInMouse(e.dwMatrixPos);
    EXPECT_EQ(slot[kSlotEvents], 4);
    EXPECT_EQ(slot[kSlotKind], kSlotKindMacro);
    EXPECT_EQ(MatrixEntryInMouse(e.dwMatrixPos),
              (std::vector<uint8_t>{kMatrixBuffer, static_cast<uint8_t>(e.dwMatrixPos - 1), 2}));
}

TEST_F(MainWindowMacroTest, DeletingAnAssignedMacroGivesTheKeyItsDefaultBack) {
    constexpr int kKey = 3;
    AssignRun(kKey, "2");
    const ProfileRecord p = Profile();
    const uint32_t pos = p.keys[p.KeySetIndex()][kKey].dwMatrixPos;
    ASSERT_EQ(p.keys[p.KeySetIndex()][kKey].dwMacroID, kRunId);

    EditMacro(kKey, "Run", [](CMacroDlg* dlg) { dlg->OnDeleteButton(); });  // confirmed: IDOK
    StMacro gone;
    ASSERT_FALSE(CopyMacroById(kRunId, gone));

    const ProfileRecord after = Profile();
    const KeyEntry& def = g_DefaultKeys[after.KeySetIndex()][kKey];
    EXPECT_EQ(after.keys[after.KeySetIndex()][kKey], def);
    // With ApplyNow the mouse plays the default again too.
    ASSERT_TRUE(g_ApplyThread.WaitIdle(5000));
    const uint32_t code = MatrixCodeOf(def);
    if ((code & 0xFF) != kMatrixBuffer)
        EXPECT_EQ(MatrixEntryInMouse(pos),
                  (std::vector<uint8_t>{static_cast<uint8_t>(code), static_cast<uint8_t>(code >> 8),
                                        static_cast<uint8_t>(code >> 16)}));
    else
        EXPECT_NE(SlotInMouse(pos)[kSlotKind], kSlotKindMacro);
}

}  // namespace
