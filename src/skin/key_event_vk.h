// Key events as virtual-key codes, left and right modifiers told apart.
#pragma once

class QKeyEvent;

// The virtual-key code of the event's key: from the native scan code when the platform gives
// one (xkb keycode), else from the Qt key (modifiers then count as the left keys). 0 when the
// key has no virtual-key code.
int VkFromKeyEvent(const QKeyEvent* event);

// The Qt-key half of VkFromKeyEvent; keypad tells whether the key came from the keypad.
int VkFromQtKey(int qtKey, bool keypad);
