#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "macro/macro_names.h"
#include "macro/macro_tree.h"
#include "macro/my_list.h"
#include "macro_test_util.h"

namespace {

TEST(MyList, OwningModeCallsTheCallbackAndFreesItems) {
    static int released = 0;
    released = 0;
    {
        CMyList<int> list(CMyList<int>::kOwning, [](int*) { ++released; });
        for (int i = 0; i < 3; ++i) ASSERT_EQ(1, list.Append(new int(i)));
        list.Remove(list.Head()->pNext);
        EXPECT_EQ(1, released);
        EXPECT_EQ(2u, list.Count());
        EXPECT_EQ(0, *list.Head()->pItem);
        EXPECT_EQ(2, *list.Tail()->pItem);
        EXPECT_EQ(list.Head(), list.Tail()->pPrev);
    }
    EXPECT_EQ(3, released);
    int kept = 5;
    CMyList<int> borrowed(CMyList<int>::kNotOwning);
    borrowed.Append(&kept);
    borrowed.RemoveAll();
    EXPECT_EQ(0u, borrowed.Count());
    EXPECT_EQ(nullptr, borrowed.Head());
}

TEST_F(MacroFolderTest, LookUpsByIdAndByName) {
    AddMacroCopy(Macro("Jump", 1));
    AddMacroCopy(Macro("Run", 2));
    AddMacroCopy(Macro("jump", 3));
    EXPECT_EQ(2u, FindMacroById(2)->dwMacroID);
    EXPECT_EQ(nullptr, FindMacroById(9));
    EXPECT_EQ(1u, FindMacroByName("JUMP")->dwMacroID);  // first match, case ignored
    EXPECT_EQ(nullptr, FindMacroByName(""));
    EXPECT_EQ(nullptr, FindMacroByName("Jum"));
    // A name field from the mouse without terminator is compared over the field only.
    char16_t field[14] = {u'R', u'u', u'n'};
    EXPECT_EQ(2u, FindMacroByName(field, 14)->dwMacroID);
    EXPECT_EQ(1, RemoveMacroById(1));
    EXPECT_EQ(0, RemoveMacroById(1));
    EXPECT_EQ(3u, FindMacroByName("Jump")->dwMacroID);
    EXPECT_EQ(2u, MacroCount());
    StMacro copy;
    EXPECT_TRUE(CopyMacroById(2, copy));
    EXPECT_EQ("Run", MacroName(copy));
}

TEST_F(MacroFolderTest, UniqueNamesFitTheField) {
    AddMacroCopy(Macro("Jump", 1));
    AddMacroCopy(Macro("Jump (2)", 2));
    EXPECT_EQ("Walk", UniqueMacroName("Walk"));
    EXPECT_EQ("jump (3)", UniqueMacroName("jump"));
    std::string longName(39, 'n');
    AddMacroCopy(Macro(longName, 3));
    EXPECT_EQ(std::string(35, 'n') + " (2)", UniqueMacroName(longName));
}

TEST_F(MacroFolderTest, MacroFilesAreRotatedAndCheckedForTheMagic) {
    StMacro m = Macro("Jump", 0x123456);
    uint8_t plain[kMacroRecordBytes];
    uint8_t stored[kMacroRecordBytes];
    EncodeMacroRecord(m, plain);
    EncodeMacroFile(m, stored);
    EXPECT_EQ(0x28, stored[0]);  // 0xA0 rotated right by two bits
    for (size_t i = 0; i < kMacroRecordBytes; ++i) ASSERT_EQ(plain[i], RotateFromFile(stored[i]));

    StMacro back;
    std::vector<uint8_t> longer(stored, stored + kMacroRecordBytes);
    longer.resize(2000, 0x77);
    EXPECT_EQ(1, DecodeMacroFile(longer.data(), longer.size(), back));
    EXPECT_EQ(m, back);
    EXPECT_EQ(0, DecodeMacroFile(stored, kMacroRecordBytes - 1, back));
    stored[1] ^= 1;
    EXPECT_EQ(0, DecodeMacroFile(stored, kMacroRecordBytes, back));
}

TEST_F(MacroFolderTest, LoadingSkipsNonMacrosAndHonoursTheFolderSwitch) {
    PutFile("Top.zqm", Macro("Top", 1));
    PutFile("Games/Deep.zqm", Macro("Deep", 2));
    PutFile(".hidden/Secret.zqm", Macro("Secret", 3));
    PutFile("$sys/Sys.zqm", Macro("Sys", 4));
    m_dir.Write("Mac/short.zqm", std::string(833, 'x'));
    std::string bad(834, '\0');
    m_dir.Write("Mac/bad.zqm", bad);
    std::ofstream(MacroFolder() + "/Games/Games.png") << "png";

    MacroTree tree;
    ASSERT_EQ(1, LoadMacroLibrary(&tree, true, true));
    EXPECT_EQ(2u, MacroCount());
    ASSERT_NE(nullptr, FindMacroById(2));
    EXPECT_EQ("Games/Deep.zqm", MacroRelFile(FindMacroById(2)));
    ASSERT_EQ(2u, tree.Root()->children.size());
    MacroTreeNode* games = tree.Root()->FindChild("games");
    ASSERT_NE(nullptr, games);
    EXPECT_TRUE(games->isFolder);
    EXPECT_EQ(MacroFolder() + "/Games/Games.png", games->iconPath);
    ASSERT_EQ(1u, games->children.size());
    EXPECT_EQ("Deep", games->children[0]->name);
    EXPECT_EQ(2u, games->children[0]->macroId);

    ClearMacroLibrary();
    MacroTree flat;
    LoadMacroLibrary(&flat, false, true);
    EXPECT_EQ(1u, MacroCount());
    EXPECT_EQ(1u, flat.Root()->children.size());

    // The editor fills its tree without adding to the library again.
    MacroTree again;
    LoadMacroLibrary(&again, true, false);
    EXPECT_EQ(1u, MacroCount());
    EXPECT_EQ(2u, again.Root()->children.size());
}

TEST_F(MacroFolderTest, MissingFolderGivesAnEmptyLibrary) {
    EXPECT_EQ(1, LoadMacroLibrary(nullptr, true, true));
    EXPECT_EQ(0u, MacroCount());
}

TEST_F(MacroFolderTest, FoldersNestAtMostSixLevels) {
    std::string rel;
    for (int i = 1; i <= 8; ++i) {
        rel += "F" + std::to_string(i) + "/";
        PutFile(rel + "M" + std::to_string(i) + ".zqm", Macro("M" + std::to_string(i), 100u + i));
    }
    MacroTree tree;
    LoadMacroLibrary(&tree, true, true);
    EXPECT_EQ(6u, MacroCount());
    EXPECT_EQ(nullptr, FindMacroById(107));
    ClearMacroLibrary();
    LoadMacroLibrary(nullptr, true, true);  // without a tree the library ends at the same depth
    EXPECT_EQ(6u, MacroCount());
}

TEST_F(MacroFolderTest, SymbolicLinksAreNeverEnteredAsFolders) {
    testing_support::TempDir outside;
    ASSERT_TRUE(platform::MakeDirs(outside.path() + "/sub"));
    StMacro m = Macro("Outside", 9);
    ASSERT_EQ(1, WriteMacroFile(outside.path() + "/sub/Outside.zqm", m));
    ASSERT_TRUE(platform::MakeDirs(MacroFolder()));
    std::filesystem::create_directory_symlink(outside.path() + "/sub", MacroFolder() + "/link");
    LoadMacroLibrary(nullptr, true, true);
    EXPECT_EQ(0u, MacroCount());
}

TEST_F(MacroFolderTest, AddMacroWritesASafeFileAtTheTop) {
    testing_support::LogCapture log;
    StMacro wrong = Macro("X", 1);
    wrong.dwMagicNumber = 0x1234;
    EXPECT_EQ(nullptr, Add_Macro(&wrong));
    EXPECT_TRUE(log.Contains("Add_Macro: FAILED, dwMagicNumber=0x1234"));

    StMacro evil = Macro("../../evil", 2);
    StMacro* copy = Add_Macro(&evil);
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ("../../evil", MacroName(*copy));  // the label keeps the mouse's name
    EXPECT_TRUE(platform::FileExists(MacroFolder() + "/.._.._evil.zqm"));
    EXPECT_FALSE(platform::FileExists(m_dir.path() + "/evil.zqm"));
    EXPECT_TRUE(log.Contains("SanitizeMacroName"));

    StMacro same = Macro("../../EVIL", 3);
    StMacro* second = Add_Macro_Unique(&same);
    ASSERT_NE(nullptr, second);
    EXPECT_EQ("../../EVIL (2)", MacroName(*second));
    EXPECT_EQ(3u, ReadBack(".._.._EVIL (2).zqm").dwMacroID);

    // A name that comes out as an existing file keeps the other macro's file intact.
    StMacro slash = Macro("../../evil", 4);
    ASSERT_NE(nullptr, Add_Macro(&slash));
    EXPECT_EQ(2u, ReadBack(".._.._evil.zqm").dwMacroID);
    EXPECT_EQ(4u, ReadBack(".._.._evil (2).zqm").dwMacroID);
}

TEST_F(MacroFolderTest, ReplaceWritesTheMacrosOwnFileAndClearsDirtyBits) {
    PutFile("Games/Jump.zqm", Macro("Jump", 7));
    LoadMacroLibrary(nullptr, true, true);
    StMacro changed = Macro("Jump", 7, 0x42);
    changed.dwFlags = kMacroDirtyMask;
    EXPECT_EQ(7u, ReplaceMacroById(changed));
    EXPECT_EQ(0u, ReplaceMacroById(Macro("None", 99)));
    StMacro onDisk = ReadBack("Games/Jump.zqm");
    EXPECT_EQ(0x42, onDisk.stEvents[0].wKey);
    EXPECT_EQ(0u, onDisk.dwFlags);
    EXPECT_EQ(0u, FindMacroById(7)->dwFlags);
    EXPECT_FALSE(platform::FileExists(MacroFolder() + "/Jump.zqm"));  // no copy at the top
}

TEST_F(MacroFolderTest, SnapshotHoldsSavedMacrosInOrder) {
    EXPECT_EQ(1, SaveMacroSnapshot());
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(platform::ReadWholeFile(m_dir.File("mac.dct"), bytes));
    EXPECT_EQ(kMacroSnapshotBytes, bytes.size());

    AddMacroCopy(Macro("A", 1));
    AddMacroCopy(Macro("NoEvents", 2, 0));
    AddMacroCopy(Macro("NoId", 0));
    AddMacroCopy(Macro("B", 4));
    ASSERT_EQ(1, SaveMacroSnapshot());
    ASSERT_TRUE(platform::ReadWholeFile(m_dir.File("mac.dct"), bytes));
    ASSERT_EQ(kMacroSnapshotBytes, bytes.size());
    StMacro slot;
    DecodeMacroRecord(bytes.data(), slot);  // plain, not rotated
    EXPECT_EQ("A", MacroName(slot));
    DecodeMacroRecord(bytes.data() + kMacroRecordBytes, slot);
    EXPECT_EQ("B", MacroName(slot));
    for (size_t i = 2 * kMacroRecordBytes; i < bytes.size(); ++i) ASSERT_EQ(0, bytes[i]);
}

TEST(MacroNames, TypedNamesAreCheckedAndCut) {
    struct Case {
        const char* typed;
        int ok;
        const char* name;
    } cases[] = {
        {"a.b", 1, "a"}, {"Jump", 1, "Jump"}, {"x.y.z", 1, "x.y"}, {"a-b", 0, ""},  {"a#b", 0, ""},
        {"a/b", 0, ""},  {"a\\b", 0, ""},     {"?", 0, ""},        {"a\tb", 0, ""}, {".zqm", 0, ""},
        {"", 0, ""},     {"..", 0, ""},       {"Über", 1, "Über"},
    };
    for (const auto& c : cases) {
        std::string out;
        EXPECT_EQ(c.ok, ValidateTypedMacroName(c.typed, out)) << c.typed;
        EXPECT_EQ(c.name, out) << c.typed;
    }
}

TEST(MacroNames, UntrustedNamesStayInsideTheFolder) {
    struct Case {
        std::string raw;
        std::string safe;
    } cases[] = {
        {"Jump", "Jump"}, {"a/b", "a_b"},      {"..", "_.."},
        {".", "_."},      {"", "_"},           {"a\\b", "a_b"},
        {"x\ny", "x_y"},  {"..\\..", ".._.."}, {std::string(45, 'q'), std::string(39, 'q')},
    };
    for (const auto& c : cases) EXPECT_EQ(c.safe, SanitizeMacroName(c.raw)) << c.raw;
    char16_t field[4] = {u'a', u'/', u'b', u'c'};  // no terminator
    EXPECT_EQ("a_b", SanitizeMacroName(field, 3));
    EXPECT_TRUE(IsSafeMacroName("Jump"));
    EXPECT_FALSE(IsSafeMacroName("a/b"));
}

}  // namespace
