// Fills the skinned controls' settings from the loaded configuration and UI texts, and
// loads the program font.
#pragma once

// Copies the caption and menu colours, "UIDebug" and the switch words (tc_msg25, tc_msg26)
// into g_SkinSettings. Call after the configuration and after every language switch.
void ApplySkinConfig();

// Registers appfont.ttf for the process and makes the font "FontName" at "FontSize" pixels the
// program font. Returns 1; 0 when no face name is set, the file is missing or unusable (the
// controls then keep their own fonts).
int LoadAppFont();
// Removes the program font again.
void UnloadAppFont();
