// Pointer settings: only what differs is written; the GNOME backend talks to gsettings.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "profile/pointer_apply.h"
#include "profile_fixture.h"

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

TEST(PointerSpeedTest, OneToTwentyMapsLinearlyOntoMinusOneToOne) {
    EXPECT_DOUBLE_EQ(-1.0, platform::SpeedToGnome(1));
    EXPECT_DOUBLE_EQ(1.0, platform::SpeedToGnome(20));
    EXPECT_NEAR(-1.0 + 18.0 / 19.0, platform::SpeedToGnome(10), 1e-9);
    for (int s = 1; s <= 20; ++s) EXPECT_EQ(s, platform::SpeedFromGnome(platform::SpeedToGnome(s)));
    EXPECT_EQ(20, platform::SpeedFromGnome(7.0));
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
    EXPECT_EQ(11, v);                       // 0.0 is the middle of 1..20
    EXPECT_FALSE(gnome->GetPrecision(on));  // "adaptive" is neither of ours

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
}

TEST_F(GnomeBackendTest, NoSchemaNoGnomeBackend) {
    EXPECT_FALSE(platform::GnomeMouseSchemaInstalled(dir.File("no-such-program")));
}

}  // namespace
}  // namespace profile_test
