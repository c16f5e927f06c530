// "set key INDEX FUNCTION" as a user types it: combinations of named keys, macros by name, and
// what the mouse gets for a key whose macro is gone.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_profile_fixture.h"
#include "macro/macro_files.h"

namespace {

using cli_test::CliProfileTest;
using cli_test::Result;

class CliKeyTest : public CliProfileTest {
  protected:
    // A macro file of the library: a press and release of key.
    void AddMacro(const std::string& file, const std::string& name, uint16_t key, uint32_t id) {
        StMacro m;
        m.dwMagicNumber = kMacroMagic;
        m.dwMacroID = id;
        m.wLoopCount = 1;
        SetMacroName(m, name);
        m.stEvents[0] = {key, 1, 0};
        m.stEvents[1] = {key, 0, 0};
        ASSERT_EQ(1, WriteMacroFile(data + "/Mac/" + file, m));
    }
    // HID usages the combination of key index presses as ordinary keys (kind 1), in order.
    std::vector<uint8_t> PressedKeys(int index) {
        const std::vector<uint8_t> matrix = Memory(0x15 + 4 * index, 3);
        EXPECT_EQ(4, matrix[0]) << "a combination lives in a key slot";
        const int events = 0x200 + 384 * matrix[1] + 31;
        const int n = Memory(events, 1)[0];
        const std::vector<uint8_t> e = Memory(events + 1, 4 * n);
        std::vector<uint8_t> keys;
        for (int i = 0; i < n; ++i)
            if (e[4 * i] == 0x81) keys.push_back(e[4 * i + 1]);
        return keys;
    }
};

TEST_F(CliKeyTest, CombinationNamesMeanKeysTheMouseCanPress) {
    const struct {
        const char* function;
        std::vector<uint8_t> usages;
    } cases[] = {
        {"combo:Ctrl+\\", {0x31}},  // the backslash key, not the keypad separator
        {"combo:Ctrl+Num +", {0x57}},        {"combo:Num ++A", {0x57, 0x04}},
        {"combo:Ctrl + Shift + F5", {0x3E}}, {"combo:Alt+A+B+C", {0x04, 0x05, 0x06}},
    };
    for (const auto& c : cases) {
        const Result r = Run(std::string("set key 2 '") + c.function + "'");
        ASSERT_EQ(0, r.code) << c.function << ": " << r.err;
        EXPECT_EQ(c.usages, PressedKeys(2)) << c.function;
    }
    const std::string before = Slurp(state);
    // Keys without a HID usage cannot be pressed by the mouse: refused, and named.
    for (const char* key : {"Clr", "Select", "Help", "Print", "VK 0x0C"}) {
        const Result r = Run(std::string("set key 2 'combo:Ctrl+") + key + "'");
        EXPECT_TRUE(OneLineError(r)) << key << ": " << r.code << " " << r.err;
        EXPECT_NE(std::string::npos, r.err.find(key)) << r.err;
    }
    for (const char* function : {"combo:A+B+C+D", "combo:Ctrl+", "combo:", "combo:Warp"}) {
        const Result r = Run(std::string("set key 2 '") + function + "'");
        EXPECT_TRUE(OneLineError(r)) << function << ": " << r.code << " " << r.err;
    }
    EXPECT_EQ(before, Slurp(state));
}

TEST_F(CliKeyTest, AMacroNameMayHoldColons) {
    ASSERT_EQ(0, Run("read").code);
    AddMacro("a.zqm", "Boss:Fight", 0x41, 0x101);
    AddMacro("b.zqm", "Level:2", 0x42, 0x102);
    const struct {
        const char* function;
        uint8_t repeat;
        uint8_t usage;
    } cases[] = {
        {"macro:Boss:Fight", 1, 0x04},
        {"macro:Boss:Fight:3", 3, 0x04},
        {"macro:Level:2", 1, 0x05},  // the whole text names a macro
        {"macro:Level:2:0", 0, 0x05},
    };
    for (const auto& c : cases) {
        const Result r = Run(std::string("set key 3 '") + c.function + "'");
        ASSERT_EQ(0, r.code) << c.function << ": " << r.err;
        const std::vector<uint8_t> matrix = Memory(0x15 + 4 * 3, 3);
        EXPECT_EQ(4, matrix[0]) << c.function;
        EXPECT_EQ(c.repeat, matrix[2]) << c.function;
        EXPECT_EQ(c.usage, Memory(0x200 + 384 * matrix[1] + 32 + 1, 1)[0]) << c.function;
    }
    for (const char* function : {"macro:Boss:Fight:256", "macro:Boss", "macro:Level:x"}) {
        const Result r = Run(std::string("set key 3 '") + function + "'");
        EXPECT_TRUE(OneLineError(r)) << function << ": " << r.code << " " << r.err;
    }
}

TEST_F(CliKeyTest, AKeyWhoseMacroFileIsGoneGetsItsDefaultAndTheCommandSaysSo) {
    ASSERT_EQ(0, Run("read").code);
    AddMacro("jump.zqm", "Jump", 0x41, 0x101);
    ASSERT_EQ(0, Run("set key 3 macro:Jump").code);
    ASSERT_EQ(4, Memory(0x15 + 4 * 3, 1)[0]);
    ASSERT_EQ(0, std::remove((data + "/Mac/jump.zqm").c_str()));
    const Result r = Run("apply");
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("key 3 of key set 0")) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("default")) << r.err;
    // Key 4 of the first model is its forward button.
    EXPECT_EQ((std::vector<uint8_t>{0x01, 0x10, 0x00}), Memory(0x15 + 4 * 3, 3));
    const Result read = Run("read --json");
    EXPECT_NE(std::string::npos, read.out.find("{\"index\":3,\"function\":\"0x01000014\""))
        << read.out;
}

}  // namespace
