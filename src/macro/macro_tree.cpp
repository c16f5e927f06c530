#include "macro/macro_tree.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "macro/macro_record.h"

int MacroTreeNode::Depth() const {
    int d = 0;
    for (const MacroTreeNode* p = parent; p && p->parent; p = p->parent) ++d;
    return d;
}

std::string MacroTreeNode::RelPath() const {
    if (!parent) return std::string();
    std::string self = isFolder ? name : name + ".zqm";
    std::string above = parent->RelPath();
    return above.empty() ? self : above + "/" + self;
}

MacroTreeNode* MacroTreeNode::FindChild(const std::string& childName) const {
    for (const auto& c : children)
        if (MacroNameEqualsNoCase(c->name, childName)) return c.get();
    return nullptr;
}

MacroTreeNode* MacroTree::Insert(MacroTreeNode* parent, bool isFolder, const std::string& name,
                                 uint32_t macroId, const std::string& iconPath) {
    if (!parent) parent = &m_root;
    if (!parent->isFolder) return nullptr;
    if (isFolder && parent != &m_root && parent->Depth() >= kMacroTreeMaxFolderDepth)
        return nullptr;
    auto node = std::make_unique<MacroTreeNode>();
    node->name = name;
    node->isFolder = isFolder;
    node->macroId = macroId;
    node->iconPath = iconPath;
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
        if (e.isDir) continue;
        StMacro rec;
        if (ReadRegularMacroFile(base + e.name, rec) != 1) continue;
        if (library) AddMacroCopy(rec, relBase + e.name);
        if (tree) {
            size_t dot = e.name.rfind('.');
            tree->Insert(parent, false, dot == std::string::npos ? e.name : e.name.substr(0, dot),
                         rec.dwMacroID);
        }
    }
    return 1;
}

int LoadMacroLibrary(MacroTree* tree, bool folders, bool library) {
    return ScanMacroFolder(MacroFolder(), "", tree, tree ? tree->Root() : nullptr, folders,
                           library);
}
