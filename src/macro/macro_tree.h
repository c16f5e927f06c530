// The macro folder as a tree of folders and macro items: what the macro tree of the editor shows
// and what the library operations act on. The editor keeps one node per tree row.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A folder is inserted only when its parent is the top level or has fewer than this many
// ancestors above it, so folders nest at most six levels deep.
constexpr int kMacroTreeMaxFolderDepth = 5;
// A folder path of this many characters or more is not scanned.
constexpr size_t kMacroScanMaxPath = 257;

struct MacroTreeNode {
    std::string name;  // folder name, or the macro file's name without its extension
    // Macros: the file the macro was loaded from or written to ("" for a new macro, whose file
    // becomes "<name>.zqm"). Every operation acts on this file, never on one rebuilt from name.
    std::string fileName;
    bool isFolder = false;
    uint32_t macroId = 0;  // macros: the record's dwMacroID
    std::string iconPath;  // folders: "<folder>/<name>.png" when that file exists
    MacroTreeNode* parent = nullptr;
    std::vector<std::unique_ptr<MacroTreeNode>> children;

    // Number of ancestors below the invisible root (0 for top-level items).
    int Depth() const;
    // Path relative to the macro folder: "A/B" for a folder, "A/<fileName>" for a macro.
    std::string RelPath() const;
    // The child with that name (case-insensitive), or nullptr.
    MacroTreeNode* FindChild(const std::string& childName) const;
};

class MacroTree {
  public:
    MacroTree() { m_root.isFolder = true; }
    MacroTreeNode* Root() { return &m_root; }
    // Appends a folder or macro under parent (nullptr: the top level). Returns nullptr when the
    // parent is a macro, or, for a folder, when the depth limit is reached.
    MacroTreeNode* Insert(MacroTreeNode* parent, bool isFolder, const std::string& name,
                          uint32_t macroId = 0, const std::string& iconPath = "",
                          const std::string& fileName = "");
    // Removes node with its children.
    void Remove(MacroTreeNode* node);
    void Clear() { m_root.children.clear(); }
    // Visits node's children in order; with recursive set a child's children come before the
    // child itself. A non-zero result of fn stops the walk, which then returns 1; else 0.
    template <class Fn>
    int WalkChildren(MacroTreeNode* node, Fn&& fn, bool recursive);
    // Every macro id below node (node itself included when it is a macro).
    static void CollectMacroIds(const MacroTreeNode* node, std::vector<uint32_t>& out);

  private:
    MacroTreeNode m_root;
};

template <class Fn>
int MacroTree::WalkChildren(MacroTreeNode* node, Fn&& fn, bool recursive) {
    if (!node) return 0;
    for (size_t i = 0; i < node->children.size(); ++i) {
        MacroTreeNode* child = node->children[i].get();
        if (recursive && WalkChildren(child, fn, true)) return 1;
        if (fn(child)) return 1;
    }
    return 0;
}

// Scans folderPath (a folder inside the macro folder, relPath relative to it) into parent of
// tree (when tree is given) and into the library (when library is set), entering sub-folders
// only when folders is set. Names beginning with "." or "$" are skipped as folders, temporary
// files of interrupted saves are skipped. A file whose id another library record already has
// (a copy made in a file manager) gets a new id when it enters the library, and is rewritten
// with it. Returns 1, or 0 when a sub-folder failed to scan.
int ScanMacroFolder(const std::string& folderPath, const std::string& relPath, MacroTree* tree,
                    MacroTreeNode* parent, bool folders, bool library);
// Scans the macro folder; a missing folder gives an empty result. When it fills the library (at
// start-up) it first removes temporary files left by interrupted saves in the data folder and
// the macro folder. Returns ScanMacroFolder's.
int LoadMacroLibrary(MacroTree* tree, bool folders, bool library);
