// Macro names as file and folder names.
#pragma once

#include <cstddef>
#include <string>

// Makes an untrusted name (from a macro file, a profile export or the mouse) safe to use as one
// file or folder name inside the macro folder: path separators and control characters become
// "_", a name made only of dots gets a leading "_", an empty name becomes "_", and the result is
// at most 39 UTF-16 units. Logs "SanitizeMacroName: ..." when it changed anything.
std::string SanitizeMacroName(const std::string& name);
// The same for a fixed UTF-16 field that may lack its terminator: reads at most maxUnits units.
std::string SanitizeMacroName(const char16_t* field, size_t maxUnits);
// True when name is usable as is (SanitizeMacroName would not change it).
bool IsSafeMacroName(const std::string& name);

// Checks a name the user typed for a new macro, a new folder or a rename. Returns 1 and the
// name to use in out (whatever follows the last "." cut off, the dot included); 0 when refused:
// one of the characters / \ ? + = - * & % ! #, a control character, or nothing left after the cut.
int ValidateTypedMacroName(const std::string& typed, std::string& out);
