#include "platform/keyboard_layout.h"

#include <linux/input-event-codes.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <fstream>
#include <mutex>

namespace platform {

namespace {

struct VkKey {
    unsigned vk;
    unsigned evdev;
};

// Windows virtual keys whose character depends on the layout, at their US key positions.
constexpr VkKey kVkToEvdev[] = {
    {0x30, KEY_0},         {0x31, KEY_1},          {0x32, KEY_2},          {0x33, KEY_3},
    {0x34, KEY_4},         {0x35, KEY_5},          {0x36, KEY_6},          {0x37, KEY_7},
    {0x38, KEY_8},         {0x39, KEY_9},          {0x41, KEY_A},          {0x42, KEY_B},
    {0x43, KEY_C},         {0x44, KEY_D},          {0x45, KEY_E},          {0x46, KEY_F},
    {0x47, KEY_G},         {0x48, KEY_H},          {0x49, KEY_I},          {0x4A, KEY_J},
    {0x4B, KEY_K},         {0x4C, KEY_L},          {0x4D, KEY_M},          {0x4E, KEY_N},
    {0x4F, KEY_O},         {0x50, KEY_P},          {0x51, KEY_Q},          {0x52, KEY_R},
    {0x53, KEY_S},         {0x54, KEY_T},          {0x55, KEY_U},          {0x56, KEY_V},
    {0x57, KEY_W},         {0x58, KEY_X},          {0x59, KEY_Y},          {0x5A, KEY_Z},
    {0xBA, KEY_SEMICOLON}, {0xBB, KEY_EQUAL},      {0xBC, KEY_COMMA},      {0xBD, KEY_MINUS},
    {0xBE, KEY_DOT},       {0xBF, KEY_SLASH},      {0xC0, KEY_GRAVE},      {0xDB, KEY_LEFTBRACE},
    {0xDC, KEY_BACKSLASH}, {0xDD, KEY_RIGHTBRACE}, {0xDE, KEY_APOSTROPHE}, {0xE2, KEY_102ND},
};

// Used when no keymap can be compiled (no XKB data on the system): the US characters.
constexpr struct {
    unsigned vk;
    char32_t ch;
} kUsFallback[] = {{0xBA, U';'},  {0xBB, U'='}, {0xBC, U','},  {0xBD, U'-'},
                   {0xBE, U'.'},  {0xBF, U'/'}, {0xC0, U'`'},  {0xDB, U'['},
                   {0xDC, U'\\'}, {0xDD, U']'}, {0xDE, U'\''}, {0xE2, U'\\'}};

// Dead keys have no character of their own; their label is the spacing accent.
constexpr struct {
    xkb_keysym_t sym;
    char32_t ch;
} kDeadKeys[] = {{XKB_KEY_dead_grave, U'`'},      {XKB_KEY_dead_acute, 0xB4},
                 {XKB_KEY_dead_circumflex, U'^'}, {XKB_KEY_dead_tilde, U'~'},
                 {XKB_KEY_dead_diaeresis, 0xA8},  {XKB_KEY_dead_cedilla, 0xB8},
                 {XKB_KEY_dead_abovering, 0xB0},  {XKB_KEY_dead_caron, 0x2C7},
                 {XKB_KEY_dead_macron, 0xAF},     {XKB_KEY_dead_doubleacute, 0x2DD}};

std::mutex g_mutex;
xkb_context* g_context = nullptr;
xkb_keymap* g_keymap = nullptr;
xkb_state* g_state = nullptr;
bool g_tried = false;
std::string g_layout;
std::string g_variant;

std::string Unquote(std::string v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'')) v = v.substr(1, v.size() - 2);
    return v;
}

// The system keyboard setting (Debian and derivatives), read without any extra library.
void ReadSystemKeyboard(std::string& layout, std::string& variant) {
    std::ifstream in("/etc/default/keyboard");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("XKBLAYOUT=", 0) == 0) layout = Unquote(line.substr(10));
        if (line.rfind("XKBVARIANT=", 0) == 0) variant = Unquote(line.substr(11));
    }
    // Several layouts: the first one is the one in use at start.
    layout = layout.substr(0, layout.find(','));
    variant = variant.substr(0, variant.find(','));
}

void Release() {
    if (g_state) xkb_state_unref(g_state);
    if (g_keymap) xkb_keymap_unref(g_keymap);
    if (g_context) xkb_context_unref(g_context);
    g_state = nullptr;
    g_keymap = nullptr;
    g_context = nullptr;
    g_tried = false;
}

void EnsureKeymap() {
    if (g_tried) return;
    g_tried = true;
    std::string layout = g_layout;
    std::string variant = g_variant;
    if (layout.empty()) {
        const char* env = std::getenv("XKB_DEFAULT_LAYOUT");
        if (env && *env) {
            layout = env;
            const char* var = std::getenv("XKB_DEFAULT_VARIANT");
            variant = var ? var : "";
            layout = layout.substr(0, layout.find(','));
            variant = variant.substr(0, variant.find(','));
        } else {
            ReadSystemKeyboard(layout, variant);
        }
    }
    if (layout.empty()) layout = "us";
    g_context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!g_context) return;
    xkb_context_set_log_level(g_context, XKB_LOG_LEVEL_CRITICAL);
    xkb_rule_names names{};
    names.rules = "evdev";
    names.model = "pc105";
    names.layout = layout.c_str();
    names.variant = variant.empty() ? nullptr : variant.c_str();
    g_keymap = xkb_keymap_new_from_names(g_context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!g_keymap && layout != "us") {
        names.layout = "us";
        names.variant = nullptr;
        g_keymap = xkb_keymap_new_from_names(g_context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    }
    if (g_keymap) g_state = xkb_state_new(g_keymap);
}

}  // namespace

char32_t CharForVirtualKey(unsigned vk) {
    unsigned evdev = 0;
    for (const auto& k : kVkToEvdev)
        if (k.vk == vk) evdev = k.evdev;
    if (evdev == 0) return 0;
    std::lock_guard<std::mutex> lock(g_mutex);
    EnsureKeymap();
    if (!g_state) {
        for (const auto& f : kUsFallback)
            if (f.vk == vk) return f.ch;
        return 0;
    }
    const xkb_keycode_t code = evdev + 8;  // XKB keycodes are evdev codes plus 8
    uint32_t ch = xkb_state_key_get_utf32(g_state, code);
    if (ch >= 0x20 && ch != 0x7F) return ch;
    xkb_keysym_t sym = xkb_state_key_get_one_sym(g_state, code);
    for (const auto& d : kDeadKeys)
        if (d.sym == sym) return d.ch;
    return 0;
}

void SetKeyboardLayout(const std::string& layout, const std::string& variant) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Release();
    g_layout = layout;
    g_variant = variant;
}

}  // namespace platform
