// Shared fixture of the macro library tests: a data folder of its own and an empty library.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/paths.h"
#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "macro/macro_record.h"
#include "platform/files.h"
#include "support/support.h"

class MacroFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_savedDataDir = g_szDataDir;
        g_szDataDir = m_dir.path() + "/";
        ClearMacroLibrary();
    }
    void TearDown() override {
        ClearMacroLibrary();
        g_szDataDir = m_savedDataDir;
    }
    static StMacro Macro(const std::string& name, uint32_t id, uint16_t firstKey = 0x41) {
        StMacro m;
        m.dwMagicNumber = kMacroMagic;
        m.dwMacroID = id;
        m.wLoopCount = 1;
        SetMacroName(m, name);
        if (firstKey) {
            m.stEvents[0] = {firstKey, 1, 50};
            m.stEvents[1] = {firstKey, 0, 0};
        }
        return m;
    }
    // Writes a macro file under the macro folder (rel may contain folders).
    static void PutFile(const std::string& rel, const StMacro& m) {
        ASSERT_EQ(1, WriteMacroFile(MacroFolder() + "/" + rel, m));
    }
    static StMacro ReadBack(const std::string& rel) {
        StMacro m;
        EXPECT_EQ(1, ReadMacroFile(MacroFolder() + "/" + rel, m)) << rel;
        return m;
    }

    testing_support::TempDir m_dir;
    std::string m_savedDataDir;
};
