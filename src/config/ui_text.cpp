// UI texts from text.xml, the language choice in lang.ini and the skin mark check.
#include "config/ui_text.h"

#include <cstdio>
#include <unordered_map>
#include <utility>

#include "config/program_config.h"
#include "config/xml_doc.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/utf.h"
#include "platform/files.h"
#include "platform/private_profile.h"

UiTextTable g_UiText;

namespace {

const char* const kKeyNames[] = {
#define MIVORA_UI_TEXT_NAME(k) #k,
    MIVORA_UI_TEXT_KEYS(MIVORA_UI_TEXT_NAME)
#undef MIVORA_UI_TEXT_NAME
};
constexpr int kKeyCount = static_cast<int>(sizeof(kKeyNames) / sizeof(kKeyNames[0]));

using Member = std::string UiTextTable::*;
const Member kMembers[] = {
#define MIVORA_UI_TEXT_PTR(k) &UiTextTable::k,
    MIVORA_UI_TEXT_KEYS(MIVORA_UI_TEXT_PTR)
#undef MIVORA_UI_TEXT_PTR
};
static_assert(sizeof(kMembers) / sizeof(kMembers[0]) == kKeyCount);

const std::string kEmpty;

constexpr size_t kMarkFileBytes = 520;
constexpr int kMarkOffsetByte = 4;
constexpr int kMarkLengthByte = 20;
constexpr size_t kTitleCompareChars = 40;

}  // namespace

const std::string& UiTextTable::Get(const std::string& key) const {
    static const std::unordered_map<std::string, Member> byName = [] {
        std::unordered_map<std::string, Member> m;
        for (int i = 0; i < kKeyCount; ++i) m.emplace(kKeyNames[i], kMembers[i]);
        return m;
    }();
    const auto it = byName.find(key);
    return it == byName.end() ? kEmpty : this->*(it->second);
}

const std::string& UiTextTable::Tip(int n) const {
    if (n < 1 || n > 5) return kEmpty;
    return Get("tc_tip" + std::to_string(n));
}

const std::string& UiTextTable::LedMode(int n) const {
    if (n < 1 || n > 5) return kEmpty;
    return Get("tc_led_mode" + std::to_string(n));
}

int UiTextKeyCount() {
    return kKeyCount;
}

const char* UiTextKeyName(int i) {
    return (i >= 0 && i < kKeyCount) ? kKeyNames[i] : "";
}

std::string LookupText(const std::string& key) {
    XmlDoc& doc = g_TextDoc;
    doc.ResetPosition();
    while (doc.FindChildElement("config")) {
        doc.EnterElement();
        if (doc.FindChildElement(key)) return Utf16ToUtf8(doc.GetChildText());
    }
    return "";
}

void LoadUiTexts(const std::string& path) {
    if (g_TextDoc.LoadFromFile(path)) g_TextDoc.ParseDocument();
    for (int i = 0; i < kKeyCount; ++i) g_UiText.*kMembers[i] = LookupText(kKeyNames[i]);
}

std::string LanguageTextPath(const std::string& appDir, const std::string& folder) {
    return appDir + folder + "/text.xml";
}

int ReadLangIndex(const std::string& dataDir) {
    const int index = platform::GetPrivateProfileInt("OPT", "LangIndex", 0, dataDir + "lang.ini");
    // An index past the configured languages would name no folder: fall back to the first.
    if (index < 0 || index >= g_Config.LangCount) return 0;
    return index;
}

bool HasLangIndex(const std::string& dataDir) {
    return platform::GetPrivateProfileInt("OPT", "LangIndex", -1, dataDir + "lang.ini") >= 0;
}

bool WriteLangIndex(const std::string& dataDir, int index) {
    return platform::WritePrivateProfileString("OPT", "LangIndex", std::to_string(index),
                                               dataDir + "lang.ini");
}

int IfMatch(const std::string& appDir) {
    std::vector<uint8_t> bytes;
    if (!platform::ReadWholeFile(appDir + "skins/mak.skn", bytes)) {
        g_pfnLog("open skn file err");
        return 0;
    }
    return SkinMarkMatches(std::move(bytes), g_Config.Title);
}

int SkinMarkMatches(std::vector<uint8_t> bytes, const std::string& expectedTitle) {
    if (bytes.size() > kMarkFileBytes) bytes.resize(kMarkFileBytes);
    const int offset =
        bytes.size() > kMarkOffsetByte ? static_cast<int8_t>(bytes[kMarkOffsetByte]) : 0;
    const int size =
        bytes.size() > kMarkLengthByte ? static_cast<int8_t>(bytes[kMarkLengthByte]) : 0;
    if (offset <= 20 || size > 100) {
        g_pfnLog("Error: nOffset=%d, nSize=%d", offset, size);
        return 0;
    }
    // A file too short for its own mark is damaged, not a mark with missing letters.
    if (size > 0 && static_cast<size_t>(offset) + static_cast<size_t>(size) > bytes.size()) {
        g_pfnLog("Error: nOffset=%d, nSize=%d", offset, size);
        return 0;
    }
    std::u16string mark;
    for (int i = 0; i < size; ++i) {
        const uint8_t b = bytes[static_cast<size_t>(offset + i)];
        mark += static_cast<char16_t>(static_cast<uint8_t>((b >> 3) | (b << 5)));
    }
    const std::u16string title = Utf8ToUtf16(expectedTitle);
    auto lower = [](char16_t c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char16_t>(c + 32) : c;
    };
    bool same = true;
    for (size_t i = 0; i < kTitleCompareChars && same; ++i) {
        const char16_t a = i < mark.size() ? mark[i] : 0;
        const char16_t b = i < title.size() ? title[i] : 0;
        same = lower(a) == lower(b);
        if (a == 0 || b == 0) break;
    }
    if (same) return 1;
    g_pfnLog("IfMatch: szText=%s, tc_title=%s", Utf16ToUtf8(mark).c_str(), "");
    g_pfnLog("IfMatch return 0");
    return 0;
}

int IfMatch() {
    return IfMatch(g_szAppDir);
}
