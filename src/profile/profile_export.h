// Profile export files (.zqa): the profile record followed by 10 macro slots, 10312 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "macro/macro_record.h"
#include "profile/profile_record.h"

constexpr size_t kExportMacroSlots = 10;
constexpr size_t kExportImageBytes = kProfileRecordBytes + kExportMacroSlots * kMacroRecordBytes;
static_assert(kExportImageBytes == 10312);

// A key of the profile: set and index.
struct KeyRef {
    int set = 0;
    int index = 0;
    friend bool operator==(const KeyRef&, const KeyRef&) = default;
};

// The export image of rec: for each macro key (set 0 keys 0..15, then sets 1 and 2) whose macro
// is in the library, a copy of that macro in the next slot. Macro keys that find no free slot
// are listed in *leftOut (the image never grows beyond its 10 slots).
std::vector<uint8_t> BuildExportImage(const ProfileRecord& rec, std::vector<KeyRef>* leftOut);

// Export of the current profile to path (the window asks for the name). Stores g_nCurDpiLevel in
// the record's current stage first. Returns 1 when written (telling the user about macro keys
// left out), 0 when the file could not be written ("Create profile failed."), -1 when there is
// no current profile.
[[nodiscard]] int ExportProfile(const std::string& path);
// Where an export keeps the rules by application (the data folder's AppRules.ini format): beside
// the profile, its name without the extension and ".rules.ini" ("Game.zqa": "Game.rules.ini").
// The profile's own format stays as it is.
std::string RulesFileBeside(const std::string& profilePath);

// What an import file holds once checked: the record and the macros its keys use.
struct ImportImage {
    ProfileRecord rec;
    StMacro macros[kExportMacroSlots];
};

// Checks an export image (as far as it goes; missing bytes count as zero). Returns 1 with out
// filled; 0 with a message for the user in *message when the record is not a profile or a macro
// slot that a key uses is damaged (wrong magic, events out of bounds).
int ParseExportImage(const uint8_t* data, size_t size, ImportImage& out, std::string* message);

// Import of path into the current profile: reads at most one export image from a regular file
// and checks all of it (a file shorter than the record, CheckImportRecord) before anything changes,
// stores its macros in the library (adding unknown ones under a new id and a name of their
// own), copies the record over the current one keeping its profile id, sets g_nCurDpiLevel and
// posts the apply request kImportApplyFlags / 255. profileReady is the session's ready flag (a
// profile read from a mouse in this run). Returns 1 on success; 0 after a message to the user, or
// silently when a macro could not be added; -1 when there is no current profile.
int ImportProfile(const std::string& path, bool profileReady, bool allowOtherSensor = false);

// Whether rec can be written to a mouse of model: made for its sensor (unless allowOtherSensor),
// key set and stage indexes in range, a left button in every key set, report rates among the
// four codes, every stage in use a DPI value the sensor offers, and lighting values that fit
// their bytes (a mode the mouse knows when it has lighting). Returns "" when it can, else
// the reason for the user.
std::string CheckImportRecord(const ProfileRecord& rec, const DeviceModel& model,
                              bool allowOtherSensor);

// Everything the record puts into the mouse, the stage count included.
constexpr int kImportApplyFlags = 0xFF;
