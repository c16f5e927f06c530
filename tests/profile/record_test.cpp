// Byte layout of the profile record and of the key slot buffer.
#include <gtest/gtest.h>

#include <cstring>

#include "profile/key_slot.h"
#include "profile/profile_record.h"

namespace {

ProfileRecord FilledRecord() {
    ProfileRecord r;
    r.magic = kProfileMagic;
    r.profileId = 0xD1492C;
    r.reserved0[7] = 0x99;
    r.SetName("Ab");
    r.curKeySet = 2;
    r.keys[0][0] = KeyEntry{0x01000011, 1, 0, {0, 0, 0, 0}, 0, 0};
    r.keys[2][15] = KeyEntry{0x020000A1, 8, 0x123456, {3, 0x41, 0x42, 0}, 0x23, 240};
    r.rate24 = 0x1000;
    r.rateBt = 0x125;
    r.pointer = PointerSettings{-1, 550, 10, 1, 0};
    r.stages[7] = DpiStage{12000, 11000, 0x00FF00FF, 1};
    r.curStage = 3;
    r.sensor = 0x3325;
    r.lightMode = 2;
    r.lightSpeed = 3;
    r.lightBrightness = 4;
    r.lightColor = 0x0080FF;
    r.reserved3[59] = 0x77;
    return r;
}

TEST(ProfileRecordTest, FieldsLandAtTheirOffsetsLittleEndian) {
    const ProfileBytes b = EncodeProfile(FilledRecord());
    auto at = [&](size_t off, std::initializer_list<int> bytes) {
        size_t i = off;
        for (int v : bytes) EXPECT_EQ(v, b[i++]) << "offset " << i - 1;
    };
    at(0, {0x34, 0x12, 0xAA, 0xFC});
    at(4, {0x2C, 0x49, 0xD1, 0x00});
    at(15, {0x99});
    at(528, {'A', 0, 'b', 0, 0, 0});
    at(568, {2, 0, 0, 0});
    at(572, {0x11, 0, 0, 1, 1, 0, 0, 0});
    // set 2 key 15: 572 + (2 * 16 + 15) * 24
    at(572 + 47 * 24, {0xA1, 0,    0,    2, 8,    0, 0, 0, 0x56, 0x34, 0x12, 0,
                       3,    0x41, 0x42, 0, 0x23, 0, 0, 0, 240,  0,    0,    0});
    at(1724, {0, 0x10, 0, 0, 0x25, 0x01, 0, 0});
    at(1736, {0xFF, 0xFF, 0xFF, 0xFF, 0x26, 0x02, 0, 0, 10, 0, 0, 0, 1, 0, 0, 0});
    at(1760 + 7 * 16, {0xE0, 0x2E, 0, 0, 0xF8, 0x2A, 0, 0});
    at(1760 + 7 * 16 + 12, {1, 0, 0, 0});
    at(1888, {3, 0, 0, 0, 0x25, 0x33, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 0xFF, 0x80, 0, 0});
    at(1971, {0x77});
}

TEST(ProfileRecordTest, DecodeIsTheInverseOfEncode) {
    const ProfileRecord r = FilledRecord();
    const ProfileBytes b = EncodeProfile(r);
    EXPECT_EQ(r, DecodeProfile(b.data()));
}

TEST(ProfileRecordTest, NameIsCutToNineteenCharactersAndStaysTerminated) {
    ProfileRecord r;
    r.SetName("abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ("abcdefghijklmnopqrs", r.Name());
    EXPECT_EQ(u'\0', r.szName[19]);
    // A name from a file may fill all 20 units without a terminator.
    ProfileBytes b{};
    for (int i = 0; i < 20; ++i) b[528 + 2 * i] = 'x';
    EXPECT_EQ(std::string(20, 'x'), DecodeProfile(b.data()).Name());
}

TEST(ProfileRecordTest, KeySetIndexOutsideTheRecordFallsBackToSetZero) {
    ProfileRecord r;
    for (int bad : {-1, 3, 0x7FFFFFFF}) {
        r.curKeySet = bad;
        EXPECT_EQ(0, r.KeySetIndex());
    }
    r.curKeySet = 2;
    EXPECT_EQ(2, r.KeySetIndex());
}

TEST(KeySlotTest, MacroSlotLayout) {
    // Three events, name "Ab".
    const uint8_t events[13] = {3, 0x81, 0x04, 0, 0x0F, 0x41, 0x04, 0, 0x0F, 0x81, 0x05, 0, 0x0F};
    uint8_t buf[kKeySlotBytes];
    std::memset(buf, 0xEE, sizeof buf);
    ASSERT_EQ(13u + 32u, BuildKeySlot(buf, u"Ab", kSlotKindMacro, kSlotSubMacro, events, 13));
    const uint8_t head[5] = {4, 0x41, 0, 0x62, 0};
    EXPECT_EQ(0, std::memcmp(buf, head, 5));
    EXPECT_EQ(0x53, buf[29]);
    EXPECT_EQ(0x02, buf[30]);
    EXPECT_EQ(3, buf[31]);
    unsigned sum = 0;
    for (uint8_t v : events) sum += v;
    EXPECT_EQ(static_cast<uint8_t>(0x55 - sum), buf[44]);
    for (size_t i = 45; i < kKeySlotBytes; ++i) ASSERT_EQ(0, buf[i]) << i;
    EXPECT_EQ(0xC80u, KeySlotAddress(7));
}

TEST(KeySlotTest, NameIsCutToFourteenCharactersAndEmptyStringStillGetsACheckByte) {
    uint8_t buf[kKeySlotBytes];
    ASSERT_EQ(32u,
              BuildKeySlot(buf, u"ABCDEFGHIJKLMNOPQ", kSlotKindFire, kSlotSubFire, nullptr, 0));
    EXPECT_EQ(28, buf[0]);
    EXPECT_EQ('N', buf[27]);
    EXPECT_EQ(0x51, buf[29]);
    EXPECT_EQ(0x55, buf[31]);  // check byte of the empty string
}

TEST(KeySlotTest, StringsBeyondEightySevenEventsAreRefusedWithoutWriting) {
    uint8_t events[1 + 4 * 88] = {};
    uint8_t buf[kKeySlotBytes];
    events[0] = 87;
    EXPECT_EQ(381u, BuildKeySlot(buf, u"", kSlotKindMacro, kSlotSubMacro, events, 1 + 4 * 87));
    events[0] = 88;
    std::memset(buf, 0xEE, sizeof buf);
    EXPECT_EQ(0u, BuildKeySlot(buf, u"", kSlotKindMacro, kSlotSubMacro, events, 1 + 4 * 88));
    for (uint8_t v : buf) ASSERT_EQ(0, v);
}

TEST(KeySlotTest, DecodeTakesOnlyTheEventsThatWereRead) {
    const uint8_t events[9] = {2, 0x84, 0x01, 0, 0x0F, 0x44, 0x01, 0, 0x0F};
    uint8_t buf[kKeySlotBytes];
    const size_t n = BuildKeySlot(buf, u"", kSlotKindFire, kSlotSubFire, events, 9);
    KeySlotBuffer slot = DecodeKeySlot(buf, n);
    EXPECT_EQ(2, slot.eventCount);
    EXPECT_EQ(0x44, slot.events[4]);
    EXPECT_EQ(buf[40], slot.check);
    uint8_t again[kKeySlotBytes];
    EXPECT_EQ(n, EncodeKeySlot(slot, again));
    EXPECT_EQ(0, std::memcmp(buf, again, kKeySlotBytes));

    buf[31] = 200;  // a count byte that promises more than was read
    slot = DecodeKeySlot(buf, 36);
    EXPECT_EQ(1, slot.eventCount);
    buf[31] = 255;
    EXPECT_EQ(kSlotMaxEvents, DecodeKeySlot(buf, kKeySlotBytes).eventCount);
}

TEST(KeySlotTest, NameBlockLengthFromTheMouseIsBounded) {
    uint8_t block[kSlotNameBlock];
    std::memset(block, 'z', sizeof block);
    block[0] = 0xFF;  // claims 255 bytes
    EXPECT_EQ(14u, SlotNameFromBlock(block).size());
    block[0] = 5;  // odd: the half unit is dropped
    EXPECT_EQ(2u, SlotNameFromBlock(block).size());
    block[0] = 0;
    EXPECT_TRUE(SlotNameFromBlock(block).empty());
}

}  // namespace
