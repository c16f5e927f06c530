// The macro editor's library side: the macro tree, its menus and the library operations.
#include <QCursor>
#include <cstdio>

#include <algorithm>
#include <functional>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "macro/macro_library.h"
#include "macro/macro_ops.h"
#include "skin/png_btn.h"
#include "ui/macro_dlg.h"
#include "ui/macro_in_use.h"
#include "ui/menu_dlg.h"
#include "ui/tree_ctrl_ex.h"

namespace {

constexpr int kNameLimit = 15;
constexpr int kMenuWidth = 150;

}  // namespace

MacroTreeNode* CMacroDlg::NodeOf(CTreeItem* item) const {
    auto it = m_nodeOf.find(item);
    return it == m_nodeOf.end() ? nullptr : it->second;
}

CTreeItem* CMacroDlg::ItemOf(const MacroTreeNode* node) const {
    if (!node) return nullptr;
    for (const auto& [item, n] : m_nodeOf)
        if (n == node) return item;
    return nullptr;
}

MacroTreeNode* CMacroDlg::SelectedNode() const {
    return m_pMacroTree ? NodeOf(m_pMacroTree->Selected()) : nullptr;
}

StMacro* CMacroDlg::SelectedRecord() const {
    MacroTreeNode* node = SelectedNode();
    return node && !node->isFolder ? FindRecordOfItem(node) : nullptr;
}

void CMacroDlg::RebuildTree(const MacroTreeNode* select) {
    // The rows follow the engine's tree; which folders were open survives the rebuild.
    std::vector<const MacroTreeNode*> open;
    for (const auto& [item, node] : m_nodeOf)
        if (item->rec.expanded) open.push_back(node);
    m_pMacroTree->Clear();
    m_nodeOf.clear();
    MirrorMacroTree(*m_pMacroTree, nullptr, m_lib.Root(),
                    [&](CTreeItem* item, const MacroTreeNode* node) {
                        m_nodeOf[item] = const_cast<MacroTreeNode*>(node);
                        if (std::find(open.begin(), open.end(), node) != open.end())
                            item->rec.expanded = 1;
                    });
    CTreeItem* item = ItemOf(select);
    if (item) {
        m_pMacroTree->EnsureVisible(item);
        m_pMacroTree->Select(item);
    }
}

void CMacroDlg::OnTreeRightClick(int id, CTreeItem* item) {
    if (RefuseWhileRecording()) return;
    std::vector<std::pair<const std::string*, uint32_t>> rows;
    if (id == kKeyListId) {
        if (!item) return;
        rows = {{&g_UiText.tc_macro_msg7, kCmdEditLine},
                {&g_UiText.tc_macro_msg10, kCmdDeleteLine}};
    } else {
        MacroTreeNode* node = NodeOf(item);
        if (!node) {
            ClearKeyList();
            HideSave();
            rows = {{&g_UiText.tc_macro_msg5, kCmdNew}, {&g_UiText.tc_macro_msg3, kCmdImport}};
        } else if (node->isFolder) {
            rows = {{&g_UiText.tc_macro_msg5, kCmdNew},
                    {&g_UiText.tc_macro_msg20, kCmdRename},
                    {&g_UiText.tc_macro_msg10, kCmdDelete},
                    {&g_UiText.tc_macro_msg3, kCmdImport}};
        } else {
            ShowMacro(item);
            rows = {{&g_UiText.tc_macro_msg4, kCmdExport},
                    {&g_UiText.tc_macro_msg20, kCmdRename},
                    {&g_UiText.tc_macro_msg10, kCmdDelete}};
        }
    }
    std::vector<MenuItem> items(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        SetMenuItem(items.data(), static_cast<int>(i), kMenuTopLevel,
                    static_cast<int>(rows[i].second), *rows[i].first);
    const QPoint at = QCursor::pos() + QPoint(2, 0);
    ShowPopupMenu(this, static_cast<int>(items.size()), kMenuWidth, &at, g_Config.Menu_txt_clr_nr,
                  g_Config.Menu_txt_clr_ov, 0, items.data());
}

void CMacroDlg::OnCommand(uint32_t cmd) {
    if ((cmd & 0xFFFF) == kCmdInsert) {
        OnInsertPick(static_cast<int>((cmd >> 16) & 0xFF));
        return;
    }
    if (RefuseWhileRecording()) return;
    switch (cmd & 0xFFFF) {
        case kCmdNew:
            DoNewMacro();
            break;
        case kCmdDelete:
            DoDelete();
            break;
        case kCmdExport:
            DoExport();
            break;
        case kCmdImport:
            DoImport();
            break;
        case kCmdRename:
            DoRename();
            break;
        case kCmdEditLine:
            EditLine();
            break;
        case kCmdDeleteLine:
            DeleteLine();
            break;
        default:
            break;
    }
}

void CMacroDlg::OnNewButton() {
    if (RefuseWhileRecording()) return;
    MacroTreeNode* node = SelectedNode();
    if (node && !node->isFolder) m_pMacroTree->Select(nullptr);
    DoNewMacro();
}

void CMacroDlg::OnDeleteButton() {
    if (RefuseWhileRecording()) return;
    if (!SelectedNode()) {
        Tell(g_UiText.tc_macro_msg1);
        return;
    }
    DoDelete();
}

void CMacroDlg::DoNewMacro() {
    if (MacroCount() >= kMacroLibraryMax) {
        Tell("The number of macro is up to the maximum");
        return;
    }
    MacroTreeNode* parent = SelectedNode();
    if (parent && !parent->isFolder) return;
    std::string typed;
    if (!m_fnAskText || !m_fnAskText(g_UiText.tc_macro_msg11, kNameLimit, &typed)) return;
    MacroTreeNode* made = nullptr;
    if (NewMacro(m_lib, parent, typed, &made) != 1 || !made) return;
    ClearKeyList();
    RebuildTree(made);
    MarkDirty(MACRO_DIRTY_SETTINGS | MACRO_DIRTY_EVENTS);
}

void CMacroDlg::DoRename() {
    MacroTreeNode* node = SelectedNode();
    if (!node) {
        Tell(g_UiText.tc_macro_msg1);
        return;
    }
    std::string typed;
    const std::string& prompt = node->isFolder ? g_UiText.tc_macro_msg13 : g_UiText.tc_macro_msg11;
    if (!m_fnAskText || !m_fnAskText(prompt, kNameLimit, &typed)) return;
    if (RenameItem(m_lib, node, typed) != 1) return;
    RebuildTree(node);
    NotifyLabelsChanged();
}

void CMacroDlg::DoDelete() {
    MacroTreeNode* node = SelectedNode();
    if (!node) {
        char text[96];
        std::snprintf(text, sizeof text, "Operation failed, hItem = 0x%x, pItem = 0x%x.", 0u, 0u);
        Tell(text);
        return;
    }
    const int done = DeleteItem(m_lib, node, DeleteQuestion(node));
    if (done == -1) return;  // not confirmed
    ClearKeyList();
    HideSave();
    RebuildTree(nullptr);
    NotifyLabelsChanged();
}

void CMacroDlg::DoImport() {
    MacroTreeNode* parent = SelectedNode();
    const std::string path = m_fnAskFile ? m_fnAskFile(false, "*.zqm") : std::string();
    if (path.empty()) return;
    MacroTreeNode* made = nullptr;
    // A selected macro stands for its folder: the import goes beside it.
    if (ImportMacroFile(m_lib, parent, path, &made) != 1 || !made) return;
    RebuildTree(made);
    ShowMacro(ItemOf(made));
    HideSave();
}

void CMacroDlg::DoExport() {
    MacroTreeNode* node = SelectedNode();
    if (!node || node->isFolder) return;
    std::string name;
    {
        std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
        const StMacro* rec = FindRecordOfItem(node);
        if (!rec) return;
        name = MacroName(*rec);
    }
    const std::string path = m_fnAskFile ? m_fnAskFile(true, name + ".zqm") : std::string();
    if (path.empty()) return;
    if (!ExportMacro(node, path)) Tell("The macro could not be exported.");
}

void CMacroDlg::NotifyLabelsChanged() {
    // The main window's button captions show macro names.
    if (QWidget* owner = parentWidget()) owner->update();
}
