// Names from devices and files printed to a terminal: no control character gets through.
#include "platform/terminal.h"

#include <gtest/gtest.h>

namespace {

TEST(TerminalSafe, EscapesControlsAndBrokenUtf8AndKeepsPrintableText) {
    struct Case {
        std::string in;
        std::string out;
    } cases[] = {
        {"Gaming Mouse 2.4G", "Gaming Mouse 2.4G"},
        {"Maus \xC3\xBC \xE9\xBC\xA0\xE6\xA0\x87 \xF0\x9F\x96\xB1",
         "Maus \xC3\xBC \xE9\xBC\xA0\xE6\xA0\x87 \xF0\x9F\x96\xB1"},
        {"\x1b]0;owned\x07\x1b[2J", "\\x1b]0;owned\\x07\\x1b[2J"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"tab\tline\nret\r\x7f", "tab\\x09line\\x0aret\\x0d\\x7f"},
        {"\xC2\x9B"
         "31m \xC2\x85 \xC2\xA0",
         "\\u009b31m \\u0085 \xC2\xA0"},  // C1 CSI, NEL; NBSP kept
        {"\x9b"
         "31m",
         "\\x9b31m"},       // raw 8-bit CSI
        {"\xC3", "\\xc3"},  // cut sequence
        {"\xC0\xAF \xE0\x80\xAF \xED\xA0\x80 \xF4\x90\x80\x80",
         "\\xc0\\xaf \\xe0\\x80\\xaf \\xed\\xa0\\x80 \\xf4\\x90\\x80\\x80"},  // overlong,
                                                                              // surrogate, too high
    };
    for (const auto& c : cases) EXPECT_EQ(platform::TerminalSafe(c.in), c.out) << c.in;
    EXPECT_EQ(platform::TerminalSafe("two\n\tlines\r\x1b[A", true), "two\n\tlines\\x0d\\x1b[A");
}

}  // namespace
