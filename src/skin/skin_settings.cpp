#include "skin/skin_settings.h"

#include <QStringList>

#include <deque>

SkinSettings g_SkinSettings;

namespace {
// Controls keep a pointer to the program font, so every font ever installed stays alive.
std::deque<QFont> g_installedFonts;
const QFont* g_pAppFont = nullptr;
}  // namespace

const QFont* SkinAppFont() {
    return g_pAppFont;
}

void SetSkinAppFont(const QFont* font) {
    if (!font) {
        g_pAppFont = nullptr;
        return;
    }
    g_installedFonts.push_back(*font);
    g_pAppFont = &g_installedFonts.back();
}

QFont ShellDlgFont(int pixelSize) {
    QFont font;
    font.setFamilies(QStringList{"MS Shell Dlg", "DejaVu Sans", "sans-serif"});
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Normal);
    return font;
}
