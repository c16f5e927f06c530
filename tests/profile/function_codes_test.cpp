// Key function codes: matrix codes, event strings and decoding what the mouse holds.
#include <gtest/gtest.h>

#include <vector>

#include "profile/function_codes.h"
#include "profile/key_slot.h"
#include "support/support.h"

namespace {

using Bytes = std::vector<uint8_t>;

KeyEntry Fun(uint32_t fun, uint32_t param = 0) {
    KeyEntry e;
    e.dwFunID = fun;
    e.dwParameter = param;
    return e;
}

Bytes Events(const KeyEntry& e) {
    uint8_t out[kKeyEventsBufferBytes] = {};
    const int n = BuildKeyEvents(out, e);
    return Bytes(out, out + n);
}

TEST(FunctionCodesTest, MatrixCodes) {
    struct Case {
        uint32_t fun, param, code;
    } cases[] = {
        {kFunLeft, 0, 0x000101},
        {kFunMiddle, 0, 0x000401},
        {kFunRight, 0, 0x000201},
        {kFunForward, 0, 0x001001},
        {kFunBack, 0, 0x000801},
        {0x01000016, 0, kNoMatrixCode},
        {kFunComboMod, 0, 0x04},
        {0x04000026, 0, 0x04},
        {kFunMacro, 7, 0x04},
        {0x03000001, 0, 0x04},
        {kFunOff, 0, 0},
        {kFunFire, 0x23, 0x230004},
        {kFunDpiUp, 0, 0x0202},
        {kFunDpiDown, 0, 0x0302},
        {kFunDpiCycle, 0, 0x0102},
        {kFunCustom, 0x030201, 0x030201},
        {kFunLightSwitch, 0, 0x05},
        {kFunDpiStage, 2, kNoMatrixCode},
        {kFunSameAllSets, 0, kNoMatrixCode},
        {0x0B000002, 0x0102, 0x0102},
        {0x07000000, 0, kNoMatrixCode},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.code, MatrixCodeOf(Fun(c.fun, c.param))) << std::hex << c.fun;
}

TEST(FunctionCodesTest, EventStrings) {
    KeyEntry combo = Fun(kFunComboMod);
    combo.stCombo[0] = 0x03;  // Ctrl + Shift
    combo.stCombo[1] = 0x41;  // A
    EXPECT_EQ((Bytes{6,    0x80, 0x01, 0,    0x0F, 0x80, 0x02, 0,    0x0F, 0x81, 0x04, 0,   0x0F,
                     0x41, 0x04, 0,    0x0F, 0x40, 0x02, 0,    0x0F, 0x40, 0x01, 0,    0x0F}),
              Events(combo));

    KeyEntry mods = Fun(kFunComboMod);
    mods.stCombo[0] = 0x0F;
    const Bytes m = Events(mods);
    ASSERT_EQ(33u, m.size());
    const uint8_t order[8] = {1, 2, 8, 4, 4, 8, 2, 1};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(order[i], m[2 + 4 * i]) << i;

    EXPECT_EQ((Bytes{2, 0x82, 0xE9, 0x00, 0x0F, 0x42, 0xE9, 0x00, 0x0F}), Events(Fun(0x04000026)));
    EXPECT_EQ((Bytes{2, 0x82, 0x83, 0x01, 0x0F, 0x42, 0x83, 0x01, 0x0F}), Events(Fun(0x04000021)));
    EXPECT_EQ((Bytes{2, 0x84, 0x01, 0, 0x0F, 0x44, 0x01, 0, 0x0F}), Events(Fun(kFunFire, 5)));
    EXPECT_TRUE(Events(Fun(kFunLeft)).empty());
    EXPECT_TRUE(Events(Fun(kFunMacro)).empty());
}

TEST(FunctionCodesTest, MediaTableBothWays) {
    EXPECT_EQ(0x00E9, MediaUsageOf(0x26));
    EXPECT_EQ(0xFFFF, MediaUsageOf(0x29));
    EXPECT_EQ(0x26u, MediaIndexOf(0x00E9));
    EXPECT_EQ(0u, MediaIndexOf(0x1234));
    size_t n = 0;
    const MediaKeyInfo* keys = MediaKeys(&n);
    for (size_t i = 0; i < n; ++i)
        EXPECT_EQ(keys[i].index, MediaIndexOf(MediaUsageOf(keys[i].index)));
}

TEST(FunctionCodesTest, FixedMatrixCodesDecodeAndUnknownOnesAreLoggedAndIgnored) {
    for (uint32_t fun : {kFunOff, kFunLightSwitch, kFunLeft, kFunDpiCycle, kFunRight, kFunDpiUp,
                         kFunDpiDown, kFunMiddle, kFunBack, kFunForward}) {
        KeyEntry e;
        ASSERT_TRUE(DecodeMatrixCode(MatrixCodeOf(Fun(fun)), e));
        EXPECT_EQ(fun, e.dwFunID);
    }
    testing_support::LogCapture log;
    KeyEntry e = Fun(kFunBack);
    EXPECT_FALSE(DecodeMatrixCode(0x000301, e));
    EXPECT_EQ(kFunBack, e.dwFunID);
    EXPECT_TRUE(log.Contains("unknown keycode=0x00000301"));
}

TEST(FunctionCodesTest, SlotBuffersReadBack) {
    KeyEntry e = Fun(kFunLeft);
    // Media key as written.
    Bytes media = Events(Fun(0x04000026));
    ASSERT_TRUE(DecodeKeySlotEvents(kSlotKindKeys, kSlotSubKeys, media.data(), media.size(), 1, e));
    EXPECT_EQ(0x04000026u, e.dwFunID);
    EXPECT_EQ(0u, e.stCombo[0] | e.stCombo[1] | e.stCombo[2] | e.stCombo[3]);

    // A combination of three keys comes back with its modifiers and all three keys.
    KeyEntry combo = Fun(kFunComboMod);
    combo.stCombo[0] = 0x05;
    combo.stCombo[1] = 0x41;
    combo.stCombo[2] = 0x70;  // F1
    combo.stCombo[3] = 0x30;
    Bytes c = Events(combo);
    ASSERT_TRUE(DecodeKeySlotEvents(kSlotKindKeys, kSlotSubKeys, c.data(), c.size(), 1, e));
    EXPECT_EQ(kFunComboRead, e.dwFunID);
    EXPECT_EQ((std::vector<int>{0x05, 0x41, 0x70, 0x30}),
              (std::vector<int>{e.stCombo[0], e.stCombo[1], e.stCombo[2], e.stCombo[3]}));

    // Fire key: the button is the first event's, whatever the count byte says.
    Bytes fire = Events(Fun(kFunFire));
    e = Fun(kFunLeft);
    ASSERT_TRUE(
        DecodeKeySlotEvents(kSlotKindFire, kSlotSubFire, fire.data(), fire.size(), 0x23, e));
    EXPECT_EQ(kFunFire, e.dwFunID);
    EXPECT_EQ(0x23u, e.dwParameter);
    EXPECT_EQ(240u, e.dwFireButton);
    fire[2] = 0x10;  // forward button
    ASSERT_TRUE(DecodeKeySlotEvents(kSlotKindFire, kSlotSubFire, fire.data(), fire.size(), 0, e));
    EXPECT_EQ(243u, e.dwFireButton);

    // Unknown kinds leave the entry alone.
    e = Fun(kFunBack);
    EXPECT_FALSE(DecodeKeySlotEvents(0x50, 0x01, c.data(), c.size(), 0, e));
    EXPECT_EQ(kFunBack, e.dwFunID);
}

TEST(FunctionCodesTest, FireKeyKeepsItsOwnButton) {
    for (uint16_t button : {240, 241, 242, 243, 244}) {
        KeyEntry fire = Fun(kFunFire, 5);
        fire.dwFireButton = button;
        const Bytes b = Events(fire);
        KeyEntry e = Fun(kFunLeft);
        ASSERT_TRUE(DecodeKeySlotEvents(kSlotKindFire, kSlotSubFire, b.data(), b.size(), 5, e));
        EXPECT_EQ(button, e.dwFireButton);
    }
}

TEST(FunctionCodesTest, BadSlotContentIsLoggedAndBoundedByTheBytesRead) {
    testing_support::LogCapture log;
    KeyEntry e = Fun(kFunBack);
    const Bytes noButton = {2, 0x81, 0x04, 0, 0x0F, 0x41, 0x04, 0, 0x0F};
    EXPECT_TRUE(
        DecodeKeySlotEvents(kSlotKindFire, kSlotSubFire, noButton.data(), noButton.size(), 0, e));
    EXPECT_EQ(kFunBack, e.dwFunID);
    EXPECT_TRUE(log.Contains("wrong fire key data!!"));

    const Bytes badMedia = {1, 0x82, 0x34, 0x12, 0x0F};
    EXPECT_TRUE(
        DecodeKeySlotEvents(kSlotKindKeys, kSlotSubKeys, badMedia.data(), badMedia.size(), 0, e));
    EXPECT_EQ(kFunComboRead, e.dwFunID);
    EXPECT_TRUE(log.Contains("wrong media key data!!"));

    const Bytes badKey = {1, 0x81, 0xF0, 0, 0x0F};
    EXPECT_TRUE(
        DecodeKeySlotEvents(kSlotKindKeys, kSlotSubKeys, badKey.data(), badKey.size(), 0, e));
    EXPECT_TRUE(log.Contains("wrong combo key data!!"));

    // A count byte of 255 with only one event present reads that one event only.
    const Bytes liar = {255, 0x81, 0x04, 0, 0x0F};
    EXPECT_TRUE(DecodeKeySlotEvents(kSlotKindKeys, kSlotSubKeys, liar.data(), liar.size(), 0, e));
    EXPECT_EQ(0x41, e.stCombo[1]);
}

}  // namespace
