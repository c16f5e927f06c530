#include "sim/faults.h"

#include <gtest/gtest.h>

using sim::FaultSpec;
using sim::ParseFaultSpec;

namespace {

TEST(FaultSpec, ParsesEveryPart) {
    FaultSpec f;
    std::string error;
    ASSERT_TRUE(ParseFaultSpec(
        "lost=0.1,drop=0.03,echo=0.05, late=0.02:300 ,unplug-after=400,seed=7", f, error))
        << error;
    EXPECT_DOUBLE_EQ(f.lost, 0.1);
    EXPECT_DOUBLE_EQ(f.drop, 0.03);
    EXPECT_DOUBLE_EQ(f.echo, 0.05);
    EXPECT_DOUBLE_EQ(f.late, 0.02);
    EXPECT_EQ(f.lateMs, 300);
    EXPECT_EQ(f.unplugAfter, 400);
    EXPECT_EQ(f.seed, 7u);
    EXPECT_TRUE(f.Any());

    ASSERT_TRUE(ParseFaultSpec("fail-write=3", f, error)) << error;
    EXPECT_EQ(f.failWrite, 3);
    EXPECT_EQ(f.failWriteCount, 1);
    EXPECT_TRUE(f.Any());
    ASSERT_TRUE(ParseFaultSpec("fail-write=2:5", f, error)) << error;
    EXPECT_EQ(f.failWrite, 2);
    EXPECT_EQ(f.failWriteCount, 5);

    ASSERT_TRUE(ParseFaultSpec("", f, error));
    EXPECT_FALSE(f.Any());
    ASSERT_TRUE(ParseFaultSpec("seed=4294967295", f, error));
    EXPECT_EQ(f.seed, 4294967295u);
}

TEST(FaultSpec, RefusesAMalformedPartAndNamesIt) {
    const struct {
        const char* text;
        const char* named;  // the error must quote this part
    } cases[] = {
        {"lost=abc", "lost=abc"},
        {"lost=1.5", "lost=1.5"},
        {"lost=-0.1", "lost=-0.1"},
        {"echo=0.1x", "echo=0.1x"},
        {"late=0.2", "late=0.2"},
        {"late=0.2:", "late=0.2:"},
        {"late=0.2:-5", "late=0.2:-5"},
        {"unplug-after=0", "unplug-after=0"},
        {"unplug-after=3.5", "unplug-after=3.5"},
        {"seed=99999999999", "seed=99999999999"},
        {"lost=0.1,bogus=1", "bogus=1"},
        {"lost", "lost"},
        {"lost=0.1,lost=0.2", "lost=0.2"},
        {"lost=nan", "lost=nan"},
        {"fail-write=0", "fail-write=0"},
        {"fail-write=-2", "fail-write=-2"},
        {"fail-write=two", "fail-write=two"},
        {"fail-write=2:0", "fail-write=2:0"},
        {"fail-write=2:", "fail-write=2:"},
        {"fail-write=1.5", "fail-write=1.5"},
        {"fail-write=1,fail-write=2", "fail-write=2"},
    };
    for (const auto& c : cases) {
        FaultSpec f;
        f.seed = 99;
        std::string error;
        EXPECT_FALSE(ParseFaultSpec(c.text, f, error)) << c.text;
        EXPECT_NE(error.find(std::string("'") + c.named + "'"), std::string::npos)
            << c.text << " -> " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
        EXPECT_EQ(f.seed, 99u) << "spec changed on failure: " << c.text;
    }
    std::string error;
    FaultSpec f;
    // Control characters and overlong parts never break the one-line message.
    EXPECT_FALSE(ParseFaultSpec("lost=0.1\nrm -rf" + std::string(200, 'x'), f, error));
    EXPECT_EQ(error.find('\n'), std::string::npos);
    EXPECT_LT(error.size(), 120u);
    EXPECT_FALSE(ParseFaultSpec("lost=0.1,,seed=1", f, error));
    EXPECT_FALSE(ParseFaultSpec("lost=0.1,", f, error));
}

}  // namespace
