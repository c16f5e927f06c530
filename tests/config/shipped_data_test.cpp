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
            EXPECT_NE(DpiToCode(m.Sensor, m.DPI[i]), 0) << m.DPI[i];
            EXPECT_EQ(CodeToDpi(DpiToCode(m.Sensor, m.DPI[i])), m.DPI[i])
                << "stage " << i << " does not read back as itself";
        }
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
