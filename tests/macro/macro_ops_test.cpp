#include "macro/macro_ops.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config/ui_text.h"
#include "macro/macro_tree.h"
#include "macro_test_util.h"

namespace {

using Messages = std::vector<std::pair<std::string, std::string>>;

class MacroOpsTest : public MacroFolderTest {
  protected:
    void SetUp() override {
        MacroFolderTest::SetUp();
        g_UiText.tc_macro_msg8 = "Name already used";
        g_UiText.tc_tip1 = "";
        g_UiText.tc_msg6 = "Delete?";
        g_pfnMacroRemoved = [](uint32_t id) { s_removed.push_back(id); };
        s_removed.clear();
    }
    void TearDown() override {
        g_pfnMacroRemoved = nullptr;
        MacroFolderTest::TearDown();
    }
    void Load() {
        tree.Clear();
        ClearMacroLibrary();
        LoadMacroLibrary(&tree, true, true);
    }
    std::string Texts() const {
        std::string all;
        for (const auto& m : notes.messages) all += m.first + "|";
        return all;
    }

    static inline std::vector<uint32_t> s_removed;
    MacroTree tree;
    testing_support::RecordingNotifier notes;
};

TEST_F(MacroOpsTest, NewMacroValidatesTheNameAndWritesOnFlush) {
    MacroTreeNode* node = nullptr;
    ASSERT_EQ(1, NewMacro(tree, nullptr, "a.b", &node));
    EXPECT_EQ("a", node->name);
    StMacro* rec = FindRecordOfItem(node);
    ASSERT_NE(nullptr, rec);
    EXPECT_EQ(kMacroDirtyMask, rec->dwFlags & kMacroDirtyMask);
    EXPECT_FALSE(platform::FileExists(MacroFolder() + "/a.zqm"));  // written on save
    EXPECT_EQ(0, FlushAllDirtyMacros(tree));
    EXPECT_EQ(rec->dwMacroID, ReadBack("a.zqm").dwMacroID);
    EXPECT_EQ(0u, rec->dwFlags & kMacroDirtyMask);

    EXPECT_EQ(-1, NewMacro(tree, nullptr, "a-b"));
    g_UiText.tc_tip1 = "Bad name";
    EXPECT_EQ(-1, NewMacro(tree, nullptr, "x#"));
    EXPECT_EQ(-1, NewMacro(tree, nullptr, "A"));
    EXPECT_EQ(-1, NewMacro(tree, node, "under a macro"));
    EXPECT_EQ("Invalid file name.|Bad name|Name already used|", Texts());
}

TEST_F(MacroOpsTest, NewMacroInAFolderAndTheLibraryLimit) {
    PutFile("Games/Jump.zqm", Macro("Jump", 1));
    Load();
    MacroTreeNode* games = tree.Root()->FindChild("Games");
    MacroTreeNode* node = nullptr;
    ASSERT_EQ(1, NewMacro(tree, games, "Run", &node));
    EXPECT_TRUE(Flush_Dirty_Macro(&tree, node));
    EXPECT_EQ("Run", MacroName(ReadBack("Games/Run.zqm")));

    while (MacroCount() < kMacroLibraryMax - 1) AddMacroCopy(Macro("m", 5));
    EXPECT_EQ(1, NewMacro(tree, nullptr, "Last"));
    EXPECT_EQ(-1, NewMacro(tree, nullptr, "One too many"));
    EXPECT_EQ("The number of macro is up to the maximum|", Texts());
    EXPECT_NE(nullptr, AddMacroCopy(Macro("From the mouse", 6)));  // only NewMacro is limited
}

TEST_F(MacroOpsTest, RenamingAMacroKeepsItsIdAndWritesTheNewName) {
    PutFile("Games/Jump.zqm", Macro("Jump", 7));
    Load();
    MacroTreeNode* jump = tree.Root()->FindChild("Games")->FindChild("Jump");
    ASSERT_EQ(1, RenameItem(tree, jump, "Leap"));
    EXPECT_EQ("Leap", jump->name);
    EXPECT_FALSE(platform::FileExists(MacroFolder() + "/Games/Jump.zqm"));
    StMacro onDisk = ReadBack("Games/Leap.zqm");
    EXPECT_EQ("Leap", MacroName(onDisk));
    EXPECT_EQ(7u, onDisk.dwMacroID);
    EXPECT_EQ("Leap", MacroName(*FindMacroById(7)));

    ASSERT_EQ(1, RenameItem(tree, jump, "LEAP"));  // a change of case only is allowed
    EXPECT_EQ("LEAP", MacroName(ReadBack("Games/LEAP.zqm")));
    EXPECT_EQ(-1, RenameItem(tree, jump, "no*"));
}

TEST_F(MacroOpsTest, RenamingAFolderKeepsItsMacrosInTheLibrary) {
    PutFile("Games/Jump.zqm", Macro("Jump", 7));
    PutFile("Games/Sub/Run.zqm", Macro("Run", 8));
    PutFile("Other.zqm", Macro("Other", 9));
    std::ofstream(MacroFolder() + "/Games/Games.png") << "png";
    Load();
    MacroTreeNode* games = tree.Root()->FindChild("Games");
    ASSERT_EQ(-1, RenameItem(tree, games, "other"));  // a macro of that name at the same level
    ASSERT_EQ(1, RenameItem(tree, games, "Play"));
    EXPECT_TRUE(platform::DirExists(MacroFolder() + "/Play"));
    EXPECT_EQ(MacroFolder() + "/Play/Play.png", games->iconPath);
    EXPECT_EQ(3u, MacroCount());
    EXPECT_EQ("Play/Sub/Run.zqm", MacroRelFile(FindMacroById(8)));
    // Saving a macro of the moved folder writes into the new folder.
    StMacro* run = FindRecordOfItem(games->FindChild("Sub")->FindChild("Run"));
    ASSERT_NE(nullptr, run);
    run->dwFlags |= MACRO_DIRTY_EVENTS;
    run->stEvents[0].wKey = 0x43;
    EXPECT_EQ(0, FlushAllDirtyMacros(tree));
    EXPECT_EQ(0x43, ReadBack("Play/Sub/Run.zqm").stEvents[0].wKey);
    EXPECT_TRUE(s_removed.empty());
}

TEST_F(MacroOpsTest, RenameNeverReplacesAnotherFile) {
    PutFile("Jump.zqm", Macro("Jump", 7));
    Load();
    m_dir.Write("Mac/Leap.zqm", "not a macro");
    EXPECT_EQ(0, RenameItem(tree, tree.Root()->FindChild("Jump"), "Leap"));
    EXPECT_EQ("Rename failed. err=0x11|", Texts());
    EXPECT_EQ(7u, ReadBack("Jump.zqm").dwMacroID);
}

TEST_F(MacroOpsTest, DeletingAMacroOrAFolder) {
    PutFile("Jump.zqm", Macro("Jump", 7));
    PutFile("Games/A.zqm", Macro("A", 8));
    PutFile("Games/Sub/B.zqm", Macro("B", 9));
    Load();
    notes.reply = IDCANCEL;
    EXPECT_EQ(-1, DeleteItem(tree, tree.Root()->FindChild("Jump")));
    EXPECT_EQ(3u, MacroCount());
    notes.reply = IDOK;
    ASSERT_EQ(1, DeleteItem(tree, tree.Root()->FindChild("Games")));
    EXPECT_FALSE(platform::DirExists(MacroFolder() + "/Games"));
    EXPECT_EQ(1u, MacroCount());
    EXPECT_THAT(s_removed, ::testing::UnorderedElementsAre(8u, 9u));
    // A file that is already gone is deleted silently.
    ASSERT_TRUE(platform::RemoveFile(MacroFolder() + "/Jump.zqm"));
    notes.messages.clear();
    ASSERT_EQ(1, DeleteItem(tree, tree.Root()->FindChild("Jump")));
    EXPECT_EQ("Delete?|", Texts());
    EXPECT_EQ(0u, MacroCount());
    EXPECT_TRUE(platform::DirExists(MacroFolder()));
    EXPECT_EQ(0, DeleteItem(tree, nullptr));
}

TEST_F(MacroOpsTest, DeletingAFolderNeverFollowsLinksOutOfTheMacroFolder) {
    testing_support::TempDir outside;
    std::string keep = outside.Write("keep.zqm", "precious");
    PutFile("Games/A.zqm", Macro("A", 8));
    std::filesystem::create_directory_symlink(outside.path(), MacroFolder() + "/Games/link");
    std::filesystem::create_symlink(keep, MacroFolder() + "/Games/file-link.zqm");
    Load();
    ASSERT_EQ(1, DeleteItem(tree, tree.Root()->FindChild("Games")));
    EXPECT_FALSE(platform::DirExists(MacroFolder() + "/Games"));
    EXPECT_TRUE(platform::FileExists(keep));
}

TEST_F(MacroOpsTest, ImportTargetsAFolderWithANewId) {
    PutFile("Games/jump.zqm", Macro("jump", 7));
    Load();
    testing_support::TempDir src;
    StMacro m = Macro("whatever", 7);
    ASSERT_EQ(1, WriteMacroFile(src.File("Jump.zqm"), m));
    ASSERT_EQ(1, WriteMacroFile(src.File("Run.zqm"), m));
    MacroTreeNode* games = tree.Root()->FindChild("Games");

    EXPECT_EQ(-1, ImportMacroFile(tree, games, src.File("Jump.zqm")));
    EXPECT_EQ("Name already used|", Texts());

    MacroTreeNode* node = nullptr;
    // A selected macro stands for its folder.
    ASSERT_EQ(1, ImportMacroFile(tree, games->FindChild("jump"), src.File("Run.zqm"), &node));
    EXPECT_EQ(games, node->parent);
    StMacro onDisk = ReadBack("Games/Run.zqm");
    EXPECT_EQ("Run", MacroName(onDisk));
    EXPECT_NE(7u, onDisk.dwMacroID);
    EXPECT_EQ(0u, onDisk.dwFlags);
    EXPECT_EQ(onDisk.dwMacroID, node->macroId);
    EXPECT_NE(nullptr, FindMacroById(onDisk.dwMacroID));
}

// Another program wrote a macro of that file name after this tree was loaded: the import says
// so and leaves that file alone instead of renaming its own over it.
TEST_F(MacroOpsTest, ImportNeverReplacesAFileThatAppearedSinceTheTreeWasLoaded) {
    Load();
    PutFile("Jump.zqm", Macro("Theirs", 5, 0x42));
    testing_support::TempDir src;
    ASSERT_EQ(1, WriteMacroFile(src.File("Jump.zqm"), Macro("Mine", 6, 0x43)));
    EXPECT_EQ(-1, ImportMacroFile(tree, nullptr, src.File("Jump.zqm")));
    EXPECT_EQ("Name already used|", Texts());
    EXPECT_EQ("Theirs", MacroName(ReadBack("Jump.zqm")));
    EXPECT_EQ(nullptr, tree.Root()->FindChild("Jump"));
    EXPECT_EQ(0u, MacroCount());
}

TEST_F(MacroOpsTest, ImportRefusesFilesThatAreNotMacros) {
    testing_support::TempDir src;
    src.Write("short.zqm", std::string(100, 'x'));
    src.Write("magic.zqm", std::string(834, 'x'));
    StMacro wheel = Macro("w", 1, kMouseCodeWheelUp);
    ASSERT_EQ(1, WriteMacroFile(src.File("wheel.zqm"), wheel));
    EXPECT_EQ(0, ImportMacroFile(tree, nullptr, src.File("missing.zqm")));
    EXPECT_EQ(0, ImportMacroFile(tree, nullptr, src.File("short.zqm")));
    EXPECT_EQ(0, ImportMacroFile(tree, nullptr, src.File("magic.zqm")));
    EXPECT_EQ(0, ImportMacroFile(tree, nullptr, src.File("wheel.zqm")));
    EXPECT_EQ(0, ImportMacroFile(tree, nullptr, src.path()));
    // The messages name the file and the reason, not only a number.
    EXPECT_EQ("Open macro file failed. error=0x2 (" + src.File("missing.zqm") +
                  ": No such file or directory)|Read macro file failed. error=0x0 (" +
                  src.File("short.zqm") + " holds 100 bytes; a macro file has 834)|" +
                  "This is not a valid macro file.|This macro contains unsupported key.|" +
                  "Open macro file failed. error=0x16 (" + src.path() + ": not a regular file)|",
              Texts());
    EXPECT_EQ(0u, MacroCount());
    EXPECT_TRUE(tree.Root()->children.empty());
}

TEST_F(MacroOpsTest, ExportCopiesTheSavedFile) {
    PutFile("Jump.zqm", Macro("Jump", 7));
    Load();
    MacroTreeNode* jump = tree.Root()->FindChild("Jump");
    FindRecordOfItem(jump)->stEvents[0].wKey = 0x50;  // unsaved: not exported
    testing_support::TempDir out;
    std::string target = out.Write("out.zqm", "old");
    ASSERT_EQ(1, ExportMacro(jump, target));
    StMacro back;
    ASSERT_EQ(1, ReadMacroFile(target, back));
    EXPECT_EQ(0x41, back.stEvents[0].wKey);
    testing_support::LogCapture log;
    EXPECT_EQ(0, ExportMacro(jump, out.path() + "/no/such/dir/x.zqm"));
    EXPECT_TRUE(log.Contains("ExportMacro: copy file err=0x2"));
}

}  // namespace
