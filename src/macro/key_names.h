// Labels of keys, key functions and key combinations, as the user sees them.
#pragma once

#include <cstdint>
#include <string>

#include "config/key_entry.h"

// The label of one virtual-key or mouse code. Codes without a fixed name take the character of
// the key in the user's keyboard layout, upper-cased; a key without any character is shown as
// "VK 0x%02X".
std::string KeyName(unsigned code);
// The caption of a button's assignment: the macro's name, the combination, or the function's
// UI text (empty for an unknown code).
std::string KeyFunctionLabel(const KeyEntry& entry);
// "Ctrl + Alt + Shift + Win + keys", sides merged (modifier bits of the HID modifier byte).
std::string ComboLabel(uint8_t modifiers, uint8_t key1, uint8_t key2, uint8_t key3);
// "L-Ctrl + L-Alt + L-Shift + L-Win + R-Ctrl + R-Alt + R-Shift + R-Win + keys".
std::string ComboLabelSided(uint8_t modifiers, uint8_t key1, uint8_t key2, uint8_t key3);
