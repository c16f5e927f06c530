// The macro editor's window: controls, captions, picture, messages and closing.
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/messages.h"
#include "core/notifier.h"
#include "core/paths.h"
#include "macro/macro_ops.h"
#include "skin/caption_fit.h"
#include "skin/face_drag.h"
#include "skin/face_layout.h"
#include "skin/factories.h"
#include "skin/image.h"
#include "skin/key_event_vk.h"
#include "skin/png_btn.h"
#include "skin/skin_settings.h"
#include "skin/win_message.h"
#include "ui/dialog_face.h"
#include "ui/dialog_title.h"
#include "ui/macro_dlg.h"
#include "ui/menu_dlg.h"
#include "ui/msg_dlg.h"
#include "ui/std_dialogs.h"
#include "ui/tree_ctrl_ex.h"

namespace {

QRect ToQRect(const CfgRect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

// The caption box above a tree: (left+2, top-20) to (left+140, top).
QRect CaptionAbove(const CfgRect& r) {
    return QRect(QPoint(r.left + 2, r.top - 20), QPoint(r.left + 140 - 1, r.top - 1));
}

}  // namespace

CMacroDlg::CMacroDlg(QWidget* parent) : CTopDialog(parent, kMsgTopWindowTitle) {
    setWindowTitle(DialogTitle(g_UiText.tc_mac_def));
    m_fnAskText = [this](const std::string& prompt, int maxLen, std::string* out) {
        return AskText(this, prompt, maxLen, out);
    };
    m_fnAskNumber = [this](const std::string& prompt, int min, int max, int digits, int32_t* out) {
        CMsgDlg dlg(this);
        dlg.m_nMode = CMsgDlg::kNumber;
        dlg.m_strText = prompt;
        dlg.m_nMin = min;
        dlg.m_nMax = max;
        dlg.m_nMaxLen = digits;
        if (dlg.DoModal() != IDOK) return 0;
        *out = dlg.m_nNumber;
        return 1;
    };
    m_fnAskKey = [this](std::array<uint8_t, 4>* capture) {
        CMsgDlg dlg(this);
        dlg.m_nMode = CMsgDlg::kKeyCapture;
        dlg.m_strText = g_UiText.tc_msg7;
        dlg.m_bSingleKey = 1;
        dlg.m_bModifierBoxes = 0;
        if (dlg.DoModal() != IDOK) return 0;
        *capture = dlg.m_Capture;
        return 1;
    };
    m_fnAskFile = [this](bool save, const std::string& initialName) {
        const QString filter = QStringLiteral("zqm (*.zqm)");
        QString path = save ? AskSaveFileName(this, filter, QString::fromStdString(initialName))
                            : AskOpenFileName(this, filter);
        if (save && !path.isEmpty() && !path.endsWith(".zqm", Qt::CaseInsensitive)) path += ".zqm";
        return path.toStdString();
    };
    setFocusPolicy(Qt::StrongFocus);
}

CMacroDlg::~CMacroDlg() = default;

bool CMacroDlg::Prepare() {
    if (m_bPrepared) return m_bUsable;
    m_bPrepared = true;
    setAccessibleName(QString::fromStdString(g_UiText.tc_mac_def));
    m_imgBack = LoadSkinImage("macro_nr.png");
    if (m_imgBack.width() <= 0) return false;
    m_bUsable = true;
    const std::string macroDir = g_szAppDir + "skins/macro/";
    m_imgDown = LoadSkinImageFile(macroDir + "DN_N.png");
    m_imgUp = LoadSkinImageFile(macroDir + "UP_N.png");
    m_imgPause = LoadSkinImageFile(macroDir + "TM_N.png");
    m_font = SkinAppFont() ? *SkinAppFont() : ShellDlgFont(16);
    CentreOverParent(m_imgBack.size());
    EnableFaceDrag(this, [] { ClosePopupMenu(); });
    CreateControls();
    LoadMacroLibrary(&m_lib, g_Config.MacroDir != 0, false);
    RebuildTree(nullptr);
    return true;
}

void CMacroDlg::CreateControls() {
    const bool tips = g_Config.BtnTips != 0;
    const int W = m_imgBack.width();
    const int X0 = g_Config.Macro_Opt_X;
    const int T = g_Config.rcKeyList.top;
    auto own = [&](const char* nr, const char* ov, const char* dn, const std::string* caption,
                   int x, int y) -> CPngBtn* {
        auto* btn = new CPngBtn(this);
        const QPoint at(x, y);
        if (!NewSmallPngButton3(&m_imgBack, &at, this, nr, ov, dn, btn, 0, tips,
                                caption ? caption->c_str() : nullptr, x, y)) {
            delete btn;
            return nullptr;
        }
        return btn;
    };
    m_pClose = own("exit_nr.png", "exit_ov.png", "exit_ov.png", nullptr, W - 49, 10);
    if (m_pClose) m_pClose->setAccessibleName(QString::fromStdString(g_UiText.tc_acc_close));
    m_pRecord = own("btn_nr.png", "btn_nr.png", "btn_dn.png", &g_UiText.tc_macro_start, X0, T + 26);
    m_pInsert = own("combo_nr.png", "combo_nr.png", "combo_nr.png", nullptr, X0, T + 249);
    m_pSave = own("btn_nr.png", "btn_nr.png", "btn_nr.png", &g_UiText.tc_macro_msg19, X0, T + 289);
    if (m_pSave) {
        m_pSave->m_clrNormal = m_pSave->m_clrHover = m_pSave->m_clrPressed =
            g_Config.LstBox_item_clr;
        m_pSave->hide();
    }
    for (CPngBtn* b : {m_pRecord}) {
        if (!b) continue;
        b->m_clrNormal = g_Config.Btn_txt_clr_nr2;
        b->m_clrHover = g_Config.Btn_txt_clr_ov2;
        b->m_clrPressed = g_Config.Btn_txt_clr_dn2;
    }

    // The four small buttons under the trees, cut from the background.
    struct Small {
        CPngBtn** slot;
        const std::string* caption;
        const CfgRect* under;
        bool right;
    };
    const Small smalls[4] = {{&m_pNew, &g_UiText.tc_macro_msg5, &g_Config.rcMacroList, false},
                             {&m_pDelete, &g_UiText.tc_macro_msg10, &g_Config.rcMacroList, true},
                             {&m_pEditLine, &g_UiText.tc_macro_msg7, &g_Config.rcKeyList, false},
                             {&m_pDeleteLine, &g_UiText.tc_macro_msg10, &g_Config.rcKeyList, true}};
    for (int i = 0; i < 4; ++i) {
        const CfgRect& r = *smalls[i].under;
        const int half = r.Width() / 2;
        const int left = smalls[i].right ? r.left + half : r.left;
        const int right = smalls[i].right ? r.right : r.left + half;
        auto* btn = new CPngBtn(this);
        NewCutPngButton(btn, this, m_imgBack, m_imgBack, m_imgBack, 0, smalls[i].caption->c_str(),
                        left, r.bottom + 8, right, r.bottom + 28);
        btn->m_clrNormal = g_Config.Btn_txt_clr_nr2;
        btn->m_clrHover = g_Config.Btn_txt_clr_ov2;
        btn->m_clrPressed = g_Config.Btn_txt_clr_dn2;
        if (tips) btn->SetToolTip(*smalls[i].caption);
        btn->m_pOwnerFont = &m_font;  // one size: a longer text is elided, whole in the tip
        // Two buttons read "Delete": the reader also hears which list each one acts on.
        btn->setAccessibleDescription(
            QString::fromStdString(i < 2 ? g_UiText.tc_macro_list : g_UiText.tc_macro_key_list));
        *smalls[i].slot = btn;
    }

    auto on = [this](CPngBtn* b, void (CMacroDlg::*fn)()) {
        if (!b) return;
        connect(b, &QAbstractButton::clicked, this, [this, fn] {
            ClosePopupMenu();
            (this->*fn)();
        });
    };
    if (m_pClose)
        connect(m_pClose, &QAbstractButton::clicked, this, [this] {
            ClosePopupMenu();
            if (RefuseWhileRecording()) return;
            reject();
        });
    on(m_pRecord, &CMacroDlg::OnRecordButton);
    on(m_pInsert, &CMacroDlg::OnInsertButton);
    on(m_pSave, &CMacroDlg::OnSave);
    on(m_pNew, &CMacroDlg::OnNewButton);
    on(m_pDelete, &CMacroDlg::OnDeleteButton);
    on(m_pEditLine, &CMacroDlg::OnEditLineButton);
    on(m_pDeleteLine, &CMacroDlg::OnDeleteLineButton);

    const std::string marks = g_szAppDir + "skins/macro/";
    const bool trans = g_Config.ListTrans != 0;
    m_pMacroTree = new CTreeCtrlEx(this);
    m_pMacroTree->Create(this, kMacroTreeId, trans ? &m_imgBack : nullptr, marks + "open.png",
                         marks + "close.png", ToQRect(g_Config.rcMacroList));
    m_pKeyList = new CTreeCtrlEx(this);
    m_pKeyList->Create(this, kKeyListId, trans ? &m_imgBack : nullptr, "", "",
                       ToQRect(g_Config.rcKeyList));
    // Skinned as the picker's lists (the dialog's picture shows through with "ListTrans").
    for (CTreeCtrlEx* t : {m_pMacroTree, m_pKeyList}) {
        t->UseListColours();
        t->show();
    }
    // Named as the captions painted above them; the insert button by the one above it.
    m_pMacroTree->setAccessibleName(QString::fromStdString(g_UiText.tc_macro_list));
    m_pKeyList->setAccessibleName(QString::fromStdString(g_UiText.tc_macro_key_list));
    if (m_pInsert) m_pInsert->setAccessibleName(QString::fromStdString(g_UiText.tc_macro_loop));

    // The keyboard starts in the library and goes left to right, the close button last.
    QWidget* order[] = {m_pMacroTree,  m_pNew,    m_pDelete, m_pKeyList, m_pEditLine,
                        m_pDeleteLine, m_pRecord, m_pInsert, m_pSave,    m_pClose};
    QWidget* previous = nullptr;
    for (QWidget* w : order) {
        if (!w) continue;
        if (previous) setTabOrder(previous, w);
        previous = w;
    }
    m_pMacroTree->setFocus(Qt::OtherFocusReason);
}

void CMacroDlg::UpdateRecordLook() {
    if (!m_pRecord) return;
    const std::string& caption = m_bRecording ? g_UiText.tc_macro_stop : g_UiText.tc_macro_start;
    m_pRecord->SetCaption(caption);
    if (g_Config.BtnTips) m_pRecord->SetToolTip(caption);
    m_pRecord->m_bSwitch = true;
    m_pRecord->SetChecked(m_bRecording);
    m_pMacroTree->m_bAcceptMouse = m_bRecording ? 0 : 1;
}

void CMacroDlg::showEvent(QShowEvent* event) {
    CTopDialog::showEvent(event);
    if (!Prepare()) QTimer::singleShot(0, this, [this] { reject(); });
}

void CMacroDlg::done(int result) {
    // Every record with unsaved changes reaches its file; lines not yet saved do not.
    m_bRecording = false;
    if (FlushAllDirtyMacros(m_lib) > 0) Tell(g_UiText.tc_macro_msg22);
    CTopDialog::done(result);
}

void CMacroDlg::Tell(const std::string& text) {
    NotifyUser(text, "");
}

bool CMacroDlg::RefuseWhileRecording() {
    if (!m_bRecording) return false;
    Tell(g_UiText.tc_macro_msg17);
    return true;
}

bool CMacroDlg::event(QEvent* e) {
    const bool keyEvent = e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease;
    // After the hold that stopped a recording the dialog still hears the rest of it.
    if (keyEvent && !m_bRecording && m_escHold.Down() && StopOnHeldEsc(static_cast<QKeyEvent*>(e)))
        return true;
    if (m_bRecording && keyEvent) {
        // Every key is a captured event while recording, Esc and Enter included.
        // A key without a virtual-key code would be saved as code 0, which ends the macro.
        auto* key = static_cast<QKeyEvent*>(e);
        if (StopOnHeldEsc(key)) return true;
        // A held key is one press: its repeats (and on X11 the releases between them) are not
        // events of the macro.
        if (key->isAutoRepeat()) return true;
        const int vk = VkFromKeyEvent(key);
        if (vk == 0) return true;
        const bool release = e->type() == QEvent::KeyRelease;
        if (!release && m_nPairVk == vk && key->timestamp() != 0 &&
            key->timestamp() == m_nPairTime) {
            UndoCapture(m_pairMark);  // the key is still held: neither is an event
            m_nPairVk = 0;
            return true;
        }
        const CaptureMark before = MarkCapture();
        CaptureKey(vk, release ? 0x80 : 0);
        m_nPairVk = release ? vk : 0;
        m_nPairTime = key->timestamp();
        m_pairMark = before;
        return true;
    }
    return CTopDialog::event(e);
}

bool CMacroDlg::OnWinMessage(CWinMessageEvent* msg) {
    switch (msg->msg()) {
        case kTreeMsgLeftClick:
            ClosePopupMenu();
            OnTreeClick(static_cast<int>(msg->wParam()),
                        reinterpret_cast<CTreeItem*>(static_cast<uintptr_t>(msg->lParam())));
            return true;
        case kTreeMsgRightClick:
            ClosePopupMenu();
            OnTreeRightClick(static_cast<int>(msg->wParam()),
                             reinterpret_cast<CTreeItem*>(static_cast<uintptr_t>(msg->lParam())));
            return true;
        case kTreeMsgDoubleClick:
            ClosePopupMenu();
            if (static_cast<int>(msg->wParam()) == kKeyListId && !m_bRecording) EditLine();
            return true;
        case WM_CHILD_CLICK:
            ClosePopupMenu();
            OnCommand(static_cast<uint32_t>(msg->wParam()));
            return true;
        case kTreeMsgDeleteKey:
        case kTreeMsgRenameKey: {
            // Delete and F2 in a tree: the macro tree's delete and rename, the key list's
            // delete and edit.
            ClosePopupMenu();
            const bool keyList = static_cast<int>(msg->wParam()) == kKeyListId;
            if (msg->msg() == kTreeMsgDeleteKey)
                OnCommand(keyList ? kCmdDeleteLine : kCmdDelete);
            else
                OnCommand(keyList ? kCmdEditLine : kCmdRename);
            return true;
        }
        case WM_KEY_CAPTURE:
            if (m_bRecording) CaptureKey(static_cast<int>(msg->wParam()), msg->lParam() ? 0x80 : 0);
            return true;
        default:
            return false;
    }
}

QImage CMacroDlg::ComposePicture(qreal scale) const {
    const QSize size = m_imgBack.isNull() ? this->size() : m_imgBack.size();
    QImage canvas = FramedFace(m_imgBack, size, scale);
    QPainter p(&canvas);
    p.setPen(ColorFromRef(g_Config.Txt_clr));
    // 200 wide, but within the option card.
    const int cardRight = size.width() - kFaceMargin - kCardPadding;
    const QRect insertCaption(g_Config.Macro_Opt_X, g_Config.rcKeyList.top + 249 - 20,
                              std::clamp(cardRight - g_Config.Macro_Opt_X, 0, 200), 20);
    const std::pair<QRect, const std::string*> captions[3] = {
        {CaptionAbove(g_Config.rcMacroList), &g_UiText.tc_macro_list},
        {CaptionAbove(g_Config.rcKeyList), &g_UiText.tc_macro_key_list},
        {insertCaption, &g_UiText.tc_macro_loop}};
    for (const auto& [rect, text] : captions) {
        const QString t = QString::fromStdString(*text);
        p.setFont(m_font);
        DrawFittedCaption(p, rect, t, Qt::AlignLeft | Qt::AlignVCenter);
    }
    return canvas;
}
