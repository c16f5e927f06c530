// The one mapping between the profile's pointer values and the desktops' own scales, used by
// every desktop backend so that a value means the same everywhere and reads back unchanged.
#pragma once

#include <string>

namespace platform {

constexpr int kPointerSpeedMin = 1;
constexpr int kPointerSpeedMax = 20;
constexpr int kPointerSpeedDefault = 10;

// Speed 1..20 onto the desktops' acceleration -1..1: the default speed is 0 and every step is
// 0.1, so the window's speeds land on the 0.1 stops of the desktops' own sliders (1 is -0.9,
// 20 is 1). Speeds outside 1..20 are clamped first.
double SpeedToUnit(int speed);
// The inverse: the nearest speed, clamped to 1..20 (-1 reads as 1); NaN reads as the default.
int SpeedFromUnit(double value);

// Enhanced precision on is the adaptive acceleration profile, off the flat one.
const char* AccelProfileName(bool precision);
// True with the precision for "adaptive" or "flat"; false for any other name.
bool PrecisionFromAccelProfile(const char* name, bool& precision);

// Where a desktop has only a scroll factor: lines per notch / 3 (3 lines is the factor 1).
// Lines below 1 (-1 is one screen per notch) have no factor: false.
bool ScrollFactorFromLines(int lines, double& factor);
// The inverse: the nearest line count, at least 1; false for a factor that is not finite or
// not above 0.
bool LinesFromScrollFactor(double factor, int& lines);

// A number as the desktops' settings programs read it: "-0.100000", with a point whatever the
// process's locale (a German session's printf would write a comma).
std::string PointerNumberText(double value);

}  // namespace platform
