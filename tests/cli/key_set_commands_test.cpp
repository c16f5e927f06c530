// keyset and set key --set of the built mivora-cli against the virtual mouse.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_profile_fixture.h"

namespace {

using cli_test::CliProfileTest;
using cli_test::Result;

// The matrix entry of key 2 (at position 3 on the first model) with DPI down: 02 03 00 and its
// check byte.
const std::vector<uint8_t> kDpiDownEntry = {0x02, 0x03, 0x00, 0x50};

TEST_F(CliProfileTest, AnotherSetIsChangedInTheProfileOnlyUntilItIsSwitchedTo) {
    Result r = Run("keyset");
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_EQ(0u, r.out.find("current key set 1\n* 1: ")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("\n  2: ")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("\n  3: ")) << r.out;

    const std::vector<uint8_t> before = Memory(0, 3584);
    r = Run("set key 2 dpi-down --set 2");
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("nothing was written")) << r.out;
    EXPECT_EQ(before, Memory(0, 3584));

    r = Run("keyset 2");
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_EQ(kDpiDownEntry, Memory(0x15 + 4 * 2, 4));

    // The read fills the set the mouse holds: set 2, with the key read back from the mouse; the
    // other sets are still listed.
    r = Run("read --json");
    ASSERT_EQ(0, r.code) << r.err;
    for (const char* field :
         {"\"key_set\":1,", "\"current_key_set\":2,",
          "\"key_sets\":[{\"number\":1,\"current\":false,\"keys\":[{\"index\":0",
          "{\"number\":2,\"current\":true,", "{\"number\":3,\"current\":false,",
          "{\"index\":2,\"function\":\"0x080000a9\""})
        EXPECT_NE(std::string::npos, r.out.find(field)) << field << "\n" << r.out;

    // Back to set 1: the key has its first function again on the mouse; set key now acts on
    // set 1.
    ASSERT_EQ(0, Run("keyset 1").code);
    EXPECT_NE(kDpiDownEntry, Memory(0x15 + 4 * 2, 4));
    ASSERT_EQ(0, Run("set key 2 dpi-down").code);
    EXPECT_EQ(kDpiDownEntry, Memory(0x15 + 4 * 2, 4));
}

TEST_F(CliProfileTest, KeySetNumbersOutsideOneToThreeAreRefused) {
    ASSERT_EQ(0, Run("status").code);
    const std::vector<uint8_t> before = Memory(0, 3584);
    for (const char* args : {"keyset 0", "keyset 4", "keyset two", "keyset 1 2",
                             "set key 2 off --set 4", "set key 2 off --set"}) {
        const Result r = Run(args);
        EXPECT_TRUE(OneLineError(r)) << args << ": " << r.code << " " << r.err;
    }
    EXPECT_EQ(before, Memory(0, 3584));
}

}  // namespace
