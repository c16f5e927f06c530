// The tip shown for a refused name lists exactly what the name check refuses, in every language.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "config/ui_text.h"
#include "macro/macro_names.h"
#include "support/support.h"

namespace {

TEST(NameTipTest, EveryLanguageListsTheCharactersTheCheckRefuses) {
    const std::string refused = "/\\?+=-*&%!#";
    const UiTextTable saved = g_UiText;
    for (const char* file : {"text.xml", "English/text.xml", "Deutsch/text.xml",
                             "\xE7\xAE\x80\xE4\xBD\x93\xE4\xB8\xAD\xE6\x96\x87/text.xml"}) {
        LoadUiTexts(testing_support::SourceDataDir() + file);
        const std::string tip = g_UiText.tc_tip1;
        ASSERT_FALSE(tip.empty()) << file;
        std::string out;
        for (char c : refused) {
            EXPECT_NE(tip.find(c), std::string::npos) << file << " does not list " << c;
            EXPECT_EQ(0, ValidateTypedMacroName(std::string("a") + c + "b", out)) << c;
        }
        // Any other ASCII punctuation in the tip (the sentence's own full stop aside) would
        // name a character the check accepts.
        for (char c : tip) {
            if (c == '.' || c == ' ' || !std::ispunct(static_cast<unsigned char>(c))) continue;
            EXPECT_NE(refused.find(c), std::string::npos) << file << " lists " << c;
        }
    }
    g_UiText = saved;
}

}  // namespace
