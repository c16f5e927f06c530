#include "config/cfg_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "config/device_model.h"
#include "config/program_config.h"
#include "core/log.h"
#include "support/support.h"

using testing_support::TempDir;

namespace {

const char kShipped[] =
    "; defaults\n"
    "[OPT]\n"
    "Debug=0\n"
    "ApplyNow=1\n"
    "Retry=3\n"
    "VID=0x1209\n"
    "[DEV_1]\n"
    "Sensor=0x3050\nCID=0x4D\nMID=0x01\nDevTy=1\nDM=4\nDEFLEVEL=1\nDPI=1000,1500,2000,3000\n"
    "MDNUM=9\nKM=12\nK1_1=1,11,0,1\n";

// Points XDG_CONFIG_HOME at a folder of the test's own for its lifetime.
class ScopedConfigHome {
  public:
    explicit ScopedConfigHome(const std::string& dir) {
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) m_saved = old, m_had = true;
        setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    }
    ~ScopedConfigHome() {
        if (m_had)
            setenv("XDG_CONFIG_HOME", m_saved.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }

  private:
    std::string m_saved;
    bool m_had = false;
};

class CfgFilesTest : public ::testing::Test {
  protected:
    void TearDown() override { ResetLog(); }
    TempDir program, home;
};

// The user's own settings file is read on top of the shipped one, and survives a reinstall
// that replaces the shipped file.
TEST_F(CfgFilesTest, UserSettingsOverrideTheShippedFileAndSurviveItsReplacement) {
    ScopedConfigHome scoped(home.path());
    ASSERT_EQ(::mkdir(home.File("mivora").c_str(), 0700), 0);
    home.Write("mivora/cfg.ini", "[opt]\napplynow = 0\nDebug=1\n");

    program.Write("cfg.ini", kShipped);
    ASSERT_EQ(LoadConfig(program.path() + "/"), 1);
    EXPECT_EQ(g_Config.ApplyNow, 0);
    EXPECT_EQ(g_Config.Debug, 1);
    EXPECT_EQ(g_Config.Retry, 3);  // keys the user did not name keep the shipped value
    ASSERT_NE(pSensorCfg.load(), nullptr);
    EXPECT_EQ(pSensorCfg.load()->Sensor, 0x3050);

    // A new version's file with other defaults: the user's choices still win.
    std::string next = kShipped;
    next.replace(next.find("Retry=3"), 7, "Retry=5");
    program.Write("cfg.ini", next);
    ASSERT_EQ(LoadConfig(program.path() + "/"), 1);
    EXPECT_EQ(g_Config.ApplyNow, 0);
    EXPECT_EQ(g_Config.Debug, 1);
    EXPECT_EQ(g_Config.Retry, 5);
}

TEST_F(CfgFilesTest, TheUsersFileWinsOverTheSystemFileWhichWinsOverTheShippedOne) {
    program.Write("cfg.ini", kShipped);
    const std::string user = home.Write("user.ini", "[OPT]\nApplyNow=0\n");
    const std::string system = home.Write("system.ini",
                                          "\xEF\xBB\xBF[OPT]\r\nApplyNow=1\r\nRetry=7\r\n"
                                          "; Retry=9\r\n[New]\r\nKey=v\r\n");
    ASSERT_EQ(LoadConfig(program.path() + "/", {user, system}), 1);
    EXPECT_EQ(g_Config.ApplyNow, 0);
    EXPECT_EQ(g_Config.Retry, 7);
    EXPECT_EQ(g_Config.VID, 0x1209);

    // Without a shipped file the overrides alone are read.
    program.Write("cfg.ini", "");
    ASSERT_EQ(LoadConfig(program.path() + "/", {user, system}), 1);
    EXPECT_EQ(g_Config.ApplyNow, 0);
    EXPECT_EQ(g_Config.Retry, 7);
}

// A FIFO would block the start for ever and a link to /dev/zero would fill the memory: only a
// regular file of sane size is read; the rest is skipped and the shipped values stay.
TEST_F(CfgFilesTest, OverridesThatAreNoRegularFileOrTooLargeAreSkipped) {
    program.Write("cfg.ini", kShipped);
    const std::string fifo = home.File("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = home.File("zero.ini");
    ASSERT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
    const std::string huge =
        home.Write("huge.ini", "[OPT]\nApplyNow=0\n" + std::string(2 << 20, ';') + "\n");
    ASSERT_EQ(LoadConfig(program.path() + "/", {fifo, zero, huge, home.File("folder-missing")}), 1);
    EXPECT_EQ(g_Config.ApplyNow, 1);
}

TEST(MergeCfgText, OverrideKeysComeFirstInTheirSectionAndMissingSectionsAreAdded) {
    EXPECT_EQ(
        MergeCfgText("[A]\nx=1\n[B]\ny=2\n[a]\nz=3\n", {"[b]\ny=5\n", "junk=1\n[C]\nw\nq=4\n"}),
        "[A]\nx=1\n[B]\ny=5\ny=2\n[a]\nz=3\n[C]\nq=4\n");
    EXPECT_EQ(MergeCfgText("[A]\nx=1", {}), "[A]\nx=1");
    // A shipped file in UTF-16LE (which the reader accepts) and an override in UTF-16LE.
    const std::string wide("\xFF\xFE[\0A\0]\0\n\0x\0=\0\x31\0\n\0", 18);
    EXPECT_EQ(MergeCfgText(wide, {"[A]\nx=2\n", wide}), "[A]\nx=2\nx=1\nx=1\n");
}

}  // namespace
