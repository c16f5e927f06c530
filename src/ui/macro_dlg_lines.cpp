// The macro editor's key list: showing a macro's events, recording, inserting, editing,
// deleting lines, and turning the lines back into events on save.
#include <QKeyEvent>

#include <algorithm>
#include <chrono>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/log.h"
#include "core/notifier.h"
#include "macro/key_names.h"
#include "macro/macro_library.h"
#include "macro/macro_ops.h"
#include "profile/apply_thread.h"
#include "profile/profile_list.h"
#include "skin/png_btn.h"
#include "ui/macro_dlg.h"
#include "ui/menu_dlg.h"
#include "ui/tree_ctrl_ex.h"

namespace {

constexpr int kKindUp = 0;
constexpr int kKindDown = 1;
constexpr int kKindPause = 2;
constexpr uint32_t kMaxPause = 65535;

uint32_t SteadyTicks() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

uint32_t (*g_pfnRecordClock)() = SteadyTicks;

// Shared by every recording while the program runs.
int s_nLastKey = 0;
int s_nLastFlag = 0;
uint32_t s_nLastTick = 0;

std::string PauseText(uint32_t ms) {
    return std::to_string(ms) + " ms";
}

}  // namespace

void CMacroDlg::SetRecordClock(uint32_t (*clock)()) {
    g_pfnRecordClock = clock ? clock : SteadyTicks;
}

void CMacroDlg::ResetCaptureMemory() {
    s_nLastKey = 0;
    s_nLastFlag = 0;
    s_nLastTick = 0;
}

int CMacroDlg::KeyLineCount() const {
    int n = 0;
    for (const auto& item : m_pKeyList->TopItems())
        if (item->rec.kind != kKindPause) ++n;
    return n;
}

void CMacroDlg::ClearKeyList() {
    m_pKeyList->Clear();
}

CTreeItem* CMacroDlg::AddKeyLine(CTreeItem* target, bool before, uint32_t code, int kind) {
    const SkinImage& icon = kind == kKindDown ? m_imgDown : m_imgUp;
    const std::string text = KeyName(static_cast<int>(code));
    return target ? m_pKeyList->InsertNextTo(target, before, icon, text, code, kind)
                  : m_pKeyList->AppendLine(icon, text, code, kind);
}

CTreeItem* CMacroDlg::AddPauseLine(CTreeItem* target, bool before, uint32_t ms) {
    return target
               ? m_pKeyList->InsertNextTo(target, before, m_imgPause, PauseText(ms), ms, kKindPause)
               : m_pKeyList->AppendLine(m_imgPause, PauseText(ms), ms, kKindPause);
}

void CMacroDlg::MarkDirty(uint32_t flags) {
    if (StMacro* rec = SelectedRecord()) rec->dwFlags |= flags;
    if (m_pSave) m_pSave->show();
}

void CMacroDlg::HideSave() {
    if (m_pSave) m_pSave->hide();
}

void CMacroDlg::ListEvents(const StMacro& rec) {
    ClearKeyList();
    for (int i = 0; i < MacroEventLimit; ++i) {
        const StMacroEvent& ev = rec.stEvents[i];
        if (ev.wKey == 0 && ev.dwDelay == 0) break;
        if (ev.wKey != 0) AddKeyLine(nullptr, false, ev.wKey, ev.wState ? kKindDown : kKindUp);
        if (ev.dwDelay != 0) AddPauseLine(nullptr, false, ev.dwDelay);
    }
}

void CMacroDlg::ShowMacro(CTreeItem* item) {
    MacroTreeNode* node = NodeOf(item);
    if (!node || node->isFolder) {
        ClearKeyList();
        return;
    }
    std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
    StMacro* rec = FindRecordOfItem(node);
    ClearKeyList();
    HideSave();
    if (!rec) return;
    m_bAutoDelay = false;
    rec->dwLoopMode = 0;
    ListEvents(*rec);
}

void CMacroDlg::OnTreeClick(int id, CTreeItem* item) {
    if (id == kKeyListId) {
        if (m_bRecording) setFocus();  // keys go to the dialog again, so recording hears them
        return;
    }
    if (m_bRecording) return;
    if (!item) {
        HideSave();
        ClearKeyList();
        return;
    }
    if (!m_pMacroTree->FindRecord(item)) {
        Tell("OnListItemClick: pItem=0");
        return;
    }
    ShowMacro(item);
}

void CMacroDlg::OnRecordButton() {
    if (m_bRecording) {
        m_bRecording = false;
        UpdateRecordLook();
        MarkDirty(MACRO_DIRTY_SETTINGS | MACRO_DIRTY_EVENTS);
        return;
    }
    MacroTreeNode* node = SelectedNode();
    if (!node || node->isFolder) {
        UpdateRecordLook();
        Tell(g_UiText.tc_macro_msg1);
        return;
    }
    m_bRecording = true;
    m_nCaptureCount = 0;
    m_nPairVk = 0;
    ClearKeyList();
    UpdateRecordLook();
    setFocus();
}

void CMacroDlg::CaptureKey(int vk, int flag) {
    if (vk == s_nLastKey && flag == s_nLastFlag) return;  // auto-repeat
    if (m_nCaptureCount >= MacroEventLimit) return;
    ++m_nCaptureCount;
    if (KeyLineCount() >= MacroEventLimit) {
        Tell(g_UiText.tc_macro_msg18);
        return;
    }
    const uint32_t now = g_pfnRecordClock();
    if (m_bAutoDelay && !m_pKeyList->TopItems().empty()) {
        uint32_t gap = now - s_nLastTick;
        if (gap > 0 && gap < 0x80000000u) {
            gap = std::max<uint32_t>(gap, static_cast<uint32_t>(std::max(0, g_Config.MinUIDelay)));
            AddPauseLine(nullptr, false, std::min(gap, kMaxPause));
        }
    }
    CTreeItem* line =
        AddKeyLine(nullptr, false, static_cast<uint32_t>(vk & 0xFF), flag ? kKindUp : kKindDown);
    m_pKeyList->EnsureVisible(line);
    s_nLastKey = vk;
    s_nLastFlag = flag;
    s_nLastTick = now;
}

CMacroDlg::CaptureMark CMacroDlg::MarkCapture() const {
    CaptureMark mark;
    mark.lines = m_pKeyList ? m_pKeyList->TopItems().size() : 0;
    mark.count = m_nCaptureCount;
    mark.key = s_nLastKey;
    mark.flag = s_nLastFlag;
    mark.tick = s_nLastTick;
    return mark;
}

void CMacroDlg::UndoCapture(const CaptureMark& mark) {
    while (m_pKeyList && m_pKeyList->TopItems().size() > mark.lines)
        m_pKeyList->RemoveItem(m_pKeyList->TopItems().back().get());
    m_nCaptureCount = mark.count;
    s_nLastKey = mark.key;
    s_nLastFlag = mark.flag;
    s_nLastTick = mark.tick;
}

bool CMacroDlg::StopOnHeldEsc(const QKeyEvent* key) {
    const CEscHold::Step step =
        m_escHold.Feed(key->key() == Qt::Key_Escape, key->type() == QEvent::KeyPress,
                       key->isAutoRepeat(), key->timestamp(), g_pfnRecordClock());
    if (step == CEscHold::Step::kStarted)
        m_nLinesAtEsc = m_pKeyList ? m_pKeyList->TopItems().size() : 0;
    if (step == CEscHold::Step::kSpent) return true;
    if (step != CEscHold::Step::kLeave || !m_bRecording) return false;
    // The held Esc (and the pause before it) was a command, not part of the macro.
    while (m_pKeyList && m_pKeyList->TopItems().size() > m_nLinesAtEsc)
        m_pKeyList->RemoveItem(m_pKeyList->TopItems().back().get());
    ResetCaptureMemory();
    OnRecordButton();
    if (m_pRecord) m_pRecord->setFocus(Qt::TabFocusReason);
    return true;
}

int CMacroDlg::AskKeyCode(uint32_t* code) {
    std::array<uint8_t, 4> capture{};
    if (!m_fnAskKey || !m_fnAskKey(&capture)) return 0;
    if (capture[0] == 0 && capture[1] == 0 && capture[2] == 0 && capture[3] == 0) return 0;
    for (int i = 1; i <= 3; ++i)
        if (capture[i]) {
            *code = capture[i];
            return 1;
        }
    // Only modifiers: the first left-hand one; a right-hand one alone gives 0.
    const std::pair<uint8_t, uint32_t> left[] = {{0x01, 162}, {0x02, 160}, {0x04, 164}, {0x08, 91}};
    *code = 0;
    for (const auto& [bit, vk] : left)
        if (capture[0] & bit) {
            *code = vk;
            break;
        }
    return 1;
}

void CMacroDlg::OnInsertButton() {
    if (!SelectedRecord()) {
        Tell(g_UiText.tc_macro_msg1);
        return;
    }
    const std::pair<const std::string*, int> rows[] = {{&g_UiText.tc_macro_msg14, kInsertKeyDown},
                                                       {&g_UiText.tc_macro_msg15, kInsertKeyUp},
                                                       {&g_UiText.tc_click, 240},
                                                       {&g_UiText.tc_menu, 241},
                                                       {&g_UiText.tc_middle, 242},
                                                       {&g_UiText.tc_forward, 243},
                                                       {&g_UiText.tc_back, 244}};
    MenuItem items[7];
    for (int i = 0; i < 7; ++i)
        SetMenuItem(items, i, kMenuTopLevel, static_cast<int>(kCmdInsert | (rows[i].second << 16)),
                    *rows[i].first);
    const QPoint at = m_pInsert->mapToGlobal(QPoint(0, m_pInsert->height()));
    ShowPopupMenu(this, 7, m_pInsert->width() - 3, &at, g_Config.Menu_txt_clr_nr,
                  g_Config.Menu_txt_clr_ov, 0, items);
}

void CMacroDlg::OnInsertPick(int code) {
    if (!SelectedRecord()) return;
    // A mouse button takes two lines; a pair that does not fit whole is refused, so the list
    // never holds more lines than a macro keeps.
    const int need = (code == kInsertKeyDown || code == kInsertKeyUp) ? 1 : 2;
    if (KeyLineCount() + need > MacroEventLimit) {
        Tell(g_UiText.tc_macro_msg18);
        return;
    }
    CTreeItem* target = m_pKeyList->Selected();
    const bool before = g_Config.InsertBefore != 0;
    if (code == kInsertKeyDown || code == kInsertKeyUp) {
        uint32_t vk = 0;
        if (!AskKeyCode(&vk)) return;
        const int kind = code == kInsertKeyDown ? kKindDown : kKindUp;
        if (target) {
            AddPauseLine(target, before, 50);
            AddKeyLine(target, before, vk, kind);
        } else {
            m_pKeyList->EnsureVisible(AddKeyLine(nullptr, false, vk, kind));
        }
    } else if (code >= 240 && code <= 244) {
        CTreeItem* press = AddKeyLine(target, before, static_cast<uint32_t>(code), kKindDown);
        m_pKeyList->EnsureVisible(AddKeyLine(press, false, static_cast<uint32_t>(code), kKindUp));
    } else {
        return;
    }
    MarkDirty(MACRO_DIRTY_EVENTS);
}

void CMacroDlg::EditLine() {
    CTreeItem* line = m_pKeyList->Selected();
    TreeItemRecord* rec = m_pKeyList->FindRecord(line);
    if (!rec) {
        Tell(g_UiText.tc_macro_msg1);
        return;
    }
    if (rec->kind == kKindPause) {
        int32_t v = 0;
        if (!m_fnAskNumber ||
            !m_fnAskNumber(g_UiText.tc_macro_msg12, g_Config.MinUIDelay, 65535, 6, &v))
            return;
        const uint32_t ms = static_cast<uint32_t>(
            std::clamp<int64_t>(std::max<int64_t>(v, g_Config.MinDelay), 0, kMaxPause));
        const std::string text = PauseText(ms);
        m_pKeyList->SetItemTextAndValue(line, &text, &ms);
    } else {
        uint32_t vk = 0;
        if (!AskKeyCode(&vk)) return;
        const std::string text = KeyName(static_cast<int>(vk));
        m_pKeyList->SetItemTextAndValue(line, &text, &vk);
    }
    MarkDirty(MACRO_DIRTY_EVENTS);
}

void CMacroDlg::DeleteLine() {
    CTreeItem* line = m_pKeyList->Selected();
    if (!m_pKeyList->FindRecord(line)) {
        Tell(g_UiText.tc_macro_msg1);
        return;
    }
    m_pKeyList->RemoveItem(line);
    MarkDirty(MACRO_DIRTY_EVENTS);
}

void CMacroDlg::OnEditLineButton() {
    if (RefuseWhileRecording()) return;
    EditLine();
}

void CMacroDlg::OnDeleteLineButton() {
    if (RefuseWhileRecording()) return;
    DeleteLine();
}

void CMacroDlg::TidyKeyList() {
    while (!m_pKeyList->TopItems().empty() && m_pKeyList->TopItems().front()->rec.kind != kKindDown)
        m_pKeyList->RemoveItem(m_pKeyList->TopItems().front().get());
    // A run of pauses becomes one pause and a run of equal key lines one line: merging stays
    // on the first line until its neighbour differs, so no pause of a run is left over.
    size_t i = 0;
    while (i + 1 < m_pKeyList->TopItems().size()) {
        CTreeItem* a = m_pKeyList->TopItems()[i].get();
        CTreeItem* b = m_pKeyList->TopItems()[i + 1].get();
        if (a->rec.kind == kKindPause && b->rec.kind == kKindPause) {
            const uint32_t sum = std::min<uint32_t>(a->rec.value + b->rec.value, kMaxPause);
            const std::string text = PauseText(sum);
            m_pKeyList->SetItemTextAndValue(a, &text, &sum);
            m_pKeyList->RemoveItem(b);
        } else if (a->rec.kind != kKindPause && a->rec.kind == b->rec.kind &&
                   a->rec.value == b->rec.value) {
            m_pKeyList->RemoveItem(b);
        } else {
            ++i;
        }
    }
}

void CMacroDlg::KeyListToEvents(StMacro& rec) {
    StMacroEvent events[kMacroEventSlots] = {};
    int made = 0;
    const auto& lines = m_pKeyList->TopItems();
    for (size_t i = 0; i < lines.size() && made < kMacroEventSlots - 1; ++i) {
        const TreeItemRecord& line = lines[i]->rec;
        if (line.kind == kKindPause) continue;  // not after a key line
        StMacroEvent& ev = events[made++];
        ev.wKey = static_cast<uint16_t>(line.value & 0xFF);
        ev.wState = line.kind == kKindDown ? 1 : 0;
        if (i + 1 < lines.size() && lines[i + 1]->rec.kind == kKindPause) {
            ev.dwDelay = lines[i + 1]->rec.value;
            ++i;
        }
        if (ev.wKey == 0) {
            g_pfnLog("Capture keycode=0\n");
            if (g_Config.Debug != 0) NotifyUser("Capture keycode=0", "Warning");
        }
    }
    std::copy(std::begin(events), std::end(events), std::begin(rec.stEvents));
}

void CMacroDlg::OnSave() {
    if (RefuseWhileRecording()) return;
    MacroTreeNode* node = SelectedNode();
    if (!node || node->isFolder) return;
    uint32_t id = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
        StMacro* rec = FindRecordOfItem(node);
        if (!rec) return;
        if (rec->dwFlags & MACRO_DIRTY_SETTINGS) {
            rec->dwAutoDelay = m_bAutoDelay ? 1 : 0;
            rec->dwLoopMode = 0;
            if (rec->wLoopCount == 0) rec->wLoopCount = 1;
        }
        if (rec->dwFlags & MACRO_DIRTY_EVENTS) {
            TidyKeyList();
            KeyListToEvents(*rec);
        }
        id = rec->dwMacroID;
        if (!Flush_Dirty_Macro(&m_lib, node)) {
            // The edits stay in the record, marked unsaved; closing the editor tries again.
            Tell(g_UiText.tc_macro_msg22);
            return;
        }
    }
    HideSave();
    // A button that plays this macro gets the new events at once.
    if (g_Config.ApplyNow == 0) return;
    std::shared_ptr<ProfileRecord> profile = g_ProfileList.Current();
    if (!profile) return;
    const int set = profile->KeySetIndex();
    for (int k = 0; k < kKeysPerSet; ++k) {
        const KeyEntry& key = profile->keys[set][k];
        if ((key.dwFunID >> 24) == 5 && key.dwMacroID == id) PostApply(0x01, k);
    }
}
