// --help, COMMAND --help and --version of both programs, and the man pages that repeat them.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/support.h"

namespace {

struct Output {
    int code = -1;
    std::string out;
    std::string err;
};

using testing_support::Slurp;

class HelpTest : public ::testing::Test {
  protected:
    // Runs a program of the build folder without any display, so that a program that opens
    // the window system fails.
    Output Run(const std::string& program, const std::string& args) {
        const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                                std::string(MIVORA_BIN_DIR) + "/" + program + "' " + args + " >'" +
                                dir.File("out") + "' 2>'" + dir.File("err") + "' </dev/null";
        const int status = std::system(cmd.c_str());
        Output r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = Slurp(dir.File("out"));
        r.err = Slurp(dir.File("err"));
        return r;
    }
    // The command names of "mivora-cli --help", in order.
    std::vector<std::string> Commands() {
        const Output r = Run("mivora-cli", "--help");
        std::vector<std::string> names;
        const size_t start = r.out.find("\ncommands:\n");
        if (start == std::string::npos) return names;
        std::istringstream lines(r.out.substr(start + 11));
        std::string line;
        while (std::getline(lines, line))
            if (line.rfind("  ", 0) == 0) names.push_back(line.substr(2, line.find(' ', 2) - 2));
        return names;
    }
    static bool GuiBuilt() { return std::ifstream(std::string(MIVORA_BIN_DIR) + "/mivora").good(); }

    testing_support::TempDir dir;
};

TEST_F(HelpTest, CliAnswersHelpAndVersionAndRefusesBadUsageWithStatusTwo) {
    const struct {
        const char* args;
        int code;
        const char* out;  // start of stdout ("" when stdout must be empty)
    } cases[] = {
        {"--version", 0, "mivora-cli "},
        {"--help", 0, "usage: mivora-cli"},
        {"-h", 0, "usage: mivora-cli"},
        {"--virtual-mouse --help", 0, "usage: mivora-cli"},
        {"", 2, ""},
        {"frobnicate", 2, ""},
        {"--frobnicate devices", 2, ""},
    };
    for (const auto& c : cases) {
        const Output r = Run("mivora-cli", c.args);
        EXPECT_EQ(c.code, r.code) << c.args << "\n" << r.err;
        if (*c.out) {
            EXPECT_EQ(0u, r.out.rfind(c.out, 0)) << c.args << "\n" << r.out;
        } else {
            EXPECT_EQ("", r.out) << c.args;
        }
        if (c.code == 2) {
            EXPECT_NE(std::string::npos, r.err.find("--help")) << c.args << r.err;
        }
    }
    EXPECT_EQ(std::string("mivora-cli ") + MIVORA_VERSION + "\n",
              Run("mivora-cli", "--version").out);
}

TEST_F(HelpTest, EveryCommandHasItsOwnHelpWithoutTouchingAMouse) {
    const std::vector<std::string> names = Commands();
    ASSERT_GE(names.size(), 10u);
    for (const std::string& name : names) {
        // No --virtual-mouse and no data folder: a command that ran would fail or search.
        for (const char* form : {" --help", " -h"}) {
            const Output r = Run("mivora-cli", name + form);
            EXPECT_EQ(0, r.code) << name << form << "\n" << r.err;
            EXPECT_EQ(0u, r.out.find("usage: mivora-cli " + name)) << name << "\n" << r.out;
            EXPECT_EQ("", r.err) << name;
        }
    }
    // Deeper in the command line too, and the media names come with "set".
    const Output r = Run("mivora-cli", "set key 3 --help");
    EXPECT_EQ(0, r.code);
    EXPECT_NE(std::string::npos, r.out.find("media:NAME"));
    EXPECT_NE(std::string::npos, r.out.find("volume-up")) << r.out;
}

TEST_F(HelpTest, DesktopProgramAnswersHelpAndVersionWithoutADisplay) {
    if (!GuiBuilt()) GTEST_SKIP() << "the desktop program is not built";
    const Output help = Run("mivora", "--help");
    EXPECT_EQ(0, help.code) << help.err;
    EXPECT_EQ(0u, help.out.rfind("usage: mivora", 0)) << help.out;
    EXPECT_NE(std::string::npos, help.out.find("--screenshot DIR"));
    const Output version = Run("mivora", "--virtual-mouse --version");
    EXPECT_EQ(0, version.code) << version.err;
    EXPECT_EQ(std::string("mivora ") + MIVORA_VERSION + "\n", version.out);
}

// The man pages are written by hand: each option and command the programs list must be there.
TEST_F(HelpTest, ManPagesDescribeEveryOptionAndCommand) {
    const std::string cliPage =
        Slurp(std::string(MIVORA_SOURCE_DIR) + "/packaging/man/mivora-cli.1");
    const std::string appPage = Slurp(std::string(MIVORA_SOURCE_DIR) + "/packaging/man/mivora.1");
    ASSERT_FALSE(cliPage.empty());
    ASSERT_FALSE(appPage.empty());
    for (const std::string& name : Commands())
        EXPECT_NE(std::string::npos, cliPage.find("\n.B " + name)) << name;
    const std::regex option("--[a-z][a-z-]*");
    auto optionsOf = [&](const std::string& text) {
        std::set<std::string> found;
        for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it)
            found.insert(it->str());
        return found;
    };
    // In roff a minus sign is written "\-".
    auto roff = [](const std::string& opt) {
        return std::regex_replace(opt, std::regex("-"), "\\-");
    };
    for (const std::string& opt : optionsOf(Run("mivora-cli", "--help").out))
        EXPECT_NE(std::string::npos, cliPage.find(roff(opt))) << opt;
    if (GuiBuilt()) {
        for (const std::string& opt : optionsOf(Run("mivora", "--help").out))
            EXPECT_NE(std::string::npos, appPage.find(roff(opt))) << opt;
    }
}

}  // namespace
