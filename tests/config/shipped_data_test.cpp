// The data that ships beside the program must load without a single message.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "config/device_model.h"
#include "config/language_locale.h"
#include "config/program_config.h"
#include "config/sensor_dpi.h"
#include "config/ui_text.h"
#include "config/xml_doc.h"
#include "core/log.h"
#include "core/utf.h"
#include "platform/files.h"
#include "support/support.h"

using testing_support::RecordingNotifier;

namespace {

// The arguments a printf-style text consumes, one entry per argument: the length modifier and
// the conversion class ("d", "u", "f", "c", "s", "p", "n"), "*" for a star width or precision.
// "%%" consumes nothing, and a '%' that starts no valid conversion (a listed character, as in
// "% ! #") is plain text.
std::vector<std::string> FormatArguments(const std::string& text) {
    std::vector<std::pair<int, std::string>> args;  // explicit position (0 = in order), kind
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        size_t j = i + 1;
        if (j < text.size() && text[j] == '%') {
            i = j;
            continue;
        }
        int position = 0;
        size_t digits = j;
        while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits])))
            ++digits;
        if (digits > j && digits < text.size() && text[digits] == '$') {
            position = std::stoi(text.substr(j, digits - j));
            j = digits + 1;
        }
        std::vector<std::string> stars;
        while (j < text.size() && std::strchr("-+ #0'", text[j])) ++j;
        auto width = [&] {
            if (j < text.size() && text[j] == '*') {
                stars.push_back("*");
                ++j;
            }
            while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
        };
        width();
        if (j < text.size() && text[j] == '.') {
            ++j;
            width();
        }
        std::string length;
        while (j < text.size() && std::strchr("hljztL", text[j])) length += text[j++];
        if (j >= text.size()) continue;
        static const std::map<char, const char*> kClass = {
            {'d', "d"}, {'i', "d"}, {'o', "u"}, {'u', "u"}, {'x', "u"}, {'X', "u"},
            {'e', "f"}, {'E', "f"}, {'f', "f"}, {'F', "f"}, {'g', "f"}, {'G', "f"},
            {'a', "f"}, {'A', "f"}, {'c', "c"}, {'s', "s"}, {'p', "p"}, {'n', "n"}};
        const auto kind = kClass.find(text[j]);
        if (kind == kClass.end()) continue;
        for (const std::string& s : stars) args.push_back({position, s});
        args.push_back({position, length + kind->second});
        i = j;
    }
    // Positional arguments are consumed by position, whatever order the words put them in.
    std::stable_sort(args.begin(), args.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> kinds;
    for (const auto& a : args) kinds.push_back(a.second);
    return kinds;
}

// Every language of the list, with the program folder's own text first.
std::vector<std::string> ShippedTextFiles() {
    std::vector<std::string> files = {testing_support::SourceDataDir() + "text.xml"};
    for (int i = 0; i < g_Config.LangCount; ++i)
        files.push_back(
            LanguageTextPath(testing_support::SourceDataDir(), g_Config.Lang[i].folder));
    return files;
}

TEST(ShippedData, CfgIniLoadsWithoutMessagesAndDescribesTheProductLine) {
    RecordingNotifier notes;
    ASSERT_EQ(LoadConfig(testing_support::SourceDataDir()), 1);
    ResetLog();
    EXPECT_TRUE(notes.messages.empty()) << notes.messages.front().first;
    EXPECT_EQ(g_Config.Debug, 0);
    EXPECT_EQ(g_Config.appdir, "Mivora");
    EXPECT_EQ(g_Config.FontName, "DejaVu Sans");
    EXPECT_EQ(g_Config.VID, 0x1209);
    EXPECT_EQ(g_Config.PID, 0x0007);
    EXPECT_EQ(g_Config.PIDBT, 0x0008);
    EXPECT_FALSE(g_Config.Title.empty());
    EXPECT_GE(g_Config.LangCount, 3);

    std::set<std::pair<int, int>> codes;
    std::set<int> sensors, keyCounts, links;
    bool lighting = false;
    for (DeviceModel& m : g_DeviceModels) {
        if (m.Sensor == 0) continue;
        EXPECT_TRUE(codes.insert({m.CID, m.MID}).second)
            << "duplicate model code " << m.CID << "/" << m.MID;
        EXPECT_GE(m.CID, 0);
        EXPECT_LE(m.CID, 255);
        EXPECT_LE(m.MID, 255);
        sensors.insert(m.Sensor);
        keyCounts.insert(m.KeyCount);
        links.insert(m.DevTy);
        lighting |= m.ShowLED != 0 && m.DevTy == 3;
        EXPECT_LE(m.DM, kDeviceDpiStages) << "the mouse stores five stages";
        const std::set<int> offered(std::begin(m.RATE), std::end(m.RATE));
        EXPECT_TRUE(offered.count(m.DR)) << "DR 0x" << std::hex << m.DR << " is not offered";
        EXPECT_TRUE((std::set<int>{0x125, 0x250, 0x500, 0x1000}).count(m.DR));
        pSensorCfg = &m;  // CodeToDpi reads the selected model's sensor
        for (int i = 0; i < m.DM; ++i) {
            ASSERT_TRUE(DpiCode(m.Sensor, m.DPI[i])) << m.DPI[i];
            EXPECT_EQ(CodeToDpi(*DpiCode(m.Sensor, m.DPI[i])), m.DPI[i])
                << "stage " << i << " does not read back as itself";
        }
        EXPECT_LT(m.DEFLEVEL, m.DM);
        EXPECT_FALSE(m.Name.empty()) << "the window names every model";
        bool left = false;
        for (int k = 0; k < m.KeyCount; ++k) {
            EXPECT_GE(m.DefaultKeys[0][k].dwMatrixPos, 1u);
            EXPECT_LE(m.DefaultKeys[0][k].dwMatrixPos, 8u);
            EXPECT_GT(m.Mark[k].Width(), 0) << "key mark " << k + 1;
            for (int t = 0; t < kKeySets; ++t) left |= m.DefaultKeys[t][k].dwFunID == 0x01000011u;
        }
        EXPECT_TRUE(left) << "every model keeps a left button";
    }
    EXPECT_GE(codes.size(), 3u);
    EXPECT_GE(sensors.size(), 3u);
    EXPECT_GE(keyCounts.size(), 2u);
    EXPECT_TRUE(links.count(1)) << "a receiver-only model";
    EXPECT_TRUE(lighting) << "a dual-link model with lighting";
}

TEST(ShippedData, TheDesktopsLocaleFindsItsLanguage) {
    ASSERT_EQ(LoadConfig(testing_support::SourceDataDir()), 1);
    ResetLog();
    auto folderOf = [](const std::string& locale) {
        const int k = LanguageIndexForLocale(locale);
        return k < 0 ? std::string("-") : g_Config.Lang[k].folder;
    };
    const std::pair<const char*, const char*> cases[] = {
        {"de_DE.UTF-8", "Deutsch"},
        {"de_AT", "Deutsch"},
        {"fr_CA.utf8", "Français"},
        {"es_MX.UTF-8", "Español"},
        {"it_IT@euro", "Italiano"},
        {"pt_BR.UTF-8", "Português (BR)"},
        {"pt_PT.UTF-8", "Português (BR)"},
        {"ru_RU.KOI8-R", "Русский"},
        {"ja_JP.eucJP", "日本語"},
        {"zh_CN.GB2312", "简体中文"},
        {"zh_SG", "简体中文"},
        {"ko_KR.UTF-8", "한국어"},
        {"en_GB.UTF-8", "English"},
        {"zh_TW.UTF-8", "-"},
        {"sv_SE.UTF-8", "-"},
        {"C", "-"},
        {"C.UTF-8", "-"},
        {"POSIX", "-"},
        {"", "-"},
    };
    for (const auto& [locale, folder] : cases) EXPECT_EQ(folderOf(locale), folder) << locale;
    // Every shipped language can be reached.
    for (int k = 0; k < g_Config.LangCount; ++k)
        EXPECT_FALSE(LocaleCodeOfLanguageFolder(g_Config.Lang[k].folder).empty())
            << g_Config.Lang[k].folder;
}

TEST(ShippedData, EveryTextFileIsWellFormedAndDefinesEveryKey) {
    RecordingNotifier notes;
    ASSERT_EQ(LoadConfig(testing_support::SourceDataDir()), 1);
    ResetLog();
    for (const std::string& f : ShippedTextFiles()) {
        ASSERT_TRUE(platform::FileExists(f)) << f;
        XmlDoc doc;
        ASSERT_TRUE(doc.LoadFromFile(f)) << f;
        EXPECT_TRUE(doc.ParseDocument()) << f << ": " << Utf16ToUtf8(doc.GetLoadResult());
        LoadUiTexts(f);
        for (int k = 0; k < UiTextKeyCount(); ++k)
            EXPECT_FALSE(g_UiText.Get(UiTextKeyName(k)).empty())
                << f << " lacks " << UiTextKeyName(k);
    }
}

TEST(ShippedData, EveryLanguageFolderIsListedOnceWithANameTheSelectorShowsWhole) {
    RecordingNotifier notes;
    ASSERT_EQ(LoadConfig(testing_support::SourceDataDir()), 1);
    ResetLog();
    std::set<std::string> listed, names;
    for (int i = 0; i < g_Config.LangCount; ++i) {
        const LangEntry& e = g_Config.Lang[i];
        EXPECT_TRUE(listed.insert(e.folder).second) << "Lang" << i + 1 << " repeats " << e.folder;
        EXPECT_TRUE(names.insert(e.name).second) << "Lang" << i + 1 << " repeats " << e.name;
        // The language selector cuts names after 19 characters.
        EXPECT_LE(Utf8ToUtf16(e.name).size(), 19u) << e.name;
    }
    namespace fs = std::filesystem;
    std::set<std::string> shipped;
    for (const auto& entry : fs::directory_iterator(testing_support::SourceDataDir()))
        if (entry.is_directory() && fs::exists(entry.path() / "text.xml"))
            shipped.insert(entry.path().filename().string());
    EXPECT_EQ(listed, shipped) << "every language folder is offered, and only those";
}

TEST(ShippedData, FormatArgumentsAreReadAsPrintfConsumesThem) {
    using V = std::vector<std::string>;
    const std::pair<const char*, V> cases[] = {
        {"Saved.", {}},
        {"Error %d", {"d"}},
        {"%s: %i of %u, %lx", {"s", "d", "u", "lu"}},
        {"%5.2f%% at %-8s", {"f", "s"}},
        {"%*d", {"*", "d"}},
        {"Avoid / \\ ? + = - * & % ! #", {}},
        {"100%", {}},
        {"%2$s %1$d", {"d", "s"}},
    };
    for (const auto& [text, kinds] : cases) EXPECT_EQ(FormatArguments(text), kinds) << text;
}

TEST(ShippedData, TranslationsConsumeTheSameFormatArgumentsAsTheEnglishText) {
    RecordingNotifier notes;
    ASSERT_EQ(LoadConfig(testing_support::SourceDataDir()), 1);
    ResetLog();
    const std::vector<std::string> files = ShippedTextFiles();
    LoadUiTexts(files.front());
    std::map<std::string, std::vector<std::string>> english;
    for (int k = 0; k < UiTextKeyCount(); ++k)
        english[UiTextKeyName(k)] = FormatArguments(g_UiText.Get(UiTextKeyName(k)));
    for (const std::string& f : files) {
        LoadUiTexts(f);
        for (const auto& [key, kinds] : english)
            EXPECT_EQ(FormatArguments(g_UiText.Get(key)), kinds)
                << f << ": " << key << " = " << g_UiText.Get(key);
    }
}

TEST(ShippedData, BuiltSkinMarkMatchesTheTitle) {
    RecordingNotifier notes;
    ASSERT_EQ(LoadConfig(testing_support::BinDir()), 1);
    testing_support::LogCapture log;
    EXPECT_EQ(IfMatch(testing_support::BinDir()), 1)
        << (log.Lines().empty() ? "" : log.Lines().back());
}

}  // namespace

namespace {

// The rule is generated from cfg.ini at build time: it must grant exactly our receiver and
// Bluetooth product ids, never the whole shared vendor id.
TEST(ShippedData, TheUdevRuleNamesTheConfiguredProductIds) {
    RecordingNotifier notes;
    ASSERT_EQ(LoadConfig(testing_support::SourceDataDir()), 1);
    ResetLog();
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(platform::ReadWholeFile(std::string(MIVORA_BIN_DIR) + "/70-mivora.rules", bytes));
    const std::string rule(bytes.begin(), bytes.end());
    char usb[64], bt[64];
    std::snprintf(usb, sizeof usb, "KERNELS==\"0003:%04X:%04X.*\"", g_Config.VID, g_Config.PID);
    std::snprintf(bt, sizeof bt, "KERNELS==\"0005:%04X:%04X.*\"", g_Config.VID, g_Config.PIDBT);
    EXPECT_NE(rule.find(usb), std::string::npos) << rule;
    EXPECT_NE(rule.find(bt), std::string::npos) << rule;
    size_t grants = 0;
    for (size_t at = rule.find("TAG+=\"uaccess\""); at != std::string::npos;
         at = rule.find("TAG+=\"uaccess\"", at + 1))
        ++grants;
    EXPECT_EQ(grants, 2u);
    EXPECT_EQ(rule.find(":*\""), std::string::npos) << "a product wildcard grants the whole vendor";
}

}  // namespace
