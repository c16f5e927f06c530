// The macro editor: the library as a folder tree on the left, the events of the selected macro
// as a key list on the right, with recording from the keyboard, inserting, editing and saving.
#pragma once

#include <QFont>
#include <QImage>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

#include "macro/macro_record.h"
#include "macro/macro_tree.h"
#include "skin/image.h"
#include "ui/esc_hold.h"
#include "ui/top_windows.h"

class CPngBtn;
class QKeyEvent;
class CTreeCtrlEx;
struct CTreeItem;

class CMacroDlg : public CTopDialog {
    Q_OBJECT
  public:
    static constexpr int kMacroTreeId = 261;
    static constexpr int kKeyListId = 262;
    // Menu command ids (low word of the pick); insert carries the event code in bits 16..23.
    enum Command : uint32_t {
        kCmdNew = 1,
        kCmdDelete = 4,
        kCmdExport = 8,
        kCmdImport = 16,
        kCmdRename = 32,
        kCmdEditLine = 64,
        kCmdInsert = 0x80,
        kCmdDeleteLine = 1024,
    };
    static constexpr int kInsertKeyDown = 247;
    static constexpr int kInsertKeyUp = 248;

    explicit CMacroDlg(QWidget* parent = nullptr);
    ~CMacroDlg() override;

    // Builds the window and fills the macro tree from the macro folder (done by DoModal and on
    // the first show). Returns false when the background is missing: the dialog then ends.
    bool Prepare();

    // Small inputs, replaceable by tests. Each returns 1 with the answer, 0 when cancelled.
    std::function<int(const std::string& prompt, int maxLen, std::string* out)> m_fnAskText;
    std::function<int(const std::string& prompt, int min, int max, int digits, int32_t* out)>
        m_fnAskNumber;
    // Single-key capture: modifier bits and up to three key codes.
    std::function<int(std::array<uint8_t, 4>* capture)> m_fnAskKey;
    // File dialogs: the chosen path, "" when cancelled.
    std::function<std::string(bool save, const std::string& initialName)> m_fnAskFile;
    // Millisecond tick count used by recording (null restores the steady clock).
    static void SetRecordClock(uint32_t (*clock)());
    // Forgets the last captured key (kept across recordings while the program runs).
    static void ResetCaptureMemory();

    // Actions, as the buttons and menus run them.
    void OnRecordButton();
    void OnInsertPick(int code);  // 240..244 mouse buttons, 247 key press, 248 key release
    void OnInsertButton();
    void OnSave();
    void OnCommand(uint32_t cmd);
    void OnNewButton();
    void OnDeleteButton();
    void OnEditLineButton();
    void OnDeleteLineButton();
    // One captured key message (vk code, 0x80 for a release), as WM_KEY_CAPTURE delivers it.
    void CaptureKey(int vk, int flag);

    // Inspection for callers and tests.
    CTreeCtrlEx* MacroTreeCtrl() const { return m_pMacroTree; }
    CTreeCtrlEx* KeyList() const { return m_pKeyList; }
    CPngBtn* RecordButton() const { return m_pRecord; }
    CPngBtn* InsertButton() const { return m_pInsert; }
    CPngBtn* SaveButton() const { return m_pSave; }
    CPngBtn* CloseButton() const { return m_pClose; }
    CPngBtn* NewButton() const { return m_pNew; }
    CPngBtn* DeleteButton() const { return m_pDelete; }
    CPngBtn* EditLineButton() const { return m_pEditLine; }
    CPngBtn* DeleteLineButton() const { return m_pDeleteLine; }
    bool IsRecording() const { return m_bRecording; }
    bool AutoDelay() const { return m_bAutoDelay; }
    MacroTree& Library() { return m_lib; }
    // The engine node behind a macro-tree item; nullptr when none.
    MacroTreeNode* NodeOf(CTreeItem* item) const;
    CTreeItem* ItemOf(const MacroTreeNode* node) const;
    // Key lines (presses and releases) in the key list.
    int KeyLineCount() const;
    // Holding Esc this long while recording stops the recording (the Esc is not kept), so the
    // keyboard can leave it; every other key, Esc tapped included, is recorded.
    static constexpr uint32_t kStopHoldMs = 1000;

    QImage ComposePicture(qreal scale = 1) const override;

  protected:
    bool OnWinMessage(CWinMessageEvent* msg) override;
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool EscCancels() const override { return !m_bRecording; }

  private:
    // While recording: true when key was the held Esc that stopped it, or the rest of that
    // hold after it (which must not close the dialog either).
    bool StopOnHeldEsc(const QKeyEvent* key);
    // layout
    void CreateControls();
    void UpdateRecordLook();
    // showing and editing lines
    void OnTreeClick(int id, CTreeItem* item);
    void OnTreeRightClick(int id, CTreeItem* item);
    void ShowMacro(CTreeItem* item);
    void ListEvents(const StMacro& rec);
    void ClearKeyList();
    CTreeItem* AddKeyLine(CTreeItem* target, bool before, uint32_t code, int kind);
    CTreeItem* AddPauseLine(CTreeItem* target, bool before, uint32_t ms);
    void MarkDirty(uint32_t flags);
    void HideSave();
    void TidyKeyList();
    void KeyListToEvents(StMacro& rec);
    void EditLine();
    void DeleteLine();
    int AskKeyCode(uint32_t* code);
    // library operations
    void RebuildTree(const MacroTreeNode* select);
    StMacro* SelectedRecord() const;
    MacroTreeNode* SelectedNode() const;
    void DoNewMacro();
    void DoRename();
    void DoDelete();
    void DoImport();
    void DoExport();
    void NotifyLabelsChanged();
    // messages
    void Tell(const std::string& text);
    bool RefuseWhileRecording();

    bool m_bPrepared = false;
    bool m_bUsable = false;
    SkinImage m_imgBack;
    SkinImage m_imgDown, m_imgUp, m_imgPause;
    QFont m_font;
    CTreeCtrlEx* m_pMacroTree = nullptr;
    CTreeCtrlEx* m_pKeyList = nullptr;
    CPngBtn* m_pClose = nullptr;
    CPngBtn* m_pRecord = nullptr;
    CPngBtn* m_pInsert = nullptr;
    CPngBtn* m_pSave = nullptr;
    CPngBtn* m_pNew = nullptr;
    CPngBtn* m_pDelete = nullptr;
    CPngBtn* m_pEditLine = nullptr;
    CPngBtn* m_pDeleteLine = nullptr;

    MacroTree m_lib;
    std::unordered_map<CTreeItem*, MacroTreeNode*> m_nodeOf;
    bool m_bRecording = false;
    bool m_bAutoDelay = true;
    int m_nCaptureCount = 0;
    CEscHold m_escHold{kStopHoldMs};
    // What recording a release changed, kept until the next key: a press of the same key at the
    // same server time shows the release was half of an unmarked repeat pair, and it is undone.
    struct CaptureMark {
        size_t lines = 0;
        int count = 0;
        int key = 0, flag = 0;
        uint32_t tick = 0;
    };
    CaptureMark MarkCapture() const;
    void UndoCapture(const CaptureMark& mark);
    CaptureMark m_pairMark;
    int m_nPairVk = 0;  // the key of that release; 0: none
    uint64_t m_nPairTime = 0;
    size_t m_nLinesAtEsc = 0;
};
