#include "config/cfg_values.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/support.h"

using testing_support::RecordingNotifier;

namespace {

std::vector<uint32_t> Parse(const std::string& text, int base, int max) {
    std::vector<uint32_t> out(static_cast<size_t>(max) + 1, 0xDEADBEEF);
    const int n = ParseNumberList(text, base, out.data(), max);
    EXPECT_EQ(out[static_cast<size_t>(max)], 0xDEADBEEFu) << "wrote past maxCount";
    out.resize(static_cast<size_t>(n));
    return out;
}

TEST(ParseNumberList, TakesCompleteNumbersUpToTheFirstBadPiece) {
    struct Case {
        const char* text;
        int base;
        int max;
        std::vector<uint32_t> expected;
    } cases[] = {
        {"1,2,3", 10, 8, {1, 2, 3}},
        {",,1,,2,", 10, 8, {1, 2}},
        {" 7, 8", 10, 8, {7, 8}},
        {"7 ,8", 10, 8, {}},  // a trailing blank ends the list
        {"1,x,3", 10, 8, {1}},
        {"1,2a,3", 10, 8, {1}},
        {"1,2,3,4,5", 10, 4, {1, 2, 3, 4}},
        {"f0,0x1F,A4", 16, 8, {0xF0, 0x1F, 0xA4}},
        {"0x,1", 16, 8, {}},
        {"g", 16, 8, {}},
        {"-1,2", 10, 8, {}},
        {"99999999999", 10, 8, {0xFFFFFFFF}},
        {"", 10, 8, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(Parse(c.text, c.base, c.max), c.expected) << c.text;
}

TEST(ParseNumberList, LooksAtTheFirst1023CharactersOnly) {
    std::string text(1021, ',');
    text += "12";  // characters 1022 and 1023
    EXPECT_EQ(Parse(text, 10, 4), (std::vector<uint32_t>{12}));
    text += "3";  // the 1024th character is cut away, so the number is still 12
    EXPECT_EQ(Parse(text, 10, 4), (std::vector<uint32_t>{12}));
    EXPECT_EQ(ParseNumberList("1", 8, nullptr, 4), 0);
}

TEST(ParseByteList, KeepsTheLowEightBits) {
    uint8_t b[4] = {};
    EXPECT_EQ(ParseByteList("255,256,513,7,9", b, 4), 4);
    EXPECT_EQ(b[0], 255);
    EXPECT_EQ(b[1], 0);
    EXPECT_EQ(b[2], 1);
    EXPECT_EQ(b[3], 7);
}

TEST(ReadCfgValues, PointsRectanglesAndColours) {
    RecordingNotifier notes;
    platform::PrivateProfile ini;
    ini.Parse(
        "[OPT]\nptA=1,2\nptB=5\nptC=1,2,3\nrcA=1,2,3,4\nrcB=1,2,3\nrcEmpty=\n"
        "cA=255\ncB=1,2,3\ncC=none\ncEmpty=\n");
    CfgPoint p;
    EXPECT_EQ(ReadCfgPoint(ini, "OPT", "ptA", p, {9, 9}), 1);
    EXPECT_EQ(p.x, 1);
    EXPECT_EQ(p.y, 2);
    EXPECT_EQ(ReadCfgPoint(ini, "OPT", "ptC", p, {9, 9}), 1) << "a third value is ignored";
    EXPECT_TRUE(notes.messages.empty());
    EXPECT_EQ(ReadCfgPoint(ini, "OPT", "ptMissing", p, {9, 8}), 0);
    EXPECT_EQ(p.y, 8);
    EXPECT_TRUE(notes.messages.empty());
    EXPECT_EQ(ReadCfgPoint(ini, "OPT", "ptB", p, {9, 8}), 0);
    EXPECT_EQ(p.x, 9);
    ASSERT_EQ(notes.messages.size(), 1u);
    EXPECT_EQ(notes.messages[0],
              std::make_pair(std::string("Wrong POINT num"), std::string("Error")));

    notes.messages.clear();
    CfgRect r{7, 7, 7, 7};
    EXPECT_EQ(ReadCfgRect(ini, "rcA", r), 1);
    EXPECT_EQ(r.right, 3);
    EXPECT_EQ(r.bottom, 4);
    EXPECT_EQ(ReadCfgRect(ini, "rcEmpty", r), 0);
    EXPECT_EQ(ReadCfgRect(ini, "rcMissing", r), 0);
    EXPECT_TRUE(notes.messages.empty());
    EXPECT_EQ(ReadCfgRect(ini, "rcB", r), 0);
    EXPECT_EQ(r.left, 1) << "unchanged on failure";
    ASSERT_EQ(notes.messages.size(), 1u);
    EXPECT_EQ(notes.messages[0],
              std::make_pair(std::string("Wrong rect num"), std::string("Error")));

    EXPECT_EQ(ReadCfgColor(ini, "cA", 5), 0x0000FFu);
    EXPECT_EQ(ReadCfgColor(ini, "cB", 5), 0x030201u);
    EXPECT_EQ(ReadCfgColor(ini, "cC", 5), 0u);
    EXPECT_EQ(ReadCfgColor(ini, "cEmpty", 5), 5u);
    EXPECT_EQ(ReadCfgColor(ini, "cMissing", 0x141414), 0x141414u);
}

}  // namespace
