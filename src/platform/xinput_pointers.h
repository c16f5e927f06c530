// The X server's libinput pointers and their XInput properties: the one place the X11 pointer
// backends call X, so that tests can stand in for a server whose devices carry no libinput
// properties (Xvfb's do not).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

constexpr const char* kXAccelSpeed = "libinput Accel Speed";
constexpr const char* kXAccelProfiles = "libinput Accel Profile Enabled";

class XInputPointers {
  public:
    virtual ~XInputPointers() = default;
    // Ids of the physical pointers driven by libinput (they carry "libinput Accel Speed"),
    // touchpads left out (they carry "libinput Tapping Enabled").
    virtual std::vector<int> Pointers() = 0;
    virtual std::string DeviceName(int device) = 0;
    // 32-bit float properties ("FLOAT" type).
    virtual bool GetFloats(int device, const char* property, std::vector<float>& values) = 0;
    virtual bool SetFloats(int device, const char* property, const std::vector<float>& values) = 0;
    // 8-bit integer properties.
    virtual bool GetBytes(int device, const char* property, std::vector<uint8_t>& values) = 0;
    virtual bool SetBytes(int device, const char* property, const std::vector<uint8_t>& values) = 0;
};

// The X server of DISPLAY through libXi; null when it cannot be opened or has no XInput 2.
std::unique_ptr<XInputPointers> OpenXInputPointers();

}  // namespace platform
