// The window loads the whole macro library at start-up: with folders switched on, macros in
// sub-folders too, so keys that play them still find them after a restart.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "config/program_config.h"
#include "core/paths.h"
#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "macro/macro_record.h"
#include "main_window_fixture.h"

namespace {

using main_window_test::MainWindowTest;

constexpr uint32_t kTopId = 0x000101;
constexpr uint32_t kDeepId = 0x000202;

class MainWindowMacroDirTest : public MainWindowTest, public ::testing::WithParamInterface<int> {
  protected:
    void SetUp() override {
        m_savedMacroDir = g_Config.MacroDir;
        g_Config.MacroDir = GetParam();
        g_szDataDir = m_data.path() + "/";
        ClearMacroLibrary();
        Put("Top.zqm", "Top", kTopId);
        Put("Games/Shooter/Deep.zqm", "Deep", kDeepId);
        MainWindowTest::SetUp();
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        ClearMacroLibrary();
        g_Config.MacroDir = m_savedMacroDir;
    }
    static void Put(const std::string& rel, const std::string& name, uint32_t id) {
        StMacro m;
        m.dwMagicNumber = kMacroMagic;
        m.dwMacroID = id;
        m.wLoopCount = 1;
        SetMacroName(m, name);
        m.stEvents[0] = {0x41, 1, 0};
        m.stEvents[1] = {0x41, 0, 0};
        const std::string path = MacroFolder() + "/" + rel;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        ASSERT_EQ(1, WriteMacroFile(path, m));
    }
    int m_savedMacroDir = 0;
};

TEST_P(MainWindowMacroDirTest, StartUpLoadsWhatTheFolderSwitchShows) {
    EXPECT_NE(nullptr, FindMacroById(kTopId));
    EXPECT_EQ(GetParam() != 0, FindMacroById(kDeepId) != nullptr);
}

INSTANTIATE_TEST_SUITE_P(MacroDir, MainWindowMacroDirTest, ::testing::Values(0, 1));

}  // namespace
