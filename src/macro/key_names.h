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

// What a typed key name stands for.
enum class TypedKey {
    kUnknown,    // no key has this name
    kPressable,  // vk is the key; the mouse can press it (it has a HID usage)
    kNoUsage,    // the name is a key's, but the mouse has no code for it
};
// The virtual-key code a user means by a key name: a label as KeyName shows it ("A", "F5",
// "Num +", "PageUp", "VK 0xDC"; letter case ignored), a common name ("Esc", "Delete") or a US
// punctuation key (a backslash is the backslash key). Among keys of that name the first the
// mouse can press wins, so a backslash is not the keypad separator that shares its label.
TypedKey VirtualKeyOfName(const std::string& name, uint8_t& vk);
// Parses a combination as typed: "Ctrl+Shift+A", parts joined by "+" with blanks around them
// ignored, modifiers Ctrl, Shift, Alt and Win, and up to three keys as VirtualKeyOfName takes
// them ("Num +" is one key). Returns "" with combo filled (modifier bits, then the keys), or the
// reason it is refused (combo unchanged).
std::string ParseCombination(const std::string& text, uint8_t combo[4]);
