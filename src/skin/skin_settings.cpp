#include "skin/skin_settings.h"

#include <QStringList>

#include <memory>

SkinSettings g_SkinSettings;

namespace {
std::unique_ptr<QFont> g_pAppFont;
}

const QFont* SkinAppFont() {
    return g_pAppFont.get();
}

void SetSkinAppFont(const QFont* font) {
    g_pAppFont = font ? std::make_unique<QFont>(*font) : nullptr;
}

QFont ShellDlgFont(int pixelSize) {
    QFont font;
    font.setFamilies(QStringList{"MS Shell Dlg", "DejaVu Sans", "sans-serif"});
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Normal);
    return font;
}
