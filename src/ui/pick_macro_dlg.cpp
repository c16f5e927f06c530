#include "ui/pick_macro_dlg.h"

#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/messages.h"
#include "core/notifier.h"
#include "core/paths.h"
#include "macro/macro_tree.h"
#include "skin/caption_fit.h"
#include "skin/face_drag.h"
#include "skin/factories.h"
#include "skin/image.h"
#include "skin/png_btn.h"
#include "skin/skin_settings.h"
#include "skin/win_message.h"
#include "ui/dialog_face.h"
#include "ui/dialog_title.h"
#include "ui/menu_dlg.h"
#include "ui/tree_ctrl_ex.h"

namespace {

const QRect kTreeRect(QPoint(25, 60), QPoint(375 - 1, 280 - 1));
// The caption's box (27, 48) to (225, 58) is lower than a line of the dialog font: the text
// stands on the box's bottom and takes the room above it, so no glyph is cut.
const QRect kCaptionRect(QPoint(27, 36), QPoint(225 - 1, 58 - 1));

QFont DialogFont() {
    return SkinAppFont() ? *SkinAppFont() : ShellDlgFont(16);
}

uint32_t Opaque(uint32_t bgr) {
    // 0x00BBGGRR to an opaque 0xAARRGGBB
    return 0xFF000000u | ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
}

}  // namespace

CPickMacroDlg::CPickMacroDlg(QWidget* parent) : CTopDialog(parent, kMsgTopWindowTitle) {
    setWindowTitle(DialogTitle(g_UiText.tc_macro_list));
}

CPickMacroDlg::~CPickMacroDlg() = default;

bool CPickMacroDlg::Prepare() {
    if (m_bPrepared) return m_bUsable;
    m_bPrepared = true;
    setAccessibleName(QString::fromStdString(g_UiText.tc_macro_list));
    m_imgBack = LoadSkinImage("msg2_nr.png");
    if (m_imgBack.width() <= 0) return false;
    m_bUsable = true;
    CentreOverParent(m_imgBack.size());
    EnableFaceDrag(this, [] { ClosePopupMenu(); });

    const bool tips = g_Config.BtnTips != 0;
    m_pClose = new CPngBtn(this);
    const QPoint closeAt(360, 12);
    if (!NewSmallPngButton3(&m_imgBack, &closeAt, this, "exit_nr.png", "exit_ov.png", "exit_ov.png",
                            m_pClose, 0, tips, nullptr, 360, 12)) {
        delete m_pClose;
        m_pClose = nullptr;
    } else {
        m_pClose->setAccessibleName(QString::fromStdString(g_UiText.tc_acc_close));
    }
    auto cut = [&](const std::string& caption, int l, int r) {
        auto* btn = new CPngBtn(this);
        NewCutPngButton(btn, this, m_imgBack, m_imgBack, m_imgBack, 0, caption.c_str(), l, 302, r,
                        322);
        btn->m_clrNormal = g_Config.Btn_txt_clr_nr2;
        btn->m_clrHover = g_Config.Btn_txt_clr_ov2;
        btn->m_clrPressed = g_Config.Btn_txt_clr_dn2;
        if (tips) btn->SetToolTip(caption);
        return btn;
    };
    m_pNew = cut(g_UiText.tc_macro_msg5, 25, 105);
    m_pOk = cut(g_UiText.tc_ok, 210, 290);
    m_pCancel = cut(g_UiText.tc_cancel, 298, 378);
    // One font size: a longer text is elided with the whole text in the tip.
    m_font = DialogFont();
    for (CPngBtn* b : {m_pNew, m_pOk, m_pCancel}) b->m_pOwnerFont = &m_font;
    // The buttons stand on their own shapes in the background picture: they only grow over
    // them, never move off. Cancel grows to the right up to the margin, OK and "New" towards
    // each other.
    constexpr int kGap = 8;
    m_pCancel->WidenForCaption(4, m_imgBack.width() - 10 - m_pCancel->x());
    m_pOk->WidenLeftForCaption(4, m_pNew->x() + m_pNew->width() + kGap);
    m_pNew->WidenForCaption(16, m_pOk->x() - kGap - m_pNew->x());
    auto cancel = [this] {
        ClosePopupMenu();
        reject();
    };
    if (m_pClose) connect(m_pClose, &QAbstractButton::clicked, this, cancel);
    connect(m_pCancel, &QAbstractButton::clicked, this, cancel);
    connect(m_pOk, &QAbstractButton::clicked, this, [this] { OnOk(); });
    connect(m_pNew, &QAbstractButton::clicked, this, [this] {
        ClosePopupMenu();
        m_nResult = kOpenEditor;
        accept();
    });

    m_pTree = new CTreeCtrlEx(this);
    const std::string marks = g_szAppDir + "skins/macro/";
    m_pTree->Create(this, kTreeId, nullptr, marks + "open.png", marks + "close.png", kTreeRect);
    m_pTree->m_argbBackground = Opaque(g_Config.LstBox_bkg_clr);
    m_pTree->m_argbSelectedRow = Opaque(g_Config.LstBox_item_clr);
    m_pTree->m_clrTextSelected = g_Config.LstBox_txt_clr_dn;
    m_pTree->m_clrTextNormal = g_Config.LstBox_txt_clr_nr;
    // Straight from the files: a macro added to the folder since start-up is offered too.
    MacroTree files;
    LoadMacroLibrary(&files, g_Config.MacroDir != 0, false);
    MirrorMacroTree(*m_pTree, nullptr, files.Root());
    m_pTree->setAccessibleName(QString::fromStdString(g_UiText.tc_macro_list));
    m_pTree->installEventFilter(this);
    m_pTree->show();
    // The keyboard starts in the list, then goes to the buttons in the order they are read.
    for (QWidget* w : std::initializer_list<QWidget*>{m_pTree, m_pOk, m_pCancel, m_pNew, m_pClose})
        if (w) w->setFocusPolicy(Qt::StrongFocus);
    setTabOrder(m_pTree, m_pOk);
    setTabOrder(m_pOk, m_pCancel);
    setTabOrder(m_pCancel, m_pNew);
    if (m_pClose) setTabOrder(m_pNew, m_pClose);
    m_pTree->setFocus(Qt::OtherFocusReason);
    return true;
}

void CPickMacroDlg::showEvent(QShowEvent* event) {
    CTopDialog::showEvent(event);
    if (!Prepare()) QTimer::singleShot(0, this, [this] { reject(); });
}

void CPickMacroDlg::OnOk() {
    ClosePopupMenu();
    CTreeItem* item = m_pTree ? m_pTree->Selected() : nullptr;
    const TreeItemRecord* rec = m_pTree ? m_pTree->FindRecord(item) : nullptr;
    if (!rec || rec->type != kTreeItemLeaf) {
        NotifyUser(g_UiText.tc_macro_msg1, "Tips");
        return;
    }
    m_nResult = static_cast<int32_t>(rec->value & 0xFFFFFF);
    accept();
}

bool CPickMacroDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pTree && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const TreeItemRecord* rec = m_pTree->FindRecord(m_pTree->Selected());
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && rec &&
            rec->type == kTreeItemLeaf) {
            if (!key->isAutoRepeat()) OnOk();
            return true;
        }
    }
    return CTopDialog::eventFilter(watched, event);
}

bool CPickMacroDlg::OnWinMessage(CWinMessageEvent* msg) {
    // The tree's notifications are not used: a double click only opens or closes a folder.
    return msg->msg() == kTreeMsgLeftClick || msg->msg() == kTreeMsgDoubleClick ||
           msg->msg() == kTreeMsgRightClick || msg->msg() == WM_CHILD_CLICK;
}

QImage CPickMacroDlg::ComposePicture(qreal scale) const {
    QImage canvas = FramedFace(m_imgBack, size(), scale);
    QPainter p(&canvas);
    p.setFont(DialogFont());
    p.setPen(ColorFromRef(g_Config.Txt_clr));
    DrawFittedCaption(p, kCaptionRect, QString::fromStdString(g_UiText.tc_macro_list),
                      Qt::AlignLeft | Qt::AlignBottom);
    return canvas;
}
