// UI texts of the current language (text.xml), the language choice (lang.ini) and the skin check.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/ui_text_keys.h"

// One UTF-8 string per text key, empty until loaded: g_UiText.tc_ok, g_UiText.tc_msg14, ...
struct UiTextTable {
#define MIVORA_UI_TEXT_MEMBER(k) std::string k;
    MIVORA_UI_TEXT_KEYS(MIVORA_UI_TEXT_MEMBER)
#undef MIVORA_UI_TEXT_MEMBER

    // The text of a key by name; an empty text for a name that is not a key.
    const std::string& Get(const std::string& key) const;
    // "tc_tip%d" and "tc_led_mode%d" for n = 1..5; empty outside that range.
    const std::string& Tip(int n) const;
    const std::string& LedMode(int n) const;
};

extern UiTextTable g_UiText;

// Number of keys and the name of key i (load order), for checks of language files.
int UiTextKeyCount();
const char* UiTextKeyName(int i);

// Loads the document at path into g_TextDoc and sets every key of g_UiText from it; a key the
// file does not define (or a file that cannot be read) becomes empty.
void LoadUiTexts(const std::string& path);
// The text of key in g_TextDoc (inside element "config" below the root, searching a nested
// "config" when the outer one lacks the key); empty when not found.
std::string LookupText(const std::string& key);

// Path of a language's text file: appDir + folder + "/text.xml" (appDir ends with "/").
std::string LanguageTextPath(const std::string& appDir, const std::string& folder);

// "LangIndex" of section "OPT" in dataDir + "lang.ini" (default 0). A value outside the
// configured language list gives 0.
int ReadLangIndex(const std::string& dataDir);
// True once a language was stored (a first run has none yet).
bool HasLangIndex(const std::string& dataDir);
// Stores index as "LangIndex"; returns false when lang.ini cannot be written.
[[nodiscard]] bool WriteLangIndex(const std::string& dataDir, int index);

// Skin check: the mark in appDir + "skins/mak.skn" against g_Config.Title (ASCII case ignored,
// at most 40 characters). Returns 1 on a match; 0 otherwise, with the reason in the log.
int IfMatch();
int IfMatch(const std::string& appDir);
// The check itself, on the bytes of a mark file.
int SkinMarkMatches(std::vector<uint8_t> bytes, const std::string& expectedTitle);
