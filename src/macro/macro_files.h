// Macro files (.zqm: the 834-byte record, each byte rotated right by two bits), the macro folder
// "Mac" in the data folder, and the snapshot mac.dct.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "macro/macro_record.h"

constexpr size_t kMacroSnapshotSlots = 2000;
constexpr size_t kMacroSnapshotBytes = kMacroSnapshotSlots * kMacroRecordBytes;
static_assert(kMacroSnapshotBytes == 1668000);

// g_szDataDir + "Mac", without a trailing "/".
std::string MacroFolder();
// Full path of a file or folder given relative to the macro folder ("A/b.zqm"); "" when a part
// of it is empty, ".", ".." or otherwise could lead outside the folder.
std::string MacroFolderPath(const std::string& rel);

inline uint8_t RotateToFile(uint8_t b) {
    return static_cast<uint8_t>((b >> 2) | (b << 6));
}
inline uint8_t RotateFromFile(uint8_t b) {
    return static_cast<uint8_t>((b << 2) | (b >> 6));
}

// The 834 stored bytes of a record.
void EncodeMacroFile(const StMacro& rec, uint8_t out[kMacroRecordBytes]);
// Decodes stored bytes; returns 1 when at least 834 bytes are there and the magic matches, else 0
// (rec is then unspecified). Bytes after the 834th are ignored.
int DecodeMacroFile(const uint8_t* data, size_t size, StMacro& rec);

// Reads the first 834 bytes of a regular file, never through a symbolic link and never waiting on
// a FIFO or device. Returns 1 for a macro, 0 for a file that is not one (too short, wrong magic),
// -1 when it cannot be opened or read or is not a regular file (err set).
int ReadMacroFile(const std::string& path, StMacro& rec, int* err = nullptr);
// ReadMacroFile for a path the caller has just listed as a regular file.
int ReadRegularMacroFile(const std::string& path, StMacro& rec, int* err = nullptr);
// Replaces path atomically with the stored bytes of rec, creating missing folders once.
// Returns 1, or 0 (err set) on failure, in which case the old file is unchanged. Without replace
// only a new file is made: err EEXIST when anything has the name by the time the file is ready.
[[nodiscard]] int WriteMacroFile(const std::string& path, const StMacro& rec, int* err = nullptr,
                                 bool replace = true);

// Creates every missing folder of path; an existing folder counts as success. Returns 1, or 0
// after logging "MakeSureFolderExist: create dir %s, err=0x%x".
[[nodiscard]] int MakeSureFolderExist(const std::string& path);
// Copies source to target (atomically replacing it when overwrite is set, else refusing an
// existing target); creates the target's folder once when missing. Returns 1, or 0 after
// logging "MyCopyFile: %s, error=0x%x".
[[nodiscard]] int MyCopyFile(const std::string& source, const std::string& target,
                             bool overwrite = false);

// Checks the magic, appends a copy to the library and writes it to the top of the macro folder
// as "<name>.zqm" (the name made safe by SanitizeMacroName; "<name> (2).zqm" and so on when
// that file already exists, so no other macro's file is replaced). Returns the copy, or nullptr
// when the magic is wrong (logged) or the append fails; a failed file write is logged and leaves
// the copy marked dirty, so the next flush writes it.
StMacro* Add_Macro(const StMacro* rec);
// Add_Macro under a name no library macro has yet ("Name (2)", ...).
StMacro* Add_Macro_Unique(const StMacro* rec);
// Writes rec to its file and then clears its dirty bits (the file it was loaded from, else
// "<name>.zqm" at the top of the macro folder). Returns 1, or 0 when the write fails (logged
// "ReplaceMacro: WriteFile err=0x%x"; the record then stays dirty).
[[nodiscard]] int ReplaceMacro(StMacro* rec);
// Copies rec over the library record with the same id (keeping the id) and writes it with
// ReplaceMacro. Returns the id, or 0 when no record has it.
uint32_t ReplaceMacroById(const StMacro& rec);

// Writes mac.dct in the data folder: library records with an id and a first event, in order,
// at most 2000, the rest zero. Returns 1, or 0 after logging "Save macro: WriteFile err=%d".
[[nodiscard]] int SaveMacroSnapshot();
