// Applying the profile to the virtual mouse, byte by byte.
#include <gtest/gtest.h>

#include "core/messages.h"
#include "device_profile_fixture.h"
#include "profile/key_assign.h"
#include "profile/key_set_switch.h"
#include "profile/profile_apply.h"
#include "profile/profile_read.h"

namespace profile_test {
namespace {

using Bytes = std::vector<uint8_t>;
using ApplyTest = DeviceProfileTest;

TEST_F(ApplyTest, OneKeyWithAFixedCodeWritesOnlyItsMatrixEntry) {
    const Bytes slotBefore = Mem(0x200, 0xC00);
    SetKey(3, Key(kFunDpiUp, 2));
    ASSERT_EQ(1, Apply(kApplyKeys, 3));
    EXPECT_EQ((Bytes{0x02, 0x02, 0x00, 0x51}), Mem(0x19, 4));
    EXPECT_EQ(slotBefore, Mem(0x200, 0xC00));
}

TEST_F(ApplyTest, PositionsNoKeyUsesAreWrittenDisabled) {
    SetKey(6, Key(kFunDpiUp, 0));
    SetKey(7, Key(kFunDpiUp, 0));
    ASSERT_EQ(1, Apply(kApplyKeys, kApplyAll));
    EXPECT_EQ((Bytes{0, 0, 0, 0x55, 0, 0, 0, 0x55}), Mem(0x2D, 8));
    EXPECT_EQ((Bytes{0x01, 0x01, 0x00, 0x53}), Mem(0x15, 4));  // left button at position 1
}

TEST_F(ApplyTest, CombinationKeyBufferAndMatrixEntry) {
    KeyEntry combo = Key(kFunComboMod, 3);
    combo.stCombo[0] = 0x03;
    combo.stCombo[1] = 0x41;
    SetKey(2, combo);
    ASSERT_EQ(1, Apply(kApplyKeys, 2));
    const Bytes buf = Mem(0x500, 32 + 25);
    EXPECT_EQ(0x52, buf[29]);
    EXPECT_EQ(0x03, buf[30]);
    EXPECT_EQ(6, buf[31]);
    EXPECT_EQ((Bytes{0x04, 0x02, 0x01}), Mem(0x1D, 3));
}

TEST_F(ApplyTest, MacroKeyWritesNameEventsAndCheckByteOnly) {
    StMacro m = TestMacro("Hello", 2);
    const uint32_t id = AddMacro(m);
    KeyEntry e = Key(kFunMacro, 1);
    e.dwMacroID = id;
    e.dwParameter = 3;
    SetKey(0, e);
    const Bytes fill(384, 0xEE);
    ASSERT_TRUE(backend->WriteMemory(0, 0x200, fill.data(), 384));
    ASSERT_EQ(1, Apply(kApplyKeys, 0));
    const Bytes buf = Mem(0x200, 384);
    EXPECT_EQ(0x0A, buf[0]);
    EXPECT_EQ('H', buf[1]);
    EXPECT_EQ('o', buf[9]);
    EXPECT_EQ((Bytes{0x53, 0x02, 2, 0x81, 0x04, 0, 0x0F, 0x41, 0x04, 0, 0x0F}),
              Bytes(buf.begin() + 29, buf.begin() + 40));
    EXPECT_EQ(static_cast<uint8_t>(0x55 - (2 + 0x81 + 4 + 0xF + 0x41 + 4 + 0xF)), buf[40]);
    EXPECT_EQ(0xEE, buf[41]);  // 41 bytes written, nothing more
    EXPECT_EQ((Bytes{0x04, 0x00, 0x03}), Mem(0x15, 3));
}

// Forwards to the virtual mouse until the mouse is pulled out in front of a chosen memory
// write: that request and everything after it never reach the mouse.
class PulledAtWrite : public platform::HidBackend {
  public:
    PulledAtWrite(sim::VirtualMouseBackend& mouse, int writesBefore)
        : m_mouse(mouse), m_left(writesBefore) {}
    std::vector<platform::HidInterfaceInfo> Enumerate() override { return m_mouse.Enumerate(); }
    platform::HidHandle Open(const std::string& path, int* err) override {
        return m_mouse.Open(path, err);
    }
    void Close(platform::HidHandle h) override { m_mouse.Close(h); }
    int SetFeature(platform::HidHandle h, const uint8_t* data, size_t length) override {
        if (length > 1 && data[1] == 3 && m_left-- == 0) m_mouse.Unplug(0);
        return m_mouse.SetFeature(h, data, length);
    }
    int ReadInput(platform::HidHandle h, uint8_t* buf, size_t length, int timeoutMs,
                  size_t* got) override {
        return m_mouse.ReadInput(h, buf, length, timeoutMs, got);
    }
    void CancelRead(platform::HidHandle h) override { m_mouse.CancelRead(h); }
    bool IsAttached(platform::HidHandle h) override { return m_mouse.IsAttached(h); }

  private:
    sim::VirtualMouseBackend& m_mouse;
    int m_left;
};

// A key that plays a slot buffer gets a new buffer function and the mouse leaves in the middle
// of the write: wherever the cut falls, its matrix entry never plays a mix of the old and the
// new buffer.
TEST_F(ApplyTest, AMouseLeavingMidKeyWriteKeepsNoHalfWrittenBuffer) {
    constexpr int kSlotAt = 0x500, kEntryAt = 0x1D;  // key at matrix position 3
    KeyEntry macro = Key(kFunMacro, 3);
    macro.dwMacroID = AddMacro(TestMacro("Hello", 6));
    SetKey(2, macro);
    ASSERT_EQ(1, Apply(kApplyKeys, 2));
    const Bytes oldMemory = Mem(0, 0xE00);
    const Bytes oldSlot = Mem(kSlotAt, 384);

    KeyEntry combo = Key(kFunComboMod, 3);
    combo.stCombo[0] = 0x03;
    combo.stCombo[1] = 0x41;
    SetKey(2, combo);
    ASSERT_EQ(1, Apply(kApplyKeys, 2));
    const Bytes newSlot = Mem(kSlotAt, 384);
    ASSERT_NE(oldSlot, newSlot);

    // The same change as a switch to another key set that differs in that key only.
    ProfileRecord switched = Current();
    const int set = switched.KeySetIndex(), other = (set + 1) % kKeySets;
    for (int k = 0; k < kKeysPerSet; ++k) switched.keys[other][k] = switched.keys[set][k];
    switched.keys[set][2] = macro;
    struct Way {
        const char* name;
        ProfileRecord rec;
        int flag, data;
    };
    const Way ways[] = {{"key apply", Current(), kApplyKeys, 2},
                        {"key set switch", switched, kApplyKeySet, KeySetRequestData(other, set)}};

    link->StopServiceThread();
    for (const Way& way : ways) {
        for (int cut = 0; cut < 10; ++cut) {
            SCOPED_TRACE(std::string(way.name) + " pulled at write " + std::to_string(cut));
            ASSERT_TRUE(backend->WriteMemory(0, 0, oldMemory.data(), 0xE00));
            backend->Replug(0);
            PulledAtWrite pulled(*backend, cut);
            CUSBDriver cutLink(pulled);
            cutLink.m_nGoneSettleMs = 0;
            ASSERT_EQ(1, FindDev(cutLink));
            ApplyProfileToDevice(way.rec, nullptr, &cutLink, WM_PROGRESS, way.flag, way.data);
            cutLink.StopServiceThread();
            const Bytes entry = Mem(kEntryAt, 4);
            if (entry[0] == 4) {
                ASSERT_EQ(2, entry[1]);
                const Bytes slot = Mem(kSlotAt, 384);
                EXPECT_TRUE(slot == oldSlot || slot == newSlot) << "the key plays a mixed buffer";
            }
        }
    }
}

TEST_F(ApplyTest, AMacroTooLongForItsSlotIsRefusedByName) {
    StMacro m = TestMacro("Long one", 90);
    KeyEntry e = Key(kFunMacro, 2);
    e.dwMacroID = AddMacro(m);
    const ProfileRecord untouched = Current();
    EXPECT_EQ(0, AssignKeyFunction(1, e, true));
    EXPECT_EQ(untouched, Current()) << "a refused assignment is not stored";
    EXPECT_TRUE(g_ApplyThread.Pending().empty());
    ASSERT_EQ(1u, notes.messages.size());
    notes.messages.clear();
    SetKey(1, e);  // as an older stored profile may hold it
    const Bytes before = Mem(0, 0xE00);
    EXPECT_EQ(0, Apply(kApplyKeys, 1));
    EXPECT_EQ(before, Mem(0, 0xE00));
    ASSERT_EQ(1u, notes.messages.size());
    EXPECT_NE(std::string::npos, notes.messages[0].first.find("\"Long one\" has 90 events"));

    // All keys: the others are written, the refused position keeps what the mouse has, result 0.
    notes.messages.clear();
    g_ProfileList.Edit([](ProfileRecord& r) { r.keys[0][0] = Key(kFunDpiUp, 1); });
    EXPECT_EQ(0, Apply(kApplyKeys | kApplyLighting, kApplyAll));
    EXPECT_EQ(Bytes(before.begin() + 0x19, before.begin() + 0x1D), Mem(0x19, 4));
    EXPECT_EQ((Bytes{2, 2, 0}), Mem(0x15, 3)) << "the other positions are written";
    EXPECT_EQ(Bytes(before.begin() + 0x380, before.begin() + 0x500), Mem(0x380, 0x180));
    EXPECT_EQ(Bytes(before.begin() + 0x35, before.begin() + 0x3C), Mem(0x35, 7));  // ended
}

TEST_F(ApplyTest, AKeyWhoseMacroIsGoneGetsItsDefaultFunction) {
    KeyEntry gone = Key(kFunMacro, 4);
    gone.dwMacroID = 0x123456;  // in no library
    SetKey(3, gone);
    g_ProfileList.Edit([&](ProfileRecord& r) { r.keys[1][5] = gone; });
    // The window's way: the profile itself takes the defaults, and says which keys changed.
    const std::vector<KeyIndex> reset = RestoreKeysOfMissingMacros();
    EXPECT_EQ((std::vector<KeyIndex>{{0, 3}, {1, 5}}), reset);
    EXPECT_EQ(g_DefaultKeys[0][3], Current().keys[0][3]);
    EXPECT_EQ(g_DefaultKeys[1][5], Current().keys[1][5]);
    EXPECT_TRUE(RestoreKeysOfMissingMacros().empty());
    // A record that still holds such a key: the mouse gets the default, not a disabled key.
    SetKey(3, gone);
    ASSERT_EQ(1, Apply(kApplyKeys, kApplyAll));
    EXPECT_EQ((Bytes{0x01, 0x08, 0x00, 0x4C}), Mem(0x15 + 4 * 3, 4));  // back button
    ASSERT_EQ(1, Apply(kApplyKeys, 3));
    EXPECT_EQ((Bytes{0x01, 0x08, 0x00, 0x4C}), Mem(0x15 + 4 * 3, 4));
}

TEST_F(ApplyTest, StagesBeyondTheFifthNeverReachTheKeyMatrix) {
    g_DeviceModels[0].DM = 8;
    g_ProfileList.Edit([](ProfileRecord& r) {
        for (int i = 0; i < 8; ++i) r.stages[i] = DpiStage{1200, 1200, 0, 0};
    });
    const Bytes matrix = Mem(0x15, 32);
    ASSERT_EQ(1, Apply(kApplyDpiValues | kApplyStageCount, kApplyAll));
    ASSERT_EQ(1, Apply(kApplyDpiValues, 6));
    EXPECT_EQ(matrix, Mem(0x15, 32));
    EXPECT_EQ((Bytes{5, 0x50}), Mem(0x02, 2));
    const Bytes stage4 = Mem(0x06 + 12, 3);
    EXPECT_EQ(stage4, Mem(0x06, 3));  // all five written with the same code
}

// A mouse that cycles through three stages keeps three after a read and an apply, and the
// current stage never lands on a stage the user switched off (it goes back to the first).
TEST_F(ApplyTest, TheStagesInUseSurviveAReadAndTheCurrentStageStaysAmongThem) {
    g_DeviceModels[0].DM = 5;
    const uint8_t count[2] = {3, 0x52};
    ASSERT_TRUE(backend->WriteMemory(0, 0x02, count, 2));
    ProfileRecord r = Current();
    ASSERT_EQ(1, ReadProfileFromDevice(*link, r));
    g_ProfileList.Edit([&](ProfileRecord& p) { p = r; });
    g_nCurDpiLevel = 4;
    ASSERT_EQ(1, Apply(kApplyDpiValues | kApplyStageCount | kApplyCurStage, kApplyAll));
    EXPECT_EQ((Bytes{3, 0x52}), Mem(0x02, 2));
    EXPECT_EQ((Bytes{0, 0x55}), Mem(0x04, 2));
}

// A value without a code for the sensor is never written as another value's code; a stage not
// in use whose value has none keeps what the mouse holds.
TEST_F(ApplyTest, AStageValueWithoutACodeIsNeverWritten) {
    g_DeviceModels[0].DM = 5;
    const Bytes before = Mem(0x06, 15);
    g_ProfileList.Edit([](ProfileRecord& r) { r.stages[1] = DpiStage{1234, 1234, 0, 0}; });
    EXPECT_EQ(0, Apply(kApplyDpiValues, kApplyAll));
    EXPECT_EQ(0, Apply(kApplyDpiValues, 1));
    EXPECT_EQ(before, Mem(0x06, 15));
    // Trying the program without a mouse goes on with the other steps, still writing no code.
    g_Config.GoWithNoDev = 1;
    g_ProfileList.Edit([](ProfileRecord& r) { r.lightMode = 3; });
    EXPECT_EQ(1, Apply(kApplyDpiValues | kApplyLighting, kApplyAll));
    g_Config.GoWithNoDev = 0;
    EXPECT_EQ(before, Mem(0x06, 15));
    EXPECT_EQ(3, Mem(0x35, 1)[0]);

    g_ProfileList.Edit([](ProfileRecord& r) {
        r.stages[1] = r.stages[0];
        r.stages[4] = DpiStage{0, 0, 0, 1};
    });
    ASSERT_EQ(1, Apply(kApplyDpiValues, kApplyAll));
    EXPECT_EQ(Bytes(before.begin() + 12, before.end()), Mem(0x06 + 12, 3));
}

TEST_F(ApplyTest, LightingRatesStageAndPointerSteps) {
    g_ProfileList.Edit([](ProfileRecord& r) {
        r.lightMode = 2;
        r.lightColor = 0x0080FF;
        r.lightSpeed = 3;
        r.lightBrightness = 4;
        r.rate24 = 0x1000;
        r.rateBt = 0x125;
        r.pointer = PointerSettings{5, 450, 14, 0, 0};
    });
    g_nCurDpiLevel = 2;
    ASSERT_EQ(1, Apply(kApplyLighting | kApplyRates | kApplyCurStage | kApplyPointer, 0));
    const uint8_t led[6] = {2, 0xFF, 0x80, 0, 3, 4};
    EXPECT_EQ((Bytes{2, 0xFF, 0x80, 0, 3, 4, CheckByte(led, 6)}), Mem(0x35, 7));
    EXPECT_EQ((Bytes{0x81, 0xD4}), Mem(0x00, 2));
    EXPECT_EQ((Bytes{2, 0x53}), Mem(0x04, 2));
    EXPECT_EQ((std::vector<std::string>{"dbl=450", "lines=5", "speed=14"}), pointer->sets);
}

TEST_F(ApplyTest, NothingIsWrittenForARecordWithoutIdOrWithoutMouse) {
    const Bytes before = Mem(0, 0x40);
    ProfileRecord r = Current();
    r.profileId = 0;
    EXPECT_EQ(0, ApplyProfileToDevice(r, nullptr, link.get(), WM_PROGRESS, 0x3F, 255));
    ClearHandle(*link);
    EXPECT_EQ(0, Apply(0x3F, 255));
    EXPECT_EQ(before, Mem(0, 0x40));
}

// The progress window as the apply thread finds it.
class FakeProgress : public ProgressWindows {
  public:
    std::shared_ptr<QueueMessageSink> sink = std::make_shared<QueueMessageSink>();
    bool open = true;
    std::shared_ptr<MessageSink> Find(const std::string& title) override {
        return open && title == "MyProgressDlg.." ? sink : nullptr;
    }
    std::vector<uintptr_t> Percents() {
        std::vector<uintptr_t> out;
        PostedMessage m;
        while (sink->Take(m, 0)) out.push_back(m.msg == WM_PROGRESS ? m.wParam : 1000 + m.msg);
        return out;
    }
};

TEST_F(ApplyTest, ThreadReportsProgressAndClosesTheWindow) {
    FakeProgress progress;
    g_ApplyThread.Start(link.get(), &progress);
    g_ApplyThread.m_nProgressPauseMs = 1;
    PostApplyWithProgress(kApplyNoStep);
    ASSERT_TRUE(g_ApplyThread.WaitIdle(5000));
    EXPECT_EQ(
        (std::vector<uintptr_t>{20, 60, 70, 80, 90, 100, 1000 + WM_CLOSE_MSG, 1000 + WM_CLOSE_MSG}),
        progress.Percents());
    EXPECT_EQ(0, g_ApplyThread.Failures());

    // Every step with a restore at the end: the device reset comes last.
    PostApplyWithProgress(0x1FF);
    ASSERT_TRUE(g_ApplyThread.WaitIdle(10000));
    EXPECT_EQ(0, g_ApplyThread.Failures());
    EXPECT_EQ(8u, progress.Percents().size());
    EXPECT_EQ((Bytes{0x22, 0x33}), Mem(0x00, 2));  // 500 Hz on both links, written before the reset
}

// Requests without a progress window (apply, import, a key) report to the observer: the
// command-line tool's progress line.
TEST_F(ApplyTest, ThreadReportsEveryRequestToTheProgressObserver) {
    FakeProgress observer;
    g_ApplyThread.SetProgressObserver(observer.sink);
    g_ApplyThread.Start(link.get());
    PostApply(kApplyKeys, 2);
    ASSERT_TRUE(g_ApplyThread.WaitIdle(5000));
    EXPECT_EQ(
        (std::vector<uintptr_t>{20, 60, 70, 80, 90, 100, 1000 + WM_CLOSE_MSG, 1000 + WM_CLOSE_MSG}),
        observer.Percents());

    ClearHandle(*link);  // a failure closes the line too
    PostApply(kApplyKeys, 2);
    ASSERT_TRUE(g_ApplyThread.WaitIdle(5000));
    EXPECT_EQ((std::vector<uintptr_t>{1000 + WM_CLOSE_MSG}), observer.Percents());

    g_ApplyThread.SetProgressObserver(nullptr);
    PostApply(kApplyKeys, 2);
    ASSERT_TRUE(g_ApplyThread.WaitIdle(5000));
    EXPECT_TRUE(observer.Percents().empty());
}

TEST_F(ApplyTest, ThreadWithoutMouseTellsTheUserAndWritesNothing) {
    const Bytes before = Mem(0, 0xE00);
    ClearHandle(*link);
    FakeProgress progress;
    g_ApplyThread.Start(link.get(), &progress);
    g_ApplyThread.m_nProgressPauseMs = 1;
    PostApplyWithProgress(0x3F);
    ASSERT_TRUE(g_ApplyThread.WaitIdle(5000));
    EXPECT_EQ(1, g_ApplyThread.Failures());
    EXPECT_EQ((std::vector<uintptr_t>{1000 + WM_CLOSE_MSG}), progress.Percents());
    ASSERT_EQ(1u, notes.messages.size());
    EXPECT_EQ((std::pair<std::string, std::string>{"No mouse", "Error"}), notes.messages[0]);
    EXPECT_EQ(before, Mem(0, 0xE00));
}

TEST_F(ApplyTest, ThreadNamesAMouseThatWentAwayAndAnUpdateThatFailed) {
    g_UiText.tc_msg19 = "Mouse gone";
    g_ApplyThread.Start(link.get());
    // Plugged in but not answering (switched off behind its receiver): the update failed, said
    // in the user's language.
    backend->SetReachable(0, false);
    g_UiText.tc_msg18 = "Schreiben fehlgeschlagen";
    PostApply(kApplyKeys, kApplyAll);
    ASSERT_TRUE(g_ApplyThread.WaitIdle(30000));
    g_UiText.tc_msg18.clear();
    ASSERT_EQ(1u, notes.messages.size());
    EXPECT_EQ((std::pair<std::string, std::string>{"Schreiben fehlgeschlagen", "Error"}),
              notes.messages[0]);
    notes.messages.clear();
    backend->SetReachable(0, true);

    // The mouse is unplugged after it was found: the handle is still the current one.
    backend->Unplug(0);
    EXPECT_TRUE(link->DeviceGone());
    PostApply(kApplyKeys, kApplyAll);
    ASSERT_TRUE(g_ApplyThread.WaitIdle(5000));
    ASSERT_EQ(1u, notes.messages.size());
    EXPECT_EQ((std::pair<std::string, std::string>{"Mouse gone", "Error"}), notes.messages[0]);
    g_UiText.tc_msg19.clear();
    PostApply(kApplyKeys, kApplyAll);
    ASSERT_TRUE(g_ApplyThread.WaitIdle(5000));
    ASSERT_EQ(2u, notes.messages.size());
    EXPECT_EQ("The mouse was disconnected.", notes.messages[1].first);
}

TEST_F(ApplyTest, EveryRequestIsCarriedOutOnTheRecordAsItWasWhenTaken) {
    g_ApplyThread.Start(link.get());
    const uint32_t funs[4] = {kFunDpiUp, kFunDpiDown, kFunDpiCycle, kFunLightSwitch};
    for (int k = 0; k < 4; ++k) {
        SetKey(4 + k, Key(funs[k], static_cast<uint32_t>(5 + k)));
        PostApply(kApplyKeys, 4 + k);
        // The user keeps editing and LoadPro replaces the record meanwhile.
        g_ProfileList.Edit([](ProfileRecord& r) { r.SetName("editing"); });
    }
    ASSERT_TRUE(g_ApplyThread.WaitIdle(10000));
    EXPECT_EQ(4, g_ApplyThread.Completed());
    EXPECT_EQ(0, g_ApplyThread.Failures());
    const uint8_t codes[4][3] = {{2, 2, 0}, {2, 3, 0}, {2, 1, 0}, {5, 0, 0}};
    for (int k = 0; k < 4; ++k) {
        const Bytes entry = Mem(0x15 + 4 * (4 + k), 3);
        EXPECT_EQ(Bytes(codes[k], codes[k] + 3), entry) << k;
    }
}

TEST_F(ApplyTest, LoadProAndEditsRaceTheApplyThreadSafely) {
    g_ApplyThread.Start(link.get());
    for (int i = 0; i < 20; ++i) {
        PostApply(kApplyKeys | kApplyLighting, kApplyAll);
        g_ProfileList.Edit([i](ProfileRecord& r) { r.lightMode = static_cast<uint32_t>(i); });
        if (i % 5 == 0) {
            ASSERT_EQ(1, LoadPro());
        }
    }
    ASSERT_TRUE(g_ApplyThread.WaitIdle(30000));
    EXPECT_EQ(20, g_ApplyThread.Completed());
    EXPECT_EQ(0, g_ApplyThread.Failures());
}

}  // namespace
}  // namespace profile_test
