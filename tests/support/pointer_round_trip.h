// The mapping table run through a real backend: every speed 1..20, both acceleration states and
// 1..20 scroll lines set, then read back as the same value (for the settings the backend has).
#pragma once

#include <gtest/gtest.h>

#include "platform/pointer_settings.h"

namespace testing_support {

inline void ExpectEveryValueRoundTrips(platform::PointerSettingsBackend& b) {
    const unsigned has = b.Supported();
    if (has & platform::kPointerSpeed) {
        for (int speed = 1; speed <= 20; ++speed) {
            int back = 0;
            EXPECT_TRUE(b.SetSpeed(speed)) << b.Name() << " speed " << speed;
            EXPECT_TRUE(b.GetSpeed(back) && back == speed)
                << b.Name() << " speed " << speed << " read back as " << back;
        }
    }
    if (has & platform::kPointerPrecision) {
        for (bool on : {true, false, true}) {
            bool back = !on;
            EXPECT_TRUE(b.SetPrecision(on)) << b.Name() << " precision " << on;
            EXPECT_TRUE(b.GetPrecision(back) && back == on) << b.Name() << " precision " << on;
        }
    }
    if (has & platform::kPointerScrollLines) {
        for (int lines = 1; lines <= 20; ++lines) {
            int back = 0;
            EXPECT_TRUE(b.SetScrollLines(lines)) << b.Name() << " lines " << lines;
            EXPECT_TRUE(b.GetScrollLines(back) && back == lines)
                << b.Name() << " lines " << lines << " read back as " << back;
        }
    }
}

}  // namespace testing_support
