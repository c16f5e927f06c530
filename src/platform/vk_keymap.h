// Keyboard keys as the virtual-key codes that macro records, key entries and key names use.
// Left and right modifiers are told apart the way the records expect: the left keys keep the
// generic codes (Shift 16, Ctrl 17, Alt 18, Win 91) and the right keys get 161, 163, 165 and 92.
#pragma once

// Virtual-key code of a Linux input key code (KEY_* of the evdev interface); 0 when the key
// has no virtual-key code.
int VkFromEvdevCode(unsigned code);

// Virtual-key code of an xkb / X11 keycode (evdev code + 8, the native scan code of key events
// under X11 and Wayland); 0 for codes below 8 and for keys without a virtual-key code.
int VkFromXkbKeycode(unsigned keycode);
