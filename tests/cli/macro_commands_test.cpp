// mivora-cli macro import and export on the data folder: a failed write is an error, never
// "imported", and export copies the macro's own file.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cerrno>  // program_invocation_short_name
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "macro/macro_files.h"
#include "platform/file_lock.h"
#include "support/support.h"

namespace {

class CliMacroTest : public ::testing::Test {
  protected:
    int Run(const std::string& args) {
        const std::string cmd = std::string(MIVORA_BIN_DIR) + "/mivora-cli --data-dir '" +
                                dir.File("data") + "' " + args + " >'" + dir.File("out") + "' 2>'" +
                                dir.File("err") + "'";
        const int status = std::system(cmd.c_str());
        out = Slurp(dir.File("out"));
        err = Slurp(dir.File("err"));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    static std::string Slurp(const std::string& path) { return testing_support::Slurp(path); }
    static StMacro Macro(const std::string& name, uint16_t key) {
        StMacro m;
        m.dwMagicNumber = kMacroMagic;
        m.dwMacroID = 0x10 + key;
        m.wLoopCount = 1;
        SetMacroName(m, name);
        m.stEvents[0] = {key, 1, 0};
        m.stEvents[1] = {key, 0, 0};
        return m;
    }

    testing_support::TempDir dir;
    std::string out, err;
};

// A macro name may hold colons: the whole text names it, or NAME:REPEAT at the last colon.
TEST_F(CliMacroTest, AMacroWhoseNameHoldsAColonCanBeGivenToAKey) {
    ASSERT_EQ(1, WriteMacroFile(dir.File("Combo: A+B.zqm"), Macro("Combo: A+B", 0x41)));
    ASSERT_EQ(0, Run("macro import '" + dir.File("Combo: A+B.zqm") + "'")) << err;
    ASSERT_EQ(0, Run("macro list"));
    ASSERT_NE(std::string::npos, out.find("Combo: A+B")) << out;
    const std::string mouse = " --virtual-mouse='" + dir.File("m.bin") + "' ";
    EXPECT_EQ(0, Run(mouse + "set key 2 'macro:Combo: A+B'")) << err;
    EXPECT_EQ(0, Run(mouse + "set key 2 'macro:Combo: A+B:3'")) << err;
    EXPECT_NE(0, Run(mouse + "set key 2 'macro:Combo: A+B:300'"));
    EXPECT_NE(std::string::npos, err.find("REPEAT 0..255")) << err;
    EXPECT_NE(0, Run(mouse + "set key 2 'macro:Combo'"));
    EXPECT_NE(std::string::npos, err.find("no macro called Combo")) << err;
}

TEST_F(CliMacroTest, AnImportThatCannotBeWrittenFails) {
    ASSERT_EQ(1, WriteMacroFile(dir.File("Jump.zqm"), Macro("Jump", 0x41)));
    std::filesystem::create_directories(dir.File("data/Mac/Jump.zqm"));  // blocks the copy
    EXPECT_NE(0, Run("macro import '" + dir.File("Jump.zqm") + "'"));
    EXPECT_EQ(std::string::npos, out.find("imported")) << out;
    EXPECT_NE(std::string::npos, err.find("could not be saved")) << err;
    std::filesystem::remove(dir.File("data/Mac/Jump.zqm"));
    EXPECT_EQ(0, Run("macro import '" + dir.File("Jump.zqm") + "'")) << err;
    EXPECT_NE(std::string::npos, out.find("imported Jump.zqm")) << out;
}

TEST_F(CliMacroTest, ExportCopiesTheMacrosOwnFile) {
    ASSERT_EQ(1, WriteMacroFile(dir.File("data/Mac/x.txt"), Macro("Other", 0x41)));
    ASSERT_EQ(1, WriteMacroFile(dir.File("data/Mac/x.zqm"), Macro("Wanted", 0x42)));
    ASSERT_EQ(0, Run("macro export Other '" + dir.File("o.zqm") + "'")) << err;
    StMacro back;
    ASSERT_EQ(1, ReadMacroFile(dir.File("o.zqm"), back));
    EXPECT_EQ("Other", MacroName(back));
    EXPECT_EQ(0x41, back.stEvents[0].wKey);
}

// An import changes the library the window has loaded: like the profile commands it refuses
// while the window holds the data folder, and it waits for another command that holds it.
TEST_F(CliMacroTest, ImportRefusesWhileTheWindowHoldsTheDataFolder) {
    ASSERT_EQ(1, WriteMacroFile(dir.File("Jump.zqm"), Macro("Jump", 0x41)));
    std::filesystem::create_directories(dir.File("data"));
    platform::SetLockOwner("mivora");
    {
        platform::FileLock window;
        ASSERT_TRUE(window.Acquire(dir.File("data/mivora.lock"), 0));
        EXPECT_EQ(1, Run("macro import '" + dir.File("Jump.zqm") + "'"));
        EXPECT_NE(std::string::npos, err.find("window is open")) << err;
        EXPECT_EQ(std::string::npos, out.find("imported")) << out;
        EXPECT_FALSE(std::filesystem::exists(dir.File("data/Mac/Jump.zqm")));
        EXPECT_EQ(0, Run("macro list")) << "listing still works";
    }
    platform::SetLockOwner("mivora-cli");
    {
        platform::FileLock other;
        ASSERT_TRUE(other.Acquire(dir.File("data/mivora.lock"), 0));
        std::thread release([&other] {
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
            other.Release();
        });
        const int rc = Run("macro import '" + dir.File("Jump.zqm") + "'");
        release.join();
        EXPECT_EQ(0, rc) << err;
    }
    platform::SetLockOwner(program_invocation_short_name);
    EXPECT_TRUE(std::filesystem::exists(dir.File("data/Mac/Jump.zqm")));
}

// Names from files and from devices reach the terminal with their control characters escaped:
// a hand-placed macro file whose name and record carry escape sequences, and a HID device whose
// name does.
TEST_F(CliMacroTest, NamesFromFilesAndDevicesArePrintedEscaped) {
    ASSERT_EQ(1,
              WriteMacroFile(dir.File("data/Mac/x\x1b[2J.zqm"), Macro("Evil\x1b]0;pwn\x07", 0x41)));
    for (const char* cmd :
         {"macro list", "macro list --names", "macro show 'Evil\x1b]0;pwn\x07'"}) {
        ASSERT_EQ(0, Run(cmd)) << cmd << err;
        EXPECT_EQ(std::string::npos, out.find('\x1b')) << cmd;
        EXPECT_EQ(std::string::npos, out.find('\x07')) << cmd;
        EXPECT_NE(std::string::npos, out.find("Evil\\x1b]0;pwn\\x07")) << cmd << out;
    }
    EXPECT_NE(std::string::npos, out.find("x\\x1b[2J.zqm")) << out;

    // A node of the configured vendor id, named by the device.
    const std::string node = dir.File("sys/hidraw3/device");
    std::filesystem::create_directories(node);
    std::filesystem::create_directories(dir.File("dev"));
    std::ofstream(node + "/uevent") << "HID_ID=0003:00001209:00000007\nHID_NAME=Mouse\x1b[31m"
                                       "\xc2\x9b"
                                       "1;1H\nHID_PHYS=usb-1/input1\n";
    std::ofstream(node + "/report_descriptor")
        << std::string("\x06\x00\xFF\x09\x01\xA1\x01\xC0", 8);
    Run("--sysfs-root '" + dir.File("sys") + "' --dev-root '" + dir.File("dev") +
        "' devices --verbose");
    EXPECT_NE(std::string::npos, out.find("\"Mouse\\x1b[31m\\u009b1;1H\"")) << out << err;
    EXPECT_EQ(std::string::npos, out.find('\x1b')) << out;
}

}  // namespace
