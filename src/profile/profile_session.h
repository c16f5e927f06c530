// The profile side of the device session: the reads it starts after each identification and
// the device events that change the current profile.
#pragma once

#include "device/device_session.h"

class ProfileSessionHook : public ProfileReaderHook {
  public:
    int ReadProfile(CUSBDriver& link) override;
    const void* CurrentProfile() override;
    const void* FirstProfile() override;
    bool StageDpi(int stage, int& xDpi, int& yDpi) override;
    void SetCurrentDpiLevel(int stage) override;
    int ReadLighting(CUSBDriver& link) override;
};
