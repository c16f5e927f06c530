// The profile commands of the built mivora-cli against the virtual mouse and its state file.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "support/support.h"

namespace {

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

class CliProfileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // The commands must not change the desktop of whoever runs the tests.
        setenv("MIVORA_POINTER_SETTINGS", "none", 1);
        state = dir.File("mouse.bin");
        data = dir.File("data");
    }
    static std::string Slurp(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    Result Run(const std::string& args, bool withMouse = true) {
        const std::string cmd = std::string(MIVORA_BIN_DIR) + "/mivora-cli --data-dir '" + data +
                                "' " + (withMouse ? "--virtual-mouse='" + state + "' " : "") +
                                args + " >'" + dir.File("out") + "' 2>'" + dir.File("err") + "'";
        const int status = std::system(cmd.c_str());
        Result r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = Slurp(dir.File("out"));
        r.err = Slurp(dir.File("err"));
        return r;
    }
    std::vector<uint8_t> Memory(int address, int count) {
        const std::string m = Slurp(state);
        EXPECT_EQ(3584u, m.size());
        return std::vector<uint8_t>(m.begin() + address, m.begin() + address + count);
    }
    static bool OneLineError(const Result& r) {
        return r.code != 0 && r.err.rfind("mivora-cli: ", 0) == 0 &&
               r.err.find('\n') == r.err.size() - 1;
    }

    testing_support::TempDir dir;
    std::string state, data;
};

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
    ASSERT_EQ(0, Run("set light 2 --color ff8000 --speed 3 --brightness 4").code);
    EXPECT_EQ((std::vector<uint8_t>{2, 0xFF, 0x80, 0x00, 3, 4}), Memory(0x35, 6));
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

TEST_F(CliProfileTest, RefusedInputFailsWithOneLineAndChangesNothing) {
    ASSERT_EQ(0, Run("read").code);
    const std::string before = Slurp(state);
    for (const char* args :
         {"set key 0 off", "set key 0 macro:nothing", "set key 0 warp", "set dpi 0 1234567",
          "set rate 333", "set stage 99", "set", "import " /* no file */, "read --yaml"}) {
        const Result r = Run(args);
        EXPECT_TRUE(OneLineError(r)) << args << ": " << r.code << " " << r.err;
    }
    EXPECT_EQ(before, Slurp(state));
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

TEST_F(CliProfileTest, AFailedWriteFails) {
    ASSERT_EQ(0, Run("read").code);
    const Result r = Run("--virtual-faults unplug-after=5 apply");
    EXPECT_TRUE(OneLineError(r)) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("Update settings failed!")) << r.err;
}

TEST_F(CliProfileTest, AnUnknownModelOrABrokenStateFileFails) {
    EXPECT_TRUE(OneLineError(Run("--virtual-mouse --virtual-cid 200 --virtual-mid 1 read", false)));
    dir.Write("mouse.bin", std::string(100, '\0'));
    EXPECT_TRUE(OneLineError(Run("read")));
}

}  // namespace
