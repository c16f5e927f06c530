#include "config/device_model.h"

#include <gtest/gtest.h>

#include "config/program_config.h"
#include "config/sensor_dpi.h"
#include "config_test_util.h"

using config_test::LoadCfgText;
using testing_support::RecordingNotifier;
using testing_support::TempDir;
using Msg = std::pair<std::string, std::string>;

namespace {

// One model section in use with valid defaults; extra lines are appended to it.
std::string Section(int n, const std::string& extra) {
    return "[DEV_" + std::to_string(n) + "]\nSensor=0x3050\nDM=4\nDPI=1000,1500,2000,3000\n" +
           extra;
}

class DeviceModelTest : public ::testing::Test {
  protected:
    int Load(const std::string& sections) {
        notes.messages.clear();
        return LoadCfgText(dir, "[OPT]\nappdir=Mivora\n" + sections);
    }
    TempDir dir;
    RecordingNotifier notes;
};

TEST_F(DeviceModelTest, SectionsFillTheirOwnRecords) {
    ASSERT_EQ(Load(Section(1, "CID=0x4D\nMID=2\n") + Section(7, "CID=5\nMID=6\n")), 1);
    EXPECT_EQ(g_DeviceModels[0].CID, 0x4D);
    EXPECT_EQ(g_DeviceModels[6].MID, 6);
    for (int i : {1, 2, 3, 4, 5, 8, 29}) EXPECT_EQ(g_DeviceModels[i].Sensor, 0) << i;
    EXPECT_EQ(pSensorCfg.load(), &g_DeviceModels[0]);
    EXPECT_EQ(FindDeviceModel(5, 6), &g_DeviceModels[6]);
    EXPECT_EQ(FindDeviceModel(0, 0), nullptr) << "unused records never match";
    const DeviceModel& m = g_DeviceModels[0];
    EXPECT_EQ(m.ptMark.x, 337);
    EXPECT_EQ(m.ptMark.y, 65);
    EXPECT_EQ(m.RATE[3], 0x1000);
    EXPECT_EQ(m.DR, 0x500);
    EXPECT_EQ(m.DefLEDMode, 0x20200);
    EXPECT_EQ(m.DevTy, 3);
    EXPECT_EQ(m.ReportTy, 0);
    EXPECT_EQ(m.DPIH, 48);
    EXPECT_EQ(m.KEYH, 13);
    EXPECT_EQ(m.KEYY, 116);
    EXPECT_EQ(m.MDNUM, 3);
    EXPECT_EQ(m.KeyCount, 16);
    EXPECT_EQ(m.DC[7], 0xFFFF00);
    EXPECT_TRUE(notes.messages.empty());
}

TEST_F(DeviceModelTest, NameForPeopleOrTheCodes) {
    const std::string longName(60, 'x');
    ASSERT_EQ(Load(Section(1, "CID=0x4D\nMID=2\nName=Mivora Apex Pro\n") +
                   Section(2, "CID=0x4D\nMID=0x0B\n") + Section(3, "Name=" + longName + "\n")),
              1);
    EXPECT_EQ(ModelDisplayName(g_DeviceModels[0]), "Mivora Apex Pro");
    EXPECT_EQ(ModelDisplayName(g_DeviceModels[1]), "4D0B");
    EXPECT_EQ(g_DeviceModels[2].Name, longName.substr(0, 39));
}

TEST_F(DeviceModelTest, ReportTypeFollowsTheLinkWhenNotGiven) {
    ASSERT_EQ(Load(Section(1, "DevTy=1\n") + Section(2, "DevTy=1\nReportTy=0\n") +
                   Section(3, "DevTy=2\n")),
              1);
    EXPECT_EQ(g_DeviceModels[0].ReportTy, 1);
    EXPECT_EQ(g_DeviceModels[1].ReportTy, 0);
    EXPECT_EQ(g_DeviceModels[2].ReportTy, 0);
}

TEST_F(DeviceModelTest, StageValuesColoursAndTheirMessages) {
    const struct {
        const char* name;
        std::string section;
        std::vector<int> dpi;
        std::vector<int> dc;
        std::vector<Msg> messages;
    } cases[] = {
        {"exact",
         "[DEV_1]\nSensor=0x3050\nDM=2\nDPI=500,4000\nDC=255,0,0,0,0,255\n",
         {500, 4000},
         {0x0000FF, 0xFF0000},
         {}},
        {"one too many",
         "[DEV_1]\nSensor=0x3050\nDM=2\nDPI=500,750,1000\n",
         {750, 1000},
         {0x0000FF, 0xFF0000},
         {{"DPI != DM.", "Warning"}}},
        {"nine for eight",
         "[DEV_1]\nSensor=0x3050\nDM=8\nDPI=500,750,1000,1250,1500,1750,2000,2500,3000\n",
         {500, 750, 1000, 1250, 1500, 1750, 2000, 2500},
         {},
         {{"DEV_1: DM=8, but the mouse stores 5 DPI stages; the first 5 are used", "Warning"}}},
        {"not in the list",
         "[DEV_1]\nSensor=0x3050\nDM=2\nDPI=600,700\n",
         {600, 700},
         {},
         {{"Wrong default dpi value: 600", "Warning"},
          {"Wrong default dpi value: 700", "Warning"}}},
        {"short colours",
         "[DEV_1]\nSensor=0x3050\nDM=1\nDPI=500\nDC=255,0\n",
         {500},
         {0x0000FF},
         {{"DC != DM.", "Warning"}}},
        {"sensor without entry",
         "[DEV_1]\nSensor=0x3360\nDM=8\n",
         {1000, 1600, 2000, 3000, 4000, 5000, 6000, 8000},
         {},
         {{"Can't find sensor", "Warning"},
          {"Wrong default dpi value: 1000", "Warning"},
          {"Wrong default dpi value: 1600", "Warning"},
          {"Wrong default dpi value: 2000", "Warning"},
          {"Wrong default dpi value: 3000", "Warning"},
          {"Wrong default dpi value: 4000", "Warning"},
          {"Wrong default dpi value: 5000", "Warning"},
          {"Wrong default dpi value: 6000", "Warning"},
          {"Wrong default dpi value: 8000", "Warning"},
          {"DEV_1: DM=8, but the mouse stores 5 DPI stages; the first 5 are used", "Warning"}}},
        {"odd limits",
         "[DEV_1]\nSensor=0x3050\nDM=1\nDPI=500\nDpiLimit=1,2,3\n",
         {500},
         {},
         {{"wrong DpiLimit value", "Warning"}}},
    };
    for (const auto& tc : cases) {
        ASSERT_EQ(Load(tc.section), 1) << tc.name;
        const DeviceModel& m = g_DeviceModels[0];
        for (size_t i = 0; i < tc.dpi.size(); ++i)
            EXPECT_EQ(m.DPI[i], tc.dpi[i]) << tc.name << " stage " << i;
        for (size_t i = 0; i < tc.dc.size(); ++i)
            EXPECT_EQ(m.DC[i], tc.dc[i]) << tc.name << " colour " << i;
        EXPECT_EQ(notes.messages, tc.messages) << tc.name;
    }
}

TEST_F(DeviceModelTest, DpiLimitPairsAreSplit) {
    ASSERT_EQ(Load(Section(1, "DpiLimit=100,200,300,400\n")), 1);
    EXPECT_EQ(g_DeviceModels[0].DpiLimitFirst[1], 300);
    EXPECT_EQ(g_DeviceModels[0].DpiLimitSecond[1], 400);
    EXPECT_EQ(g_DeviceModels[0].DpiLimitSecond[2], 0);
}

TEST_F(DeviceModelTest, InvalidModeOrKeyCountFailsOnlyInSectionsInUse) {
    const struct {
        const char* extra;
        int result;
    } cases[] = {{"MDNUM=4\n", 0}, {"MDNUM=6\n", 1}, {"KM=33\n", 0},
                 {"KM=0\n", 0},    {"KM=34\n", 0},   {"KM=2\n", 1}};
    for (const auto& tc : cases) EXPECT_EQ(Load(Section(1, tc.extra)), tc.result) << tc.extra;
    EXPECT_EQ(Load(Section(1, "KM=2\n")), 1);
    EXPECT_EQ(g_DeviceModels[0].KeyCount, 1);
    EXPECT_EQ(Load("[DEV_2]\nSensor=0\nMDNUM=4\n"), 1);
    EXPECT_EQ(Load(Section(1, "") + "[DEV_2]\nSensor=0x3050\nKM=3\n" + Section(3, "CID=9\n")), 0);
    EXPECT_EQ(g_DeviceModels[2].CID, 0) << "later sections are not read";
}

TEST_F(DeviceModelTest, MoreStagesThanTheMouseStoresLoadAsFive) {
    ASSERT_EQ(Load("[DEV_1]\nSensor=0x3050\nDM=6\nDEFLEVEL=5\nDPI=500,750,1000,1250,1500,1750\n"),
              1);
    const DeviceModel& m = g_DeviceModels[0];
    EXPECT_EQ(m.Sensor, 0x3050);
    EXPECT_EQ(m.DM, kDeviceDpiStages);
    EXPECT_EQ(m.DPI[4], 1500);
    EXPECT_EQ(m.DEFLEVEL, 0) << "a default stage beyond the fifth";
    ASSERT_EQ(notes.messages.size(), 1u);
    EXPECT_NE(notes.messages[0].first.find("DM=6"), std::string::npos);
}

TEST_F(DeviceModelTest, StageCountOutsideTheRecordIsRefused) {
    for (const char* dm : {"DM=9", "DM=0", "DM=-1"}) {
        ASSERT_EQ(Load(std::string("[DEV_1]\nSensor=0x3050\n") + dm + "\n" + Section(2, "CID=2\n")),
                  1)
            << dm;
        EXPECT_EQ(g_DeviceModels[0].Sensor, 0) << dm;
        EXPECT_EQ(g_DeviceModels[1].CID, 2) << "later sections still load";
        ASSERT_EQ(notes.messages.size(), 1u) << dm;
        EXPECT_EQ(notes.messages[0].second, "Error");
        EXPECT_NE(notes.messages[0].first.find("DEV_1"), std::string::npos);
    }
}

TEST_F(DeviceModelTest, DefaultKeyTables) {
    ASSERT_EQ(Load(Section(1,
                           "KM=6\nK1_1=1,f0,0,1\nK2_1=2,0504,3,2\nK3_1=8,A4,23,3\n"
                           "K1_2=1,11,0,1\n"
                           "K1_3=1,11,0,1,99\nK2_3=4,26\nK3_3=b,2,0,3\n")),
              1);
    const DeviceModel& m = g_DeviceModels[0];
    const KeyEntry& k1 = m.DefaultKeys[0][0];
    EXPECT_EQ(k1.dwFunID, 0x010000F0u);
    EXPECT_EQ(k1.dwMatrixPos, 1u);
    const KeyEntry& k2 = m.DefaultKeys[0][1];
    EXPECT_EQ(k2.dwFunID, 0x020000A1u);
    EXPECT_EQ(k2.stCombo[0], 0x03);
    EXPECT_EQ(k2.stCombo[1], 0x04);
    EXPECT_EQ(k2.stCombo[2], 0x05);
    EXPECT_EQ(k2.dwMatrixPos, 2u);
    EXPECT_EQ(m.DefaultKeys[0][2].dwParameter, 0x23u);
    EXPECT_EQ(m.DefaultKeys[1][1], k2) << "table 2 inherits what it does not define";
    EXPECT_EQ(m.DefaultKeys[1][0].dwFunID, 0x01000011u);
    EXPECT_EQ(m.DefaultKeys[2][0].dwFunID, 0x01000011u) << "a longer list gives its first four";
    EXPECT_EQ(m.DefaultKeys[2][1], k2) << "a short list does not count";
    EXPECT_EQ(m.DefaultKeys[2][2].dwFunID, 0x0B000002u);
    EXPECT_EQ(notes.messages, (std::vector<Msg>{{"Key num to small", "Error"},
                                                {"UnSet ExKey Value", "Error"},
                                                {"Key num to small", "Error"}}));
    for (int k = 0; k < kKeysPerSet; ++k) EXPECT_EQ(g_DefaultKeys[0][k], m.DefaultKeys[0][k]) << k;
}

TEST_F(DeviceModelTest, TablesWithoutKeysCopyTableOneAndBadExKeysAreReported) {
    ASSERT_EQ(Load(Section(1, "KM=2\nK1_1=1,11,0,1\n")), 1);
    EXPECT_EQ(g_DeviceModels[0].DefaultKeys[2][0], g_DeviceModels[0].DefaultKeys[0][0]);
    ASSERT_EQ(Load(Section(1, "KM=2\n")), 1);
    EXPECT_EQ(g_DeviceModels[0].DefaultKeys[0][0].dwFunID, 0u);
    ASSERT_EQ(Load(Section(1, "KM=2\nK1_1=b,5,0,1\n")), 1);
    EXPECT_EQ(g_DeviceModels[0].DefaultKeys[0][0].dwParameter, 0u);
    EXPECT_EQ(notes.messages, (std::vector<Msg>{{"Wrong ExKey Index", "Error"}}));
}

TEST_F(DeviceModelTest, MarksStopAtTheFirstGap) {
    ASSERT_EQ(Load(Section(1, "Mark1=10,20,30,40\nMark3=1,1,1,1\n")), 1);
    EXPECT_EQ(g_DeviceModels[0].Mark[0].right, 40);
    EXPECT_EQ(g_DeviceModels[0].Mark[0].bottom, 60);
    EXPECT_EQ(g_DeviceModels[0].Mark[2].right, 0);
    ASSERT_EQ(Load(Section(1, "Mark1=1,2,3\nMark2=1,2,3,4\n")), 1);
    EXPECT_EQ(g_DeviceModels[0].Mark[1].right, 4);
    EXPECT_EQ(notes.messages, (std::vector<Msg>{{"Mark value error", "Error"}}));
    // Values that would overflow the edges are refused before any arithmetic.
    notes.messages.clear();
    ASSERT_EQ(Load(Section(1,
                           "Mark1=2147483647,1,2147483647,1\nMark2=1,4294967295,1,1\n"
                           "Mark3=65535,65535,65535,65535\n")),
              1);
    EXPECT_EQ(g_DeviceModels[0].Mark[0].right, 0);
    EXPECT_EQ(g_DeviceModels[0].Mark[1].bottom, 0);
    EXPECT_EQ(g_DeviceModels[0].Mark[2].right, 131070);
    EXPECT_EQ(notes.messages,
              (std::vector<Msg>{{"Mark value error", "Error"}, {"Mark value error", "Error"}}));
}

TEST_F(DeviceModelTest, DpiSetAndDpiHwReplaceTheSharedSensorEntry) {
    ASSERT_EQ(Load("[DEV_1]\nSensor=0x3104\nDM=2\nDPI=400,800\nDPISET=400,800\nDPIHW=10,20\n"), 1);
    EXPECT_TRUE(notes.messages.empty());
    EXPECT_EQ(DpiToCode(0x3104, 800), 0x20);
    EXPECT_EQ(DpiToCode(0x3104, 600), 0);

    ASSERT_EQ(Load("[DEV_1]\nSensor=0x3104\nDM=1\nDPI=400\nDPISET=400,800\nDPIHW=10\n"), 1);
    EXPECT_EQ(notes.messages, (std::vector<Msg>{{"DPISET Num != DPIHW Num", "Warning"}}));

    ASSERT_EQ(Load("[DEV_1]\nSensor=0x3104\nDM=1\nDPI=700\nDPISET=700,900\n"), 1);
    EXPECT_EQ(DpiToCode(0x3104, 900), 2) << "without DPIHW the codes count from 1";

    ASSERT_EQ(Load("[DEV_1]\nSensor=0x3325\nDM=1\nDPI=400\nDPISET=400\n"
                   "[DEV_2]\nSensor=0x3325\nDM=1\nDPI=900\nDPISET=900\nDPIHW=7\n"),
              1);
    EXPECT_EQ(FindSensorEntry(0x3325)->values[0], 900) << "the later section wins for both";
    EXPECT_EQ(notes.messages, (std::vector<Msg>{}));
}

}  // namespace
