// mivora-cli macro import and export on the data folder: a failed write is an error, never
// "imported", and export copies the macro's own file.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "macro/macro_files.h"
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

}  // namespace
