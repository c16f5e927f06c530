// Pointer settings: only what differs is written; the GNOME backend talks to gsettings.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cctype>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "config/ui_text.h"
#include "profile/pointer_apply.h"
#include "profile_fixture.h"
#include "support/pointer_round_trip.h"

namespace profile_test {
namespace {

TEST(PointerApplyTest, OnlyValuesThatDifferOrCannotBeReadAreWritten) {
    FakePointer fake;  // 500 ms, 3 lines, speed 10, precision off, trails 0
    ApplyPointerSettings(PointerSettings{3, 500, 10, 0, 0}, fake);
    EXPECT_TRUE(fake.sets.empty());

    ApplyPointerSettings(PointerSettings{-1, 500, 12, 5, 0}, fake);
    EXPECT_EQ((std::vector<std::string>{"lines=-1", "precision=1", "speed=12"}), fake.sets);

    fake.sets.clear();
    fake.readFails = true;
    ApplyPointerSettings(PointerSettings{-1, 500, 12, 1, 0}, fake);
    EXPECT_EQ(
        (std::vector<std::string>{"dbl=500", "lines=-1", "precision=1", "speed=12", "trails=0"}),
        fake.sets);
}

// A value out of the window's range is not written, and a value the desktop reads but does not
// take is not silent: the user is told which settings were not applied.
TEST(PointerApplyTest, OutOfRangeAndRefusedValuesAreReported) {
    testing_support::RecordingNotifier notes;
    FakePointer fake;
    fake.refuse = "speed";
    ApplyPointerSettings(PointerSettings{3, 0, 12, 0, 0}, fake);
    EXPECT_EQ((std::vector<std::string>{"speed=12"}), fake.sets);
    ASSERT_EQ(1u, notes.messages.size());
    const std::string& text = notes.messages[0].first;
    EXPECT_NE(std::string::npos, text.find("double-click time 0 ms")) << text;
    // A refusal is told once per run (an earlier test may have used that), and always logged.
    if (text.find("refused") != std::string::npos) {
        EXPECT_NE(std::string::npos, text.find("pointer speed 12")) << text;
    }

    // Nothing to tell when everything is taken, or a setting the desktop does not have at all.
    notes.messages.clear();
    fake.refuse.clear();
    fake.readFails = true;
    fake.refuse = "lines";
    ApplyPointerSettings(PointerSettings{4, 500, 10, 0, 0}, fake);
    EXPECT_TRUE(notes.messages.empty()) << notes.messages[0].first;
}

// The notice is all in the user's language: its lead, the settings' names, the values' words
// and the range. English words a translator never sees would show through in any language.
TEST(PointerApplyTest, TheNoticeInGermanHasNoEnglishWords) {
    LoadUiTexts(std::string(MIVORA_SOURCE_DIR) + "/data/Deutsch/text.xml");
    ASSERT_FALSE(g_UiText.tc_ptr_range.empty());
    const std::vector<PointerIssue> every = {
        {platform::kPointerDoubleClick, 0, false}, {platform::kPointerScrollLines, 40, false},
        {platform::kPointerSpeed, 99, false},      {platform::kPointerTrails, 17, false},
        {platform::kPointerPrecision, 1, true},    {platform::kPointerPrecision, 0, true},
        {platform::kPointerSpeed, 12, true},
    };
    testing_support::RecordingNotifier notes;
    FakePointer fake;
    ApplyPointerSettings(PointerSettings{3, 0, 10, 0, 0}, fake);
    const std::vector<std::string> texts = {PointerSettingsNotice(every, true),
                                            notes.messages.empty() ? "" : notes.messages[0].first};
    LoadUiTexts("");  // the other tests run without a language
    ASSERT_FALSE(texts[1].empty());
    EXPECT_NE(std::string::npos, texts[1].find("Doppelklick")) << texts[1];
    EXPECT_NE(std::string::npos, texts[1].find("außerhalb")) << texts[1];
    for (const std::string& text : texts) {
        std::string lower = text;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (const char* english :
             {"pointer", "not applied", "out of range", " to ", "refused", "double-click",
              "scroll lines", "trails", "enhanced", "precision", " on", " off"})
            EXPECT_EQ(std::string::npos, lower.find(english)) << english << " in: " << text;
    }
}

TEST(PointerApplyTest, WithoutDesktopSettingsNothingIsWrittenAndTheLogSaysSoOnce) {
    auto none = platform::MakeNullPointerSettings();
    testing_support::LogCapture log;
    ApplyPointerSettings(PointerSettings{3, 500, 10, 0, 0}, *none);
    ApplyPointerSettings(PointerSettings{3, 500, 10, 0, 0}, *none);
    int lines = 0;
    for (const auto& l : log.Lines())
        if (l.find("no desktop pointer settings") != std::string::npos) ++lines;
    EXPECT_LE(lines, 1);  // once per process: an earlier test may have logged it already
}

TEST(PointerApplyTest, SettingsTheDesktopLacksAreNotAskedForAndRefusalsAreReported) {
    FakePointer fake;
    fake.supported = platform::kPointerPrecision | platform::kPointerSpeed;
    fake.readFails = true;
    ApplyPointerSettings(PointerSettings{7, 300, 12, 1, 0}, fake);
    EXPECT_EQ((std::vector<std::string>{"precision=1", "speed=12"}), fake.sets);

    fake.readFails = false;
    fake.refuse = "speed";
    testing_support::LogCapture log;
    testing_support::RecordingNotifier notes;
    ApplyPointerSettings(PointerSettings{7, 300, 14, 1, 0}, fake);
    ApplyPointerSettings(PointerSettings{7, 300, 15, 1, 0}, fake);
    int refusals = 0;
    for (const auto& l : log.Lines())
        if (l.find("fake did not take the pointer speed") != std::string::npos) ++refusals;
    EXPECT_EQ(2, refusals);
    EXPECT_LE(notes.messages.size(), 1u);  // once per run, whatever came before
}

TEST(PointerApplyTest, TheDesktopsValuesAreReadIntoTheFieldsItHas) {
    FakePointer fake;
    fake.dbl = 320;
    fake.lines = 8;
    fake.speed = 4;
    fake.precision = true;
    fake.supported =
        platform::kPointerDoubleClick | platform::kPointerPrecision | platform::kPointerSpeed;
    PointerSettings block{3, 550, 10, 0, 0};
    EXPECT_EQ(fake.supported, ReadPointerSettings(block, fake));
    EXPECT_EQ((PointerSettings{3, 320, 4, 1, 0}), block);

    fake.readFails = true;
    PointerSettings untouched{3, 550, 10, 0, 0};
    EXPECT_EQ(0u, ReadPointerSettings(untouched, fake));
    EXPECT_EQ((PointerSettings{3, 550, 10, 0, 0}), untouched);
    EXPECT_EQ(0u, ReadPointerSettings(untouched, *platform::MakeNullPointerSettings()));
}

TEST(PointerApplyTest, AWindowShowingThatNothingAppliesGetsNoMessageBox) {
    auto previous = SetPointerSettingsBackend(platform::MakeNullPointerSettings());
    const DesktopPointerState state = TakeDesktopPointerState();
    EXPECT_FALSE(state.available);
    EXPECT_FALSE(state.turnedOff);
    EXPECT_EQ(0u, state.supported);
    testing_support::RecordingNotifier notes;
    ApplyPointerSettings(PointerSettings{3, 500, 10, 0, 0});
    EXPECT_TRUE(notes.messages.empty());
    SetPointerSettingsBackend(std::move(previous));
}

// A stand-in gsettings program: answers "get" from files in its folder and logs every call.
class GnomeBackendTest : public ::testing::Test {
  protected:
    void SetUp() override {
        program = dir.File("gsettings");
        std::ofstream(program)
            << "#!/bin/sh\n"
               "d=$(dirname \"$0\")\n"
               "echo \"$*\" >> \"$d/calls\"\n"
               "case \"$1\" in\n"
               "  list-schemas) echo org.gnome.desktop.interface; "
               "echo org.gnome.desktop.peripherals.mouse ;;\n"
               "  get) [ -f \"$d/$3\" ] || exit 1; cat \"$d/$3\" ;;\n"
               "  set) if [ \"$3\" = accel-profile ]; then printf \"'%s'\\n\" \"$4\"; "
               "else printf '%s\\n' \"$4\"; fi > \"$d/$3\" ;;\n"
               "esac\n";
        chmod(program.c_str(), 0755);
        dir.Write("double-click", "400\n");
        dir.Write("speed", "0.0\n");
        dir.Write("accel-profile", "'adaptive'\n");
    }
    std::string Calls() {
        std::ifstream in(dir.File("calls"));
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    testing_support::TempDir dir;
    std::string program;
};

TEST_F(GnomeBackendTest, WritesTheMouseSchemaAndLeavesWheelAndTrailsAlone) {
    EXPECT_TRUE(platform::GnomeMouseSchemaInstalled(program));
    auto gnome = platform::MakeGnomePointerSettings(program);
    int v = 0;
    bool on = true;
    ASSERT_TRUE(gnome->GetDoubleClickTime(v));
    EXPECT_EQ(400, v);
    ASSERT_TRUE(gnome->GetSpeed(v));
    EXPECT_EQ(10, v);  // GNOME's default is ours
    ASSERT_TRUE(gnome->GetPrecision(on));
    EXPECT_TRUE(on);

    ApplyPointerSettings(PointerSettings{3, 400, 20, 0, 0}, *gnome);
    const std::string calls = Calls();
    EXPECT_EQ(std::string::npos,
              calls.find("set org.gnome.desktop.peripherals.mouse double-click"));
    EXPECT_NE(std::string::npos,
              calls.find("set org.gnome.desktop.peripherals.mouse speed 1.000000"));
    EXPECT_NE(std::string::npos,
              calls.find("set org.gnome.desktop.peripherals.mouse accel-profile flat"));
    EXPECT_TRUE(gnome->GetPrecision(on));
    EXPECT_FALSE(on);
    EXPECT_FALSE(gnome->GetScrollLines(v));
    EXPECT_FALSE(gnome->SetTrails(3));
    // GNOME has no wheel-lines setting: never asked for, and the window shows it unused.
    EXPECT_EQ(std::string::npos, calls.find("scroll"));
    EXPECT_EQ(0u, gnome->Supported() & platform::kPointerScrollLines);
}

TEST_F(GnomeBackendTest, EveryValueReadsBackAndTheDeviceDefaultCountsAsAdaptive) {
    auto gnome = platform::MakeGnomePointerSettings(program);
    testing_support::ExpectEveryValueRoundTrips(*gnome);
    EXPECT_NE(std::string::npos,
              Calls().find("set org.gnome.desktop.peripherals.mouse speed -0.900000"));
    dir.Write("accel-profile", "'default'\n");
    bool on = false;
    ASSERT_TRUE(gnome->GetPrecision(on));
    EXPECT_TRUE(on);
}

TEST_F(GnomeBackendTest, NumbersKeepTheirPointInACommaLocale) {
    // A locale with a decimal comma, as in a German or French session, built for this test.
    std::string source;
    for (const char* category : {"LC_CTYPE", "LC_COLLATE", "LC_MONETARY", "LC_TIME", "LC_MESSAGES"})
        source += std::string(category) + "\ncopy \"POSIX\"\nEND " + category + "\n";
    source +=
        "LC_NUMERIC\ndecimal_point \"<U002C>\"\nthousands_sep \"\"\ngrouping -1\nEND LC_NUMERIC\n";
    const std::string locales = dir.File("locales");
    const std::string make = "mkdir -p '" + locales + "' && localedef -c -i '" +
                             dir.Write("comma.src", source) + "' -f ANSI_X3.4-1968 '" + locales +
                             "/comma' >/dev/null 2>&1";
    // Warnings for the categories left out give exit code 1.
    [[maybe_unused]] const int made = std::system(make.c_str());
    setenv("LOCPATH", locales.c_str(), 1);
    if (!std::setlocale(LC_NUMERIC, "comma")) {
        unsetenv("LOCPATH");
        GTEST_SKIP() << "localedef (package locales) cannot build a comma locale";
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    EXPECT_STREQ("0,5", probe) << "the locale must put a comma";

    auto gnome = platform::MakeGnomePointerSettings(program);
    EXPECT_TRUE(gnome->SetSpeed(9));
    int v = 0;
    dir.Write("speed", "0.5\n");
    const bool got = gnome->GetSpeed(v);
    std::setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
    EXPECT_NE(std::string::npos,
              Calls().find("set org.gnome.desktop.peripherals.mouse speed -0.100000"));
    ASSERT_TRUE(got);
    EXPECT_EQ(15, v);
}

TEST_F(GnomeBackendTest, ASetThatDoesNotReadBackIsNotStored) {
    // A gsettings whose "set" succeeds yet keeps nothing (no session to store it).
    std::ofstream(program) << "#!/bin/sh\n"
                              "case \"$1\" in get) echo 0.0 ;; esac\n";
    auto gnome = platform::MakeGnomePointerSettings(program);
    EXPECT_FALSE(gnome->SetSpeed(15));
    EXPECT_TRUE(gnome->SetSpeed(10));
}

TEST_F(GnomeBackendTest, NoSchemaNoGnomeBackend) {
    EXPECT_FALSE(platform::GnomeMouseSchemaInstalled(dir.File("no-such-program")));
}

}  // namespace
}  // namespace profile_test
