#include "macro/key_names.h"

#include <cstdio>
#include <mutex>
#include <vector>

#include "config/ui_text.h"
#include "core/utf.h"
#include "macro/hd_macro.h"
#include "macro/macro_library.h"
#include "platform/keyboard_layout.h"

namespace {

struct Named {
    unsigned code;
    const char* label;
};

constexpr Named kKeyNames[] = {
    {8, "Backspace"}, {9, "Tab"},           {12, "Clr"},         {13, "Enter"},    {16, "Shift"},
    {17, "Ctrl"},     {18, "Alt"},          {19, "Pause"},       {20, "CapsLock"}, {27, "Esc"},
    {32, "Space"},    {33, "PageUp"},       {34, "PageDown"},    {35, "End"},      {36, "Home"},
    {37, "Left"},     {38, "Up"},           {39, "Right"},       {40, "Down"},     {41, "Select"},
    {42, "Print"},    {43, "Enter"},        {44, "PrintScreen"}, {45, "Insert"},   {46, "Delete"},
    {47, "Help"},     {91, "L_Win"},        {92, "R_Win"},       {93, "App"},      {106, "Num *"},
    {107, "Num +"},   {108, "\\"},          {109, "Num -"},      {110, "Num ."},   {111, "Num /"},
    {144, "NumLock"}, {145, "Scroll Lock"}, {160, "L_Shift"},    {161, "R_Shift"}, {162, "L_Ctrl"},
    {163, "R_Ctrl"},  {164, "L_Alt"},       {165, "R_Alt"},      {255, ""},
};

struct FunctionText {
    unsigned code;
    const char* key;
};

constexpr FunctionText kFunctionTexts[] = {
    {17, "tc_click"},
    {18, "tc_middle"},
    {19, "tc_menu"},
    {20, "tc_forward"},
    {21, "tc_back"},
    {22, "tc_dbclick"},
    {23, "tc_three"},
    {24, "tc_rdbclick"},
    {33, "tc_kbmedia_msel"},
    {34, "tc_PL"},
    {35, "tc_stop"},
    {36, "tc_pre_media"},
    {37, "tc_next_media"},
    {38, "tc_vol_up"},
    {39, "tc_vol_dw"},
    {40, "tc_mute"},
    {48, "tc_kbmedia_mail"},
    {49, "tc_kbmedia_cal"},
    {50, "tc_kbmedia_explore"},
    {51, "tc_kbmedia_search"},
    {52, "tc_kbmedia_main"},
    {55, "tc_kbmedia_stop"},
    {56, "tc_kbmedia_refresh"},
    {57, "tc_kbmedia_favor"},
    {162, "tc_key_off"},
    {163, "tc_shift"},
    {164, "tc_fire"},
    {166, "tc_snipe"},
    {167, "tc_rgb"},
    {168, "tc_dpiadd"},
    {169, "tc_dpisub"},
    {170, "tc_dpiloop"},
    {171, "tc_msg31"},
    {172, "tc_reportsw"},
    {173, "tc_customkey"},
    {174, "tc_rgbsw"},
    {176, "tc_prosw"},
};

constexpr const char* kMouseTexts[] = {"tc_click", "tc_menu", "tc_middle", "tc_forward", "tc_back"};

char32_t UpperCase(char32_t c) {
    if (c >= U'a' && c <= U'z') return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
    if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return c - 32;  // Greek
    if (c >= 0x430 && c <= 0x44F) return c - 32;                // Cyrillic
    if (c >= 0x450 && c <= 0x45F) return c - 80;
    return c;
}

std::string Join(const std::string& a, const std::string& b) {
    return a.empty() ? b : a + " + " + b;
}

std::string AppendKeys(std::string label, uint8_t k1, uint8_t k2, uint8_t k3) {
    for (uint8_t k : {k1, k2, k3})
        if (k) label = Join(label, KeyName(k));
    return label;
}

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return std::string();
    return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

// Names people type for keys whose label is something else.
constexpr struct {
    const char* name;
    uint8_t vk;
} kTypedNames[] = {{"esc", 0x1B},      {"escape", 0x1B},      {"tab", 0x09},    {"enter", 0x0D},
                   {"space", 0x20},    {"backspace", 0x08},   {"delete", 0x2E}, {"insert", 0x2D},
                   {"home", 0x24},     {"end", 0x23},         {"pageup", 0x21}, {"pagedown", 0x22},
                   {"up", 0x26},       {"down", 0x28},        {"left", 0x25},   {"right", 0x27},
                   {"capslock", 0x14}, {"printscreen", 0x2C}, {"pause", 0x13}};

// The punctuation keys by their US characters, for layouts that put other characters there.
constexpr struct {
    char c;
    uint8_t vk;
} kUsPunctuation[] = {{'[', 0xDB},  {']', 0xDD}, {'\\', 0xDC}, {';', 0xBA},
                      {'\'', 0xDE}, {',', 0xBC}, {'.', 0xBE},  {'/', 0xBF},
                      {'`', 0xC0},  {'=', 0xBB}, {'-', 0xBD}};

bool Pressable(unsigned vk) {
    return vk > 0 && vk < 256 && VkToHid(static_cast<uint8_t>(vk)) != 0;
}

// "VK 0xNN" as KeyName shows a key without a character: the code NN; 0 when not that form.
unsigned CodeOfVkLabel(const std::string& name) {
    const std::string n = AsciiLower(name);
    if (n.size() < 6 || n.size() > 7 || n.rfind("vk 0x", 0) != 0) return 0;
    unsigned v = 0;
    for (size_t i = 5; i < n.size(); ++i) {
        const char c = n[i];
        if (c >= '0' && c <= '9')
            v = v * 16 + static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            v = v * 16 + static_cast<unsigned>(c - 'a' + 10);
        else
            return 0;
    }
    return v;
}

}  // namespace

std::string KeyName(unsigned code) {
    for (const auto& n : kKeyNames)
        if (n.code == code) return n.label;
    if (code >= 48 && code <= 57) return std::string(1, static_cast<char>(code));
    if (code >= 65 && code <= 90) return std::string(1, static_cast<char>(code));
    if (code >= 96 && code <= 105) return "Num " + std::to_string(code - 96);
    if (code >= 112 && code <= 123) return "F" + std::to_string(code - 111);
    if (code >= 240 && code <= 244) return g_UiText.Get(kMouseTexts[code - 240]);
    char32_t ch = platform::CharForVirtualKey(code);
    if (ch == 0) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "VK 0x%02X", code & 0xFFFFu);
        return buf;
    }
    ch = UpperCase(ch);
    std::u16string u16;
    if (ch >= 0x10000) {
        u16 += static_cast<char16_t>(0xD800 + ((ch - 0x10000) >> 10));
        u16 += static_cast<char16_t>(0xDC00 + ((ch - 0x10000) & 0x3FF));
    } else {
        u16 += static_cast<char16_t>(ch);
    }
    return Utf16ToUtf8(u16);
}

std::string ComboLabel(uint8_t modifiers, uint8_t key1, uint8_t key2, uint8_t key3) {
    std::string label;
    if (modifiers & 0x11) label = Join(label, "Ctrl");
    if (modifiers & 0x44) label = Join(label, "Alt");
    if (modifiers & 0x22) label = Join(label, "Shift");
    if (modifiers & 0x88) label = Join(label, "Win");
    return AppendKeys(label, key1, key2, key3);
}

std::string ComboLabelSided(uint8_t modifiers, uint8_t key1, uint8_t key2, uint8_t key3) {
    static constexpr struct {
        uint8_t bit;
        const char* text;
    } kSided[] = {{0x01, "L-Ctrl"}, {0x04, "L-Alt"}, {0x02, "L-Shift"}, {0x08, "L-Win"},
                  {0x10, "R-Ctrl"}, {0x40, "R-Alt"}, {0x20, "R-Shift"}, {0x80, "R-Win"}};
    std::string label;
    for (const auto& s : kSided)
        if (modifiers & s.bit) label = Join(label, s.text);
    return AppendKeys(label, key1, key2, key3);
}

std::string KeyFunctionLabel(const KeyEntry& entry) {
    const unsigned cls = entry.dwFunID >> 24;
    const unsigned code = entry.dwFunID & 0xFFFFFF;
    if (cls == 5) {
        std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
        const StMacro* m = FindMacroById(entry.dwMacroID);
        if (!m) return g_UiText.tc_msg11;
        return g_UiText.tc_msg27 + " - " + MacroName(*m);
    }
    if (cls == 2)
        return ComboLabel(entry.stCombo[0], entry.stCombo[1], entry.stCombo[2], entry.stCombo[3]);
    if (code == 53)
        return !g_UiText.Get("tc_kbmedia_back").empty() ? g_UiText.Get("tc_kbmedia_back")
                                                        : g_UiText.Get("tc_back");
    if (code == 54)
        return !g_UiText.Get("tc_kbmedia_forward").empty() ? g_UiText.Get("tc_kbmedia_forward")
                                                           : g_UiText.Get("tc_forward");
    for (const auto& f : kFunctionTexts)
        if (f.code == code) return g_UiText.Get(f.key);
    return std::string();
}

TypedKey VirtualKeyOfName(const std::string& name, uint8_t& vk) {
    vk = 0;
    unsigned unpressable = 0;
    auto take = [&](unsigned code) {
        if (Pressable(code)) {
            vk = static_cast<uint8_t>(code);
            return true;
        }
        if (!unpressable) unpressable = code;
        return false;
    };
    const std::string lower = AsciiLower(name);
    for (const auto& t : kTypedNames)
        if (lower == t.name && take(t.vk)) return TypedKey::kPressable;
    if (const unsigned code = CodeOfVkLabel(name); code && take(code)) return TypedKey::kPressable;
    // Mouse codes (240 and up) are no keys of a combination.
    for (unsigned code = 1; code < 240; ++code)
        if (EqualsNoCase(KeyName(code), name) && take(code)) return TypedKey::kPressable;
    if (name.size() == 1)
        for (const auto& p : kUsPunctuation)
            if (name[0] == p.c && take(p.vk)) return TypedKey::kPressable;
    return unpressable ? TypedKey::kNoUsage : TypedKey::kUnknown;
}

std::string ParseCombination(const std::string& text, uint8_t combo[4]) {
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        size_t plus = text.find('+', start);
        std::string part =
            Trim(text.substr(start, plus == std::string::npos ? plus : plus - start));
        // "Num +": that "+" is the key's own, not a separator.
        if (plus != std::string::npos && EqualsNoCase(part, "num")) {
            const size_t next = text.find('+', plus + 1);
            const std::string between =
                text.substr(plus + 1, next == std::string::npos ? next : next - plus - 1);
            if (!Trim(between).empty()) return "unknown key Num +" + between;
            part = "Num +";
            plus = next;
        }
        parts.push_back(part);
        if (plus == std::string::npos) break;
        start = plus + 1;
    }
    uint8_t out[4] = {};
    int keys = 0;
    for (const std::string& part : parts) {
        const std::string p = AsciiLower(part);
        if (p.empty())
            return parts.size() == 1 ? "empty combination" : "a key is missing in " + text;
        if (p == "ctrl") {
            out[0] |= 0x01;
        } else if (p == "shift") {
            out[0] |= 0x02;
        } else if (p == "alt") {
            out[0] |= 0x04;
        } else if (p == "win") {
            out[0] |= 0x08;
        } else {
            uint8_t vk = 0;
            switch (VirtualKeyOfName(part, vk)) {
                case TypedKey::kUnknown:
                    return "unknown key " + part;
                case TypedKey::kNoUsage:
                    return "the mouse cannot press " + part + " (it has no key code for it)";
                case TypedKey::kPressable:
                    break;
            }
            if (keys == 3) return "a combination holds at most 3 keys";
            out[1 + keys++] = vk;
        }
    }
    for (int i = 0; i < 4; ++i) combo[i] = out[i];
    return std::string();
}
