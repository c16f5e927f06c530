// The search of mivora-cli over a lossy link, against the virtual mouse.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "support/support.h"

namespace {

struct Result {
    int code = -1;
    std::string err;
};

Result Status(const testing_support::TempDir& dir, const std::string& faults) {
    setenv("MIVORA_POINTER_SETTINGS", "none", 1);
    const std::string err = dir.File("err");
    const std::string cmd = std::string(MIVORA_BIN_DIR) + "/mivora-cli --data-dir '" +
                            dir.File("data") + "' --virtual-mouse --virtual-faults " + faults +
                            " status >/dev/null 2>'" + err + "'";
    const int status = std::system(cmd.c_str());
    Result r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(err);
    std::stringstream s;
    s << in.rdbuf();
    r.err = s.str();
    return r;
}

// One lost identification reply does not end the command: the search is made again. With this
// seed the first search loses a reply and a later one finds the mouse.
TEST(CliSearch, ALostIdentificationReplyIsSearchedAgain) {
    testing_support::TempDir dir;
    const Result r = Status(dir, "lost=0.5,seed=1");
    EXPECT_EQ(0, r.code) << r.err;
}

// A mouse that never answers is still reported, after a bounded number of searches.
TEST(CliSearch, AMouseThatNeverAnswersIsNotFound) {
    testing_support::TempDir dir;
    const Result r = Status(dir, "lost=1");
    EXPECT_EQ(1, r.code);
    EXPECT_EQ("mivora-cli: no mouse found (vendor id 1209)\n", r.err);
}

}  // namespace
