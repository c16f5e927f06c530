// Library operations of the macro editor: new, rename, delete, import and export of macros and
// folders, and writing records with unsaved changes. The editor asks for names and file paths
// and passes them in; messages for the user go through NotifyUser with their exact texts.
// Every path is built from tree node names inside the macro folder, so nothing outside it is
// ever written, moved or deleted.
#pragma once

#include <cstdint>
#include <string>

#include "macro/macro_record.h"
#include "macro/macro_tree.h"

// Called after each macro leaves the library (the main window then gives buttons that referred
// to it their default assignment). May be null.
using MacroRemovedFn = void (*)(uint32_t macroId);
extern MacroRemovedFn g_pfnMacroRemoved;

// The library record of a macro node (by id, preferring the record whose file is the node's);
// nullptr for a folder or when none.
StMacro* FindRecordOfItem(const MacroTreeNode* node);

// Full path of the node's folder or file; returns 0 (out empty) for no node or the top level.
int TreeItem_To_FilePath(const MacroTreeNode* node, std::string& out);

// Writes the record of a macro node that has unsaved changes to the node's file (the file it was
// loaded from) and then clears its dirty bits; folders and clean macros are skipped. Returns
// true when the record is saved afterwards, false when the write failed (logged; the record stays
// dirty so that a later flush tries again).
[[nodiscard]] bool Flush_Dirty_Macro(MacroTree* tree, MacroTreeNode* node);
// Flush_Dirty_Macro for every macro of the tree; returns the number of records not saved.
[[nodiscard]] int FlushAllDirtyMacros(MacroTree& tree);

// Deletes everything under path and path itself, never following symbolic links. Returns 1, or
// 0 after logging "DeleteFile %s, err=%d" (err set to the system error).
int DeleteFolderTree(const std::string& path, int* err = nullptr);

// Creates a macro named typedName under parent (nullptr: top level; a macro: nothing happens,
// returns -1 without a message). The record enters the library marked dirty; its file is
// written when it is saved. Returns 1 with *outNode set; -1 when refused (message shown).
int NewMacro(MacroTree& tree, MacroTreeNode* parent, const std::string& typedName,
             MacroTreeNode** outNode = nullptr);

// Renames a macro (its record and file, which always gets the new name and keeps its extension)
// or a folder (on disk,
// keeping its macros in the library with their ids). Returns 1; -1 when the name is refused; 0
// when the rename failed (message shown).
int RenameItem(MacroTree& tree, MacroTreeNode* node, const std::string& typedName);

// Asks for confirmation (question, or tc_msg6 when empty; OK/Cancel), then removes the macro or
// the folder with all its macros from the library, the tree and the disk. Returns 1; -1 when
// cancelled; 0 on failure (message shown). node is freed on success.
int DeleteItem(MacroTree& tree, MacroTreeNode* node, const std::string& question = {});

// Imports the macro file at sourcePath into folder (nullptr: top level; a macro: the macro's
// folder) under the file's name, with a new id, and writes it there. Returns 1 with *outNode
// set; 0 when the file is refused or unreadable, or its copy cannot be written (message shown,
// nothing added); -1 for a duplicate name, also when a file of that name appeared on disk since
// the tree was read (that file is never replaced).
int ImportMacroFile(MacroTree& tree, MacroTreeNode* folder, const std::string& sourcePath,
                    MacroTreeNode** outNode = nullptr);

// Copies the macro's file as last saved to targetPath (replacing it atomically). Returns 1, or 0
// after logging "ExportMacro: copy file err=0x%x".
[[nodiscard]] int ExportMacro(const MacroTreeNode* node, const std::string& targetPath);
