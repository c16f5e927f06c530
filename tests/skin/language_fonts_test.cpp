// Every language we ship must draw as text, not as empty boxes: the fonts the project's scripts
// install have to cover each script the translations use (accented Latin, Cyrillic, Han, kana,
// hangul).
#include <QFont>
#include <QFontDatabase>
#include <QRawFont>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/log.h"
#include "support/support.h"

namespace {

TEST(LanguageFonts, AnInstalledFontDrawsEveryCharacterOfEveryShippedLanguage) {
    testing_support::RecordingNotifier notes;
    ASSERT_EQ(LoadConfig(testing_support::SourceDataDir()), 1);
    ResetLog();
    ASSERT_GT(g_Config.LangCount, 0);

    std::vector<QRawFont> fonts;
    for (const QString& family : QFontDatabase::families()) {
        const QRawFont raw = QRawFont::fromFont(QFont(family));
        if (raw.isValid()) fonts.push_back(raw);
    }
    ASSERT_FALSE(fonts.empty()) << "no font is installed";

    for (int i = 0; i < g_Config.LangCount; ++i) {
        const LangEntry& lang = g_Config.Lang[i];
        LoadUiTexts(LanguageTextPath(testing_support::SourceDataDir(), lang.folder));
        QString shown = QString::fromStdString(lang.name);
        for (int k = 0; k < UiTextKeyCount(); ++k)
            shown += QString::fromStdString(g_UiText.Get(UiTextKeyName(k)));
        QString missing;
        for (char32_t c : shown.toUcs4()) {
            if (c < 0x20 || missing.contains(QString::fromUcs4(&c, 1))) continue;
            const bool drawn = std::any_of(fonts.begin(), fonts.end(), [c](const QRawFont& f) {
                return f.supportsCharacter(static_cast<uint>(c));
            });
            if (!drawn) missing += QString::fromUcs4(&c, 1);
        }
        EXPECT_TRUE(missing.isEmpty())
            << lang.name << ": no installed font draws \"" << missing.toStdString() << "\"";
    }
}

}  // namespace
