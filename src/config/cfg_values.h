// Value formats of cfg.ini: number lists, byte lists, points and rectangles.
#pragma once

#include <cstdint>
#include <string>

#include "config/device_model.h"
#include "platform/private_profile.h"

// Splits text at commas (empty pieces skipped) and converts each piece as an unsigned number in
// base 10 or 16 (base 16 takes an optional "0x"; leading blanks skipped). Stops at the first
// piece that is not a complete number; takes at most maxCount values. Only the first 1023
// characters are looked at. Returns the number of values stored in out (0 on bad arguments).
int ParseNumberList(const std::string& text, int base, uint32_t* out, int maxCount);
// As a decimal number list, each value cut to its low 8 bits; looks at 511 characters at most.
int ParseByteList(const std::string& text, uint8_t* out, int maxCount);

// Stores def, then reads key as "x,y" (read limit 49). A missing or empty key leaves def; a list
// that does not give two values shows "Wrong POINT num" (caption "Error") and leaves def.
// Returns 1 when two values were stored, else 0.
int ReadCfgPoint(const platform::PrivateProfile& ini, const std::string& section,
                 const std::string& key, CfgPoint& pt, CfgPoint def);
// Reads key of section "OPT" as "left,top,right,bottom" (read limit 49). Returns 1 when four
// values were stored; 0 when the key is missing or empty (no message) or does not give four
// values ("Wrong rect num", caption "Error"); rc is unchanged on failure.
int ReadCfgRect(const platform::PrivateProfile& ini, const std::string& key, CfgRect& rc);
int ReadCfgRect(const std::string& key, CfgRect& rc, const std::string& cfgPath);
// A colour "r,g,b" as 0x00BBGGRR (missing components 0); def when the key is missing or empty.
uint32_t ReadCfgColor(const platform::PrivateProfile& ini, const std::string& key, uint32_t def);
