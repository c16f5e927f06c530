// Reading the virtual mouse into the profile, and the round trip through apply and read.
#include <gtest/gtest.h>

#include "device_profile_fixture.h"
#include "macro/macro_files.h"
#include "platform/files.h"
#include "profile/key_assign.h"
#include "profile/key_slot.h"
#include "profile/profile_read.h"

namespace profile_test {
namespace {

using Bytes = std::vector<uint8_t>;
using ReadTest = DeviceProfileTest;

TEST(ReportRateTest, NibblesDecodeOrLeaveTheRateAlone) {
    struct Case {
        uint8_t b;
        uint32_t r24, rbt;
        int logLines;
    } cases[] = {
        {0x12, 0x500, 0x1000, 0}, {0x28, 0x125, 0x500, 0}, {0x03, 7, 9, 2}, {0x01, 0x1000, 9, 1}};
    for (const Case& c : cases) {
        testing_support::LogCapture log;
        ProfileRecord r;
        r.rate24 = 7;
        r.rateBt = 9;
        DecodeReportRates(c.b, r);
        EXPECT_EQ(c.r24, r.rate24) << int(c.b);
        EXPECT_EQ(c.rbt, r.rateBt) << int(c.b);
        int lines = 0;
        for (const auto& l : log.Lines())
            lines += l.find("Wrogn polling rate value") != std::string::npos;
        EXPECT_EQ(c.logLines, lines) << int(c.b);
    }
}

TEST_F(ReadTest, StagesLightingAndCurrentStage) {
    // 3 stages in use, stage 1 with a code the sensor does not know; current stage 2.
    const int x0 = DpiToCode(0x3325, 1200), x2 = DpiToCode(0x3325, 4000);
    const uint8_t stages[9] = {uint8_t(x0), uint8_t(x0), 0,           0xFF, 0xFF,
                               0,           uint8_t(x2), uint8_t(x0), 0};
    const uint8_t head[6] = {0x12, 0, 3, 0, 2, 0};
    ASSERT_TRUE(backend->WriteMemory(0, 0, head, 6));
    ASSERT_TRUE(backend->WriteMemory(0, 6, stages, 9));
    const int x3 = DpiToCode(0x3325, 800);
    const uint8_t stage3[3] = {uint8_t(x3), uint8_t(x3), 0};
    ASSERT_TRUE(backend->WriteMemory(0, 15, stage3, 3));
    const uint8_t led[7] = {2, 0xFF, 0x80, 0x00, 3, 4, 0};
    ASSERT_TRUE(backend->WriteMemory(0, 0x35, led, 7));
    ProfileRecord r = Current();
    r.stages[0].disabled = 1;
    r.stages[3] = DpiStage{111, 222, 5, 0};
    testing_support::LogCapture log;
    ASSERT_EQ(1, ReadProfileFromDevice(*link, r));
    EXPECT_EQ(2, g_nCurDpiLevel.load());
    EXPECT_EQ(0x500u, r.rate24);
    EXPECT_EQ(0x1000u, r.rateBt);
    EXPECT_EQ(1200, r.stages[0].xDpi);
    EXPECT_EQ(0, r.stages[1].xDpi);
    EXPECT_EQ(4000, r.stages[2].xDpi);
    EXPECT_EQ(1200, r.stages[2].yDpi);
    // Beyond the mouse's count: the memory's value, not in use (the next apply keeps 3).
    EXPECT_EQ((DpiStage{800, 800, 5, 1}), r.stages[3]);
    for (int i = 0; i < kMaxDpiStages; ++i) EXPECT_EQ(i < 3 ? 0 : 1, r.stages[i].disabled) << i;
    EXPECT_EQ((std::pair<std::string, std::string>{"Read invalidate dpi", "Warning"}),
              notes.messages.at(0));
    EXPECT_EQ(1u, notes.messages.size());
    EXPECT_TRUE(log.Contains("wrong dpi(3325): Data[9]=0xff, Data[10]=0xff"));
    EXPECT_EQ(2u, r.lightMode);
    EXPECT_EQ(0x0080FFu, r.lightColor);
    EXPECT_EQ(3u, r.lightSpeed);
    EXPECT_EQ(4u, r.lightBrightness);

    // A count no mouse of the model holds takes its stages in use, as before.
    const uint8_t none[2] = {0, 0x55};
    ASSERT_TRUE(backend->WriteMemory(0, 2, none, 2));
    ASSERT_EQ(1, ReadProfileFromDevice(*link, r));
    for (int i = 0; i < kMaxDpiStages; ++i) EXPECT_EQ(i < 4 ? 0 : 1, r.stages[i].disabled) << i;
}

// 6000 DPI shares its code with 3000 on sensor 0x3325: the read keeps the value the record
// holds while the mouse holds its code, so the program never reports 6000 and shows 3000.
TEST_F(ReadTest, AValueThatSharesItsCodeReadsBackAsTheRecordsValue) {
    ASSERT_EQ(DpiCode(0x3325, 6000), DpiCode(0x3325, 3000));
    const int x = DpiToCode(0x3325, 3000), y = DpiToCode(0x3325, 1200);
    const uint8_t stages[9] = {uint8_t(x), uint8_t(x), 0,          uint8_t(x), uint8_t(x),
                               0,          uint8_t(y), uint8_t(y), 0};
    const uint8_t count[2] = {3, 0x52};
    ASSERT_TRUE(backend->WriteMemory(0, 2, count, 2));
    ASSERT_TRUE(backend->WriteMemory(0, 6, stages, 9));
    ProfileRecord r = Current();
    r.stages[0] = DpiStage{6000, 3000, 0, 0};
    r.stages[1] = DpiStage{3000, 6000, 0, 0};
    r.stages[2] = DpiStage{8000, 8000, 0, 0};  // the mouse was changed to 1200 since
    ASSERT_EQ(1, ReadProfileFromDevice(*link, r));
    EXPECT_EQ((std::vector<int>{6000, 3000, 3000, 6000, 1200, 1200}),
              (std::vector<int>{r.stages[0].xDpi, r.stages[0].yDpi, r.stages[1].xDpi,
                                r.stages[1].yDpi, r.stages[2].xDpi, r.stages[2].yDpi}));
}

TEST_F(ReadTest, KeyMaskAndUntrustedMatrixPositionsAreSkipped) {
    SetKey(7, Key(kFunRight, 8));
    SetKey(6, Key(kFunRight, 200));  // from a damaged stored profile
    ASSERT_EQ(1, Apply(kApplyKeys, 7));
    SetKey(7, Key(kFunBack, 8));
    g_Config.KeyMask = 0x80;
    ProfileRecord r = Current();
    ASSERT_EQ(1, ReadProfileFromDevice(*link, r));
    EXPECT_EQ(kFunBack, r.keys[0][7].dwFunID);
    EXPECT_EQ(200u, r.keys[0][6].dwMatrixPos);
    g_Config.KeyMask = 0;
    ASSERT_EQ(1, ReadProfileFromDevice(*link, r));
    EXPECT_EQ(kFunRight, r.keys[0][7].dwFunID);
}

TEST_F(ReadTest, EveryKindOfFunctionComesBackAsItWasWritten) {
    StMacro withPauses = TestMacro("Paused", 6, 120);
    const uint32_t macroId = AddMacro(withPauses);
    KeyEntry combo = Key(kFunComboMod, 2);
    combo.stCombo[0] = 0x03;
    combo.stCombo[1] = 0x41;
    combo.stCombo[2] = 0x70;
    KeyEntry macro = Key(kFunMacro, 4);
    macro.dwMacroID = macroId;
    macro.dwParameter = 3;
    KeyEntry fire = Key(kFunFire, 5);
    fire.dwParameter = 0x23;
    fire.dwFireButton = 240;
    const std::vector<std::vector<KeyEntry>> rounds = {
        {Key(kFunLeft, 1), combo, Key(0x04000026, 3), macro, fire, Key(kFunOff, 6),
         Key(kFunLightSwitch, 7), Key(kFunDpiCycle, 8)},
        {Key(kFunRight, 1), Key(kFunMiddle, 2), Key(kFunForward, 3), Key(kFunBack, 4),
         Key(kFunDpiUp, 5), Key(kFunDpiDown, 6), Key(kFunLeft, 7), Key(0x04000039, 8)},
    };
    for (const auto& keys : rounds) {
        for (int k = 0; k < 8; ++k) SetKey(k, keys[k]);
        ASSERT_EQ(1, Apply(kApplyKeys, kApplyAll));
        ProfileRecord r = Current();
        for (int k = 0; k < 8; ++k) r.keys[0][k] = Key(kFunOff, static_cast<uint32_t>(k + 1));
        ASSERT_EQ(1, ReadProfileFromDevice(*link, r));
        for (int k = 0; k < 8; ++k) {
            KeyEntry want = keys[k];
            if (want.dwFunID == kFunComboMod)
                want.dwFunID = kFunComboRead;  // as the mouse keeps it
            EXPECT_EQ(want, r.keys[0][k]) << "key " << k;
        }
    }
    // The library copy keeps its pauses and no copy of it was added.
    EXPECT_EQ(1u, MacroCount());
    StMacro lib;
    ASSERT_TRUE(CopyMacroById(macroId, lib));
    EXPECT_EQ(withPauses, lib);
}

TEST_F(ReadTest, LongMacrosAndLongNamesFindTheirLibraryCopy) {
    // 40 events (more than a decoded record takes) and a name longer than the slot keeps.
    StMacro m = TestMacro("A rather long macro name", 40, 30);
    KeyEntry macro = Key(kFunMacro, 1);
    macro.dwMacroID = AddMacro(m);
    SetKey(0, macro);
    SetKey(1, Key(kFunLeft, 2));
    ASSERT_EQ(1, Apply(kApplyKeys, 0));
    ProfileRecord r = Current();
    ASSERT_EQ(1, ReadProfileFromDevice(*link, r));
    EXPECT_EQ(m.dwMacroID, r.keys[0][0].dwMacroID);
    EXPECT_EQ(1u, MacroCount());
}

TEST_F(ReadTest, AMacroThatDiffersFromItsLibraryNamesakeIsAddedOnce) {
    StMacro original = TestMacro("Same", 4, 80);
    KeyEntry macro = Key(kFunMacro, 1);
    macro.dwMacroID = AddMacro(original);
    SetKey(0, macro);
    SetKey(1, Key(kFunLeft, 2));
    ASSERT_EQ(1, Apply(kApplyKeys, 0));
    // The library macro changes afterwards, the mouse keeps the old events.
    StMacro changed = original;
    changed.stEvents[0].wKey = 0x5A;
    changed.stEvents[1].wKey = 0x5A;
    ASSERT_EQ(original.dwMacroID, ReplaceMacroById(changed));
    for (int round = 0; round < 2; ++round) {
        ProfileRecord r = Current();
        ASSERT_EQ(1, ReadProfileFromDevice(*link, r));
        EXPECT_EQ(2u, MacroCount()) << round;
        StMacro added;
        ASSERT_TRUE(CopyMacroById(r.keys[0][0].dwMacroID, added));
        EXPECT_NE(original.dwMacroID, added.dwMacroID);
        EXPECT_EQ("Same (2)", MacroName(added));
        EXPECT_EQ(1, MacroEventsEqualIgnoringPauses(&original, &added));
    }
    StMacro lib;
    ASSERT_TRUE(CopyMacroById(original.dwMacroID, lib));
    EXPECT_EQ(0x5A, lib.stEvents[0].wKey);
}

TEST_F(ReadTest, TheKeysOwnMacroStaysWhenAnotherMatchesTheSlotToo) {
    // Both names keep "Twin macro nam" in the slot, and the events are alike.
    const StMacro first = TestMacro("Twin macro name A", 4);
    const StMacro own = TestMacro("Twin macro name B", 4);
    AddMacro(first);
    KeyEntry macro = Key(kFunMacro, 1);
    macro.dwMacroID = AddMacro(own);
    SetKey(0, macro);
    SetKey(1, Key(kFunLeft, 2));
    ASSERT_EQ(1, Apply(kApplyKeys, kApplyAll));
    ProfileRecord r = Current();
    ASSERT_EQ(1, ReadProfileFromDevice(*link, r));
    EXPECT_EQ(own.dwMacroID, r.keys[0][0].dwMacroID);
    // Without a macro of its own the key takes the library's first match.
    SetKey(0, Key(kFunMiddle, 1));
    r = Current();
    ASSERT_EQ(1, ReadProfileFromDevice(*link, r));
    EXPECT_EQ(first.dwMacroID, r.keys[0][0].dwMacroID);
    EXPECT_EQ(2u, MacroCount());
}

TEST_F(ReadTest, ASlotNameNeverSplitsACharacter) {
    // 13 units, then an emoji of two units at the 14th: the slot keeps the 13.
    const std::string name = "Thirteen unit\xF0\x9F\x98\x80 end";
    KeyEntry macro = Key(kFunMacro, 1);
    macro.dwMacroID = AddMacro(TestMacro(name, 2));
    SetKey(0, macro);
    SetKey(1, Key(kFunLeft, 2));
    ASSERT_EQ(1, Apply(kApplyKeys, kApplyAll));
    EXPECT_EQ(26, Mem(0x200, 1)[0]);
    for (int round = 0; round < 2; ++round) {
        ProfileRecord r = Current();
        ASSERT_EQ(1, ReadProfileFromDevice(*link, r));
        EXPECT_EQ(macro.dwMacroID, r.keys[0][0].dwMacroID) << round;
        EXPECT_EQ(1u, MacroCount()) << round;
    }
    // A slot written with half of the pair (28 bytes) reads back as the same macro.
    const uint8_t half[3] = {28, 0x3D, 0xD8};
    ASSERT_TRUE(backend->WriteMemory(0, 0x200, half, 1));
    ASSERT_TRUE(backend->WriteMemory(0, 0x200 + 27, half + 1, 2));
    ProfileRecord r = Current();
    ASSERT_EQ(1, ReadProfileFromDevice(*link, r));
    EXPECT_EQ(macro.dwMacroID, r.keys[0][0].dwMacroID);
    EXPECT_EQ(1u, MacroCount());
}

TEST_F(ReadTest, AFullSlotMacroComesBackWholeAndIsWrittenBackWhole) {
    StMacro m = TestMacro("Full", kSlotMaxEvents, 30);
    KeyEntry macro = Key(kFunMacro, 1);
    macro.dwMacroID = AddMacro(m);
    SetKey(0, macro);
    SetKey(1, Key(kFunLeft, 2));
    ASSERT_EQ(1, Apply(kApplyKeys, 0));
    const Bytes slot = Mem(0x200, kKeySlotBytes);
    ClearMacroLibrary();  // another computer: the macro is known only to the mouse
    ProfileRecord r = Current();
    ASSERT_EQ(1, ReadProfileFromDevice(*link, r));
    StMacro added;
    ASSERT_TRUE(CopyMacroById(r.keys[0][0].dwMacroID, added));
    EXPECT_EQ(kSlotMaxEvents, MacroEventCount(added));
    g_ProfileList.Edit([&](ProfileRecord& cur) { cur = r; });
    ASSERT_EQ(1, Apply(kApplyKeys, kApplyAll));
    EXPECT_EQ(slot, Mem(0x200, kKeySlotBytes));
}

TEST_F(ReadTest, TheReadFillsTheCurrentKeySet) {
    g_ProfileList.Edit([](ProfileRecord& r) {
        r.curKeySet = 1;
        r.keys[1][2] = Key(kFunDpiUp, 3);
    });
    ASSERT_EQ(1, Apply(kApplyKeys, kApplyAll));
    const KeyEntry set0 = Current().keys[0][2];
    ProfileRecord r = Current();
    r.keys[1][2] = Key(kFunOff, 3);
    ASSERT_EQ(1, ReadProfileFromDevice(*link, r));
    EXPECT_EQ(kFunDpiUp, r.keys[1][2].dwFunID);
    EXPECT_EQ(set0, r.keys[0][2]);
}

TEST_F(ReadTest, MacroSlotsWithoutOrWithHostileNames) {
    StMacro m = TestMacro("x", 2);
    KeyEntry macro = Key(kFunMacro, 1);
    macro.dwMacroID = AddMacro(m);
    SetKey(0, macro);
    SetKey(1, Key(kFunLeft, 2));
    ASSERT_EQ(1, Apply(kApplyKeys, 0));
    ClearMacroLibrary();
    const uint8_t noName[1] = {0};
    ASSERT_TRUE(backend->WriteMemory(0, 0x200, noName, 1));
    ProfileRecord r = Current();
    ASSERT_EQ(1, ReadProfileFromDevice(*link, r));
    StMacro added;
    ASSERT_TRUE(CopyMacroById(r.keys[0][0].dwMacroID, added));
    EXPECT_EQ("Temp", MacroName(added));

    const uint8_t evil[13] = {12, '.', 0, '.', 0, '/', 0, '.', 0, '.', 0, '/', 0};
    ASSERT_TRUE(backend->WriteMemory(0, 0x200, evil, 13));
    ASSERT_EQ(1, ReadProfileFromDevice(*link, r));
    std::vector<platform::DirEntry> top;
    ASSERT_TRUE(platform::ListDir(MacroFolder(), top));
    for (const auto& e : top) EXPECT_FALSE(e.isDir) << e.name;
    EXPECT_EQ(2u, top.size());
}

TEST_F(ReadTest, AFailedReadReturnsZero) {
    backend->Unplug(0);
    ProfileRecord r = Current();
    EXPECT_EQ(0, ReadProfileFromDevice(*link, r));
}

using KeyAssignTest = ProfileTest;

TEST_F(KeyAssignTest, TheLastLeftButtonStaysAndTheAllSetsFunctionIsKeptConsistent) {
    ASSERT_EQ(1, LoadPro());
    EXPECT_EQ(0, AssignKeyFunction(0, Key(kFunOff, 0)));
    EXPECT_EQ("Keep one left button", notes.messages.at(0).first);
    EXPECT_EQ(kFunLeft, g_ProfileList.Snapshot()->keys[0][0].dwFunID);

    g_ProfileList.Edit([](ProfileRecord& r) { r.curKeySet = 1; });
    ASSERT_EQ(1, AssignKeyFunction(3, Key(kFunSameAllSets, 0)));
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(kFunSameAllSets, g_ProfileList.Snapshot()->keys[s][3].dwFunID);
        EXPECT_EQ(4u, g_ProfileList.Snapshot()->keys[s][3].dwMatrixPos);
    }
    ASSERT_EQ(1, AssignKeyFunction(3, Key(kFunMiddle, 0)));
    const ProfileRecord r = *g_ProfileList.Snapshot();
    EXPECT_EQ(g_DefaultKeys[0][3], r.keys[0][3]);
    EXPECT_EQ(kFunMiddle, r.keys[1][3].dwFunID);
    EXPECT_EQ(g_DefaultKeys[2][3], r.keys[2][3]);
    EXPECT_TRUE(g_ApplyThread.Pending().empty());  // "ApplyNow" is 0

    g_Config.ApplyNow = 1;
    ASSERT_EQ(1, AssignKeyFunction(5, Key(kFunDpiUp, 0)));
    EXPECT_EQ((std::vector<ApplyRequest>{{kApplyKeys, 5}}), g_ApplyThread.Pending());
}

}  // namespace
}  // namespace profile_test
