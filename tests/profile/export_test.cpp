// Profile export and import files.
#include <gtest/gtest.h>

#include <cstring>

#include "macro/macro_files.h"
#include "platform/files.h"
#include "profile/app_rules.h"
#include "profile/profile_export.h"
#include "profile/profile_store.h"
#include "profile_fixture.h"

namespace profile_test {
namespace {

class ExportTest : public ProfileTest {
  protected:
    void SetUp() override {
        ProfileTest::SetUp();
        ASSERT_EQ(1, LoadPro());
    }
    // Adds a macro to the library and gives it to key k of set s.
    uint32_t MacroKey(int s, int k, const std::string& name, int events = 4) {
        StMacro m = TestMacro(name, events);
        StMacro* added = AddMacroCopy(m);
        g_ProfileList.Edit([&](ProfileRecord& r) {
            r.keys[s][k].dwFunID = kFunMacro;
            r.keys[s][k].dwMacroID = added->dwMacroID;
        });
        return added->dwMacroID;
    }
    std::vector<uint8_t> Read(const std::string& path) {
        std::vector<uint8_t> b;
        EXPECT_TRUE(platform::ReadWholeFile(path, b));
        return b;
    }
    StMacro SlotOf(const std::vector<uint8_t>& image, size_t slot) {
        StMacro m;
        DecodeMacroRecord(image.data() + kProfileRecordBytes + slot * kMacroRecordBytes, m);
        return m;
    }
    // Export of the current profile, then the library and the profile made to differ.
    std::vector<uint8_t> ExportImage() {
        const std::string path = dir.File("p.zqa");
        EXPECT_EQ(1, ExportProfile(path));
        return Read(path);
    }
    std::string WriteImage(const std::vector<uint8_t>& image, size_t size = kExportImageBytes) {
        return dir.Write("in.zqa", std::string(image.begin(), image.begin() + size));
    }
};

TEST_F(ExportTest, ProfileWithoutMacroKeys) {
    g_nCurDpiLevel = 2;
    const auto image = ExportImage();
    ASSERT_EQ(kExportImageBytes, image.size());
    const ProfileRecord r = DecodeProfile(image.data());
    EXPECT_EQ(2, r.curStage);
    EXPECT_EQ(*g_ProfileList.Snapshot(), r);
    for (size_t i = kProfileRecordBytes; i < image.size(); ++i) ASSERT_EQ(0, image[i]);
}

TEST_F(ExportTest, AMacroUsedTwiceFillsTwoSlots) {
    const uint32_t id = MacroKey(0, 2, "Twice");
    g_ProfileList.Edit([&](ProfileRecord& r) { r.keys[0][5] = r.keys[0][2]; });
    const auto image = ExportImage();
    EXPECT_EQ(id, SlotOf(image, 0).dwMacroID);
    EXPECT_EQ(SlotOf(image, 0), SlotOf(image, 1));
    EXPECT_EQ(0u, SlotOf(image, 2).dwMagicNumber);
}

TEST_F(ExportTest, MoreThanTenMacroKeysWriteTenAndNameTheRest) {
    for (int i = 0; i < 12; ++i) MacroKey(i / 8, i % 8, "M" + std::to_string(i));
    const auto image = ExportImage();
    ASSERT_EQ(kExportImageBytes, image.size());
    EXPECT_EQ("M9", MacroName(SlotOf(image, 9)));
    ASSERT_EQ(1u, notes.messages.size());
    EXPECT_NE(std::string::npos, notes.messages[0].first.find("set 2 key 3, set 2 key 4"));
}

// The rules by application travel with an export in a file of their own beside it; the
// profile file itself is the same with or without them.
TEST_F(ExportTest, TheRulesByApplicationGoBesideTheProfile) {
    const std::vector<uint8_t> without = ExportImage();
    EXPECT_FALSE(platform::FileExists(RulesFileBeside(dir.File("p.zqa"))));

    AppRules rules;
    ASSERT_TRUE(rules.Put({"game", 1, 2}));
    ASSERT_TRUE(rules.Put({"Browser", 0, -1}));
    ASSERT_TRUE(SaveAppRules(rules, dir.File(kAppRulesFile)));
    EXPECT_EQ(without, ExportImage());
    const std::string beside = RulesFileBeside(dir.File("p.zqa"));
    EXPECT_EQ(dir.File("p.rules.ini"), beside);
    const std::vector<uint8_t> text = Read(beside);
    EXPECT_EQ(AppRulesText(rules), std::string(text.begin(), text.end()));
    EXPECT_EQ(2u, LoadAppRules(beside).rules.size());
}

TEST(RulesFileBeside, TakesTheProfilesNameWithoutItsExtension) {
    const struct {
        const char* profile;
        const char* rules;
    } cases[] = {
        {"/home/u/Game.zqa", "/home/u/Game.rules.ini"},
        {"/home/u/Game", "/home/u/Game.rules.ini"},
        {"/home/u.d/Game", "/home/u.d/Game.rules.ini"},
        {"/home/u/.zqa", "/home/u/.zqa.rules.ini"},
        {"a.b.zqa", "a.b.rules.ini"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.rules, RulesFileBeside(c.profile)) << c.profile;
}

TEST_F(ExportTest, ExportToAnUnwritablePlaceTellsTheUser) {
    EXPECT_EQ(0, ExportProfile(dir.File("no/such/folder/p.zqa")));
    ASSERT_EQ(1u, notes.messages.size());
    EXPECT_EQ("Create profile failed.", notes.messages[0].first);
}

TEST_F(ExportTest, ImportRefusals) {
    auto before = g_ProfileList.Snapshot();
    std::vector<uint8_t> image = ExportImage();
    image[0] = 0x35;  // not 34 12 AA FC
    EXPECT_EQ(0, ImportProfile(WriteImage(image), true));
    EXPECT_EQ(0, ImportProfile(dir.File("missing.zqa"), true));
    EXPECT_EQ(0, ImportProfile(dir.Write("empty.zqa", ""), true));
    EXPECT_EQ(0, ImportProfile(WriteImage(image), false));
    EXPECT_EQ((std::vector<std::string>{"This is not a valid profile",
                                        "Open Profile Err = 2 (" + dir.File("missing.zqa") +
                                            ": No such file or directory)",
                                        "Read profile failed.", "Read the mouse first"}),
              [&] {
                  std::vector<std::string> t;
                  for (auto& m : notes.messages) t.push_back(m.first);
                  return t;
              }());
    EXPECT_EQ(*before, *g_ProfileList.Snapshot());
    EXPECT_TRUE(g_ApplyThread.Pending().empty());
}

TEST_F(ExportTest, ImportOfAKnownAndAnUnknownMacro) {
    const uint32_t known = MacroKey(0, 1, "Known");
    const uint32_t gone = MacroKey(0, 2, "Gone");
    g_ProfileList.Edit([](ProfileRecord& r) { r.keys[0][3] = r.keys[0][2]; });
    auto image = ExportImage();
    // Change the known macro in the file; drop the other from the library.
    StMacro k = SlotOf(image, 0);
    k.stEvents[0].dwDelay = 777;
    EncodeMacroRecord(k, image.data() + kProfileRecordBytes);
    ASSERT_EQ(1, RemoveMacroById(gone));
    ProfileRecord fileRec = DecodeProfile(image.data());
    fileRec.profileId = 999;
    fileRec.curStage = 7;  // the model has 4 stages
    EncodeProfile(fileRec, image.data());
    const uint32_t ownId = g_ProfileList.Snapshot()->profileId;

    ASSERT_EQ(1, ImportProfile(WriteImage(image), true));
    const ProfileRecord now = *g_ProfileList.Snapshot();
    EXPECT_EQ(ownId, now.profileId);
    EXPECT_EQ(0, g_nCurDpiLevel.load());
    EXPECT_EQ(known, now.keys[0][1].dwMacroID);
    StMacro lib;
    ASSERT_TRUE(CopyMacroById(known, lib));
    EXPECT_EQ(777u, lib.stEvents[0].dwDelay);
    // The unknown macro is added once, under a new id, and both its keys use it.
    EXPECT_NE(gone, now.keys[0][2].dwMacroID);
    EXPECT_EQ(now.keys[0][2].dwMacroID, now.keys[0][3].dwMacroID);
    EXPECT_TRUE(CopyMacroById(now.keys[0][2].dwMacroID, lib));
    EXPECT_EQ(2u, MacroCount());
    EXPECT_EQ((std::vector<ApplyRequest>{{kImportApplyFlags, 255}}), g_ApplyThread.Pending());
}

TEST_F(ExportTest, ADamagedMacroSlotRefusesTheWholeImport) {
    MacroKey(0, 1, "Fine");
    MacroKey(0, 2, "Broken");
    auto image = ExportImage();
    struct Damage {
        size_t offset;  // inside slot 1
        uint8_t value;
    } cases[] = {{0, 0x00},              // magic
                 {106 + 2, 7},           // wState of event 0
                 {106 + 0, 0xF5},        // wheel code, not allowed in a macro
                 {106 + 90 * 8, 0x41}};  // the 91st event must stay empty
    const auto before = *g_ProfileList.Snapshot();
    const size_t count = MacroCount();
    for (const Damage& d : cases) {
        auto bad = image;
        bad[kProfileRecordBytes + kMacroRecordBytes + d.offset] = d.value;
        notes.messages.clear();
        EXPECT_EQ(0, ImportProfile(WriteImage(bad), true)) << d.offset;
        ASSERT_EQ(1u, notes.messages.size());
        EXPECT_NE(std::string::npos, notes.messages[0].first.find("key 3 (set 1)"));
        EXPECT_EQ(before, *g_ProfileList.Snapshot());
        EXPECT_EQ(count, MacroCount());
    }
}

TEST_F(ExportTest, AMacroKeyWithoutASlotKeepsItsEntryAndUnusedSlotsAreNoMacros) {
    const uint32_t id = MacroKey(0, 1, "Kept");
    g_ProfileList.Edit([](ProfileRecord& r) {
        r.keys[0][2] = r.keys[0][1];
        r.keys[0][2].dwMacroID = 0;
    });
    auto image = ExportImage();
    std::fill(image.begin() + kProfileRecordBytes, image.end(), 0);  // no macro in the file
    ASSERT_EQ(1, ImportProfile(WriteImage(image), true));
    EXPECT_EQ(id, g_ProfileList.Snapshot()->keys[0][1].dwMacroID);
    EXPECT_EQ(0u, g_ProfileList.Snapshot()->keys[0][2].dwMacroID);
    EXPECT_EQ(1u, MacroCount());
}

TEST_F(ExportTest, AFileCutAfterTheRecordIsTakenButOneCutInsideItIsRefused) {
    auto image = ExportImage();
    ASSERT_EQ(1, ImportProfile(WriteImage(image, kProfileRecordBytes), true));
    g_ApplyThread.ClearPending();
    const ProfileRecord before = *g_ProfileList.Snapshot();
    for (size_t size : {size_t{100}, size_t{1000}, kProfileRecordBytes - 1}) {
        notes.messages.clear();
        EXPECT_EQ(0, ImportProfile(WriteImage(image, size), true)) << size;
        ASSERT_EQ(1u, notes.messages.size()) << size;
        EXPECT_NE(std::string::npos, notes.messages[0].first.find("too few")) << size;
    }
    EXPECT_EQ(before, *g_ProfileList.Snapshot());
    EXPECT_TRUE(g_ApplyThread.Pending().empty());
}

TEST_F(ExportTest, ARecordTheMouseCannotTakeIsRefusedAndChangesNothing) {
    g_DeviceModels[0].ShowLED = 1;  // a model with lighting: its modes are checked too
    MacroKey(0, 1, "Kept");
    const std::vector<uint8_t> good = ExportImage();
    const ProfileRecord rec = DecodeProfile(good.data());
    const size_t librarySize = MacroCount();
    const struct {
        const char* name;
        void (*spoil)(ProfileRecord&);
        const char* says;
    } cases[] = {
        {"no left button", [](ProfileRecord& r) { r.keys[2][0].dwFunID = kFunOff; },
         "no left button"},
        {"rate code", [](ProfileRecord& r) { r.rate24 = 0x333; }, "report rates"},
        {"bluetooth rate zero", [](ProfileRecord& r) { r.rateBt = 0; }, "report rates"},
        {"dpi without code", [](ProfileRecord& r) { r.stages[1].yDpi = 1234; }, "1234 DPI"},
        {"dpi zero", [](ProfileRecord& r) { r.stages[0].xDpi = 0; }, "0 DPI"},
        {"key set", [](ProfileRecord& r) { r.curKeySet = 3; }, "key set 3"},
        {"stage", [](ProfileRecord& r) { r.curStage = -1; }, "stage -1"},
        {"another sensor", [](ProfileRecord& r) { r.sensor = 0x3050; }, "another mouse"},
        // Pointer values the window could never set go nowhere near the desktop.
        {"double-click 0 ms", [](ProfileRecord& r) { r.pointer.doubleClickMs = 0; },
         "double-click time 0 ms"},
        {"speed -50", [](ProfileRecord& r) { r.pointer.speed = -50; }, "pointer speed -50"},
        {"scroll 0", [](ProfileRecord& r) { r.pointer.scrollLines = 0; }, "scroll lines 0"},
        {"trails -3", [](ProfileRecord& r) { r.pointer.trails = -3; }, "trails -3"},
        // Lighting: the modes the mouse knows, and no value wider than the byte it is stored in.
        {"lighting mode 5", [](ProfileRecord& r) { r.lightMode = 5; }, "lighting mode 5"},
        {"lighting 255/255/255",
         [](ProfileRecord& r) { r.lightMode = r.lightSpeed = r.lightBrightness = 255; },
         "lighting mode 255"},
        {"lighting speed 256", [](ProfileRecord& r) { r.lightSpeed = 256; }, "lighting speed 256"},
        {"brightness", [](ProfileRecord& r) { r.lightBrightness = 0x10002; },
         "lighting brightness 65538"},
        {"colour", [](ProfileRecord& r) { r.lightColor = 0x01FFFFFF; },
         "lighting colour 0x1ffffff"},
    };
    for (const auto& c : cases) {
        ProfileRecord spoiled = rec;
        c.spoil(spoiled);
        std::vector<uint8_t> image = good;
        EncodeProfile(spoiled, image.data());
        notes.messages.clear();
        const ProfileRecord before = *g_ProfileList.Snapshot();
        EXPECT_EQ(0, ImportProfile(WriteImage(image), true)) << c.name;
        ASSERT_EQ(1u, notes.messages.size()) << c.name;
        EXPECT_NE(std::string::npos, notes.messages[0].first.find(c.says))
            << c.name << ": " << notes.messages[0].first;
        EXPECT_EQ(before, *g_ProfileList.Snapshot()) << c.name;
        EXPECT_EQ(librarySize, MacroCount()) << c.name;
        EXPECT_TRUE(g_ApplyThread.Pending().empty()) << c.name;
    }
    // A stage beyond what the mouse stores and a disabled stage's value are no refusal; another
    // sensor is taken when asked for, and the record becomes this model's.
    ProfileRecord taken = rec;
    taken.curStage = 7;
    taken.stages[6].xDpi = 1234;
    taken.sensor = 0x3050;
    taken.lightMode = 4;
    taken.lightSpeed = taken.lightBrightness = 255;
    taken.lightColor = 0xFFFFFF;
    std::vector<uint8_t> image = good;
    EncodeProfile(taken, image.data());
    ASSERT_EQ(1, ImportProfile(WriteImage(image), true, true));
    EXPECT_EQ(0, g_nCurDpiLevel.load());
    EXPECT_EQ(static_cast<uint32_t>(g_DeviceModels[0].Sensor), g_ProfileList.Snapshot()->sensor);
}

// A 4-stage mouse's file from before reads kept the stages in use marks its fifth stage in use
// with 0 DPI: into a 5-stage mouse it goes as four stages in use, not as a refusal.
TEST_F(ExportTest, AnOlderFilesTrailingStagesWithoutAValueAreNotInUse) {
    ProfileRecord old = DecodeProfile(ExportImage().data());
    for (int i = 4; i < kMaxDpiStages; ++i) old.stages[i] = DpiStage{0, 0, 0, 0};
    std::vector<uint8_t> image(kExportImageBytes, 0);
    EncodeProfile(old, image.data());
    g_DeviceModels[0].DM = 5;
    ASSERT_EQ(1, ImportProfile(WriteImage(image), true)) << notes.messages.at(0).first;
    const ProfileRecord r = *g_ProfileList.Snapshot();
    EXPECT_EQ(4, StagesInUse(r, g_DeviceModels[0]));
    EXPECT_EQ(0, r.stages[3].disabled);
}

TEST_F(ExportTest, ImportReadsAtMostAnImageFromARegularFile) {
    const std::vector<uint8_t> good = ExportImage();
    std::string big(good.begin(), good.end());
    big += std::string(100000, 'x');
    EXPECT_EQ(1, ImportProfile(dir.Write("big.zqa", big), true));
    g_ApplyThread.ClearPending();
    notes.messages.clear();
    EXPECT_EQ(0, ImportProfile("/dev/zero", true));
    ASSERT_EQ(1u, notes.messages.size());
    EXPECT_NE(std::string::npos, notes.messages[0].first.find("not a regular file"));
}

TEST_F(ExportTest, MacroNamesFromTheFileStayInsideTheMacroFolder) {
    MacroKey(0, 1, "x");
    auto image = ExportImage();
    StMacro m = SlotOf(image, 0);
    m.dwMacroID = 0x55AA55;  // unknown here
    for (int i = 0; i < kMacroNameUnits; ++i) m.szName[i] = u"../../evil/name/that/is/long"[i % 28];
    EncodeMacroRecord(m, image.data() + kProfileRecordBytes);
    ProfileRecord r = DecodeProfile(image.data());
    r.keys[0][1].dwMacroID = 0x55AA55;
    EncodeProfile(r, image.data());
    ASSERT_EQ(1, ImportProfile(WriteImage(image), true));
    std::vector<platform::DirEntry> top;
    ASSERT_TRUE(platform::ListDir(dir.path(), top));
    for (const auto& e : top) EXPECT_NE("evil", e.name);
    std::vector<platform::DirEntry> mac;
    ASSERT_TRUE(platform::ListDir(MacroFolder(), mac));
    ASSERT_EQ(1u, mac.size());
    EXPECT_FALSE(mac[0].isDir);
}

}  // namespace
}  // namespace profile_test
