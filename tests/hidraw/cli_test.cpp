// The built mivora-cli against emulated hidraw nodes, given as its sysfs and device roots: served
// by a mivora-hidemu process as another emulator would, and by an emulator in this process for
// a node the user may not open.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "hidraw_fixture.h"

namespace hidraw_test {
namespace {

using testing_support::Slurp;

// mivora-hidemu as a child: its standard input open until Stop, its first line read.
class HidemuProcess {
  public:
    bool Start(const std::vector<std::string>& args, std::string& line) {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return false;
        std::vector<std::string> argv = {std::string(MIVORA_BIN_DIR) + "/mivora-hidemu"};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> cargv;
        for (auto& a : argv) cargv.push_back(a.data());
        cargv.push_back(nullptr);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            ::execv(cargv[0], cargv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        m_in = in[1];
        m_out = out[0];
        // The first line, within 20 s.
        for (int i = 0; i < 200; ++i) {
            pollfd p{m_out, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            char c;
            if (::read(m_out, &c, 1) != 1) return false;
            if (c == '\n') return true;
            line += c;
        }
        return false;
    }
    // Closes standard input and waits for the process; its exit code, or -1.
    int Stop() {
        if (m_pid <= 0) return -1;
        if (m_in >= 0) ::close(m_in);
        m_in = -1;
        int status = 0;
        for (int i = 0; i < 100; ++i) {
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return -1;
    }
    ~HidemuProcess() {
        Stop();
        if (m_out >= 0) ::close(m_out);
    }

  private:
    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
};

class CliHidrawTest : public ::testing::Test {
  protected:
    void SetUp() override {
        HIDEMU_REQUIRE_FUSE();
        setenv("MIVORA_POINTER_SETTINGS", "none", 1);
    }
    struct Result {
        int code = -1;
        std::string out, err;
    };
    Result Cli(const std::string& sys, const std::string& dev, const std::string& args) {
        const std::string cmd = std::string(MIVORA_BIN_DIR) + "/mivora-cli --data-dir '" +
                                dir.File("data") + "' --sysfs-root '" + sys + "' --dev-root '" +
                                dev + "' " + args + " >'" + dir.File("out") + "' 2>'" +
                                dir.File("err") + "'";
        const int status = std::system(cmd.c_str());
        Result r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = Slurp(dir.File("out"));
        r.err = Slurp(dir.File("err"));
        return r;
    }

    testing_support::TempDir dir;
};

TEST_F(CliHidrawTest, DevicesReadAndSetThroughAnEmulatorProcess) {
    const std::string state = dir.File("mouse.bin");
    HidemuProcess emu;
    std::string line;
    ASSERT_TRUE(emu.Start({"--fixture", "a", "--state", state}, line)) << line;
    const size_t s = line.find("sys="), d = line.find(" dev=");
    ASSERT_TRUE(s == 0 && d != std::string::npos) << line;
    const std::string sys = line.substr(4, d - 4), dev = line.substr(d + 5);

    ASSERT_NE(Slurp(state).at(4), 2);  // the factory image starts at another stage

    Result r = Cli(sys, dev, "devices --verbose");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("hidraw"), std::string::npos) << r.out;
    r = Cli(sys, dev, "read --json");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 1), "{") << r.out;
    r = Cli(sys, dev, "set stage 2");
    EXPECT_EQ(r.code, 0) << r.err;

    EXPECT_EQ(emu.Stop(), 0);
    const std::string memory = Slurp(state);
    ASSERT_EQ(memory.size(), 3584u);
    EXPECT_EQ(static_cast<uint8_t>(memory[4]), 2);  // the current stage and its check byte
    EXPECT_EQ(static_cast<uint8_t>(memory[5]), 0x53);
}

TEST_F(CliHidrawTest, ANodeTheUserMayNotOpenGetsTheUdevHint) {
    hidemu::Emulator emu;
    sim::VirtualMouseSetup setup = MouseSetup("a", 0x4D, 0x01);  // the first model shipped
    std::string error;
    ASSERT_TRUE(emu.Start("a", setup, error)) << error;
    emu.SetOpenDenied(emu.CommandNode(), true);
    const Result r = Cli(emu.SysRoot(), emu.DevRoot(), "read");
    EXPECT_NE(r.code, 0);
    EXPECT_NE(r.err.find("no permission to open the mouse's hidraw nodes"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("udev"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace hidraw_test
