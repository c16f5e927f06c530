// The data that ships beside the program must load without a single message.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "config/device_model.h"
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
    for (const DeviceModel& m : g_DeviceModels) {
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
        for (int i = 0; i < m.DM; ++i) EXPECT_NE(DpiToCode(m.Sensor, m.DPI[i]), 0) << m.DPI[i];
        EXPECT_LT(m.DEFLEVEL, m.DM);
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

TEST(ShippedData, EveryTextFileIsWellFormedAndDefinesEveryKey) {
    RecordingNotifier notes;
    ASSERT_EQ(LoadConfig(testing_support::SourceDataDir()), 1);
    ResetLog();
    std::vector<std::string> files = {testing_support::SourceDataDir() + "text.xml"};
    for (int i = 0; i < g_Config.LangCount; ++i)
        files.push_back(
            LanguageTextPath(testing_support::SourceDataDir(), g_Config.Lang[i].folder));
    for (const std::string& f : files) {
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
