// The profile commands of the built mivora-cli against the virtual mouse: a state file and a
// data folder per test, and the output of each run.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/support.h"

namespace cli_test {

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
    static std::string Slurp(const std::string& path) { return testing_support::Slurp(path); }
    Result Run(const std::string& args, bool withMouse = true) {
        return RunOn(state, data, args, withMouse);
    }
    // The command on another state file and data folder; shell is put before the command (for
    // limits). Output files are per call, so calls may run at the same time.
    Result RunOn(const std::string& stateFile, const std::string& dataDir, const std::string& args,
                 bool withMouse = true, const std::string& shell = "") {
        static std::atomic<int> calls{0};
        const std::string tag = std::to_string(calls++);
        const std::string out = dir.File("out" + tag), err = dir.File("err" + tag);
        const std::string cmd = shell + std::string(MIVORA_BIN_DIR) + "/mivora-cli --data-dir '" +
                                dataDir + "' " +
                                (withMouse ? "--virtual-mouse='" + stateFile + "' " : "") + args +
                                " >'" + out + "' 2>'" + err + "'";
        const int status = std::system(cmd.c_str());
        Result r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = Slurp(out);
        r.err = Slurp(err);
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

}  // namespace cli_test
