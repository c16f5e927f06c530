#include "config/ui_text.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "config/program_config.h"
#include "core/log.h"
#include "platform/files.h"
#include "support/support.h"

using testing_support::LogCapture;
using testing_support::TempDir;

namespace {

std::string Doc(const std::string& inner) {
    return "<?xml version=\"1.0\"?><root>" + inner + "</root>";
}

TEST(UiTexts, LookupFollowsTheConfigElements) {
    TempDir dir;
    const struct {
        const char* name;
        std::string xml;
        const char* key;
        const char* text;
    } cases[] = {
        {"first of two", Doc("<config><tc_ok>Yes</tc_ok><tc_ok>No</tc_ok></config>"), "tc_ok",
         "Yes"},
        {"only in the second config",
         Doc("<config><a>1</a></config><config><tc_ok>Yes</tc_ok></config>"), "tc_ok", ""},
        {"nested config", Doc("<config><a>1</a><config><tc_ok>Inner</tc_ok></config></config>"),
         "tc_ok", "Inner"},
        {"outer wins",
         Doc("<config><config><tc_ok>Inner</tc_ok></config><tc_ok>Outer</tc_ok></config>"), "tc_ok",
         "Outer"},
        {"other elements ignored", Doc("<other><tc_ok>X</tc_ok></other><config><b/></config>"),
         "tc_ok", ""},
        {"references", Doc("<config><tc_msg1>Save &amp; quit</tc_msg1></config>"), "tc_msg1",
         "Save & quit"},
    };
    for (const auto& c : cases) {
        LoadUiTexts(dir.Write("text.xml", c.xml));
        EXPECT_EQ(LookupText(c.key), c.text) << c.name;
        EXPECT_EQ(g_UiText.Get(c.key), c.text) << c.name;
    }
}

TEST(UiTexts, ALoadReplacesEveryKeyAndAMissingFileEmptiesThem) {
    TempDir dir;
    LoadUiTexts(
        dir.Write("a.xml", Doc("<config><tc_msg5>Restore?</tc_msg5><tc_tip3>Bad file</tc_tip3>"
                               "<tc_led_mode5>Off</tc_led_mode5><tc_ok>OK</tc_ok></config>")));
    EXPECT_EQ(g_UiText.tc_msg5, "Restore?");
    EXPECT_EQ(g_UiText.Tip(3), "Bad file");
    EXPECT_EQ(g_UiText.LedMode(5), "Off");
    EXPECT_EQ(g_UiText.Tip(6), "");
    EXPECT_EQ(g_UiText.Get("not_a_key"), "");
    LoadUiTexts(dir.Write("b.xml", Doc("<config><tc_ok>Gut</tc_ok></config>")));
    EXPECT_EQ(g_UiText.tc_msg5, "") << "no text of the earlier language survives";
    EXPECT_EQ(g_UiText.tc_ok, "Gut");
    LoadUiTexts(dir.File("missing.xml"));
    EXPECT_EQ(g_UiText.tc_ok, "");
    EXPECT_EQ(UiTextKeyCount(), 225);
    EXPECT_STREQ(UiTextKeyName(0), "tc_appdata");
}

TEST(UiTexts, LanguagePathAndIndex) {
    TempDir dir;
    const std::string data = dir.path() + "/";
    EXPECT_EQ(LanguageTextPath("/opt/mivora/", "Deutsch"), "/opt/mivora/Deutsch/text.xml");
    EXPECT_EQ(LanguageTextPath("/opt/mivora/", ""), "/opt/mivora//text.xml");
    g_Config = ProgramConfig{};
    g_Config.LangCount = 3;
    EXPECT_EQ(ReadLangIndex(data), 0) << "no lang.ini";
    EXPECT_FALSE(HasLangIndex(data));
    ASSERT_TRUE(WriteLangIndex(data, 2));
    EXPECT_TRUE(HasLangIndex(data));
    EXPECT_EQ(ReadLangIndex(data), 2);
    ASSERT_TRUE(WriteLangIndex(data, 3));
    EXPECT_EQ(ReadLangIndex(data), 0) << "past the list";
    dir.Write("lang.ini", "[OPT]\nLangIndex=-4\n");
    EXPECT_EQ(ReadLangIndex(data), 0);
    g_Config = ProgramConfig{};
}

// lang.ini is read like the other data files: a FIFO is refused at once (the writer below only
// frees a reader that waits), and a link to a device or a huge file is not read at all.
TEST(UiTexts, LangIniThatIsNoSmallRegularFileGivesTheDefault) {
    TempDir dir;
    const std::string data = dir.path() + "/";
    g_Config = ProgramConfig{};
    g_Config.LangCount = 10;
    const std::string ini = dir.File("lang.ini");

    ASSERT_EQ(mkfifo(ini.c_str(), 0600), 0);
    std::thread writer([&ini] {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const int fd = open(ini.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) close(fd);
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadLangIndex(data), 0);
    EXPECT_FALSE(WriteLangIndex(data, 2)) << "a FIFO is not replaced by a file";
    const auto waited = std::chrono::steady_clock::now() - start;
    writer.join();
    ASSERT_LT(waited, std::chrono::seconds(1)) << "lang.ini as a FIFO waited for a writer";

    ASSERT_EQ(unlink(ini.c_str()), 0);
    ASSERT_EQ(symlink("/dev/zero", ini.c_str()), 0);
    EXPECT_EQ(ReadLangIndex(data), 0);
    ASSERT_EQ(unlink(ini.c_str()), 0);

    // A valid start followed by more than any language file needs: sparse, so cheap to make.
    dir.Write("lang.ini", "[OPT]\nLangIndex=3\n");
    ASSERT_EQ(truncate(ini.c_str(), 64L << 20), 0);
    EXPECT_EQ(ReadLangIndex(data), 0) << "a 64 MiB lang.ini was read";
    EXPECT_FALSE(WriteLangIndex(data, 2)) << "nor rewritten from a part";
    g_Config = ProgramConfig{};
}

// A mark file with the given offset and length bytes and mark text.
std::string MarkFile(int offset, int length, const std::string& text, size_t size = 128) {
    std::string b(size, '\x5A');
    b[4] = static_cast<char>(offset);
    b[20] = static_cast<char>(length);
    for (size_t i = 0; i < text.size() && offset + i < b.size(); ++i) {
        const uint8_t c = static_cast<uint8_t>(text[i]);
        b[offset + i] = static_cast<char>(static_cast<uint8_t>((c << 3) | (c >> 5)));
    }
    return b;
}

TEST(IfMatch, ComparesTheMarkWithTheTitle) {
    TempDir dir;
    platform::MakeDirs(dir.File("skins"));
    const std::string app = dir.path() + "/";
    const struct {
        const char* name;
        std::string file;
        std::string title;
        int result;
        const char* log;
    } cases[] = {
        {"match", MarkFile(32, 6, "Mivora"), "Mivora", 1, nullptr},
        {"case of ASCII letters", MarkFile(32, 6, "MIVORA"), "mivora", 1, nullptr},
        {"different", MarkFile(32, 6, "Other!"), "Mivora", 0, "IfMatch: szText=Other!, tc_title="},
        {"offset 20", MarkFile(20, 6, ""), "Mivora", 0, "Error: nOffset=20, nSize=6"},
        {"negative offset", MarkFile(200, 6, ""), "Mivora", 0, "Error: nOffset=-56, nSize=6"},
        {"length above 100", MarkFile(32, 101, ""), "Mivora", 0, "Error: nOffset=32, nSize=101"},
        {"empty mark, empty title", MarkFile(32, 0, ""), "", 1, nullptr},
        {"empty mark, title", MarkFile(32, 0, ""), "Mivora", 0, "IfMatch return 0"},
        {"file shorter than the mark", MarkFile(32, 6, "Mivora", 35), "Mivora", 0,
         "Error: nOffset=32, nSize=6"},
        {"title compared over 40 characters", MarkFile(32, 45, std::string(40, 'a') + "XXXXX"),
         std::string(40, 'a') + "YY", 1, nullptr},
    };
    for (const auto& c : cases) {
        LogCapture log;
        g_Config.Title = c.title;
        dir.Write("skins/mak.skn", c.file);
        EXPECT_EQ(IfMatch(app), c.result) << c.name;
        if (c.log) {
            EXPECT_TRUE(log.Contains(c.log)) << c.name;
        }
    }
    LogCapture log;
    platform::RemoveFile(dir.File("skins/mak.skn"));
    EXPECT_EQ(IfMatch(app), 0);
    EXPECT_TRUE(log.Contains("open skn file err"));
    g_Config = ProgramConfig{};
}

}  // namespace
