// Switching the key set: the mouse ends up holding the new set, written with only the exchanges
// that differ.
#include <gtest/gtest.h>

#include "device_profile_fixture.h"
#include "profile/key_set_switch.h"
#include "profile/profile_apply.h"

namespace profile_test {
namespace {

using Bytes = std::vector<uint8_t>;

// Set 0: a macro at key 3, a media key at key 4. Set 1: the same buffers, DPI up and down
// swapped. Set 2: another macro at key 3.
class KeySetTest : public DeviceProfileTest {
  protected:
    void SetUp() override {
        DeviceProfileTest::SetUp();
        KeyEntry run = Key(kFunMacro, 4);
        run.dwMacroID = AddMacro(TestMacro("Run", 4));
        run.dwParameter = 1;
        KeyEntry jump = run;
        jump.dwMacroID = AddMacro(TestMacro("Jump", 6));
        g_ProfileList.Edit([&](ProfileRecord& r) {
            for (int s = 0; s < kKeySets; ++s) {
                r.keys[s][3] = s == 2 ? jump : run;
                r.keys[s][4] = Key(kFunMediaTitle | 0x26, 5);
            }
            r.keys[1][5] = Key(kFunDpiDown, 6);
            r.keys[1][6] = Key(kFunDpiUp, 7);
            r.curKeySet = 0;
        });
    }
    // The key memory: matrix and the eight slot buffers.
    Bytes KeyMemory() {
        Bytes b = Mem(0x15, 32);
        const Bytes slots = Mem(0x200, 0xC00);
        b.insert(b.end(), slots.begin(), slots.end());
        return b;
    }
    // What a full apply of the current set leaves in the mouse must be there already.
    void ExpectMouseHoldsCurrentSet() {
        const Bytes now = KeyMemory();
        ASSERT_EQ(1, Apply(kApplyKeys, kApplyAll));
        EXPECT_EQ(now, KeyMemory());
    }
    long Exchanges() { return backend->Exchanges(0); }
};

TEST_F(KeySetTest, ASwitchWritesOnlyWhatDiffersAndTheMouseHoldsTheNewSet) {
    g_ApplyThread.Start(link.get());
    long before = Exchanges();
    PostApply(kApplyKeys, kApplyAll);
    ASSERT_TRUE(g_ApplyThread.WaitIdle(10000));
    const long full = Exchanges() - before;

    // Same buffers: the matrix is read and the two changed entries written.
    before = Exchanges();
    ASSERT_TRUE(SwitchKeySet(1));
    ASSERT_TRUE(g_ApplyThread.WaitIdle(10000));
    const long sameMacros = Exchanges() - before;
    EXPECT_EQ(0, g_ApplyThread.Failures());
    EXPECT_EQ(1, CurrentKeySet());
    EXPECT_EQ((Bytes{0x02, 0x03, 0x00, 0x50, 0x02, 0x02, 0x00, 0x51}), Mem(0x15 + 4 * 5, 8));
    EXPECT_LE(sameMacros, 6);
    EXPECT_LT(sameMacros * 2, full);
    ExpectMouseHoldsCurrentSet();

    // Another macro: its buffer is written too, the media key's is not.
    before = Exchanges();
    ASSERT_TRUE(SwitchKeySet(2));
    ASSERT_TRUE(g_ApplyThread.WaitIdle(10000));
    const long otherMacro = Exchanges() - before;
    EXPECT_EQ(0, g_ApplyThread.Failures());
    EXPECT_EQ(2, CurrentKeySet());
    EXPECT_GT(otherMacro, sameMacros);
    EXPECT_LT(otherMacro, full);
    ExpectMouseHoldsCurrentSet();
}

// Without knowing what the slots hold (another program wrote them, or this one just started),
// the buffers are read and compared: a changed one is written again.
TEST_F(KeySetTest, BuffersTheProgramDoesNotKnowAreReadAndRewrittenWhenTheyDiffer) {
    ASSERT_EQ(1, Apply(kApplyKeys, kApplyAll));
    const uint8_t garbage[2] = {0x99, 0x99};
    ASSERT_TRUE(backend->WriteMemory(0, 0x200 + 384 * 4 + 33, garbage, 2));  // media key's events
    g_ProfileList.Edit([](ProfileRecord& r) { r.curKeySet = 1; });
    ASSERT_EQ(1, Apply(kApplyKeySet, KeySetRequestData(1, 0)));
    ExpectMouseHoldsCurrentSet();
}

TEST_F(KeySetTest, AFailedSwitchLeavesTheSetTheMouseHoldsCurrentAndSaysSo) {
    g_ApplyThread.Start(link.get());
    backend->Unplug(0);
    ASSERT_TRUE(SwitchKeySet(2));
    ASSERT_TRUE(g_ApplyThread.WaitIdle(10000));
    EXPECT_EQ(1, g_ApplyThread.Failures());
    EXPECT_EQ(0, CurrentKeySet());
    ASSERT_EQ(1u, notes.messages.size());
    EXPECT_EQ("Error", notes.messages[0].second);

    // Sets outside 1..3 and a missing profile queue nothing.
    for (int set : {-1, 3, 255}) EXPECT_FALSE(SwitchKeySet(set)) << set;
    g_ProfileList.Clear();
    EXPECT_FALSE(SwitchKeySet(1));
    EXPECT_EQ(1, g_ApplyThread.Completed());
}

}  // namespace
}  // namespace profile_test
