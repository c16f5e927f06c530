// Every picture the program loads from the skin folder, with the size the windows are laid
// out for. The skin generator draws exactly these; a test checks the built program folder.
#pragma once

#include <string>

struct SkinFileSpec {
    const char* name;  // relative to the skin folder
    int width;
    int height;
};

inline constexpr SkinFileSpec kSkinFiles[] = {
    {"main_nr.png", 1024, 640},    {"min_nr.png", 29, 29},      {"min_ov.png", 29, 29},
    {"exit_nr.png", 29, 29},       {"exit_ov.png", 29, 29},     {"about_nr.png", 29, 29},
    {"about_ov.png", 29, 29},      {"combo_nr.png", 110, 29},   {"flag_bt_nr.png", 31, 31},
    {"flag_bt_dn.png", 31, 31},    {"flag_24g_nr.png", 35, 26}, {"flag_24g_dn.png", 35, 26},
    {"btn_nr.png", 96, 35},        {"btn_dn.png", 96, 35},      {"btn2_nr.png", 76, 27},
    {"btn2_dn.png", 76, 27},       {"dpi_nr.png", 91, 27},      {"dpi_ov.png", 91, 27},
    {"dpi_dn.png", 91, 27},        {"sw_nr.png", 84, 17},       {"sw_dn.png", 84, 17},
    {"label_nr.png", 39, 17},      {"bar_nr.png", 331, 8},      {"bar_ov.png", 331, 8},
    {"led_bar.png", 252, 11},      {"slider.png", 11, 11},      {"bar_dot.png", 5, 11},
    {"Icon_Light.png", 22, 22},    {"Icon_Rate.png", 22, 22},   {"Icon_Dpi.png", 22, 22},
    {"Icon_DbClick.png", 22, 22},  {"Icon_Scroll.png", 22, 22}, {"Icon_Sens.png", 22, 22},
    {"Icon_Enhance.png", 22, 22},  {"number1.png", 18, 16},     {"number2.png", 18, 16},
    {"number3.png", 18, 16},       {"number4.png", 18, 16},     {"number5.png", 18, 16},
    {"number6.png", 18, 16},       {"number7.png", 18, 16},     {"number8.png", 18, 16},
    {"number9.png", 18, 16},       {"number10.png", 18, 16},    {"number11.png", 18, 16},
    {"number12.png", 18, 16},      {"number13.png", 18, 16},    {"number14.png", 18, 16},
    {"number15.png", 18, 16},      {"number16.png", 18, 16},    {"progress_nr.png", 530, 150},
    {"progress_ov.png", 530, 150}, {"menu_nr.png", 120, 20},    {"menu_ov.png", 120, 20},
    {"menusub_nr.png", 120, 20},   {"menusub_ov.png", 120, 20}, {"msg_nr.png", 460, 200},
    {"msg2_nr.png", 400, 340},     {"macro_nr.png", 760, 460},  {"check_nr.png", 16, 16},
    {"check_dn.png", 16, 16},      {"Check_nr.png", 16, 16},    {"Check_dn.png", 16, 16},
    {"PickColor.png", 73, 73},     {"macro/open.png", 12, 12},  {"macro/close.png", 12, 12},
    {"macro/UP_N.png", 16, 16},    {"macro/DN_N.png", 16, 16},  {"macro/TM_N.png", 16, 16},
};

// The main window face is as wide as the title buttons need: the exit button ends 64 pixels
// right of "ptMin" and keeps a 10-pixel margin. The default "ptMin" (950) gives 1024.
inline constexpr int kDefaultPtMinX = 950;
inline constexpr int MainFaceWidth(int ptMinX) {
    return ptMinX + 74;
}
static_assert(MainFaceWidth(kDefaultPtMinX) == 1024);

// Model pictures "skins/%02d%02d/mouse_nr.png" and "mouse_dn.png" have a size that follows
// the model's key marks; at least this big.
inline constexpr int kMousePictureMinWidth = 150;
inline constexpr int kMousePictureMinHeight = 240;

// Every picture also comes drawn at twice its size for scaled screens, beside it under the
// name with "@2x" before the extension: "main_nr.png" -> "main_nr@2x.png".
inline constexpr int kDoubledScale = 2;
inline std::string DoubledSkinName(const std::string& name) {
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    const size_t at =
        dot == std::string::npos || (slash != std::string::npos && dot < slash) ? name.size() : dot;
    return name.substr(0, at) + "@2x" + name.substr(at);
}
