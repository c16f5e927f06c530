#include "skin/skin_config.h"

#include <QFontDatabase>
#include <QString>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "skin/skin_settings.h"

namespace {
int g_nAppFontId = -1;
}

void ApplySkinConfig() {
    g_SkinSettings.clrBtnNr = g_Config.Btn_txt_clr_nr;
    g_SkinSettings.clrBtnOv = g_Config.Btn_txt_clr_ov;
    g_SkinSettings.clrBtnDn = g_Config.Btn_txt_clr_dn;
    g_SkinSettings.clrMenuNr = g_Config.Menu_txt_clr_nr;
    g_SkinSettings.clrMenuOv = g_Config.Menu_txt_clr_ov;
    g_SkinSettings.bUIDebug = g_Config.UIDebug != 0;
    g_SkinSettings.swWordLeft = LookupText("tc_msg25");
    g_SkinSettings.swWordRight = LookupText("tc_msg26");
}

int LoadAppFont() {
    const std::string path = AppFontPath();
    if (path.empty()) return 0;
    const int id = QFontDatabase::addApplicationFont(QString::fromStdString(path));
    if (id < 0) return 0;
    g_nAppFontId = id;
    QFont font(QString::fromStdString(g_Config.FontName));
    font.setPixelSize(g_Config.FontSize > 0 ? g_Config.FontSize : 12);
    font.setWeight(QFont::Normal);
    SetSkinAppFont(&font);
    return 1;
}

void UnloadAppFont() {
    SetSkinAppFont(nullptr);
    if (g_nAppFontId >= 0) QFontDatabase::removeApplicationFont(g_nAppFontId);
    g_nAppFontId = -1;
}
