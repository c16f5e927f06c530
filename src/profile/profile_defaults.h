// Default profile of the selected model (pSensorCfg).
#pragma once

#include "profile/profile_record.h"

// The index of the DPI stage the mouse uses; set from the mouse, by device events and by the
// user, written by the apply step, stored in the record only on export.
extern std::atomic<int> g_nCurDpiLevel;

// Resets everything after the magic and the profile id to the selected model's defaults (key
// sets from g_DefaultKeys, name from "tc_msg14"). Does nothing to the stages and rates when no
// model is selected.
void FillProfileDefaults(ProfileRecord& rec);
// A new default record: magic, a new id, the defaults and an empty name.
ProfileRecord MakeDefaultProfile();

// stage when the model's mouse stores it (below its stage count and below five), else 0.
int ClampStage(int stage, const DeviceModel& model);
// How many stages the mouse cycles through: the stages in use among those it stores (at least
// one, as the mouse always has its first stage).
int StagesInUse(const ProfileRecord& rec, const DeviceModel& model);
// stage when it is one of the stages in use (below StagesInUse), else 0.
int ClampStage(int stage, const ProfileRecord& rec, const DeviceModel& model);
