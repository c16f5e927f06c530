// The character a key produces in the user's keyboard layout, for key labels.
#pragma once

#include <string>

namespace platform {

// The character that the key with Windows virtual-key code vk produces with no modifier held,
// in the session's keyboard layout (XKB_DEFAULT_LAYOUT / XKB_DEFAULT_VARIANT, else the system
// keyboard setting, else US). A dead key gives its spacing accent. Returns 0 when the key has no
// character or is not a key the table knows.
char32_t CharForVirtualKey(unsigned vk);

// Uses layout (and variant) instead of the session's from now on; an empty layout returns to
// the session's. For tests and for a layout chosen by the user.
void SetKeyboardLayout(const std::string& layout, const std::string& variant = "");

}  // namespace platform
