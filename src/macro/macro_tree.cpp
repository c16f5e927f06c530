#include "macro/macro_tree.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/log.h"
#include "core/paths.h"
#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "macro/macro_record.h"
#include "platform/files.h"

int MacroTreeNode::Depth() const {
    int d = 0;
    for (const MacroTreeNode* p = parent; p && p->parent; p = p->parent) ++d;
    return d;
}

std::string MacroTreeNode::RelPath() const {
    if (!parent) return std::string();
    std::string self = isFolder ? name : (fileName.empty() ? name + ".zqm" : fileName);
    std::string above = parent->RelPath();
    return above.empty() ? self : above + "/" + self;
}

MacroTreeNode* MacroTreeNode::FindChild(const std::string& childName) const {
    for (const auto& c : children)
        if (MacroNameEqualsNoCase(c->name, childName)) return c.get();
    return nullptr;
}

MacroTreeNode* MacroTree::Insert(MacroTreeNode* parent, bool isFolder, const std::string& name,
                                 uint32_t macroId, const std::string& iconPath,
                                 const std::string& fileName) {
    if (!parent) parent = &m_root;
    if (!parent->isFolder) return nullptr;
    if (isFolder && parent != &m_root && parent->Depth() >= kMacroTreeMaxFolderDepth)
        return nullptr;
    auto node = std::make_unique<MacroTreeNode>();
    node->name = name;
    node->isFolder = isFolder;
    node->macroId = macroId;
    node->iconPath = iconPath;
    if (!isFolder) node->fileName = fileName;
    node->parent = parent;
    parent->children.push_back(std::move(node));
    return parent->children.back().get();
}

void MacroTree::Remove(MacroTreeNode* node) {
    if (!node || !node->parent) return;
    auto& siblings = node->parent->children;
    siblings.erase(std::remove_if(siblings.begin(), siblings.end(),
                                  [node](const auto& c) { return c.get() == node; }),
                   siblings.end());
}

void MacroTree::CollectMacroIds(const MacroTreeNode* node, std::vector<uint32_t>& out) {
    if (!node) return;
    if (!node->isFolder) out.push_back(node->macroId);
    for (const auto& c : node->children) CollectMacroIds(c.get(), out);
}

namespace {

struct Entry {
    std::string name;
    bool isDir;
};

// A copied file carries the id of its original: keys must keep playing the original, so the copy
// gets a new id, in memory and in its file.
void GiveNewId(const std::string& path, StMacro& rec) {
    const uint32_t old = rec.dwMacroID;
    rec.dwMacroID = NewMacroID();
    int e = 0;
    if (!WriteMacroFile(path, rec, &e)) {
        // The library still tells the two apart; the file is rewritten at its next save.
        rec.dwFlags |= kMacroDirtyMask;
        g_pfnLog("ScanMacroFolder: %s keeps id 0x%x on disk, err=0x%x", path.c_str(), old, e);
    } else {
        g_pfnLog("ScanMacroFolder: %s had the id 0x%x of another macro, now 0x%x", path.c_str(),
                 old, rec.dwMacroID);
    }
}

// The library record loaded from rel (relative to the macro folder), or nullptr.
const LibraryMacro* LibraryItemOfFile(const std::string& rel) {
    std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
    for (auto* n = g_MacroList.Head(); n; n = n->pNext)
        if (n->pItem->relFile == rel) return n->pItem;
    return nullptr;
}

uint32_t LibraryIdOfFile(const std::string& rel, uint32_t fallback) {
    std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
    const LibraryMacro* item = LibraryItemOfFile(rel);
    return item ? item->rec.dwMacroID : fallback;
}

// Folders between the macro folder and relPath (0 for the macro folder itself).
int FolderLevel(const std::string& relPath) {
    if (relPath.empty()) return 0;
    return 1 + static_cast<int>(std::count(relPath.begin(), relPath.end(), '/'));
}

}  // namespace

int ScanMacroFolder(const std::string& folderPath, const std::string& relPath, MacroTree* tree,
                    MacroTreeNode* parent, bool folders, bool library) {
    if (folderPath.size() + 1 >= kMacroScanMaxPath) return 1;
    std::error_code ec;
    std::vector<Entry> entries;
    for (std::filesystem::directory_iterator it(folderPath, ec), end; !ec && it != end;
         it.increment(ec)) {
        // A symbolic link is never entered as a folder, so a scan cannot leave the macro folder.
        std::error_code sec;
        auto type = it->symlink_status(sec).type();
        if (sec) continue;
        if (type == std::filesystem::file_type::directory)
            entries.push_back({it->path().filename().string(), true});
        else if (type == std::filesystem::file_type::regular)
            entries.push_back({it->path().filename().string(), false});
    }
    if (ec) return 1;  // a folder that cannot be listed holds nothing
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    const std::string base = folderPath + "/";
    const std::string relBase = relPath.empty() ? std::string() : relPath + "/";

    for (const auto& e : entries) {
        if (!e.isDir || !folders || e.name[0] == '.' || e.name[0] == '$') continue;
        const std::string sub = base + e.name;
        MacroTreeNode* item = nullptr;
        if (tree) {
            std::string icon = sub + "/" + e.name + ".png";
            if (!std::filesystem::is_regular_file(icon, ec)) icon.clear();
            item = tree->Insert(parent, true, e.name, 0, icon);
            if (!item) continue;  // too deep for the tree: neither shown nor loaded
        } else if (FolderLevel(relPath) >= kMacroTreeMaxFolderDepth + 1) {
            continue;  // the same depth limit as the tree, so library and tree agree
        }
        if (!ScanMacroFolder(sub, relBase + e.name, tree, item, folders, library)) return 0;
    }
    for (const auto& e : entries) {
        if (e.isDir || platform::IsTempFileName(e.name)) continue;
        StMacro rec;
        if (ReadRegularMacroFile(base + e.name, rec) != 1) continue;
        const std::string rel = relBase + e.name;
        if (library) {
            std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
            if (const LibraryMacro* known = LibraryItemOfFile(rel)) {
                // Loaded before: the library's record stands (it may hold unsaved edits), and
                // the file is not another macro's copy that needs an id of its own.
                rec.dwMacroID = known->rec.dwMacroID;
            } else {
                if (FindMacroById(rec.dwMacroID)) GiveNewId(base + e.name, rec);
                AddMacroCopy(rec, rel);
            }
        } else {
            // The library knows the file's id, also when a new one could not be written.
            rec.dwMacroID = LibraryIdOfFile(rel, rec.dwMacroID);
        }
        if (tree) {
            size_t dot = e.name.rfind('.');
            tree->Insert(parent, false, dot == std::string::npos ? e.name : e.name.substr(0, dot),
                         rec.dwMacroID, "", e.name);
        }
    }
    return 1;
}

int LoadMacroLibrary(MacroTree* tree, bool folders, bool library) {
    if (library) {
        if (!g_szDataDir.empty()) platform::RemoveStaleTempFiles(g_szDataDir, false);
        platform::RemoveStaleTempFiles(MacroFolder(), true);
    }
    return ScanMacroFolder(MacroFolder(), "", tree, tree ? tree->Root() : nullptr, folders,
                           library);
}
