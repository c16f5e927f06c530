// The desktop program's screenshot run shows the user's macros but never changes the user's
// files: the data folder and the virtual mouse's state file stay byte for byte as they were, and
// the private copy it works on is gone afterwards.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "macro/macro_files.h"
#include "support/support.h"

namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> Contents(const std::string& dir) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        out[fs::relative(e.path(), dir).string()] =
            e.is_regular_file() ? testing_support::Slurp(e.path().string()) : "<folder>";
    return out;
}

TEST(ScreenshotRun, LeavesTheUsersDataFolderAndStateFileAsTheyWere) {
    const std::string program = std::string(MIVORA_BIN_DIR) + "/mivora";
    if (access(program.c_str(), X_OK) != 0) GTEST_SKIP() << "the desktop program is not built";
    testing_support::TempDir dir;
    const std::string data = dir.File("data"), state = dir.File("mouse.bin");
    StMacro m;
    m.dwMagicNumber = kMacroMagic;
    m.dwMacroID = 0x77;
    m.wLoopCount = 1;
    SetMacroName(m, "Burst");
    m.stEvents[0] = {0x41, 1, 10};
    m.stEvents[1] = {0x41, 0, 0};
    ASSERT_EQ(1, WriteMacroFile(data + "/Mac/Burst.zqm", m));
    ASSERT_EQ(1, WriteMacroFile(data + "/Mac/Games/Copy.zqm", m));  // the same id twice
    dir.Write("data/lang.ini", "[OPT]\nLangIndex=1\n");
    // A first run of the command-line program makes the state file and the stored profile.
    ASSERT_EQ(0, std::system(("MIVORA_POINTER_SETTINGS=none " + std::string(MIVORA_BIN_DIR) +
                              "/mivora-cli --data-dir '" + data + "' --virtual-mouse='" + state +
                              "' status >/dev/null 2>&1")
                                 .c_str()));
    const auto before = Contents(data);
    const std::string memory = testing_support::Slurp(state);
    fs::create_directories(dir.File("run"));
    fs::permissions(dir.File("run"), fs::perms::owner_all, fs::perm_options::replace);
    fs::create_directories(dir.File("tmp"));

    const std::string cmd = "cd '" + dir.path() + "' && QT_QPA_PLATFORM=offscreen " +
                            "MIVORA_POINTER_SETTINGS=none XDG_RUNTIME_DIR='" + dir.File("run") +
                            "' TMPDIR='" + dir.File("tmp") + "' timeout 120 '" + program +
                            "' --virtual-mouse='" + state + "' --data-dir '" + data +
                            "' --screenshot '" + dir.File("shots") + "' >'" + dir.File("out") +
                            "' 2>&1";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << testing_support::Slurp(dir.File("out"));
    EXPECT_FALSE(fs::is_empty(dir.File("shots")));

    EXPECT_EQ(before, Contents(data));
    EXPECT_EQ(memory, testing_support::Slurp(state));
    EXPECT_TRUE(fs::is_empty(dir.File("run"))) << "the private copy is removed";
    EXPECT_TRUE(fs::is_empty(dir.File("tmp"))) << "nothing left in the temporary folder";
}

}  // namespace
