// The macro library: the one in-memory list of all macro records, in the order they were added.
//
// The library is shared by the user-interface thread and the profile reader thread. Every
// function here takes the library lock for itself; a caller that keeps a returned pointer while
// another thread may remove records holds MacroLibraryMutex() around the whole use.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "macro/macro_record.h"
#include "macro/my_list.h"

constexpr size_t kMacroLibraryMax = 2000;  // NewMacro refuses to go beyond; other adds do not

// One library entry: the record and the file that holds it, relative to the macro folder
// ("" while it has no file yet).
struct LibraryMacro {
    StMacro rec;
    std::string relFile;
};

extern CMyList<LibraryMacro> g_MacroList;
std::recursive_mutex& MacroLibraryMutex();

// Appends a copy; returns it, or nullptr when memory or the append fails.
StMacro* AddMacroCopy(const StMacro& rec, const std::string& relFile = "");
// First record with that id / that name (first 40 units, case-insensitive); nullptr when none.
// An empty name finds nothing.
StMacro* FindMacroById(uint32_t id);
StMacro* FindMacroByName(const std::string& name);
StMacro* FindMacroByName(const char16_t* name, size_t maxUnits);
// Copying look-ups for other threads; false when none.
bool CopyMacroById(uint32_t id, StMacro& out);
// Removes and frees the first record with that id; returns 1, or 0 when none has it.
int RemoveMacroById(uint32_t id);
size_t MacroCount();
void ClearMacroLibrary();

// The file of a library record relative to the macro folder; "" when it has none or rec is not
// in the library.
std::string MacroRelFile(const StMacro* rec);
void SetMacroRelFile(const StMacro* rec, const std::string& relFile);

// name itself when no library record has it, else "name (2)", "name (3)", ... cut so that it
// fits the 39-character field.
std::string UniqueMacroName(const std::string& name);
