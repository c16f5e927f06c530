// Program and data folders. Both end with "/" so that names can be appended directly.
#pragma once

#include <string>

extern std::string g_szAppDir;   // folder of the running executable (its data beside it)
extern std::string g_szDataDir;  // per-user data folder (profiles, lang.ini, Mac/)

// Sets g_szAppDir from the running executable; returns false when it cannot be found.
bool InitAppDir();
// Data folder: $XDG_DATA_HOME (or ~/.local/share) joined with appdir, or the program folder
// joined with appdir when macPathInAppDir is set. Creates it (logged on failure).
void InitDataDir(const std::string& appdirName, bool macPathInAppDir);
// Ensures a trailing "/".
std::string WithSlash(std::string dir);
