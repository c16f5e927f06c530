// Settings the skinned controls take from the program configuration and the UI texts. The
// application fills them once after loading cfg.ini and text.xml; the engine stays Qt-free.
#pragma once

#include <QFont>

#include <cstdint>
#include <string>

struct SkinSettings {
    uint32_t clrBtnNr = 0;    // "Btn_txt_clr_nr", 0x00BBGGRR
    uint32_t clrBtnOv = 0;    // "Btn_txt_clr_ov"
    uint32_t clrBtnDn = 0;    // "Btn_txt_clr_dn"
    uint32_t clrMenuNr = 0;   // "Menu_txt_clr_nr"
    uint32_t clrMenuOv = 0;   // "Menu_txt_clr_ov"
    bool bUIDebug = false;    // "UIDebug"
    std::string swWordLeft;   // tc_msg25
    std::string swWordRight;  // tc_msg26
};

extern SkinSettings g_SkinSettings;

// The program font (from appfont.ttf); null while none is loaded.
const QFont* SkinAppFont();
// Installs a copy of font as the program font; null removes it. Pointers handed out before
// stay valid for the life of the process (controls made earlier keep their font).
void SetSkinAppFont(const QFont* font);

// "MS Shell Dlg" at pixelSize, normal weight, falling back to the shipped sans-serif face.
QFont ShellDlgFont(int pixelSize);
