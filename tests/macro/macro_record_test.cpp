#include "macro/macro_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "macro/hd_macro.h"
#include "support/support.h"

namespace {

StMacro MakeMacro(const std::string& name, std::vector<StMacroEvent> events) {
    StMacro m;
    m.dwMagicNumber = kMacroMagic;
    m.dwMacroID = 0x123456;
    m.wLoopCount = 1;
    SetMacroName(m, name);
    for (size_t i = 0; i < events.size(); ++i) m.stEvents[i] = events[i];
    return m;
}

std::vector<uint8_t> Encode(const StMacro& m, int maxEvents = kHdMacroMaxEvents) {
    std::vector<uint8_t> out(kHdMacroMaxBytes + 8, 0xEE);
    int n = StMacro_To_HdMacro(&m, out.data(), maxEvents);
    out.resize(static_cast<size_t>(n));
    return out;
}

TEST(MacroRecord, EncodesEveryFieldLittleEndianAtItsOffset) {
    StMacro m = MakeMacro("Ab", {{0x41, 1, 100}, {0x41, 0, 0x12345}});
    m.dwFlags = MACRO_DIRTY_EVENTS;
    m.dwAutoDelay = 1;
    m.dwLoopMode = 2;
    m.dwReserved = 0;
    m.wLoopCount = 0x0203;
    m.stEvents[90] = {0x5A, 1, 7};
    uint8_t bytes[kMacroRecordBytes];
    EncodeMacroRecord(m, bytes);
    const uint8_t head[] = {0xA0, 0x99, 0xCB, 0xFA, 0x56, 0x34, 0x12, 0x00, 0,   0, 0,   0x80,
                            1,    0,    0,    0,    2,    0,    0,    0,    'A', 0, 'b', 0};
    EXPECT_EQ(0, std::memcmp(bytes, head, sizeof head));
    EXPECT_EQ(0x03, bytes[104]);
    EXPECT_EQ(0x02, bytes[105]);
    const uint8_t ev1[] = {0x41, 0, 0, 0, 0x45, 0x23, 0x01, 0x00};
    EXPECT_EQ(0, std::memcmp(bytes + 106 + 8, ev1, 8));
    EXPECT_EQ(0x5A, bytes[106 + 90 * 8]);

    StMacro back;
    DecodeMacroRecord(bytes, back);
    EXPECT_EQ(m, back);
}

TEST(MacroRecord, NamesAreCutToTheFieldAndReadWithoutTerminator) {
    StMacro m;
    SetMacroName(m, std::string(50, 'x'));
    EXPECT_EQ(std::string(39, 'x'), MacroName(m));
    EXPECT_EQ(0, m.szName[39]);
    // A surrogate pair that does not fit whole is dropped, never halved.
    SetMacroName(m, std::string(38, 'x') + "\xF0\x9F\x98\x80");
    EXPECT_EQ(std::string(38, 'x'), MacroName(m));
    for (auto& c : m.szName) c = u'y';  // no terminator, as from a hostile file
    EXPECT_EQ(std::string(40, 'y'), MacroName(m));
}

TEST(MacroRecord, InitMacroRecordGivesTheDefaults) {
    StMacro m;
    m.stEvents[3] = {1, 1, 1};
    ASSERT_EQ(1, InitMacroRecord("Jump", &m));
    EXPECT_EQ(kMacroMagic, m.dwMagicNumber);
    EXPECT_NE(0u, m.dwMacroID);
    EXPECT_EQ(0u, m.dwMacroID >> 24);
    EXPECT_EQ(1u, m.dwAutoDelay);
    EXPECT_EQ(1, m.wLoopCount);
    EXPECT_EQ("Jump", MacroName(m));
    EXPECT_EQ(0, MacroEventCount(m));
    EXPECT_EQ(0, InitMacroRecord("x", nullptr));
}

TEST(MacroRecord, IdentifiersFromTimeAndInSuccessionDiffer) {
    EXPECT_EQ(0xD1492Cu, MacroIdFromTime(13, 5, 9, 300));
    EXPECT_EQ(MacroIdFromTime(13, 5, 9, 300), MacroIdFromTime(29, 5, 9, 300 + 256));
    uint32_t a = NewMacroID();
    uint32_t b = NewMacroID();
    EXPECT_NE(a, b);
}

TEST(MacroRecord, EqualityIgnoresNameCaseAndStopsAtTheEnd) {
    StMacro a = MakeMacro("Jump", {{0x41, 1, 20}, {0x41, 0, 0}});
    StMacro b = MakeMacro("jUMP", {{0x41, 1, 20}, {0x41, 0, 0}});
    b.stEvents[5] = {0, 0, 0};
    EXPECT_EQ(1, MacroEquals(&a, &b));
    b.stEvents[0].dwDelay = 21;
    EXPECT_EQ(0, MacroEquals(&a, &b));
    EXPECT_EQ(1, MacroEventsEqualIgnoringPauses(&a, &b));
    b.stEvents[1].wState = 1;
    EXPECT_EQ(0, MacroEventsEqualIgnoringPauses(&a, &b));
    StMacro c = MakeMacro("Jumps", {{0x41, 1, 20}, {0x41, 0, 0}});
    EXPECT_EQ(0, MacroEquals(&a, &c));
    EXPECT_EQ(0, MacroEquals(&a, nullptr));
    EXPECT_TRUE(MacroNameEqualsNoCase("Über", "üBER"));
}

TEST(HdMacro, EncodesTheDocumentedExamples) {
    EXPECT_EQ((std::vector<uint8_t>{0x00}), Encode(MakeMacro("e", {})));
    EXPECT_EQ((std::vector<uint8_t>{2, 0x81, 0x04, 0, 0x0F, 0x41, 0x04, 0, 0x0F}),
              Encode(MakeMacro("a", {{0x41, 1, 100}, {0x41, 0, 0}})));
    struct Case {
        uint16_t key;
        uint16_t state;
        uint8_t flag;
        uint8_t hid;
    } cases[] = {
        {165, 1, 0x80, 0x40},  // right Alt: modifier bit
        {91, 1, 0x80, 0x08},  {92, 0, 0x40, 0x08},  {16, 1, 0x80, 0x02},   {17, 1, 0x80, 0x01},
        {163, 1, 0x80, 0x10}, {161, 0, 0x40, 0x20}, {0x30, 1, 0x81, 0x27}, {0x0D, 1, 0x81, 0x28},
        {243, 1, 0x84, 0x10},  // forward has bit 0x10, back 0x08
        {244, 0, 0x44, 0x08}, {240, 1, 0x84, 0x01}, {0xA2, 1, 0x80, 0x01},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        auto bytes = Encode(MakeMacro("k", {{c.key, c.state, 0}}));
        EXPECT_EQ((std::vector<uint8_t>{1, c.flag, c.hid, 0, 0x0F}), bytes);
    }
}

TEST(HdMacro, UnknownKeyIsSentAsZeroWithALogLine) {
    testing_support::LogCapture log;
    auto bytes = Encode(MakeMacro("k", {{0x0C, 1, 0}, {0x141, 1, 0}}));
    EXPECT_EQ((std::vector<uint8_t>{2, 0x81, 0, 0, 0x0F, 0x81, 0, 0, 0x0F}), bytes);
    EXPECT_TRUE(log.Contains("StMacro_To_HdMacro: get wrong hid"));
}

TEST(HdMacro, EncoderNeverExceedsItsLimit) {
    StMacro m = MakeMacro("full", {});
    for (int i = 0; i < kMacroMaxEvents; ++i)
        m.stEvents[i] = {0x41, static_cast<uint16_t>(i & 1), 0};
    EXPECT_EQ(kHdMacroMaxBytes, Encode(m).size());
    EXPECT_EQ(88, Encode(m)[0]);
    // A key slot takes 87 events: the caller passes the slot's limit.
    std::vector<uint8_t> slot(1 + 4 * kSlotMacroMaxEvents + 1, 0xEE);
    EXPECT_EQ(1 + 4 * kSlotMacroMaxEvents,
              StMacro_To_HdMacro(&m, slot.data(), kSlotMacroMaxEvents));
    EXPECT_EQ(0xEE, slot.back());
    EXPECT_EQ(0, StMacro_To_HdMacro(nullptr, slot.data()));
    EXPECT_EQ(0, StMacro_To_HdMacro(&m, nullptr));
}

TEST(HdMacro, DecodesDeviceStrings) {
    testing_support::LogCapture log;
    const uint8_t bytes[] = {5, 0x80, 0x40, 0,    0x0F, 0x41, 0x58, 0,    0x0F, 0x84, 0x08,
                             0, 0x0F, 0x80, 0x08, 0,    0x0F, 0xC1, 0x04, 0,    0x0F};
    StMacro m;
    ASSERT_EQ(5, HdMacro_To_StMacro(bytes, sizeof bytes, &m));
    EXPECT_EQ(kMacroMagic, m.dwMagicNumber);
    EXPECT_NE(0u, m.dwMacroID);
    EXPECT_EQ((StMacroEvent{165, 1, 0}), m.stEvents[0]);
    EXPECT_EQ((StMacroEvent{0x0D, 0, 0}), m.stEvents[1]);  // keypad Enter comes back as Enter
    EXPECT_EQ((StMacroEvent{244, 1, 0}), m.stEvents[2]);
    EXPECT_EQ((StMacroEvent{91, 1, 0}), m.stEvents[3]);
    EXPECT_EQ((StMacroEvent{0x41, 0, 0}), m.stEvents[4]);  // both state bits: taken as released
    EXPECT_TRUE(log.Contains("HdMacro_To_StMacro: convert err, i=4"));
    EXPECT_EQ(0, m.stEvents[5].wKey);
}

TEST(HdMacro, DecodingIsBoundedByTheLimitAndTheBytesReceived) {
    testing_support::LogCapture log;
    std::vector<uint8_t> bytes(1 + 4 * 200, 0);
    bytes[0] = 200;
    for (int i = 0; i < 200; ++i) {
        bytes[1 + 4 * i] = 0x81;
        bytes[2 + 4 * i] = 0x04;
    }
    StMacro m;
    // A macro read back from the mouse keeps every event the record can hold, not only the
    // editor's recording limit.
    EXPECT_EQ(kMacroMaxEvents, HdMacro_To_StMacro(bytes.data(), bytes.size(), &m));
    EXPECT_EQ(kMacroMaxEvents, MacroKeyEventCount(m));
    // The count byte claims more events than were received: only complete ones are read.
    EXPECT_EQ(2, HdMacro_To_StMacro(bytes.data(), 1 + 4 * 2 + 3, &m));
    EXPECT_EQ(2, MacroKeyEventCount(m));

    const uint8_t bad[] = {3, 0x81, 0x77, 0, 0x0F, 0x82, 0x04, 0, 0x0F, 0x84, 0x20, 0, 0x0F};
    EXPECT_EQ(3, HdMacro_To_StMacro(bad, sizeof bad, &m));
    EXPECT_EQ(0, m.stEvents[0].wKey);
    EXPECT_TRUE(log.Contains("HdMacro_To_StMacro: convert err, i=0, nHid=77"));
    EXPECT_TRUE(log.Contains("HdMacro_To_StMacro: convert err, nKeyFalg=2"));
    EXPECT_TRUE(log.Contains("HdMacro_To_StMacro: convert err, i=2, nHid=20"));
    EXPECT_EQ(0, HdMacro_To_StMacro(nullptr, 4, &m));
    EXPECT_EQ(0, HdMacro_To_StMacro(bad, 0, &m));
}

TEST(HdMacro, TableLookupsTakeTheFirstPair) {
    EXPECT_EQ(0x27, VkToHid(0x30));
    EXPECT_EQ(0x28, VkToHid(0x0D));
    EXPECT_EQ(0x0D, HidToVk(0x58));
    EXPECT_EQ(0x0D, HidToVk(0x28));
    EXPECT_EQ(0xA5, HidToVk(0xE6));
    EXPECT_EQ(0x5D, HidToVk(0x65));
    EXPECT_EQ(0, VkToHid(0x0C));
    EXPECT_EQ(0, HidToVk(0x00));
    // Everything the encoder sends as a key decodes to the same key, except keypad Enter.
    for (int vk = 1; vk < 256; ++vk) {
        uint8_t hid = VkToHid(static_cast<uint8_t>(vk));
        if (hid) {
            EXPECT_EQ(vk, HidToVk(hid)) << vk;
        }
    }
}

TEST(HdMacro, RoundTripKeepsKeysAndStatesButNotPauses) {
    StMacro m = MakeMacro(
        "r", {{0xA0, 1, 30}, {0x41, 1, 10}, {0x41, 0, 5}, {0xA0, 0, 0}, {242, 1, 0}, {242, 0, 0}});
    auto bytes = Encode(m);
    StMacro back;
    ASSERT_EQ(6, HdMacro_To_StMacro(bytes.data(), bytes.size(), &back));
    EXPECT_EQ(1, MacroEventsEqualIgnoringPauses(&m, &back));
    EXPECT_EQ(0u, back.stEvents[0].dwDelay);
}

}  // namespace
