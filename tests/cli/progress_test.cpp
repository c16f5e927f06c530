// Long writes of mivora-cli show one updating progress line on a terminal, and nothing extra
// when the output goes to a file or is JSON.
#include <gtest/gtest.h>

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/support.h"

namespace {

struct Output {
    int code = -1;
    std::string text;
};

class ProgressTest : public ::testing::Test {
  protected:
    void SetUp() override { setenv("MIVORA_POINTER_SETTINGS", "none", 1); }

    std::vector<std::string> Argv(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {std::string(MIVORA_BIN_DIR) + "/mivora-cli", "--data-dir",
                                         dir.File("data"),
                                         "--virtual-mouse=" + dir.File("mouse.bin")};
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    }

    // Runs mivora-cli with its standard output on a pseudo terminal.
    Output OnTerminal(const std::vector<std::string>& args) {
        std::vector<std::string> argv = Argv(args);
        int master = -1;
        const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
        if (pid == 0) {
            std::vector<char*> v;
            for (auto& a : argv) v.push_back(a.data());
            v.push_back(nullptr);
            execv(v[0], v.data());
            _exit(127);
        }
        Output r;
        if (pid < 0) return r;
        char buf[4096];
        for (;;) {
            const ssize_t n = read(master, buf, sizeof buf);
            if (n <= 0) break;  // EIO once the child has closed the terminal
            r.text.append(buf, static_cast<size_t>(n));
        }
        close(master);
        int status = 0;
        waitpid(pid, &status, 0);
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return r;
    }

    // Runs mivora-cli with its standard output in a file.
    Output ToFile(const std::vector<std::string>& args) {
        std::string cmd;
        for (const auto& a : Argv(args)) cmd += "'" + a + "' ";
        cmd += ">'" + dir.File("out") + "' 2>/dev/null";
        const int status = std::system(cmd.c_str());
        Output r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream in(dir.File("out"), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        r.text = s.str();
        return r;
    }

    testing_support::TempDir dir;
};

TEST_F(ProgressTest, WritesShowOneUpdatingLineOnATerminalThatIsErasedAtTheEnd) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"apply"}, {"restore"}, {"set", "key", "3", "dpi-up"}}) {
        const Output r = OnTerminal(args);
        ASSERT_EQ(0, r.code) << args[0] << ": " << r.text;
        EXPECT_EQ(0u, r.text.find("\rWriting to the mouse...")) << args[0] << ": " << r.text;
        EXPECT_NE(std::string::npos, r.text.find("100%")) << args[0];
        // One line: no line feed, and the line is erased at the end.
        EXPECT_EQ(std::string::npos, r.text.find('\n')) << args[0] << ": " << r.text;
        EXPECT_EQ(r.text.size() - 4, r.text.rfind("\r\033[K")) << args[0] << ": " << r.text;
    }
}

TEST_F(ProgressTest, NothingExtraInAFileOrWithJson) {
    const Output file = ToFile({"apply"});
    EXPECT_EQ(0, file.code);
    EXPECT_EQ("", file.text);
    const Output json = OnTerminal({"read", "--json"});
    EXPECT_EQ(0, json.code);
    EXPECT_EQ(0u, json.text.find('{')) << json.text;
    EXPECT_EQ(std::string::npos, json.text.find('\r' + std::string("Writing"))) << json.text;
}

}  // namespace
