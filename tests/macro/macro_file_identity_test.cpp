// A macro is its own file: every operation acts on the file the macro was loaded from, whatever
// its name; saves that fail leave the record unsaved; ids stay unique in the library.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "config/ui_text.h"
#include "macro/macro_ops.h"
#include "macro/macro_tree.h"
#include "macro_test_util.h"

namespace {

namespace fs = std::filesystem;

class MacroFileIdentityTest : public MacroFolderTest {
  protected:
    void SetUp() override {
        MacroFolderTest::SetUp();
        g_UiText.tc_msg6 = "Delete?";
        g_UiText.tc_macro_msg22 = "The macro could not be saved.";
    }
    void Load(bool folders = true) {
        tree.Clear();
        ClearMacroLibrary();
        LoadMacroLibrary(&tree, folders, true);
    }
    MacroTreeNode* NodeOfId(uint32_t id) {
        MacroTreeNode* found = nullptr;
        tree.WalkChildren(
            tree.Root(),
            [&](MacroTreeNode* n) {
                if (!n->isFolder && n->macroId == id) found = n;
                return found ? 1 : 0;
            },
            true);
        return found;
    }
    bool OnDisk(const std::string& rel) const { return fs::exists(MacroFolder() + "/" + rel); }

    MacroTree tree;
    testing_support::RecordingNotifier notes;
};

// x.txt beside x.zqm, an upper-case extension and a file without one: each operation reaches the
// macro's own file and no other.
TEST_F(MacroFileIdentityTest, EveryOperationUsesTheFileTheMacroCameFrom) {
    PutFile("x.txt", Macro("From txt", 1, 0x41));
    PutFile("x.zqm", Macro("From zqm", 2, 0x42));
    PutFile("Jump.ZQM", Macro("Jump", 3));
    PutFile("plain", Macro("Plain", 4));
    Load();
    MacroTreeNode* txt = NodeOfId(1);
    ASSERT_NE(nullptr, txt);
    EXPECT_EQ("x", txt->name);
    EXPECT_EQ("x.txt", txt->RelPath());

    testing_support::TempDir out;
    ASSERT_EQ(1, ExportMacro(txt, out.File("e.zqm")));
    StMacro exported;
    ASSERT_EQ(1, ReadMacroFile(out.File("e.zqm"), exported));
    EXPECT_EQ(1u, exported.dwMacroID);

    StMacro* rec = FindRecordOfItem(txt);
    ASSERT_NE(nullptr, rec);
    rec->stEvents[0].wKey = 0x43;
    rec->dwFlags |= MACRO_DIRTY_EVENTS;
    EXPECT_EQ(0, FlushAllDirtyMacros(tree));
    EXPECT_EQ(0x43, ReadBack("x.txt").stEvents[0].wKey);
    EXPECT_EQ(2u, ReadBack("x.zqm").dwMacroID);
    EXPECT_EQ(0x42, ReadBack("x.zqm").stEvents[0].wKey);

    ASSERT_EQ(1, DeleteItem(tree, NodeOfId(3)));
    EXPECT_FALSE(OnDisk("Jump.ZQM"));

    ASSERT_EQ(1, RenameItem(tree, NodeOfId(4), "Renamed"));
    EXPECT_FALSE(OnDisk("plain"));
    EXPECT_EQ(4u, ReadBack("Renamed").dwMacroID);
    EXPECT_FALSE(OnDisk("Renamed.zqm"));

    ASSERT_EQ(1, DeleteItem(tree, NodeOfId(1)));
    EXPECT_FALSE(OnDisk("x.txt"));
    EXPECT_TRUE(OnDisk("x.zqm"));

    Load();  // what is left after a restart
    EXPECT_EQ(nullptr, FindMacroById(1));
    EXPECT_EQ(nullptr, FindMacroById(3));
    EXPECT_NE(nullptr, FindMacroById(2));
    EXPECT_EQ("Renamed", NodeOfId(4)->name);
}

TEST_F(MacroFileIdentityTest, ARenamedFileKeepsItsExtension) {
    PutFile("Games/Jump.ZQM", Macro("Jump", 3));
    Load();
    ASSERT_EQ(1, RenameItem(tree, NodeOfId(3), "Run"));
    EXPECT_FALSE(OnDisk("Games/Jump.ZQM"));
    EXPECT_EQ("Run", MacroName(ReadBack("Games/Run.ZQM")));
    EXPECT_EQ("Games/Run.ZQM", MacroRelFile(FindMacroById(3)));
}

// Temporary files of an interrupted save hold a whole record but are not macros of the library;
// old ones are removed at start-up, a recent one (a save in progress elsewhere) stays.
TEST_F(MacroFileIdentityTest, TemporaryFilesOfInterruptedSavesAreSkippedAndRemoved) {
    PutFile("Jump.zqm", Macro("Jump", 3));
    const std::string oldTmp = MacroFolder() + "/Sub/.mivora-0123456789ab.tmp";
    const std::string newTmp = MacroFolder() + "/.mivora-ba9876543210.tmp";
    const std::string dataTmp = g_szDataDir + ".mivora-aaaaaaaaaaaa.tmp";
    for (const auto& p : {oldTmp, newTmp, dataTmp})
        ASSERT_EQ(1, WriteMacroFile(p, Macro("Jump", 3)));
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(oldTmp, past);
    fs::last_write_time(dataTmp, past);
    Load();
    EXPECT_EQ(1u, MacroCount());
    EXPECT_FALSE(fs::exists(oldTmp));
    EXPECT_FALSE(fs::exists(dataTmp));
    EXPECT_TRUE(fs::exists(newTmp));
    std::vector<uint32_t> ids;
    MacroTree::CollectMacroIds(tree.Root(), ids);
    EXPECT_EQ(std::vector<uint32_t>{3}, ids);
}

// A folder where the macro's file should be makes every write fail: nothing is reported saved,
// the record stays dirty, and the next flush (the editor's close) writes it.
TEST_F(MacroFileIdentityTest, AFailedSaveKeepsTheRecordUnsaved) {
    PutFile("Jump.zqm", Macro("Jump", 3));
    Load(false);
    MacroTreeNode* jump = NodeOfId(3);
    StMacro* rec = FindRecordOfItem(jump);
    rec->stEvents[0].wKey = 0x44;
    rec->dwFlags |= MACRO_DIRTY_EVENTS;
    fs::remove(MacroFolder() + "/Jump.zqm");
    fs::create_directory(MacroFolder() + "/Jump.zqm");
    EXPECT_FALSE(Flush_Dirty_Macro(&tree, jump));
    EXPECT_EQ(MACRO_DIRTY_EVENTS, rec->dwFlags & kMacroDirtyMask);
    rec->dwFlags &= ~kMacroDirtyMask;  // as the profile reader hands it over
    EXPECT_EQ(0, ReplaceMacro(rec));
    EXPECT_NE(0u, rec->dwFlags & kMacroDirtyMask);
    EXPECT_EQ(1, FlushAllDirtyMacros(tree));

    fs::remove(MacroFolder() + "/Jump.zqm");
    EXPECT_EQ(0, FlushAllDirtyMacros(tree));
    EXPECT_EQ(0u, rec->dwFlags & kMacroDirtyMask);
    EXPECT_EQ(0x44, ReadBack("Jump.zqm").stEvents[0].wKey);
    EXPECT_EQ(0u, ReadBack("Jump.zqm").dwFlags);
}

TEST_F(MacroFileIdentityTest, AnImportThatCannotBeWrittenAddsNothing) {
    testing_support::TempDir src;
    ASSERT_EQ(1, WriteMacroFile(src.File("Jump.zqm"), Macro("Jump", 3)));
    fs::create_directories(MacroFolder() + "/Jump.zqm");  // where the copy would go
    Load(false);
    EXPECT_EQ(0, ImportMacroFile(tree, nullptr, src.File("Jump.zqm")));
    ASSERT_EQ(1u, notes.messages.size());
    EXPECT_EQ("The macro could not be saved.", notes.messages[0].first);
    EXPECT_EQ(0u, MacroCount());
    EXPECT_TRUE(tree.Root()->children.empty());
}

TEST_F(MacroFileIdentityTest, ImportRefusesWhatAProfileImportRefuses) {
    testing_support::TempDir src;
    StMacro wide = Macro("Wide", 1);
    wide.stEvents[2] = {0x141, 1, 0};
    StMacro full = Macro("Full", 2);
    for (auto& ev : full.stEvents) ev = {0x41, 1, 10};
    ASSERT_EQ(1, WriteMacroFile(src.File("wide.zqm"), wide));
    ASSERT_EQ(1, WriteMacroFile(src.File("full.zqm"), full));
    EXPECT_EQ(0, ImportMacroFile(tree, nullptr, src.File("wide.zqm")));
    EXPECT_EQ(0, ImportMacroFile(tree, nullptr, src.File("full.zqm")));
    ASSERT_EQ(2u, notes.messages.size());
    EXPECT_EQ("This macro contains unsupported key.", notes.messages[0].first);
    EXPECT_EQ("This macro has too many events.", notes.messages[1].first);
    EXPECT_EQ(0u, MacroCount());
}

TEST_F(MacroFileIdentityTest, AFifoInTheMacroFolderIsRefusedAtOnce) {
    PutFile("Jump.zqm", Macro("Jump", 3));
    ASSERT_EQ(0, ::mkfifo((MacroFolder() + "/Pipe.zqm").c_str(), 0600));
    fs::create_symlink(MacroFolder() + "/Jump.zqm", MacroFolder() + "/Link.zqm");
    StMacro rec;
    EXPECT_EQ(-1, ReadMacroFile(MacroFolder() + "/Pipe.zqm", rec));
    EXPECT_EQ(-1, ReadMacroFile(MacroFolder() + "/Link.zqm", rec));
    Load();
    EXPECT_EQ(1u, MacroCount());
    testing_support::TempDir src;
    ASSERT_EQ(0, ::mkfifo(src.File("Other.zqm").c_str(), 0600));
    EXPECT_EQ(0, ImportMacroFile(tree, nullptr, src.File("Other.zqm")));
}

uint32_t s_ids[4];
int s_next = 0;
uint32_t ScriptedId() {
    return s_ids[s_next++ % 4];
}

TEST_F(MacroFileIdentityTest, ANewIdIsNeverOneTheLibraryHas) {
    AddMacroCopy(Macro("Old", 5));
    s_ids[0] = 5;
    s_ids[1] = 5;
    s_ids[2] = 6;
    s_ids[3] = 7;
    s_next = 0;
    SetMacroIdSource(&ScriptedId);
    EXPECT_EQ(6u, NewMacroID());
    SetMacroIdSource(nullptr);
}

// A copy made in a file manager carries its original's id; the copy gets a new one, in memory and
// in its file, and the editor's tree tells the two apart.
TEST_F(MacroFileIdentityTest, ACopiedFileGetsANewIdWhenLoaded) {
    PutFile("A.zqm", Macro("Jump", 7));
    PutFile("B.zqm", Macro("Jump", 7));
    Load();
    const uint32_t copyId = ReadBack("B.zqm").dwMacroID;
    EXPECT_EQ(7u, ReadBack("A.zqm").dwMacroID);
    EXPECT_NE(7u, copyId);
    EXPECT_NE(0u, copyId);
    EXPECT_EQ("B.zqm", MacroRelFile(FindMacroById(copyId)));

    MacroTree editor;
    LoadMacroLibrary(&editor, true, false);
    ASSERT_EQ(2u, editor.Root()->children.size());
    EXPECT_EQ(7u, editor.Root()->children[0]->macroId);
    EXPECT_EQ(copyId, editor.Root()->children[1]->macroId);
    EXPECT_EQ(2u, MacroCount());
}

// Loading the library again (a second window start in one run, a switch of the folder setting)
// keeps each file's id and adds no second copy: only a file new to the library is added.
TEST_F(MacroFileIdentityTest, LoadingTheLibraryAgainKeepsEveryFilesId) {
    PutFile("A.zqm", Macro("Jump", 7));
    PutFile("Games/B.zqm", Macro("Run", 8));
    LoadMacroLibrary(nullptr, false, true);
    LoadMacroLibrary(nullptr, true, true);
    LoadMacroLibrary(nullptr, true, true);
    EXPECT_EQ(7u, ReadBack("A.zqm").dwMacroID);
    EXPECT_EQ(8u, ReadBack("Games/B.zqm").dwMacroID);
    EXPECT_EQ(2u, MacroCount());
    EXPECT_EQ("Games/B.zqm", MacroRelFile(FindMacroById(8)));
}

}  // namespace
