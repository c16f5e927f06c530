#include "platform/private_profile.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/files.h"
#include "support/support.h"

using platform::PrivateProfile;

namespace {

std::string ReadText(const std::string& path) {
    std::vector<uint8_t> b;
    platform::ReadWholeFile(path, b);
    return std::string(b.begin(), b.end());
}

TEST(PrivateProfileInt, ConvertsLikeTheClassicReader) {
    struct Case {
        const char* text;
        int expected;
    } cases[] = {
        {"42", 42},         {"  42  ", 42},    {"-7", -7},         {"+9", 9},
        {"0x3325", 0x3325}, {"0X1f", 0x1F},    {"-0x10", -16},     {"12abc", 12},
        {"abc", 0},         {"0x", 0},         {"4294967295", -1}, {"0x12345", 0x12345},
        {"0xFFFFFFFF", -1}, {"4294967296", 0}, {"", 77},           {"   ", 77},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::ProfileTextToInt(c.text, 77), c.expected) << c.text;
}

TEST(PrivateProfile, NamesMatchWithoutCaseAndTheFirstOneWins) {
    PrivateProfile ini;
    ini.Parse(
        "; comment\nstray=1\n[Opt]\n Retry = 5 \nretry=9\nTitle=\"Quoted\"\nEmpty=\n"
        "[opt]\nLater=1\n[DEV_1]\r\nSensor=0x3050\r\n");
    EXPECT_EQ(ini.GetInt("OPT", "RETRY", 3), 5);
    EXPECT_EQ(ini.GetInt("opt", "Missing", 3), 3);
    EXPECT_EQ(ini.GetInt("OPT", "Empty", 3), 3);
    EXPECT_FALSE(ini.HasKey("OPT", "Later")) << "a repeated section is not searched";
    EXPECT_FALSE(ini.HasKey("", "stray"));
    EXPECT_EQ(ini.GetString("opt", "title", "d", 259), "Quoted");
    EXPECT_EQ(ini.GetInt("dev_1", "sensor", 0), 0x3050);
    std::string v = "x";
    EXPECT_TRUE(ini.ReadString("OPT", "Empty", v, 10));
    EXPECT_EQ(v, "");
    EXPECT_FALSE(ini.ReadString("OPT", "Nope", v, 10));
    EXPECT_EQ(ini.GetString("OPT", "Nope", "default", 259), "default");
}

TEST(PrivateProfile, CutsTextAtTheReadLimitWithoutSplittingCharacters) {
    PrivateProfile ini;
    ini.Parse("[OPT]\nTitle=Mivora 控制中心\n");
    EXPECT_EQ(ini.GetString("OPT", "Title", "", 8), "Mivora 控");
    EXPECT_EQ(ini.GetString("OPT", "Title", "", 0), "");
    EXPECT_EQ(ini.GetString("OPT", "Title", "", 259), "Mivora 控制中心");
    // Malformed UTF-8 (stray continuation bytes) is cut at the limit as well.
    ini.Parse("[OPT]\nTitle=" + std::string(300, '\xA9') + "\n");
    EXPECT_EQ(ini.GetString("OPT", "Title", "", 49).size(), 49u);
}

TEST(PrivateProfile, ReadsUtf8WithBomAndUtf16LeWithBom) {
    PrivateProfile a;
    a.Parse("\xEF\xBB\xBF[OPT]\nLang1=简体中文,简体中文\n");
    EXPECT_EQ(a.GetString("OPT", "Lang1", "", 259), "简体中文,简体中文");

    std::string utf16 = "\xFF\xFE";
    for (char16_t c : std::u16string(u"[OPT]\r\nName=D\u00e9j\u00e0 \U0001F5B1\r\n")) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    PrivateProfile b;
    b.Parse(utf16);
    EXPECT_EQ(b.GetString("opt", "name", "", 259), "Déjà \U0001F5B1");
}

TEST(PrivateProfile, MissingFileGivesDefaults) {
    PrivateProfile ini;
    EXPECT_FALSE(ini.Load("/nonexistent/cfg.ini"));
    EXPECT_EQ(ini.GetInt("OPT", "Retry", 3), 3);
    EXPECT_EQ(platform::GetPrivateProfileInt("OPT", "LangIndex", 0, "/nonexistent/lang.ini"), 0);
}

TEST(WritePrivateProfile, ReplacesOrAddsTheKeyAndKeepsEverythingElse) {
    testing_support::TempDir dir;
    const std::string path = dir.Write(
        "lang.ini", "; keep me\r\n[Other]\r\nA=1\r\n[opt]\r\nX=2\r\nlangindex=4\r\nY=3\r\n");
    ASSERT_TRUE(platform::WritePrivateProfileString("OPT", "LangIndex", "2", path));
    EXPECT_EQ(ReadText(path),
              "; keep me\r\n[Other]\r\nA=1\r\n[opt]\r\nX=2\r\nLangIndex=2\r\nY=3\r\n");

    ASSERT_TRUE(platform::WritePrivateProfileString("Other", "B", "x y", path));
    EXPECT_EQ(ReadText(path),
              "; keep me\r\n[Other]\r\nA=1\r\nB=x y\r\n[opt]\r\nX=2\r\nLangIndex=2\r\nY=3\r\n");

    ASSERT_TRUE(platform::WritePrivateProfileString("New", "K", "v", path));
    EXPECT_EQ(platform::GetPrivateProfileString("new", "k", "", 10, path), "v");
    EXPECT_EQ(platform::GetPrivateProfileInt("OPT", "LangIndex", 0, path), 2);
}

TEST(WritePrivateProfile, CreatesTheFileAndKeepsUtf16Encoding) {
    testing_support::TempDir dir;
    const std::string fresh = dir.File("lang.ini");
    ASSERT_TRUE(platform::WritePrivateProfileString("OPT", "LangIndex", "1", fresh));
    EXPECT_EQ(ReadText(fresh), "[OPT]\nLangIndex=1\n");

    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("[OPT]\r\nLangIndex=0\r\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    const std::string wide = dir.Write("wide.ini", utf16);
    ASSERT_TRUE(platform::WritePrivateProfileString("OPT", "LangIndex", "3", wide));
    const std::string after = ReadText(wide);
    ASSERT_GE(after.size(), 2u);
    EXPECT_EQ(after.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(platform::GetPrivateProfileInt("OPT", "LangIndex", 0, wide), 3);
}

TEST(WritePrivateProfile, RefusesLineBreaksAndLeavesTheFileAlone) {
    testing_support::TempDir dir;
    const std::string path = dir.Write("lang.ini", "[OPT]\nLangIndex=1\n");
    EXPECT_FALSE(platform::WritePrivateProfileString("OPT", "LangIndex", "1\n[Evil]", path));
    EXPECT_FALSE(platform::WritePrivateProfileString("OPT", "a=b", "1", path));
    EXPECT_FALSE(platform::WritePrivateProfileString("O]PT", "k", "1", path));
    EXPECT_EQ(ReadText(path), "[OPT]\nLangIndex=1\n");
    EXPECT_FALSE(platform::WritePrivateProfileString("OPT", "k", "1", "/nonexistent-dir/lang.ini"));
}

}  // namespace
