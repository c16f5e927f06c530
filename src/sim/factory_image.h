// The memory a new mouse of a model holds when it leaves the factory.
#pragma once

#include "sim/mouse_memory.h"

struct DeviceModel;

namespace sim {

// Fills image from the model: report rate (DR, for both links), stage count (DM, at most 5),
// current stage (DEFLEVEL), stage codes (DpiToCode of the stage DPI), key matrix and key slot
// buffers from default key table 1, and lighting (DefLEDMode, red), every group with its check
// byte. Unused bytes are 0. Never fails: values the model gets wrong fall back to sane ones
// (an unknown DR to 500 Hz, a DEFLEVEL outside the stages to stage 0).
void BuildFactoryImage(const DeviceModel& model, MemoryImage& image);

}  // namespace sim
