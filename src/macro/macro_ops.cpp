#include "macro/macro_ops.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "config/ui_text.h"
#include "core/log.h"
#include "core/notifier.h"
#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "macro/macro_names.h"
#include "platform/files.h"

MacroRemovedFn g_pfnMacroRemoved = nullptr;

namespace {

// A macro file is its 834-byte record; what a hand-placed file holds beyond this is not copied.
constexpr size_t kMacroFileMaxBytes = 65536;

namespace fs = std::filesystem;

constexpr unsigned kMaxDelay = 0xFFFF;

void Tell(const std::string& text) {
    NotifyUser(text, "");
}

std::string Format(const char* fmt, long long value) {
    char buf[128];
    std::snprintf(buf, sizeof buf, fmt, value);
    return buf;
}

void RefuseName() {
    Tell(!g_UiText.tc_tip1.empty() ? g_UiText.tc_tip1 : std::string("Invalid file name."));
}

// Sibling with that name, other than self.
bool NameTaken(const MacroTreeNode* parent, const std::string& name, const MacroTreeNode* self) {
    for (const auto& c : parent->children)
        if (c.get() != self && MacroNameEqualsNoCase(c->name, name)) return true;
    return false;
}

LibraryMacro* LibraryItemOf(const MacroTreeNode* node) {
    if (!node || node->isFolder) return nullptr;
    const std::string rel = node->RelPath();
    LibraryMacro* byId = nullptr;
    for (auto* n = g_MacroList.Head(); n; n = n->pNext) {
        if (n->pItem->rec.dwMacroID != node->macroId) continue;
        if (n->pItem->relFile == rel) return n->pItem;
        if (!byId) byId = n->pItem;
    }
    return byId;
}

void RemoveLibraryRecordOf(const MacroTreeNode* node) {
    std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
    LibraryMacro* item = LibraryItemOf(node);
    if (!item) return;
    const uint32_t id = item->rec.dwMacroID;
    g_MacroList.Remove(g_MacroList.FindNode(item));
    if (g_pfnMacroRemoved) g_pfnMacroRemoved(id);
}

void RemoveLibraryRecordsBelow(const MacroTreeNode* node) {
    if (!node->isFolder) {
        RemoveLibraryRecordOf(node);
        return;
    }
    for (const auto& c : node->children) RemoveLibraryRecordsBelow(c.get());
}

// Macro folder the imported or new item goes to: a macro stands for its own folder.
MacroTreeNode* FolderFor(MacroTree& tree, MacroTreeNode* node) {
    if (!node) return tree.Root();
    return node->isFolder ? node : node->parent;
}

// After a folder moved: its macros' files and its folders' icons have new paths.
void RefreshPathsBelow(MacroTreeNode* node) {
    for (auto& c : node->children) {
        if (c->isFolder) {
            std::string icon;
            if (TreeItem_To_FilePath(c.get(), icon)) {
                icon += "/" + c->name + ".png";
                std::error_code ec;
                c->iconPath = fs::is_regular_file(icon, ec) ? icon : std::string();
            }
            RefreshPathsBelow(c.get());
        }
    }
}

void RenameLibraryFilesBelow(const std::string& oldRel, const std::string& newRel) {
    std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
    const std::string prefix = oldRel + "/";
    for (auto* n = g_MacroList.Head(); n; n = n->pNext) {
        std::string& f = n->pItem->relFile;
        if (f.compare(0, prefix.size(), prefix) == 0) f = newRel + "/" + f.substr(prefix.size());
    }
}

std::string FileNameOf(const std::string& rel) {
    size_t slash = rel.rfind('/');
    return slash == std::string::npos ? rel : rel.substr(slash + 1);
}

// "Jump.ZQM" renamed to Run is "Run.ZQM": a file keeps its own extension, or its lack of one.
std::string RenamedFileName(const MacroTreeNode* node, const std::string& name) {
    if (node->fileName.empty()) return name + ".zqm";
    size_t dot = node->fileName.rfind('.');
    return dot == std::string::npos ? name : name + node->fileName.substr(dot);
}

// What an imported file may carry: the last entry stays free and pauses fit the editor's range.
void NormaliseImported(StMacro& rec) {
    rec.stEvents[kMacroEventSlots - 1] = StMacroEvent{};
    for (auto& ev : rec.stEvents)
        if (ev.dwDelay > kMaxDelay) ev.dwDelay = kMaxDelay;
    rec.dwReserved = 0;
    rec.dwLoopMode = 0;
    if (rec.wLoopCount == 0) rec.wLoopCount = 1;
}

}  // namespace

StMacro* FindRecordOfItem(const MacroTreeNode* node) {
    std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
    LibraryMacro* item = LibraryItemOf(node);
    return item ? &item->rec : nullptr;
}

int TreeItem_To_FilePath(const MacroTreeNode* node, std::string& out) {
    out.clear();
    if (!node || !node->parent) return 0;
    out = MacroFolderPath(node->RelPath());
    return out.empty() ? 0 : 1;
}

bool Flush_Dirty_Macro(MacroTree* tree, MacroTreeNode* node) {
    if (!tree || !node) {
        g_pfnLog("Flush_Dirty_Macro: pItem=0x%0x(%s) error", 0u, node ? node->name.c_str() : "");
        return true;
    }
    if (node->isFolder) return true;
    std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
    LibraryMacro* item = LibraryItemOf(node);
    if (!item || !(item->rec.dwFlags & kMacroDirtyMask)) return true;
    std::string path;
    if (!TreeItem_To_FilePath(node, path)) {
        g_pfnLog("Flush_Dirty_Macro: TreeItem_To_FilePath failed");
        return false;
    }
    // The bits stay set until the file holds the record, so a failed write is tried again.
    StMacro clean = item->rec;
    clean.dwFlags &= ~kMacroDirtyMask;
    int e = 0;
    if (!WriteMacroFile(path, clean, &e)) {
        g_pfnLog("Flush_Dirty_Macro: WriteFile err=0x%x, %s", e, path.c_str());
        return false;
    }
    item->rec.dwFlags &= ~kMacroDirtyMask;
    item->relFile = node->RelPath();
    if (node->fileName.empty()) node->fileName = FileNameOf(item->relFile);
    return true;
}

int FlushAllDirtyMacros(MacroTree& tree) {
    int failed = 0;
    tree.WalkChildren(
        tree.Root(),
        [&tree, &failed](MacroTreeNode* n) {
            if (!Flush_Dirty_Macro(&tree, n)) ++failed;
            return 0;
        },
        true);
    return failed;
}

int DeleteFolderTree(const std::string& path, int* err) {
    std::error_code ec;
    auto st = fs::symlink_status(path, ec);
    if (ec) {
        if (err) *err = ec.value();
        return 0;
    }
    if (st.type() == fs::file_type::directory) {
        // Deleting entries needs write permission on the folder itself.
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
        std::vector<fs::path> entries;
        for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
            entries.push_back(it->path());
        for (const auto& p : entries)
            if (!DeleteFolderTree(p.string(), err)) return 0;
        if (!fs::remove(path, ec) || ec) {
            int e = ec ? ec.value() : ENOENT;
            g_pfnLog("DeleteFile %s, err=%d", path.c_str(), e);
            if (err) *err = e;
            return 0;
        }
        return 1;
    }
    int e = 0;
    if (!platform::RemoveFile(path, &e)) {
        g_pfnLog("DeleteFile %s, err=%d", path.c_str(), e);
        if (err) *err = e;
        return 0;
    }
    return 1;
}

int NewMacro(MacroTree& tree, MacroTreeNode* parent, const std::string& typedName,
             MacroTreeNode** outNode) {
    if (outNode) *outNode = nullptr;
    if (MacroCount() >= kMacroLibraryMax) {
        Tell("The number of macro is up to the maximum");
        return -1;
    }
    if (!parent) parent = tree.Root();
    if (!parent->isFolder) return -1;
    std::string name;
    if (!ValidateTypedMacroName(typedName, name)) {
        RefuseName();
        return -1;
    }
    if (NameTaken(parent, name, nullptr)) {
        Tell(g_UiText.tc_macro_msg8);
        return -1;
    }
    StMacro rec;
    InitMacroRecord(name, &rec);
    rec.dwFlags |= MACRO_DIRTY_SETTINGS | MACRO_DIRTY_EVENTS;
    MacroTreeNode* node = tree.Insert(parent, false, name, rec.dwMacroID);
    if (!node) return -1;
    if (!AddMacroCopy(rec, node->RelPath())) {
        tree.Remove(node);
        return 0;
    }
    if (outNode) *outNode = node;
    return 1;
}

int RenameItem(MacroTree& tree, MacroTreeNode* node, const std::string& typedName) {
    (void)tree;
    if (!node || !node->parent) return 0;
    std::string name;
    if (!ValidateTypedMacroName(typedName, name)) {
        RefuseName();
        return -1;
    }
    if (NameTaken(node->parent, name, node)) {
        Tell(g_UiText.tc_macro_msg8);
        return -1;
    }
    std::string oldPath;
    if (!TreeItem_To_FilePath(node, oldPath)) {
        Tell("Rename failed.");
        return 0;
    }
    const std::string oldRel = node->RelPath();
    const std::string oldName = node->name;
    const std::string oldFile = node->fileName;
    node->name = name;
    if (!node->isFolder) node->fileName = RenamedFileName(node, name);
    const std::string newRel = node->RelPath();
    const std::string newFile = node->fileName;
    const std::string newPath = MacroFolderPath(newRel);
    node->name = oldName;
    node->fileName = oldFile;
    std::error_code ec;
    // A different file or folder already using the new name must not be replaced.
    bool sameEntry = fs::equivalent(oldPath, newPath, ec) && !ec;
    if (!sameEntry && fs::exists(fs::symlink_status(newPath, ec))) {
        Tell(Format("Rename failed. err=0x%x", EEXIST));
        return 0;
    }

    int e = 0;
    if (!node->isFolder) {
        std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
        LibraryMacro* item = LibraryItemOf(node);
        if (item) {
            // The record always carries the new name, so file and labels agree after a restart.
            StMacro renamed = item->rec;
            SetMacroName(renamed, name);
            renamed.dwFlags &= ~kMacroDirtyMask;
            if (!WriteMacroFile(oldPath, renamed, &e)) {
                Tell(Format("Rename failed. err=0x%x", e));
                return 0;
            }
            item->rec = renamed;
            if (newPath != oldPath && !platform::RenamePath(oldPath, newPath, &e)) {
                item->relFile = oldRel;
                node->fileName = FileNameOf(oldRel);
                Tell(Format("Rename failed. err=0x%x", e));
                return 0;
            }
            item->relFile = newRel;
        } else if (!platform::RenamePath(oldPath, newPath, &e)) {
            Tell(Format("Rename failed. err=0x%x", e));
            return 0;
        }
        node->name = name;
        node->fileName = newFile;
        return 1;
    }

    if (fs::is_directory(fs::symlink_status(oldPath, ec))) {
        platform::RenamePath(oldPath + "/" + oldName + ".png", oldPath + "/" + name + ".png");
        if (!platform::RenamePath(oldPath, newPath, &e)) {
            // The icon keeps the folder's old name when the folder could not move.
            platform::RenamePath(oldPath + "/" + name + ".png", oldPath + "/" + oldName + ".png");
            Tell(Format("Rename failed. err=0x%x", e));
            return 0;
        }
    }
    node->name = name;
    RenameLibraryFilesBelow(oldRel, newRel);
    std::string icon = newPath + "/" + name + ".png";
    node->iconPath = fs::is_regular_file(icon, ec) ? icon : std::string();
    RefreshPathsBelow(node);
    return 1;
}

int DeleteItem(MacroTree& tree, MacroTreeNode* node, const std::string& question) {
    if (!node || !node->parent) {
        Tell("Operation failed, hItem = 0x0, pItem = 0x0.");
        return 0;
    }
    if (NotifyUser(question.empty() ? g_UiText.tc_msg6 : question, "", MB_OKCANCEL) != IDOK)
        return -1;
    std::string path;
    if (!TreeItem_To_FilePath(node, path)) {
        Tell("Get file path failed.");
        return 0;
    }
    const bool isFolder = node->isFolder;
    RemoveLibraryRecordsBelow(node);
    tree.Remove(node);
    int e = 0;
    if (isFolder) {
        if (!DeleteFolderTree(path, &e) && e != ENOENT && e != ENOTDIR) {
            Tell(Format("Remove Directory failed, err = %d.", e));
            return 0;
        }
        return 1;
    }
    if (!platform::RemoveFile(path, &e) && e != ENOENT && e != ENOTDIR) {
        g_pfnLog("DeleteFile %s, err=%d", path.c_str(), e);
        Tell(Format("Delete File failed, err = %d.", e));
        return 0;
    }
    return 1;
}

int ImportMacroFile(MacroTree& tree, MacroTreeNode* folder, const std::string& sourcePath,
                    MacroTreeNode** outNode) {
    if (outNode) *outNode = nullptr;
    MacroTreeNode* parent = FolderFor(tree, folder);
    std::string stem = fs::path(sourcePath).stem().string();
    const std::string name = SanitizeMacroName(stem);
    if (parent->FindChild(name)) {
        Tell(g_UiText.tc_macro_msg8);
        return -1;
    }
    StMacro rec;
    int e = 0;
    // The user chose this file, so a link is followed; a FIFO or device is refused at once.
    std::vector<uint8_t> buf;
    if (!platform::ReadRegularFilePrefix(sourcePath, kMacroRecordBytes, buf, true, &e)) {
        Tell(Format("Open macro file failed. error=0x%x", e) + " (" + sourcePath + ": " +
             platform::FileErrorText(e) + ")");
        return 0;
    }
    if (buf.size() < kMacroRecordBytes) {
        Tell(Format("Read macro file failed. error=0x%x", 0) + " (" + sourcePath + " holds " +
             std::to_string(buf.size()) + " bytes; a macro file has " +
             std::to_string(kMacroRecordBytes) + ")");
        return 0;
    }
    if (!DecodeMacroFile(buf.data(), buf.size(), rec)) {
        Tell("This is not a valid macro file.");
        return 0;
    }
    // The same refusals as for the macros of an imported profile: every key a byte, and no more
    // events than a record holds (its last entry always stays free).
    if (!MacroKeysSupported(rec) || !MacroKeysFitAByte(rec)) {
        Tell("This macro contains unsupported key.");
        return 0;
    }
    if (rec.stEvents[kMacroEventSlots - 1] != StMacroEvent{}) {
        Tell("This macro has too many events.");
        return 0;
    }
    NormaliseImported(rec);
    SetMacroName(rec, name);
    std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
    rec.dwMacroID = NewMacroID();
    rec.dwFlags = 0;
    MacroTreeNode* node = tree.Insert(parent, false, name, rec.dwMacroID);
    if (!node) return 0;
    std::string path;
    // The file first, and only as a new one: a macro another program saved under this name since
    // the tree was read keeps its file.
    e = 0;
    if (!TreeItem_To_FilePath(node, path) || !WriteMacroFile(path, rec, &e, false)) {
        tree.Remove(node);
        // A folder of that name is no macro to choose another name against: the save failed.
        if (e == EEXIST && !platform::DirExists(path)) {
            Tell(g_UiText.tc_macro_msg8);
            return -1;
        }
        g_pfnLog("ImportMacroFile: WriteFile err=0x%x, %s", e, path.c_str());
        // Nothing imported: a macro that exists only in memory would be lost at exit.
        Tell(!g_UiText.tc_macro_msg22.empty() ? g_UiText.tc_macro_msg22
                                              : std::string("The macro could not be saved."));
        return 0;
    }
    if (!AddMacroCopy(rec, node->RelPath())) {
        platform::RemoveFile(path);
        tree.Remove(node);
        return 0;
    }
    node->fileName = FileNameOf(node->RelPath());
    if (outNode) *outNode = node;
    return 1;
}

int ExportMacro(const MacroTreeNode* node, const std::string& targetPath) {
    std::string path;
    if (!node || node->isFolder || !TreeItem_To_FilePath(node, path)) return 0;
    std::vector<uint8_t> data;
    int e = 0;
    platform::RemoveStaleTempFilesBeside(targetPath);  // left by a killed earlier export
    if (!platform::ReadRegularFilePrefix(path, kMacroFileMaxBytes, data, false, &e) ||
        !platform::WriteFileAtomic(targetPath, data, &e)) {
        g_pfnLog("ExportMacro: copy file err=0x%x", e);
        return 0;
    }
    return 1;
}
