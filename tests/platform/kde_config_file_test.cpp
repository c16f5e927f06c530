// KDE's INI files are edited the way KDE reads them, keeping everything else.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/kde_config_file.h"
#include "support/support.h"

namespace {

using platform::KdeConfigGet;
using platform::KdeConfigSet;

TEST(KdeConfigFileTest, ASetKeepsOtherKeysGroupsAndComments) {
    const struct {
        const char* before;
        const char* group;
        const char* key;
        const char* after;
    } cases[] = {
        // Rewritten in place, spaces around the key as KDE allows them.
        {"# mine\n[KDE]\nSingleClick=false\n WheelScrollLines = 3\n[General]\nfont=x\n", "KDE",
         "WheelScrollLines",
         "# mine\n[KDE]\nSingleClick=false\nWheelScrollLines=7\n[General]\nfont=x\n"},
        // Added at the end of the group's first section, before the blank line.
        {"[KDE]\nSingleClick=false\n\n[General]\nfont=x\n[KDE]\nA=1\n", "KDE", "WheelScrollLines",
         "[KDE]\nSingleClick=false\nWheelScrollLines=7\n\n[General]\nfont=x\n[KDE]\nA=1\n"},
        // Every repetition rewritten, so the last one (the one KDE uses) holds the value.
        {"[Mouse]\nX=1\n[Mouse]\nX=2\n", "Mouse", "X", "[Mouse]\nX=7\n[Mouse]\nX=7\n"},
        // A new group at the end; a last line without newline keeps its text.
        {"[General]\nfont=x", "KDE", "WheelScrollLines",
         "[General]\nfont=x\n\n[KDE]\nWheelScrollLines=7\n"},
        {"", "KDE", "WheelScrollLines", "[KDE]\nWheelScrollLines=7\n"},
        // Same key in another group, a localised key and a sub-group stay.
        {"[Other]\nWheelScrollLines=1\n[KDE][Sub]\nWheelScrollLines=2\n[KDE]\nWheelScrollLines[de]="
         "5\n",
         "KDE", "WheelScrollLines",
         "[Other]\nWheelScrollLines=1\n[KDE][Sub]\nWheelScrollLines=2\n[KDE]\nWheelScrollLines[de]="
         "5\nWheelScrollLines=7\n"},
        // A header that is the last line.
        {"[KDE]", "KDE", "WheelScrollLines", "[KDE]\nWheelScrollLines=7\n"},
    };
    for (const auto& c : cases) {
        std::string text = c.before;
        ASSERT_TRUE(KdeConfigSet(text, c.group, c.key, "7")) << c.before;
        EXPECT_EQ(c.after, text) << c.before;
        std::string value;
        EXPECT_TRUE(KdeConfigGet(text, c.group, c.key, value));
        EXPECT_EQ("7", value);
    }
}

TEST(KdeConfigFileTest, TheLastRepeatedKeyWinsAndLockedKeysAreNotWritten) {
    std::string value;
    EXPECT_TRUE(KdeConfigGet("[KDE]\nA=1\n[X]\nA=9\n[KDE]\nA = 2\n", "KDE", "A", value));
    EXPECT_EQ("2", value);
    EXPECT_FALSE(KdeConfigGet("[KDE]\n#A=1\n", "KDE", "A", value));

    for (const char* locked : {"[KDE]\nA[$i]=1\n", "[KDE][$i]\nB=1\n"}) {
        std::string text = locked;
        EXPECT_FALSE(KdeConfigSet(text, "KDE", "A", "2")) << locked;
        EXPECT_EQ(locked, text);
    }
}

TEST(KdeConfigFileTest, FilesAreCreatedAndANonFileIsLeftAlone) {
    testing_support::TempDir dir;
    const std::string path = dir.File("sub/kdeglobals");
    ASSERT_TRUE(platform::KdeConfigSetFile(path, "KDE", "DoubleClickInterval", "400"));
    std::string value;
    ASSERT_TRUE(platform::KdeConfigGetFile(path, "KDE", "DoubleClickInterval", value));
    EXPECT_EQ("400", value);
    ASSERT_EQ(0, mkdir(dir.File("folder").c_str(), 0700));
    EXPECT_FALSE(platform::KdeConfigSetFile(dir.File("folder"), "KDE", "A", "1"));
}

}  // namespace
