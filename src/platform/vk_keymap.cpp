#include "platform/vk_keymap.h"

#include <linux/input-event-codes.h>

#include <array>
#include <cstdint>
#include <utility>

namespace {

constexpr std::pair<uint16_t, uint8_t> kEvdevToVk[] = {
    {KEY_ESC, 27},
    {KEY_1, '1'},
    {KEY_2, '2'},
    {KEY_3, '3'},
    {KEY_4, '4'},
    {KEY_5, '5'},
    {KEY_6, '6'},
    {KEY_7, '7'},
    {KEY_8, '8'},
    {KEY_9, '9'},
    {KEY_0, '0'},
    {KEY_MINUS, 189},
    {KEY_EQUAL, 187},
    {KEY_BACKSPACE, 8},
    {KEY_TAB, 9},
    {KEY_Q, 'Q'},
    {KEY_W, 'W'},
    {KEY_E, 'E'},
    {KEY_R, 'R'},
    {KEY_T, 'T'},
    {KEY_Y, 'Y'},
    {KEY_U, 'U'},
    {KEY_I, 'I'},
    {KEY_O, 'O'},
    {KEY_P, 'P'},
    {KEY_LEFTBRACE, 219},
    {KEY_RIGHTBRACE, 221},
    {KEY_ENTER, 13},
    {KEY_LEFTCTRL, 17},
    {KEY_A, 'A'},
    {KEY_S, 'S'},
    {KEY_D, 'D'},
    {KEY_F, 'F'},
    {KEY_G, 'G'},
    {KEY_H, 'H'},
    {KEY_J, 'J'},
    {KEY_K, 'K'},
    {KEY_L, 'L'},
    {KEY_SEMICOLON, 186},
    {KEY_APOSTROPHE, 222},
    {KEY_GRAVE, 192},
    {KEY_LEFTSHIFT, 16},
    {KEY_BACKSLASH, 220},
    {KEY_Z, 'Z'},
    {KEY_X, 'X'},
    {KEY_C, 'C'},
    {KEY_V, 'V'},
    {KEY_B, 'B'},
    {KEY_N, 'N'},
    {KEY_M, 'M'},
    {KEY_COMMA, 188},
    {KEY_DOT, 190},
    {KEY_SLASH, 191},
    {KEY_RIGHTSHIFT, 161},
    {KEY_KPASTERISK, 106},
    {KEY_LEFTALT, 18},
    {KEY_SPACE, 32},
    {KEY_CAPSLOCK, 20},
    {KEY_F1, 112},
    {KEY_F2, 113},
    {KEY_F3, 114},
    {KEY_F4, 115},
    {KEY_F5, 116},
    {KEY_F6, 117},
    {KEY_F7, 118},
    {KEY_F8, 119},
    {KEY_F9, 120},
    {KEY_F10, 121},
    {KEY_NUMLOCK, 144},
    {KEY_SCROLLLOCK, 145},
    {KEY_KP7, 103},
    {KEY_KP8, 104},
    {KEY_KP9, 105},
    {KEY_KPMINUS, 109},
    {KEY_KP4, 100},
    {KEY_KP5, 101},
    {KEY_KP6, 102},
    {KEY_KPPLUS, 107},
    {KEY_KP1, 97},
    {KEY_KP2, 98},
    {KEY_KP3, 99},
    {KEY_KP0, 96},
    {KEY_KPDOT, 110},
    {KEY_102ND, 226},
    {KEY_F11, 122},
    {KEY_F12, 123},
    {KEY_KPENTER, 13},
    {KEY_RIGHTCTRL, 163},
    {KEY_KPSLASH, 111},
    {KEY_SYSRQ, 44},
    {KEY_RIGHTALT, 165},
    {KEY_HOME, 36},
    {KEY_UP, 38},
    {KEY_PAGEUP, 33},
    {KEY_LEFT, 37},
    {KEY_RIGHT, 39},
    {KEY_END, 35},
    {KEY_DOWN, 40},
    {KEY_PAGEDOWN, 34},
    {KEY_INSERT, 45},
    {KEY_DELETE, 46},
    {KEY_MUTE, 173},
    {KEY_VOLUMEDOWN, 174},
    {KEY_VOLUMEUP, 175},
    {KEY_PAUSE, 19},
    {KEY_KPCOMMA, 108},
    {KEY_LEFTMETA, 91},
    {KEY_RIGHTMETA, 92},
    {KEY_COMPOSE, 93},
    {KEY_SLEEP, 95},
    {KEY_NEXTSONG, 176},
    {KEY_PLAYPAUSE, 179},
    {KEY_PREVIOUSSONG, 177},
    {KEY_STOPCD, 178},
    {KEY_F13, 124},
    {KEY_F14, 125},
    {KEY_F15, 126},
    {KEY_F16, 127},
    {KEY_F17, 128},
    {KEY_F18, 129},
    {KEY_F19, 130},
    {KEY_F20, 131},
    {KEY_F21, 132},
    {KEY_F22, 133},
    {KEY_F23, 134},
    {KEY_F24, 135},
    {KEY_PRINT, 42},
    {KEY_HELP, 47},
};

constexpr unsigned kTableSize = 256;

constexpr std::array<uint8_t, kTableSize> BuildTable() {
    std::array<uint8_t, kTableSize> table{};
    for (const auto& [code, vk] : kEvdevToVk) table[code] = vk;
    return table;
}

constexpr std::array<uint8_t, kTableSize> kTable = BuildTable();

static_assert(KEY_F24 < kTableSize, "every mapped evdev code must fit the table");
static_assert(kTable[KEY_RIGHTCTRL] == 163 && kTable[KEY_LEFTCTRL] == 17);

}  // namespace

int VkFromEvdevCode(unsigned code) {
    return code < kTableSize ? kTable[code] : 0;
}

int VkFromXkbKeycode(unsigned keycode) {
    return keycode < 8 ? 0 : VkFromEvdevCode(keycode - 8);
}
