// The device model table: one record per "DEV_%d" section of cfg.ini.
#pragma once

#include <atomic>
#include <string>

#include "config/key_entry.h"

namespace platform {
class PrivateProfile;
}

struct CfgPoint {
    int x = 0;
    int y = 0;
};

struct CfgRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

constexpr int kMaxDeviceModels = 30;
constexpr int kMaxDpiStages = 8;  // room in the record
// DPI stages the mouse stores: its memory holds five before the key matrix. Every reader of a
// model's stage count (the table, the device writers, the window, the CLI) keeps below it.
constexpr int kDeviceDpiStages = 5;

struct DeviceModel {
    int CID = 0;                  // customer code
    int MID = 0;                  // model code
    int Sensor = 0;               // sensor code; 0 = record not in use
    int DEFLEVEL = 0;             // stage selected at start
    int DM = 0;                   // number of DPI stages
    int DPI[kMaxDpiStages] = {};  // stage DPI values
    int DC[kMaxDpiStages] = {};   // stage colours 0x00BBGGRR
    int DPIH = 0;
    int MDNUM = 0;     // mode count 1..3 (from 3, 6, 9)
    int KeyCount = 0;  // KM / 2, 1..16
    KeyEntry DefaultKeys[kKeySets][kKeysPerSet] = {};
    int KEYH = 0;  // vertical gap between key list rows
    int KEYY = 0;
    int DR = 0;  // default report rate, hexadecimal-coded decimal (0x500 = 500 Hz)
    int RATE[4] = {};
    CfgRect Mark[kKeysPerSet] = {};  // key marks on the mouse picture
    int ShowLOD = 0;
    int ShowLED = 0;
    int DefLEDMode = 0;
    int DevTy = 0;     // link bits: 1 receiver, 2 Bluetooth
    int ReportTy = 0;  // report-rate command form
    CfgPoint ptMark;
    int DpiLimitFirst[kMaxDpiStages] = {};
    int DpiLimitSecond[kMaxDpiStages] = {};
    std::string Name;  // what the user calls it; may be empty
};

// The model's name for people: its "Name", else its codes ("4D02").
std::string ModelDisplayName(const DeviceModel& model);

extern DeviceModel g_DeviceModels[kMaxDeviceModels];
// The selected model; read by every thread without a lock, written as a whole.
extern std::atomic<DeviceModel*> pSensorCfg;
// Working copy of the selected model's default key tables.
extern KeyEntry g_DefaultKeys[kKeySets][kKeysPerSet];
extern int g_ExKeyValue[5];

// Reads sections DEV_1..DEV_30 of the file; returns 1, or 0 on an invalid MDNUM or KM.
// A "DM" outside 1..8 is refused with a message and its section left zero.
int LoadDeviceModels(const std::string& cfgPath);
int LoadDeviceModels(const platform::PrivateProfile& ini);
// First in-use record (Sensor != 0) whose codes match; nullptr when none.
DeviceModel* FindDeviceModel(int cid, int mid);
// Copies the model's default key tables into g_DefaultKeys.
void FillDefaultKeys(const DeviceModel& model);
