#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace {

std::u16string Convert(int cp, const std::string& bytes) {
    std::u16string out;
    EXPECT_TRUE(platform::CodePageToUtf16(cp, reinterpret_cast<const uint8_t*>(bytes.data()),
                                          bytes.size(), out));
    return out;
}

TEST(CodePage, ConvertsTheCommonCodePages) {
    EXPECT_EQ(Convert(1252, "caf\xE9 \x80"), u"caf\u00e9 \u20ac");
    EXPECT_EQ(Convert(28591, "\xE9"), u"\u00e9");
    EXPECT_EQ(Convert(65001, "\xE4\xB8\xAD"), u"\u4e2d");
    EXPECT_EQ(Convert(936, "\xD6\xD0"), u"\u4e2d");
    EXPECT_EQ(Convert(20866, "\xC1"), u"\u0430");
    EXPECT_EQ(Convert(65001, "\xF0\x9F\x96\xB1"), u"\U0001F5B1");
}

TEST(CodePage, UnknownPagesUseWindows1252AndBadBytesBecomeReplacements) {
    EXPECT_EQ(Convert(12345, "\xE9"), u"\u00e9");
    EXPECT_STREQ(platform::CodePageIconvName(12345), "");
    EXPECT_EQ(Convert(65001,
                      "a\xFF"
                      "b"),
              u"a\ufffdb");
    EXPECT_EQ(Convert(65001, "ab\xE4\xB8"), u"ab\ufffd\ufffd");
    EXPECT_EQ(Convert(1252, ""), u"");
}

}  // namespace
