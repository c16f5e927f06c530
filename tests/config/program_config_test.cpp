#include "config/program_config.h"

#include <gtest/gtest.h>

#include "config/device_model.h"
#include "config_test_util.h"
#include "core/log.h"

using config_test::LoadCfgText;
using testing_support::RecordingNotifier;
using testing_support::TempDir;
using Msg = std::pair<std::string, std::string>;

namespace {

class ProgramConfigTest : public ::testing::Test {
  protected:
    void TearDown() override { ResetLog(); }
    TempDir dir;
    RecordingNotifier notes;
};

TEST_F(ProgramConfigTest, MissingFileGivesEveryDefault) {
    ASSERT_EQ(LoadConfig(dir.path() + "/"), 1);
    const ProgramConfig& c = g_Config;
    EXPECT_EQ(c.Retry, 3);
    EXPECT_EQ(c.VID, 0x1209);
    EXPECT_EQ(c.PID, 0x0007);
    EXPECT_EQ(c.PIDBT, 0x0008);
    EXPECT_EQ(c.ptKey.x, 355);
    EXPECT_EQ(c.ptKey.y, 209);
    EXPECT_EQ(c.ptMin.x, 950);
    EXPECT_EQ(c.rcMacroList.left, 84);
    EXPECT_EQ(c.rcMacroList.bottom, 395);
    EXPECT_EQ(c.rcKeyList.left, 326);
    EXPECT_EQ(c.rcSupprotBtn.right, 770);
    EXPECT_EQ(c.rcHomePageBtn.Width(), 0);
    EXPECT_EQ(c.clrEdit, 0x141414u);
    EXPECT_EQ(c.clrMacFrame, 0x646464u);
    EXPECT_EQ(c.clrDpiMark, 0x00FFFFu);
    EXPECT_EQ(c.Txt_clr, 0u);
    EXPECT_EQ(c.Btn_txt_clr_dn2, 0u);
    EXPECT_EQ(c.MenuItems, 13);
    EXPECT_EQ(c.Macro_Opt_X, 580);
    EXPECT_EQ(c.TrayIcon, 2);
    EXPECT_EQ(c.FontSize, 12);
    EXPECT_EQ(c.Sensor, 0x3050);
    EXPECT_EQ(c.LangCount, 0);
    EXPECT_EQ(c.MacroLimits.MinDelay, 10);
    EXPECT_EQ(c.MacroLimits.SlotBytes, 384);
    EXPECT_EQ(c.MacroLimits.MaxDelay, 0xFFFF);
    EXPECT_EQ(c.MacroLimits.MacroEventLimit, 30);
    EXPECT_EQ(c.LedOpt[1].field[3], 1);
    EXPECT_EQ(c.LedOpt[3].field[7], 0);
    EXPECT_EQ(c.LedOpt[0].field[14], 0xFA00FA);
    EXPECT_EQ(pSensorCfg.load(), &g_DeviceModels[0]);
    EXPECT_EQ(g_DeviceModels[0].Sensor, 0);
    EXPECT_EQ(notes.messages, (std::vector<Msg>{{"APPDATA=NULL", "Error"}}));
}

TEST_F(ProgramConfigTest, ValuesAndTheirMessages) {
    ASSERT_EQ(
        LoadCfgText(dir,
                    "[OPT]\nappdir=Mivora\nTitle=Mivora Control Center and a much longer tail\n"
                    "Txt_clr=1,2,3\nBtn_txt_clr_nr=255\nMenu_txt_clr_nr=red\n"
                    "rcKeyList=1,2,3\nrcHomePageBtn=10,20,30\nptMin=5\nptKey=1,2\nptApply=\n"
                    "VID=0x12345\nMatchStr=-1\nLedOpt2=7,8,9\nLedOpt3=1,2,3,4,5,10,20,30\n"
                    "FontName=A font name that is far longer than the buffer\n"),
        1);
    const ProgramConfig& c = g_Config;
    EXPECT_EQ(c.Txt_clr, 0x030201u);
    EXPECT_EQ(c.Btn_txt_clr_nr, 0x0000FFu);
    EXPECT_EQ(c.Menu_txt_clr_nr, 0u);
    EXPECT_EQ(c.rcKeyList.left, 326) << "default after a bad rectangle";
    EXPECT_EQ(c.rcHomePageBtn.right, 0) << "no default: stays zero";
    EXPECT_EQ(c.ptMin.x, 950);
    EXPECT_EQ(c.ptMin.y, 10);
    EXPECT_EQ(c.ptKey.x, 1);
    EXPECT_EQ(c.ptApply.x, 867) << "an empty point is a missing one: default, no message";
    EXPECT_EQ(c.ptApply.y, 645);
    EXPECT_EQ(c.VID, 0x2345);
    EXPECT_EQ(c.MatchStr, 0xFFFF);
    EXPECT_EQ(c.Title, "Mivora Control Center and a much longer");
    EXPECT_EQ(c.FontName.size(), 29u);
    const int32_t* r2 = c.LedOpt[1].field;
    EXPECT_EQ(r2[0], 1);
    EXPECT_EQ(r2[3], 7);
    EXPECT_EQ(r2[5], 9);
    EXPECT_EQ(r2[6], 0);
    EXPECT_EQ(r2[7], 0);
    EXPECT_EQ(r2[8], 0x0000FF) << "three values keep the default colours";
    const int32_t* r3 = c.LedOpt[2].field;
    EXPECT_EQ(r3[8], 0x1E140A);
    EXPECT_EQ(r3[9], 0) << "colours not given become 0";
    EXPECT_EQ(notes.messages, (std::vector<Msg>{{"Wrong rect num", "Error"},
                                                {"Wrong rect num", "Error"},
                                                {"Wrong POINT num", "Error"}}));
}

TEST_F(ProgramConfigTest, LanguageListEndsAtAGapOrAnInvalidEntry) {
    const struct {
        const char* lines;
        int count;
        std::vector<Msg> messages;
    } cases[] = {
        {"Lang1=English,English\nLang3=Deutsch,Deutsch\n", 1, {}},
        {"Lang1=English,English\nLang2=Deutsch,\nLang3=x,y\n",
         1,
         {{"Lang2 is invalidate", "Error"}}},
        {"Lang1=NoComma\n", 0, {{"Lang1 is invalidate", "Error"}}},
        {"Lang1=Evil,../../etc\n", 0, {{"Lang1 is invalidate", "Error"}}},
        {"Lang1=English,English\nLang2=简体中文,简体中文\nLang3=\n", 2, {}},
    };
    for (const auto& tc : cases) {
        notes.messages.clear();
        ASSERT_EQ(LoadCfgText(dir, std::string("[OPT]\nappdir=Mivora\n") + tc.lines), 1);
        EXPECT_EQ(g_Config.LangCount, tc.count) << tc.lines;
        EXPECT_EQ(notes.messages, tc.messages) << tc.lines;
    }
    EXPECT_EQ(g_Config.Lang[1].name, "简体中文");
    EXPECT_EQ(g_Config.Lang[1].folder, "简体中文");
}

// A bad name falls back to the default folder name, never to the top of the user's data folder.
TEST_F(ProgramConfigTest, AppdirThatLeavesTheDataFolderIsRefused) {
    for (const char* bad : {"../outside", "a/b", "..", ".", "/abs", "", "a\\b"}) {
        notes.messages.clear();
        ASSERT_EQ(LoadCfgText(dir, std::string("[OPT]\nappdir=") + bad + "\n"), 1);
        EXPECT_EQ(g_Config.appdir, "Mivora") << bad;
        EXPECT_EQ(notes.messages, (std::vector<Msg>{{"APPDATA=NULL", "Error"}})) << bad;
    }
}

TEST_F(ProgramConfigTest, DebugStartsTheLogBeforeTheRestIsRead) {
    testing_support::LogCapture log(0);
    ASSERT_EQ(LoadCfgText(
                  dir, "[OPT]\nDebug=1\nappdir=Mivora\n[DEV_1]\nSensor=0x3050\nDM=4\nDEFLEVEL=9\n"),
              1);
    EXPECT_EQ(g_nLogLevel, 1);
    EXPECT_TRUE(log.Contains("LoadDeviceModels: DEV_1 DEFLEVEL=9 outside the stages, 0 used"));
    EXPECT_EQ(g_DeviceModels[0].DEFLEVEL, 0);
}

TEST_F(ProgramConfigTest, InvalidModelSectionFailsTheLoad) {
    EXPECT_EQ(LoadCfgText(dir, "[OPT]\nappdir=Mivora\n[DEV_1]\nSensor=0x3050\nMDNUM=4\n"), 0);
}

}  // namespace
