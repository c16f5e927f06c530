#include "ui/progress_dlg.h"

#include <QPainter>

#include <algorithm>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/messages.h"
#include "core/notifier.h"
#include "core/paths.h"
#include "skin/caption_fit.h"
#include "skin/face_drag.h"
#include "skin/factories.h"
#include "skin/image.h"
#include "skin/png_btn.h"
#include "skin/skin_settings.h"
#include "skin/win_message.h"

CProgressDlg::CProgressDlg(QWidget* parent) : CTopDialog(parent, kProgressTitle) {
    m_font = ShellDlgFont(14);
    m_font.setWeight(QFont::Light);  // weight 300
    m_font.setStyleHint(QFont::SansSerif);
}

CProgressDlg::~CProgressDlg() = default;

void CProgressDlg::SetProgressImages(const std::string& trackPath, const std::string& fillPath) {
    m_strTrack = trackPath;
    m_strFill = fillPath;
}

void CProgressDlg::SetProgressText(const std::string& text, const CfgRect& rect) {
    m_strText = text;
    m_rcText = rect;
}

bool CProgressDlg::Prepare() {
    if (m_bPrepared) return m_imgTrack.width() > 0 && m_imgFill.width() > 0;
    m_bPrepared = true;
    m_imgTrack = LoadSkinImageFile(m_strTrack);
    m_imgFill = LoadSkinImageFile(m_strFill);
    const bool complete = m_imgTrack.width() > 0 && m_imgFill.width() > 0;
    if (!complete) {
        // The window closes as soon as it handles its messages; the steps below still run.
        NotifyUser("ProgressDlg skin loss", "Error");
        PostWinMessage(this, WM_CLOSE_MSG, 0, 0);
    }
    const QSize size = m_imgTrack.width() > 0 ? m_imgTrack.size() : QSize(1, 1);
    CentreOverParent(size);
    // The picture's corners are transparent: without a shape they would show black.
    if (m_imgTrack.width() > 0) ShapeWindowFromImage(this, m_imgTrack, 0x00FF00, 0);
    EnableFaceDrag(this);
    auto* btn = new CPngBtn(this);
    const QPoint at(size.width() - 42, 10);
    if (NewSmallPngButton3(m_imgTrack.width() > 0 ? &m_imgTrack : nullptr, &at, this, "exit_nr.png",
                           "exit_ov.png", "exit_ov.png", btn, 0, g_Config.BtnTips, nullptr, at.x(),
                           at.y())) {
        btn->setFocusPolicy(Qt::NoFocus);
        btn->setAccessibleName(QString::fromStdString(g_UiText.tc_acc_close));
        connect(btn, &QAbstractButton::clicked, this, [this] { reject(); });
        m_pClose = btn;
    } else {
        delete btn;
    }
    return complete;
}

void CProgressDlg::showEvent(QShowEvent* event) {
    Prepare();
    CTopDialog::showEvent(event);
}

bool CProgressDlg::IsSwallowedKey(int qtKey) const {
    return qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter || qtKey == Qt::Key_Escape ||
           qtKey == Qt::Key_Space;
}

int CProgressDlg::OnSetPos(int pos) {
    m_nPos = (pos >= m_nMin && pos <= m_nMax) ? pos : m_nMin;
    repaint();
    return 1;
}

bool CProgressDlg::OnWinMessage(CWinMessageEvent* msg) {
    if (msg->msg() != WM_PROGRESS) return false;
    msg->setResult(OnSetPos(static_cast<int>(static_cast<intptr_t>(msg->wParam()))));
    return true;
}

int CProgressDlg::FillWidth() const {
    const long long span = static_cast<long long>(m_nMax) - m_nMin;
    // An empty range would divide by zero: the bar then shows only its left edge.
    if (span <= 0) return m_rcBar.left;
    const long long f = m_rcBar.left + (static_cast<long long>(m_nPos) - m_nMin) *
                                           (static_cast<long long>(m_rcBar.right) - m_rcBar.left) /
                                           span;
    return static_cast<int>(f);
}

std::shared_ptr<MessageSink> CProgressDlg::Sink() const {
    return MakeTopWindowSink(const_cast<CProgressDlg*>(this));
}

QImage CProgressDlg::ComposePicture(qreal scale) const {
    const QSize size = m_imgTrack.width() > 0 ? m_imgTrack.size() : this->size();
    QImage canvas = NewCanvas(size, scale);
    QPainter p(&canvas);
    if (m_imgTrack.width() > 0) DrawImageAt(p, m_imgTrack, 0, 0);
    const int fill = std::min(FillWidth(), m_imgFill.width());
    if (m_imgFill.width() > 0 && fill > 0) {
        const QRect part(0, 0, fill, std::min(size.height(), m_imgFill.height()));
        DrawImage(p, m_imgFill, part, part);
    }
    if (!m_strText.empty()) {
        const QRect rect(QPoint(m_rcText.left, m_rcText.top),
                         QPoint(m_rcText.right - 1, m_rcText.bottom - 1));
        p.setFont(m_font);
        p.setPen(Qt::white);
        DrawFittedCaption(p, rect, QString::fromStdString(m_strText),
                          Qt::AlignLeft | Qt::AlignVCenter);
    }
    return canvas;
}

void SetupDefaultProgress(CProgressDlg& dlg) {
    dlg.SetProgressImages(g_szAppDir + "skins/progress_nr.png",
                          g_szAppDir + "skins/progress_ov.png");
    dlg.SetProgressText(g_UiText.tc_msg12, CfgRect{15, 12, 455, 32});
    dlg.m_rcBar = CfgRect{45, 101, 486, 123};
    dlg.m_nMin = 0;
    dlg.m_nMax = 100;
    dlg.m_nPos = 0;
}
