#include "platform/vk_keymap.h"

#include <linux/input-event-codes.h>

#include <gtest/gtest.h>

namespace {

struct KeyCase {
    unsigned evdev;
    int vk;
};

TEST(VkKeymap, ModifiersAreToldApartBySide) {
    const KeyCase cases[] = {
        {KEY_LEFTCTRL, 17}, {KEY_RIGHTCTRL, 163}, {KEY_LEFTSHIFT, 16}, {KEY_RIGHTSHIFT, 161},
        {KEY_LEFTALT, 18},  {KEY_RIGHTALT, 165},  {KEY_LEFTMETA, 91},  {KEY_RIGHTMETA, 92},
    };
    for (const KeyCase& c : cases) {
        EXPECT_EQ(VkFromEvdevCode(c.evdev), c.vk) << "evdev " << c.evdev;
        EXPECT_EQ(VkFromXkbKeycode(c.evdev + 8), c.vk) << "xkb " << c.evdev + 8;
    }
}

TEST(VkKeymap, CommonKeys) {
    const KeyCase cases[] = {
        {KEY_A, 'A'},          {KEY_Z, 'Z'},       {KEY_Q, 'Q'},          {KEY_M, 'M'},
        {KEY_0, '0'},          {KEY_1, '1'},       {KEY_9, '9'},          {KEY_F1, 112},
        {KEY_F12, 123},        {KEY_ESC, 27},      {KEY_ENTER, 13},       {KEY_KPENTER, 13},
        {KEY_SPACE, 32},       {KEY_TAB, 9},       {KEY_BACKSPACE, 8},    {KEY_CAPSLOCK, 20},
        {KEY_LEFT, 37},        {KEY_UP, 38},       {KEY_RIGHT, 39},       {KEY_DOWN, 40},
        {KEY_HOME, 36},        {KEY_END, 35},      {KEY_PAGEUP, 33},      {KEY_PAGEDOWN, 34},
        {KEY_INSERT, 45},      {KEY_DELETE, 46},   {KEY_KP0, 96},         {KEY_KP9, 105},
        {KEY_KPASTERISK, 106}, {KEY_KPPLUS, 107},  {KEY_KPMINUS, 109},    {KEY_KPSLASH, 111},
        {KEY_KPDOT, 110},      {KEY_NUMLOCK, 144}, {KEY_SCROLLLOCK, 145}, {KEY_PAUSE, 19},
        {KEY_SYSRQ, 44},       {KEY_COMPOSE, 93},  {KEY_SEMICOLON, 186},  {KEY_MINUS, 189},
        {KEY_EQUAL, 187},      {KEY_GRAVE, 192},   {KEY_BACKSLASH, 220},  {KEY_APOSTROPHE, 222},
    };
    for (const KeyCase& c : cases) EXPECT_EQ(VkFromEvdevCode(c.evdev), c.vk) << c.evdev;
}

TEST(VkKeymap, UnknownAndOutOfRangeCodesGiveZero) {
    EXPECT_EQ(VkFromEvdevCode(KEY_RESERVED), 0);
    EXPECT_EQ(VkFromEvdevCode(KEY_BRIGHTNESSUP), 0);
    EXPECT_EQ(VkFromEvdevCode(0xFFFFu), 0);
    EXPECT_EQ(VkFromXkbKeycode(0), 0);
    EXPECT_EQ(VkFromXkbKeycode(7), 0);  // would underflow into the table without the guard
}

}  // namespace
