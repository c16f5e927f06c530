// Shared fixture of the macro window tests: the build's program folder, a data folder of its
// own with an empty macro folder and library, recorded user messages.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/paths.h"
#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "macro/macro_record.h"
#include "support/support.h"
#include "ui/ui_test_util.h"

class MacroUiTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_savedDataDir = g_szDataDir;
        g_szDataDir = m_dir.path() + "/";
        std::filesystem::create_directories(MacroFolder());
        ClearMacroLibrary();
    }
    void TearDown() override {
        ClearMacroLibrary();
        g_szDataDir = m_savedDataDir;
    }
    static StMacro Macro(const std::string& name, uint32_t id) {
        StMacro m;
        m.dwMagicNumber = kMacroMagic;
        m.dwMacroID = id;
        m.wLoopCount = 1;
        SetMacroName(m, name);
        m.stEvents[0] = {0x41, 1, 50};
        m.stEvents[1] = {0x41, 0, 0};
        return m;
    }
    // Writes a macro file under the macro folder (rel may name folders, which are made).
    static void PutFile(const std::string& rel, const StMacro& m) {
        const std::string path = MacroFolder() + "/" + rel;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        ASSERT_EQ(1, WriteMacroFile(path, m));
    }
    static StMacro ReadBack(const std::string& rel) {
        StMacro m;
        EXPECT_EQ(1, ReadMacroFile(MacroFolder() + "/" + rel, m)) << rel;
        return m;
    }

    ui_test::ProgramFolder m_program;
    testing_support::TempDir m_dir;
    testing_support::RecordingNotifier m_notes;
    std::string m_savedDataDir;
};
