// mivora-cli macro: the macro library of the data folder without the editor window.
//   macro list [--names] | macro show NAME | macro import FILE.zqm [--folder DIR]
//   macro export NAME FILE
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/profile_command.h"
#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/notifier.h"
#include "core/paths.h"
#include "macro/key_names.h"
#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "macro/macro_ops.h"
#include "macro/macro_tree.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/terminal.h"

namespace {

constexpr const char* kUsage =
    "usage: mivora-cli macro list [--names] | show NAME | import FILE.zqm [--folder DIR] | "
    "export NAME FILE";

// Keeps the library's messages for one error line; answers every question with OK.
class CliNotifier : public Notifier {
  public:
    CliNotifier() { m_previous = SetNotifier(this); }
    ~CliNotifier() override { SetNotifier(m_previous); }
    int Show(const std::string& text, const std::string&, unsigned) override {
        last = text;
        return IDOK;
    }
    std::string last;

  private:
    Notifier* m_previous = nullptr;
};

int StartUp(const CliOptions& opts) {
    if (!InitAppDir()) return CliFail("cannot find the program folder");
    {
        CliNotifier quiet;  // configuration remarks belong to "mivora-cli config"
        LoadUiTexts(g_szAppDir + "text.xml");
        if (!LoadConfig(g_szAppDir))
            return CliFail("Data Init failed: the models in cfg.ini are invalid");
    }
    if (!opts.dataDir.empty()) {
        g_szDataDir = WithSlash(opts.dataDir);
        if (!platform::MakeDirs(g_szDataDir))
            return CliFail("cannot create the data folder " + g_szDataDir);
    } else {
        InitDataDir(g_Config.appdir, g_Config.MacPath == 1);
    }
    return 0;
}

// The tree node of the library macro called name (record name first, then file name).
MacroTreeNode* FindMacroNode(MacroTree& tree, const std::string& name) {
    MacroTreeNode* found = nullptr;
    const StMacro* rec = FindMacroByName(name);
    tree.WalkChildren(
        tree.Root(),
        [&](MacroTreeNode* n) {
            if (n->isFolder) return 0;
            if (rec ? FindRecordOfItem(n) == rec : MacroNameEqualsNoCase(n->name, name)) {
                found = n;
                return 1;
            }
            return 0;
        },
        true);
    return found;
}

MacroTreeNode* FindFolder(MacroTree& tree, const std::string& rel) {
    MacroTreeNode* node = tree.Root();
    size_t start = 0;
    while (node && start < rel.size()) {
        size_t slash = rel.find('/', start);
        std::string part = rel.substr(start, slash == std::string::npos ? rel.npos : slash - start);
        if (!part.empty()) {
            MacroTreeNode* child = node->FindChild(part);
            node = child && child->isFolder ? child : nullptr;
        }
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return node;
}

const char* StateText(const StMacroEvent& ev) {
    return ev.wState ? "press" : "release";
}

// Names only, one a line: for the shell completion.
int ListNames(MacroTree& tree) {
    tree.WalkChildren(
        tree.Root(),
        [](MacroTreeNode* n) {
            if (n->isFolder) return 0;
            if (const StMacro* rec = FindRecordOfItem(n))
                std::printf("%s\n", platform::TerminalSafe(MacroName(*rec)).c_str());
            return 0;
        },
        true);
    return 0;
}

int List(MacroTree& tree) {
    std::printf("%-8s  %6s  %-30s  %s\n", "ID", "EVENTS", "FILE", "NAME");
    tree.WalkChildren(
        tree.Root(),
        [](MacroTreeNode* n) {
            if (n->isFolder) return 0;
            const StMacro* rec = FindRecordOfItem(n);
            if (!rec) return 0;
            std::printf("0x%06X  %6d  %-30s  %s\n", rec->dwMacroID, MacroKeyEventCount(*rec),
                        platform::TerminalSafe(n->RelPath()).c_str(),
                        platform::TerminalSafe(MacroName(*rec)).c_str());
            return 0;
        },
        true);
    return 0;
}

int Show(MacroTree& tree, const std::string& name) {
    MacroTreeNode* node = FindMacroNode(tree, name);
    const StMacro* rec = node ? FindRecordOfItem(node) : nullptr;
    if (!rec) return CliFail("no macro named " + name);
    std::printf(
        "name        %s\nid          0x%06X\nfile        %s\nauto delay  %u\nloop count  %u\n",
        platform::TerminalSafe(MacroName(*rec)).c_str(), rec->dwMacroID,
        platform::TerminalSafe(node->RelPath()).c_str(), rec->dwAutoDelay, rec->wLoopCount);
    const int n = MacroEventCount(*rec);
    std::printf("events      %d\n", MacroKeyEventCount(*rec));
    for (int i = 0; i < n; ++i) {
        const StMacroEvent& ev = rec->stEvents[i];
        if (ev.wKey)
            std::printf("  %-7s  %-14s  %u ms\n", StateText(ev), KeyName(ev.wKey).c_str(),
                        ev.dwDelay);
        else
            std::printf("  %-7s  %-14s  %u ms\n", "pause", "", ev.dwDelay);
    }
    return 0;
}

int Import(MacroTree& tree, const std::vector<std::string>& args) {
    std::string file;
    std::string folder;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--folder") {
            if (++i >= args.size()) return CliFail("--folder needs a folder of the macro library");
            folder = args[i];
        } else if (file.empty()) {
            file = args[i];
        } else {
            return CliFail(kUsage);
        }
    }
    if (file.empty()) return CliFail(kUsage);
    MacroTreeNode* target = tree.Root();
    if (!folder.empty()) {
        if (!g_Config.MacroDir)
            return CliFail(
                "macro folders are off (MacroDir=0 in cfg.ini); import without --folder");
        if (MacroFolderPath(folder).empty())
            return CliFail("not a folder of the macro library: " + folder);
        target = FindFolder(tree, folder);
        if (!target) return CliFail("no folder " + folder + " in the macro library");
    }
    CliNotifier notes;
    MacroTreeNode* node = nullptr;
    if (ImportMacroFile(tree, target, file, &node) != 1)
        return CliFail(notes.last.empty() ? "import failed: " + file : notes.last);
    std::printf("imported %s as 0x%06X\n", platform::TerminalSafe(node->RelPath()).c_str(),
                node->macroId);
    return 0;
}

int Export(MacroTree& tree, const std::string& name, const std::string& target) {
    MacroTreeNode* node = FindMacroNode(tree, name);
    if (!node) return CliFail("no macro named " + name);
    if (!ExportMacro(node, target)) return CliFail("cannot write " + target);
    std::printf("exported %s to %s\n", platform::TerminalSafe(node->RelPath()).c_str(),
                target.c_str());
    return 0;
}

}  // namespace

int CmdMacro(const CliOptions& opts, const std::vector<std::string>& args) {
    if (args.empty()) return CliFail(kUsage);
    const std::string& sub = args[0];
    if (sub != "list" && sub != "show" && sub != "import" && sub != "export")
        return CliFail("unknown macro command " + sub + "; " + kUsage);
    if ((sub == "show" && args.size() != 2) || (sub == "export" && args.size() != 3) ||
        (sub == "list" && args.size() != 1 && (args.size() != 2 || args[1] != "--names")))
        return CliFail(kUsage);
    if (int rc = StartUp(opts)) return rc;
    // An import changes the library: one writer at a time, and not behind the open window's back.
    platform::FileLock lock;
    if (sub == "import") {
        const std::string refusal = TakeDataLock(lock);
        if (!refusal.empty()) return CliFail(refusal);
    }
    MacroTree tree;
    LoadMacroLibrary(&tree, g_Config.MacroDir != 0, true);
    if (sub == "list") return args.size() == 2 ? ListNames(tree) : List(tree);
    if (sub == "show") return Show(tree, args[1]);
    if (sub == "import") return Import(tree, args);
    return Export(tree, args[1], args[2]);
}
