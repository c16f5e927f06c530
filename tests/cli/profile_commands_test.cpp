// The profile commands of the built mivora-cli against the virtual mouse and its state file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_profile_fixture.h"
#include "platform/file_lock.h"
#include "platform/files.h"

namespace {

using cli_test::CliProfileTest;
using cli_test::Result;

TEST_F(CliProfileTest, ReadPrintsTheMouseAndEndsLikeTheWindowsExit) {
    const Result r = Run("read --json");
    ASSERT_EQ(0, r.code) << r.err;
    for (const char* field :
         {"\"cid\":", "\"sensor\":\"0x", "\"report_rate\":{\"receiver\":", "\"stages\":[{\"x\":",
          "\"color\":\"#", "\"keys\":[{\"index\":0", "\"function\":\"0x01000011\"",
          "\"lighting\":{\"mode\":", "\"pointer\":{\"scroll_lines\":"})
        EXPECT_NE(std::string::npos, r.out.find(field)) << field << "\n" << r.out;
    EXPECT_EQ(3584u, Slurp(state).size());
    EXPECT_EQ(8u, Slurp(data + "/CID.dct").size());
    std::vector<platform::DirEntry> files;
    ASSERT_TRUE(platform::ListDir(data, files));
    bool profile = false;
    for (const auto& f : files)
        if (f.name.rfind("PRO_", 0) == 0) profile = Slurp(data + "/" + f.name).size() == 1972;
    EXPECT_TRUE(profile);
}

TEST_F(CliProfileTest, SetCommandsReachTheMouseMemory) {
    ASSERT_EQ(0, Run("set rate 1000").code);
    EXPECT_EQ(0x01, Memory(0x00, 1)[0] & 0x0F);
    ASSERT_EQ(0, Run("set stage 1").code);
    EXPECT_EQ((std::vector<uint8_t>{1, 0x54}), Memory(0x04, 2));
    // Lighting on a model that has it.
    const std::string apex = dir.File("apex.bin");
    ASSERT_EQ(0, RunOn(apex, data,
                       "--virtual-cid 0x4D --virtual-mid 2 set light 2 --color ff8000 --speed 3 "
                       "--brightness 4")
                     .code);
    EXPECT_EQ(std::string("\x02\xFF\x80\x00\x03\x04", 6), Slurp(apex).substr(0x35, 6));
    const std::vector<uint8_t> stage0 = Memory(0x06, 3);
    ASSERT_EQ(0, Run("set dpi 0 2000").code);
    EXPECT_NE(stage0, Memory(0x06, 3));

    ASSERT_EQ(0, Run("set key 2 combo:Ctrl+Shift+A").code);
    const std::vector<uint8_t> matrix = Memory(0x15 + 4 * 2, 3);
    ASSERT_EQ(4, matrix[0]);
    const int slot = matrix[1];
    EXPECT_EQ((std::vector<uint8_t>{0x52, 0x03, 6}), Memory(0x200 + 384 * slot + 29, 3));

    const Result r = Run("read --json");
    ASSERT_EQ(0, r.code);
    EXPECT_NE(std::string::npos, r.out.find("\"function\":\"0x02000000\"")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("\"combo\":\"0x00004103\"")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("\"receiver\":1000")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("\"x\":2000")) << r.out;
}

// Sensor 0x3335's lowest value, 100 DPI, has code 0x00: a value like any other, through set,
// read and an export imported into a fresh mouse.
TEST_F(CliProfileTest, TheSensorsLowestValueIsAValue) {
    const std::string model = "--virtual-cid 0x4D --virtual-mid 2 ";
    ASSERT_EQ(0, Run(model + "set dpi 0 100").code);
    const std::string stage0 = Slurp(state).substr(0x06, 3);
    EXPECT_EQ(std::string("\0\0", 2), stage0.substr(0, 2));
    const Result r = Run(model + "read --json");
    ASSERT_EQ(0, r.code);
    EXPECT_NE(std::string::npos, r.out.find("\"x\":100,")) << r.out;
    const std::string file = dir.File("low.zqa");
    ASSERT_EQ(0, Run(model + "export '" + file + "'").code);
    const std::string fresh = dir.File("fresh.bin");
    const Result imported = RunOn(fresh, dir.File("fresh"), model + "import '" + file + "'");
    EXPECT_EQ(0, imported.code) << imported.err;
    EXPECT_EQ(stage0, Slurp(fresh).substr(0x06, 3));
}

TEST_F(CliProfileTest, RefusedInputFailsWithOneLineAndChangesNothing) {
    ASSERT_EQ(0, Run("read").code);
    const std::string before = Slurp(state);
    for (const char* args :
         {"set key 0 off", "set key 0 macro:nothing", "set key 0 warp", "set dpi 0 1234567",
          "set rate 333", "set stage 99", "set", "import " /* no file */, "read --yaml",
          // The first model connects through its receiver only and has no lighting.
          "set rate 500 --bluetooth", "set light 1", "set stage 5", "set dpi 5 1000",
          // Raw codes without what they need, signs in hexadecimal numbers.
          "set key 1 0x05000000", "set key 1 0x080000AD", "set key 1 0x020000A1", "set key 1 0x-1",
          "set key 1 0x+13", "set key 1 0x 13",
          // Raw codes the mouse has no code for (it would get FF FF FF).
          "set key 1 0x01000016", "set key 1 0x080000AB",
          // Nothing to switch on a model without lighting.
          "set key 1 light-switch"}) {
        const Result r = Run(args);
        EXPECT_TRUE(OneLineError(r)) << args << ": " << r.code << " " << r.err;
    }
    EXPECT_EQ(before, Slurp(state));
    const Result media = Run("set key 1 media:nope");
    EXPECT_TRUE(OneLineError(media));
    EXPECT_NE(std::string::npos, media.err.find("volume-up")) << media.err;
    EXPECT_EQ(0, Run("set key 1 0x01000013").code) << "a raw code that needs nothing";

    // A model with lighting and Bluetooth: six stages in cfg.ini's history, five in the mouse.
    const std::string apex = "--virtual-cid 0x4D --virtual-mid 2 ";
    for (const char* args : {"set light 5", "set light 1 --color -12345",
                             "set light 1 --color +fffff", "set stage 5", "set dpi 5 800"}) {
        const Result r = RunOn(dir.File("apex.bin"), data, apex + args);
        EXPECT_TRUE(OneLineError(r)) << args << ": " << r.code << " " << r.err;
    }
    for (const char* args : {"set light 1 --speed 256", "set light 1 --brightness -1"}) {
        const Result r = RunOn(dir.File("apex.bin"), data, apex + args);
        EXPECT_TRUE(OneLineError(r)) << args << ": " << r.err;
        EXPECT_NE(std::string::npos, r.err.find("0 to 255")) << args << ": " << r.err;
    }
    EXPECT_EQ(0, RunOn(dir.File("apex.bin"), data, apex + "set light 4 --color 00ff00").code);
    EXPECT_EQ(0, RunOn(dir.File("apex.bin"), data, apex + "set rate 250 --bluetooth").code);
}

// Over Bluetooth the codes of 125, 250 and 500 Hz give 90, 115 and 133 Hz: the number the
// window's rate buttons show, in read and in set rate.
TEST_F(CliProfileTest, TheBluetoothRateIsTheNumberTheWindowShows) {
    const std::string bt = "--virtual-cid 0x4D --virtual-mid 2 ", m2 = dir.File("m2.bin");
    ASSERT_EQ(0, RunOn(m2, data, bt + "set rate 500 --bluetooth").code);
    Result r = RunOn(m2, data, bt + "read --json");
    EXPECT_NE(std::string::npos, r.out.find("\"bluetooth\":133}")) << r.out;
    r = RunOn(m2, data, bt + "read");
    EXPECT_NE(std::string::npos, r.out.find("bluetooth 133 Hz")) << r.out;
    ASSERT_EQ(0, RunOn(m2, data, bt + "set rate 90 --bluetooth").code);
    EXPECT_EQ(0x80, Slurp(m2)[0] & 0xF0);
    r = RunOn(m2, data, bt + "set rate 90");
    EXPECT_TRUE(OneLineError(r)) << "90 Hz is no receiver rate";
}

TEST_F(CliProfileTest, RestoreLeavesTheMouseAsItLeftTheFactory) {
    ASSERT_EQ(0, Run("set key 2 dpi-up").code);
    ASSERT_EQ(0, Run("set rate 125").code);
    ASSERT_EQ(0, Run("set stage 3").code);
    ASSERT_EQ(0, Run("set dpi 0 2000").code);
    const std::string fresh = dir.File("fresh.bin");
    ASSERT_EQ(0, RunOn(fresh, dir.File("fresh-data"), "read").code);
    ASSERT_NE(Slurp(fresh), Slurp(state));
    ASSERT_EQ(0, Run("restore").code);
    EXPECT_EQ(Slurp(fresh), Slurp(state));
    const Result after = Run("read --json");
    const Result factory = RunOn(fresh, dir.File("fresh-data"), "read --json");
    ASSERT_EQ(0, after.code);
    EXPECT_EQ(after.out.substr(after.out.find("\"report_rate\"")),
              factory.out.substr(factory.out.find("\"report_rate\"")));
}

TEST_F(CliProfileTest, AStoredProfileThatCannotBeWrittenIsSetAside) {
    ASSERT_EQ(0, Run("read").code);
    std::vector<platform::DirEntry> files;
    ASSERT_TRUE(platform::ListDir(data, files));
    std::string stored;
    for (const auto& f : files)
        if (f.name.rfind("PRO_", 0) == 0) stored = data + "/" + f.name;
    ASSERT_FALSE(stored.empty());
    for (int field : {0, 4}) {  // magic, then profile id
        std::string raw = Slurp(stored);
        raw.replace(field, 4, std::string(4, '\0'));
        ASSERT_TRUE(platform::WriteFileAtomic(stored, reinterpret_cast<const uint8_t*>(raw.data()),
                                              raw.size()));
        const Result r = Run("set stage 1");
        EXPECT_EQ(0, r.code) << field << ": " << r.err;
        EXPECT_EQ(0, Run("restore").code) << field;
        EXPECT_EQ(0, Run("apply").code) << field;
    }
}

TEST_F(CliProfileTest, ApplyWritesTheStageTheUserChoseAndTheStageCount) {
    ASSERT_EQ(0, Run("set stage 2").code);
    std::string raw = Slurp(state);
    const char changed[4] = {1, 0x54, 0, 0x55};  // one stage, current stage 0
    raw.replace(0x02, 4, changed, 4);
    ASSERT_TRUE(
        platform::WriteFileAtomic(state, reinterpret_cast<const uint8_t*>(raw.data()), raw.size()));
    ASSERT_EQ(0, Run("apply").code);
    EXPECT_EQ((std::vector<uint8_t>{4, 0x51, 2, 0x53}), Memory(0x02, 4));
}

TEST_F(CliProfileTest, TheStagesInUseSurviveAReadApplyAndImport) {
    ASSERT_EQ(0, Run("read").code);
    std::string raw = Slurp(state);
    const char three[4] = {3, 0x52, 1, 0x54};  // the user cycles 3 of the 4 stages, on stage 1
    raw.replace(0x02, 4, three, 4);
    ASSERT_TRUE(
        platform::WriteFileAtomic(state, reinterpret_cast<const uint8_t*>(raw.data()), raw.size()));
    const Result r = Run("read --json");
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_NE(std::string::npos,
              r.out.find("\"enabled\":true},{\"x\":3000,\"y\":3000,\"color\":\"#"))
        << r.out;
    EXPECT_NE(std::string::npos, r.out.find("\"enabled\":false}]")) << r.out;
    ASSERT_EQ(0, Run("apply").code);
    EXPECT_EQ((std::vector<uint8_t>{3, 0x52, 1, 0x54}), Memory(0x02, 4));
    const Result stage = Run("set stage 3");
    EXPECT_TRUE(OneLineError(stage)) << stage.err;
    EXPECT_NE(std::string::npos, stage.err.find("(0..2)")) << stage.err;

    // A profile of 2 stages in use whose current stage is off, with no value on its last stage:
    // the mouse keeps that stage's bytes and lands on a stage in use.
    const std::string file = dir.File("two.zqa");
    raw = Slurp(state);
    raw[0x02] = 2;
    raw[0x03] = 0x53;
    ASSERT_TRUE(
        platform::WriteFileAtomic(state, reinterpret_cast<const uint8_t*>(raw.data()), raw.size()));
    ASSERT_EQ(0, Run("read").code);
    ASSERT_EQ(0, Run("export '" + file + "'").code);
    std::string two = Slurp(file);
    two[1888] = 3;                                        // current stage
    two.replace(1760 + 16 * 3, 8, std::string(8, '\0'));  // stage 3: 0 DPI
    dir.Write("two.zqa", two);
    const std::vector<uint8_t> stage3 = Memory(0x06 + 3 * 3, 3);
    const Result imported = Run("import '" + file + "'");
    ASSERT_EQ(0, imported.code) << imported.err;
    EXPECT_EQ((std::vector<uint8_t>{2, 0x53, 0, 0x55}), Memory(0x02, 4));
    EXPECT_EQ(stage3, Memory(0x06 + 3 * 3, 3));

    // A 4-stage model's export goes into a 5-stage model with another sensor.
    const std::string four = dir.File("four.zqa");
    ASSERT_EQ(0, RunOn(dir.File("m1.bin"), dir.File("m1"), "read").code);
    ASSERT_EQ(0, RunOn(dir.File("m1.bin"), dir.File("m1"), "export '" + four + "'").code);
    const std::string m2 = dir.File("m2.bin");
    const Result forced = RunOn(m2, dir.File("m2"),
                                "--virtual-cid 0x4D --virtual-mid 2 import '" + four + "' --force");
    ASSERT_EQ(0, forced.code) << forced.err;
    EXPECT_EQ(4, Slurp(m2)[0x02]);
}

// A stored stage value the sensor has no code for: apply refuses it and writes no code 0.
TEST_F(CliProfileTest, ApplyRefusesAStageValueWithoutACode) {
    ASSERT_EQ(0, Run("read").code);
    std::vector<platform::DirEntry> files;
    ASSERT_TRUE(platform::ListDir(data, files));
    std::string stored;
    for (const auto& f : files)
        if (f.name.rfind("PRO_", 0) == 0) stored = data + "/" + f.name;
    ASSERT_FALSE(stored.empty());
    std::string raw = Slurp(stored);
    const char odd[4] = {static_cast<char>(0xD2), 0x04, 0, 0};  // 1234 DPI
    raw.replace(1760 + 16, 4, odd, 4);
    ASSERT_TRUE(platform::WriteFileAtomic(stored, reinterpret_cast<const uint8_t*>(raw.data()),
                                          raw.size()));
    const std::string before = Slurp(state);
    const Result apply = Run("apply");
    EXPECT_TRUE(OneLineError(apply)) << apply.err;
    EXPECT_NE(std::string::npos, apply.err.find("1234")) << apply.err;
    EXPECT_EQ(before.substr(0x06, 15), Slurp(state).substr(0x06, 15));
}

TEST_F(CliProfileTest, ARefusedDpiValueIsNamedAndSpacesAroundANumberCountAlike) {
    ASSERT_EQ(0, Run("read").code);
    const std::string before = Slurp(state);
    for (const char* args : {"set dpi 0 0", "set dpi 0 1000 0", "set dpi 0 -800"}) {
        const Result r = Run(args);
        EXPECT_TRUE(OneLineError(r)) << args << ": " << r.err;
        EXPECT_NE(std::string::npos, r.err.find("DPI")) << args << ": " << r.err;
        EXPECT_EQ(std::string::npos, r.err.find("STAGE")) << args << ": " << r.err;
    }
    const Result lead = Run("set dpi 0 ' 1500'"), trail = Run("set dpi 0 '1500 '");
    EXPECT_EQ(lead.code, trail.code) << lead.err << trail.err;
    EXPECT_TRUE(OneLineError(trail)) << trail.err;
    EXPECT_EQ(before, Slurp(state));
}

TEST_F(CliProfileTest, OnADesktopWithoutPointerSettingsTheCommandSaysSoOnce) {
    // No session of any known desktop: no display, no compositor, no bus.
    const std::string noDesktop =
        "env -u MIVORA_POINTER_SETTINGS -u DISPLAY -u WAYLAND_DISPLAY -u SWAYSOCK "
        "-u XDG_CURRENT_DESKTOP -u XDG_SESSION_TYPE -u XDG_RUNTIME_DIR "
        "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent ";
    const Result r = RunOn(state, data, "apply", true, noDesktop);
    ASSERT_EQ(0, r.code) << r.err;
    const std::string line = "Pointer settings do not apply on this desktop.";
    const size_t first = r.err.find(line);
    EXPECT_NE(std::string::npos, first) << r.err;
    EXPECT_EQ(std::string::npos, r.err.find(line, first + 1)) << r.err;
    // Turned off on purpose: nothing to say.
    EXPECT_EQ(std::string::npos, Run("apply").err.find(line));
}

TEST_F(CliProfileTest, ReadReportsADpiCodeItDoesNotKnow) {
    ASSERT_EQ(0, Run("read").code);
    std::string raw = Slurp(state);
    raw[0x06] = static_cast<char>(0xEE);
    ASSERT_TRUE(
        platform::WriteFileAtomic(state, reinterpret_cast<const uint8_t*>(raw.data()), raw.size()));
    const Result r = Run("read");
    EXPECT_EQ(0, r.code);
    EXPECT_NE(std::string::npos, r.err.find("Read invalidate dpi")) << r.err;
}

TEST_F(CliProfileTest, ImportRefusesWhatIsNoSoundRecordAndChangesNothing) {
    const std::string file = dir.File("p.zqa");
    ASSERT_EQ(0, Run("export '" + file + "'").code);
    ASSERT_EQ(0, Run("set key 3 dpi-up").code);
    const std::string before = Slurp(state);
    std::vector<platform::DirEntry> files;
    const std::string good = Slurp(file);
    std::string otherSensor = good;
    otherSensor[1892] = 0x60;  // sensor 0x3060, no model's
    const std::string fifo = dir.File("fifo.zqa");
    ASSERT_EQ(0, std::system(("mkfifo '" + fifo + "'").c_str()));
    for (const std::string& path :
         {dir.Write("short.zqa", good.substr(0, 100)), dir.Write("other.zqa", otherSensor),
          std::string("/dev/zero"), fifo}) {
        const Result r = Run("import '" + path + "'");
        EXPECT_TRUE(OneLineError(r)) << path << ": " << r.err;
        EXPECT_EQ(before, Slurp(state)) << path;
    }
    EXPECT_EQ(0, Run("import '" + dir.File("other.zqa") + "' --force").code);
}

TEST_F(CliProfileTest, ChangesWaitForEachOtherAndStayOutWhileTheWindowIsOpen) {
    ASSERT_EQ(0, Run("read").code);
    // Two changes at once: both exit 0 and both stay.
    Result a, b;
    std::thread first([&] { a = Run("set key 2 dpi-up"); });
    std::thread second([&] { b = Run("set rate 250"); });
    first.join();
    second.join();
    ASSERT_EQ(0, a.code) << a.err;
    ASSERT_EQ(0, b.code) << b.err;
    EXPECT_EQ((std::vector<uint8_t>{2, 2, 0}), Memory(0x15 + 4 * 2, 3));
    EXPECT_EQ(0x04, Memory(0x00, 1)[0] & 0x0F);
    const Result r = Run("read --json");
    EXPECT_NE(std::string::npos, r.out.find("\"receiver\":250")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("\"function\":\"0x080000a8\"")) << r.out;

    // The window holds the data folder for its run.
    platform::SetLockOwner("mivora");
    platform::FileLock window;
    ASSERT_TRUE(window.Acquire(data + "/mivora.lock", 0));
    const std::string memory = Slurp(state);
    const Result set = Run("set stage 1");
    EXPECT_TRUE(OneLineError(set)) << set.err;
    EXPECT_NE(std::string::npos, set.err.find("window is open")) << set.err;
    EXPECT_EQ(memory, Slurp(state));
    EXPECT_EQ(0, Run("read").code) << "reading still works";
}

TEST_F(CliProfileTest, AStateFileThatCannotBeWrittenFailsTheCommand) {
    ASSERT_EQ(0, Run("read").code);
    // Files above 2 KiB cannot be written: the 3584-byte state file, not the stored profile.
    const Result r = RunOn(state, data, "set rate 250", true, "trap '' XFSZ; ulimit -f 2; ");
    EXPECT_TRUE(OneLineError(r)) << r.err;
    EXPECT_NE(std::string::npos, r.err.find(state)) << r.err;
}

TEST_F(CliProfileTest, ExportAndImportOnAFreshMouseReadBackTheSameOnEveryModelAndLink) {
    const struct {
        int mid;
        const char* link;
    } mice[] = {
        {1, "receiver"}, {2, "receiver"}, {2, "bluetooth"}, {3, "receiver"}, {3, "bluetooth"}};
    for (const auto& mouse : mice) {
        const std::string name = std::to_string(mouse.mid) + mouse.link;
        const std::string opts = "--virtual-cid 0x4D --virtual-mid " + std::to_string(mouse.mid) +
                                 " --virtual-link " + mouse.link + " ";
        const std::string used = dir.File(name + ".bin"), fresh = dir.File(name + "-new.bin");
        const std::string folder = dir.File(name), file = dir.File(name + ".zqa");
        for (const char* change : {"set key 2 dpi-up", "set key 1 media:mute", "set stage 1",
                                   "set rate 250", "set key 3 combo:Ctrl+C"})
            ASSERT_EQ(0, RunOn(used, folder, opts + change).code) << name << " " << change;
        const Result before = RunOn(used, folder, opts + "read --json");
        ASSERT_EQ(0, before.code) << name;
        ASSERT_EQ(0, RunOn(used, folder, opts + "export '" + file + "'").code) << name;
        const Result imported = RunOn(fresh, folder, opts + "import '" + file + "'");
        ASSERT_EQ(0, imported.code) << name << ": " << imported.err;
        const Result after = RunOn(fresh, folder, opts + "read --json");
        EXPECT_EQ(before.out, after.out) << name;
    }
}

// The file holds the attached mouse's profile, whichever model last used the data folder; with
// no mouse the stored profile of that model, and the command says whose it is.
TEST_F(CliProfileTest, ExportWritesTheAttachedMousesProfile) {
    const std::string m2 = dir.File("m2.bin"), file = dir.File("p.zqa");
    ASSERT_EQ(0, Run("set key 3 dpi-up").code);
    ASSERT_EQ(0, RunOn(m2, data, "--virtual-cid 0x4D --virtual-mid 2 read").code);
    // The mouse changed behind the stored profile's back: key 3 is the middle button now.
    std::string raw = Slurp(state);
    raw.replace(0x15 + 4 * 3, 4, std::string("\x01\x04\x00\x50", 4));
    ASSERT_TRUE(
        platform::WriteFileAtomic(state, reinterpret_cast<const uint8_t*>(raw.data()), raw.size()));
    const Result r = Run("export '" + file + "'");
    ASSERT_EQ(0, r.code) << r.err;
    std::string p = Slurp(file);
    ASSERT_EQ(10312u, p.size());
    EXPECT_EQ(std::string("\x50\x30\0\0", 4), p.substr(1892, 4)) << "the sensor of model 1";
    EXPECT_EQ(std::string("\x12\0\0\x01", 4), p.substr(572 + 24 * 3, 4)) << "the middle button";
    EXPECT_EQ("", r.err);

    const Result stored = Run("export '" + file + "'", false);
    ASSERT_EQ(0, stored.code) << stored.err;
    p = Slurp(file);
    ASSERT_EQ(10312u, p.size());
    EXPECT_EQ(std::string("\x50\x30\0\0", 4), p.substr(1892, 4));
    EXPECT_NE(std::string::npos, stored.err.find("stored profile")) << stored.err;
    EXPECT_NE(std::string::npos, stored.err.find("cid 77, mid 1")) << stored.err;
}

TEST_F(CliProfileTest, ExportImportAndApplyRestoreTheProfile) {
    ASSERT_EQ(0, Run("set key 3 media:volume-up").code);
    const std::string file = dir.File("p.zqa");
    ASSERT_EQ(0, Run("export '" + file + "'").code);
    EXPECT_EQ(10312u, Slurp(file).size());
    ASSERT_EQ(0, Run("set key 3 dpi-up").code);
    EXPECT_EQ((std::vector<uint8_t>{2, 2, 0}), Memory(0x15 + 4 * 3, 3));
    ASSERT_EQ(0, Run("import '" + file + "'").code);
    EXPECT_EQ(4, Memory(0x15 + 4 * 3, 1)[0]);

    // apply writes the stored profile; the mouse changed behind our back gets it back.
    const uint8_t off[4] = {0, 0, 0, 0x55};
    std::string raw = Slurp(state);
    raw.replace(0x15 + 4 * 3, 4, reinterpret_cast<const char*>(off), 4);
    ASSERT_TRUE(
        platform::WriteFileAtomic(state, reinterpret_cast<const uint8_t*>(raw.data()), raw.size()));
    ASSERT_EQ(0, Run("apply").code);
    EXPECT_EQ(4, Memory(0x15 + 4 * 3, 1)[0]);
    ASSERT_EQ(0, Run("restore").code);

    const Result bad = Run("import '" + dir.Write("bad.zqa", std::string(100, 'x')) + "'");
    EXPECT_TRUE(OneLineError(bad)) << bad.err;
}

TEST_F(CliProfileTest, AMouseUnpluggedDuringACommandIsReportedAsDisconnected) {
    ASSERT_EQ(0, Run("read").code);
    for (const char* args :
         {"--virtual-faults unplug-after=5 apply", "--virtual-faults unplug-after=5 read",
          "--virtual-faults unplug-after=12 set key 2 combo:Ctrl+C"}) {
        const Result r = Run(args);
        EXPECT_TRUE(OneLineError(r)) << args << ": " << r.err;
        EXPECT_NE(std::string::npos, r.err.find("mouse was disconnected")) << args << ": " << r.err;
    }
}

TEST_F(CliProfileTest, AnUnknownModelOrABrokenStateFileFails) {
    EXPECT_TRUE(OneLineError(Run("--virtual-mouse --virtual-cid 200 --virtual-mid 1 read", false)));
    dir.Write("mouse.bin", std::string(100, '\0'));
    EXPECT_TRUE(OneLineError(Run("read")));
}

// A run killed while saving leaves its temporary file beside the file it replaces; outside the
// data folder too (the state file's folder, an export's folder) the next run removes it once it
// is old enough that no live run can still be writing it.
TEST_F(CliProfileTest, TemporaryFilesLeftBesideTheStateFileAndAnExportAreRemovedLater) {
    ASSERT_EQ(0, Run("read").code);
    std::filesystem::create_directories(dir.File("out"));
    const std::string oldBeside = dir.Write(".mivora-0123456789ab.tmp", "torn state");
    const std::string oldExport = dir.Write("out/.mivora-ba9876543210.tmp", "torn export");
    const std::string young = dir.Write("out/.mivora-aaaaaaaaaaaa.tmp", "being written");
    const struct timespec hourAgo[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    ASSERT_EQ(0, utimensat(AT_FDCWD, oldBeside.c_str(), hourAgo, 0));
    ASSERT_EQ(0, utimensat(AT_FDCWD, oldExport.c_str(), hourAgo, 0));

    const Result r = Run("export '" + dir.File("out/p.zqa") + "'");
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_FALSE(std::filesystem::exists(oldBeside));
    EXPECT_FALSE(std::filesystem::exists(oldExport));
    EXPECT_TRUE(std::filesystem::exists(young));
}

}  // namespace
