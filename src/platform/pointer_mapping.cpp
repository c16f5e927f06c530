#include "platform/pointer_mapping.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace platform {

namespace {

constexpr double kSpeedStep = 0.1;
constexpr double kLinesPerFactor = 3.0;
constexpr int kMaxScrollLines = 100;

}  // namespace

double SpeedToUnit(int speed) {
    if (speed < kPointerSpeedMin) speed = kPointerSpeedMin;
    if (speed > kPointerSpeedMax) speed = kPointerSpeedMax;
    return (speed - kPointerSpeedDefault) * kSpeedStep;
}

int SpeedFromUnit(double value) {
    if (std::isnan(value)) return kPointerSpeedDefault;
    if (value < -1.0) value = -1.0;
    if (value > 1.0) value = 1.0;
    const int speed = kPointerSpeedDefault + static_cast<int>(std::lround(value / kSpeedStep));
    return speed < kPointerSpeedMin ? kPointerSpeedMin : speed;
}

const char* AccelProfileName(bool precision) {
    return precision ? "adaptive" : "flat";
}

bool PrecisionFromAccelProfile(const char* name, bool& precision) {
    if (!name) return false;
    if (std::strcmp(name, "adaptive") == 0) {
        precision = true;
        return true;
    }
    if (std::strcmp(name, "flat") == 0) {
        precision = false;
        return true;
    }
    return false;
}

bool ScrollFactorFromLines(int lines, double& factor) {
    if (lines < 1) return false;
    factor = lines / kLinesPerFactor;
    return true;
}

bool LinesFromScrollFactor(double factor, int& lines) {
    if (!std::isfinite(factor) || factor <= 0) return false;
    const double n = std::round(factor * kLinesPerFactor);
    lines = n < 1 ? 1 : n > kMaxScrollLines ? kMaxScrollLines : static_cast<int>(n);
    return true;
}

std::string PointerNumberText(double value) {
    char text[64];
    if (value == 0) value = 0;  // no "-0.000000"
    const auto [end, ec] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6);
    return ec == std::errc() ? std::string(text, end) : "0";
}

}  // namespace platform
