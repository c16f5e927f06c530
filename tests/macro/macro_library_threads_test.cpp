#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "config/ui_text.h"
#include "macro/key_names.h"
#include "macro/macro_library.h"

namespace {

// The profile reader adds macros on its own thread while the window draws button labels.
TEST(MacroLibraryThreads, LookUpsWhileAnotherThreadAddsAndRemoves) {
    ClearMacroLibrary();
    g_UiText.tc_msg11 = "missing";
    g_UiText.tc_msg27 = "Macro";
    std::atomic<bool> done{false};
    std::thread reader([&] {
        for (uint32_t i = 1; i <= 2000; ++i) {
            StMacro m;
            m.dwMagicNumber = kMacroMagic;
            m.dwMacroID = i;
            SetMacroName(m, "M" + std::to_string(i));
            AddMacroCopy(m);
            if (i % 3 == 0) RemoveMacroById(i - 1);
        }
        done = true;
    });
    KeyEntry e;
    e.dwFunID = 0x05000000;
    size_t labels = 0;
    while (!done) {
        e.dwMacroID = static_cast<uint32_t>(MacroCount());
        labels += KeyFunctionLabel(e).size();
        FindMacroByName("M7");
        StMacro copy;
        CopyMacroById(5, copy);
    }
    reader.join();
    EXPECT_GT(labels, 0u);
    EXPECT_EQ(2000u - 666u, MacroCount());
    ClearMacroLibrary();
}

TEST(MacroLibraryThreads, IdentifiersFromTwoThreadsDiffer) {
    std::vector<uint32_t> a, b;
    std::thread t([&] {
        for (int i = 0; i < 4; ++i) a.push_back(NewMacroID());
    });
    for (int i = 0; i < 4; ++i) b.push_back(NewMacroID());
    t.join();
    std::set<uint32_t> all(a.begin(), a.end());
    all.insert(b.begin(), b.end());
    EXPECT_EQ(8u, all.size());
}

}  // namespace
