// Stored profiles in the data folder: CID.dct (the last model's codes) and one
// "PRO_%02d%02d.dct" per model holding its 1972-byte profile record.
#pragma once

#include <string>

// "%sPRO_%02d%02d.dct" in the data folder g_szDataDir.
std::string ProfileFilePath(int cid, int mid);
std::string CidFilePath();

// The lock that lets one program at a time change the stored files (platform::FileLock): the
// window holds it for its run, a command-line change for its own.
std::string DataLockPath();
// How long a second writer waits for it before it names the holder.
constexpr int kDataLockWaitMs = 15000;
// True when the lock holder named by platform::FileLock is the window ("mivora (pid 42)").
bool HolderIsWindow(const std::string& holder);

// Selects the stored model (pSensorCfg): the first in-use model with the stored codes, unchanged
// when none matches. Returns false, selecting the first model record, when the file is missing
// or too short.
bool LoadCID();
// Writes the codes of pSensorCfg (replacing the file atomically). False when it cannot.
[[nodiscard]] bool SaveCID();
// Loads the stored profile of pSensorCfg, or builds the default one when there is none, and makes
// it current; copies the model's default key tables into g_DefaultKeys. A stored file of the
// wrong size or one that cannot be read is moved aside (".bad") and the default is used.
// Returns 0 only when no model is selected.
int LoadPro();
// Writes the current profile to the profile file of pSensorCfg. False when there is nothing to
// write or the file cannot be written (logged).
[[nodiscard]] bool SavePro();
