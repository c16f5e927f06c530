#include "macro/key_names.h"

#include <gtest/gtest.h>

#include <vector>

#include "config/ui_text.h"
#include "macro/macro_library.h"
#include "platform/keyboard_layout.h"

namespace {

class KeyNamesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_UiText.tc_menu = "Right button";
        g_UiText.tc_msg11 = "Macro missing";
        g_UiText.tc_msg27 = "Macro";
        g_UiText.tc_back = "Back";
        g_UiText.tc_kbmedia_back = "";
        g_UiText.tc_vol_up = "Volume +";
        ClearMacroLibrary();
        platform::SetKeyboardLayout("us");
    }
    void TearDown() override {
        ClearMacroLibrary();
        platform::SetKeyboardLayout("");
    }
};

TEST_F(KeyNamesTest, FixedNames) {
    struct Case {
        unsigned code;
        const char* name;
    } cases[] = {
        {13, "Enter"},        {43, "Enter"},         {108, "\\"},   {255, ""},
        {0x30, "0"},          {0x5A, "Z"},           {96, "Num 0"}, {105, "Num 9"},
        {112, "F1"},          {123, "F12"},          {91, "L_Win"}, {165, "R_Alt"},
        {145, "Scroll Lock"}, {241, "Right button"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.name, KeyName(c.code)) << c.code;
}

TEST_F(KeyNamesTest, OtherKeysFollowTheKeyboardLayout) {
    EXPECT_EQ(";", KeyName(0xBA));
    EXPECT_EQ("/", KeyName(0xBF));
    EXPECT_EQ("VK 0x05", KeyName(0x05));  // a mouse virtual key has no character
    platform::SetKeyboardLayout("de");
    EXPECT_EQ("Ö", KeyName(0xBA));  // upper-cased letter of the German layout
    EXPECT_EQ("^", KeyName(0xC0));  // a dead key shows its accent
    platform::SetKeyboardLayout("fr");
    EXPECT_EQ("M", KeyName(0xBA));
}

TEST_F(KeyNamesTest, TypedNamesMeanKeysTheMouseCanPress) {
    const struct {
        const char* name;
        TypedKey kind;
        uint8_t vk;
    } cases[] = {
        {"\\", TypedKey::kPressable, 0xDC},  // not the keypad separator labelled alike
        {"Num +", TypedKey::kPressable, 0x6B}, {"num -", TypedKey::kPressable, 0x6D},
        {"a", TypedKey::kPressable, 0x41},     {"F12", TypedKey::kPressable, 0x7B},
        {"Esc", TypedKey::kPressable, 0x1B},   {"Scroll Lock", TypedKey::kPressable, 0x91},
        {";", TypedKey::kPressable, 0xBA},     {"VK 0xDC", TypedKey::kPressable, 0xDC},
        {"Clr", TypedKey::kNoUsage, 0},        {"Select", TypedKey::kNoUsage, 0},
        {"Help", TypedKey::kNoUsage, 0},       {"Print", TypedKey::kNoUsage, 0},
        {"VK 0x0C", TypedKey::kNoUsage, 0},    {"Warp", TypedKey::kUnknown, 0},
        {"", TypedKey::kUnknown, 0},
    };
    for (const auto& c : cases) {
        uint8_t vk = 0xFF;
        EXPECT_EQ(c.kind, VirtualKeyOfName(c.name, vk)) << c.name;
        EXPECT_EQ(c.vk, vk) << c.name;
    }
    // A layout without a backslash key still has the US key of that name.
    platform::SetKeyboardLayout("de");
    uint8_t vk = 0;
    EXPECT_EQ(TypedKey::kPressable, VirtualKeyOfName("\\", vk));
    EXPECT_EQ(0xDC, vk);
    EXPECT_EQ(TypedKey::kPressable, VirtualKeyOfName("Ö", vk));
    EXPECT_EQ(0xBA, vk);

    uint8_t combo[4] = {};
    EXPECT_EQ("", ParseCombination("Ctrl + Num ++A+\\", combo));
    EXPECT_EQ((std::vector<int>{0x01, 0x6B, 0x41, 0xDC}),
              (std::vector<int>{combo[0], combo[1], combo[2], combo[3]}));
    for (const char* refused : {"A+B+C+D", "Ctrl+", "", "Ctrl+Clr", "Num +x", "Ctrl+Warp"})
        EXPECT_NE("", ParseCombination(refused, combo)) << refused;
    EXPECT_EQ(0x41, combo[2]) << "a refused combination changes nothing";
}

TEST_F(KeyNamesTest, Combinations) {
    EXPECT_EQ("Ctrl + Shift + A", ComboLabel(0x03, 0x41, 0, 0));
    EXPECT_EQ("L-Ctrl + L-Shift + A", ComboLabelSided(0x03, 0x41, 0, 0));
    EXPECT_EQ("Ctrl + Alt + Shift + Win", ComboLabel(0xF0, 0, 0, 0));
    EXPECT_EQ("R-Ctrl + R-Alt + R-Shift + R-Win + A + B", ComboLabelSided(0xF0, 0x41, 0, 0x42));
    EXPECT_EQ("", ComboLabel(0, 0, 0, 0));
}

TEST_F(KeyNamesTest, FunctionLabels) {
    KeyEntry e;
    e.dwFunID = 0x05000000;
    e.dwMacroID = 0x42;
    EXPECT_EQ("Macro missing", KeyFunctionLabel(e));  // deleted macro
    StMacro m;
    InitMacroRecord("Jump", &m);
    m.dwMacroID = 0x42;
    AddMacroCopy(m);
    EXPECT_EQ("Macro - Jump", KeyFunctionLabel(e));

    e = KeyEntry{};
    e.dwFunID = 0x020000A1;
    e.stCombo[0] = 0x01;
    e.stCombo[1] = 0x43;
    EXPECT_EQ("Ctrl + C", KeyFunctionLabel(e));
    e.dwFunID = 0x04000035;
    EXPECT_EQ("Back", KeyFunctionLabel(e));  // no tc_kbmedia_back text
    g_UiText.tc_kbmedia_back = "Web back";
    EXPECT_EQ("Web back", KeyFunctionLabel(e));
    e.dwFunID = 0x04000026;
    EXPECT_EQ("Volume +", KeyFunctionLabel(e));
    e.dwFunID = 0x08000099;
    EXPECT_EQ("", KeyFunctionLabel(e));
}

}  // namespace
