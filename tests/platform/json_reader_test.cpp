// Replies of other programs are read whole or refused.
#include <gtest/gtest.h>

#include <string>

#include "platform/json_reader.h"

namespace {

using platform::JsonValue;
using platform::ParseJson;

TEST(JsonReaderTest, ReadsTheCompositorsInputList) {
    JsonValue v;
    ASSERT_TRUE(ParseJson(
        R"( [ {"type": "pointer", "name": "M\u00e4use \"x\"", "scroll_factor": 1.5e0,
               "libinput": {"accel_speed": -0.25, "accel_profile": "flat"}, "x": [true, null]} ] )",
        v));
    ASSERT_EQ(JsonValue::Kind::Array, v.kind);
    ASSERT_EQ(1u, v.items.size());
    const JsonValue& p = v.items[0];
    EXPECT_EQ("M\xC3\xA4use \"x\"", p.Member("name")->text);
    EXPECT_DOUBLE_EQ(1.5, p.Member("scroll_factor")->number);
    EXPECT_DOUBLE_EQ(-0.25, p.Member("libinput")->Member("accel_speed")->number);
    EXPECT_EQ(nullptr, p.Member("missing"));
    EXPECT_EQ(nullptr, p.Member("name")->Member("x"));
}

TEST(JsonReaderTest, MalformedOrTooDeepTextIsRefused) {
    JsonValue v;
    for (const char* bad : {"", "[", "[1,]", "{\"a\" 1}", "{\"a\":1,}", "01x", "-", "1.", "1e",
                            "\"abc", "\"\\q\"", "\"\\ud800\"", "tru", "[1] 2", "\"a\nb\"", "1e999"})
        EXPECT_FALSE(ParseJson(bad, v)) << bad;
    EXPECT_FALSE(ParseJson(std::string(100000, '['), v));
    EXPECT_TRUE(ParseJson(std::string(60, '[') + std::string(60, ']'), v));
}

}  // namespace
