// The profile as mivora-cli read prints it, shared with the bus service's Read: one JSON object
// (read --json) or the lines for people (read).
#pragma once

#include <string>

#include "config/device_model.h"
#include "profile/profile_record.h"

// curStage: the DPI stage in use (it is not in the record while the program runs).
std::string ProfileJson(const DeviceModel& m, const ProfileRecord& r, int curStage);
// The text ends with a newline.
std::string ProfileText(const DeviceModel& m, const ProfileRecord& r, int curStage);
