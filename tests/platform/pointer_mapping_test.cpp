// The one mapping between the profile's pointer values and the desktops' scales.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/pointer_mapping.h"

namespace {

using namespace platform;

TEST(PointerMappingTest, EverySpeedIsATenthStepWithTheDefaultAtZeroAndReadsBack) {
    for (int speed = 1; speed <= 20; ++speed) {
        const double unit = SpeedToUnit(speed);
        EXPECT_NEAR((speed - 10) / 10.0, unit, 1e-12) << speed;
        EXPECT_EQ(speed, SpeedFromUnit(unit)) << speed;
        // The desktops keep single-precision or six-decimal text: still the same speed.
        EXPECT_EQ(speed, SpeedFromUnit(static_cast<float>(unit))) << speed;
        EXPECT_EQ(speed, SpeedFromUnit(std::stod(PointerNumberText(unit)))) << speed;
    }
    EXPECT_EQ(0.0, SpeedToUnit(10));
    EXPECT_EQ(1.0, SpeedToUnit(20));
    const struct {
        double unit;
        int speed;
    } outside[] = {{-1.0, 1},  {1.0, 20},  {-7.0, 1},
                   {7.0, 20},  {0.04, 10}, {0.06, 11},
                   {-0.95, 1}, {-0.86, 1}, {std::numeric_limits<double>::quiet_NaN(), 10}};
    for (const auto& c : outside) EXPECT_EQ(c.speed, SpeedFromUnit(c.unit)) << c.unit;
    EXPECT_EQ(SpeedToUnit(1), SpeedToUnit(-5));
    EXPECT_EQ(SpeedToUnit(20), SpeedToUnit(99));
}

TEST(PointerMappingTest, PrecisionIsAdaptiveOrFlat) {
    for (bool on : {true, false}) {
        bool back = !on;
        EXPECT_TRUE(PrecisionFromAccelProfile(AccelProfileName(on), back));
        EXPECT_EQ(on, back);
    }
    EXPECT_STREQ("adaptive", AccelProfileName(true));
    EXPECT_STREQ("flat", AccelProfileName(false));
    bool on = false;
    EXPECT_FALSE(PrecisionFromAccelProfile("custom", on));
    EXPECT_FALSE(PrecisionFromAccelProfile(nullptr, on));
}

TEST(PointerMappingTest, ScrollLinesAreAThirdOfAFactorAndReadBack) {
    for (int lines = 1; lines <= 20; ++lines) {
        double factor = 0;
        ASSERT_TRUE(ScrollFactorFromLines(lines, factor));
        EXPECT_NEAR(lines / 3.0, factor, 1e-12);
        int back = 0;
        EXPECT_TRUE(LinesFromScrollFactor(std::stod(PointerNumberText(factor)), back));
        EXPECT_EQ(lines, back);
    }
    double factor = 0;
    EXPECT_FALSE(ScrollFactorFromLines(-1, factor));  // one screen per notch has no factor
    EXPECT_FALSE(ScrollFactorFromLines(0, factor));
    int lines = 0;
    EXPECT_FALSE(LinesFromScrollFactor(0, lines));
    EXPECT_FALSE(LinesFromScrollFactor(-1, lines));
    EXPECT_FALSE(LinesFromScrollFactor(std::numeric_limits<double>::infinity(), lines));
    EXPECT_TRUE(LinesFromScrollFactor(0.01, lines));
    EXPECT_EQ(1, lines);
}

TEST(PointerMappingTest, NumbersAreWrittenWithAPoint) {
    EXPECT_EQ("-0.100000", PointerNumberText(-0.1));
    EXPECT_EQ("0.000000", PointerNumberText(-0.0));
    EXPECT_EQ("1.333333", PointerNumberText(4 / 3.0));
}

}  // namespace
