#include "ui/about_dlg.h"

#include <QIcon>
#include <QPainter>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/messages.h"
#include "core/paths.h"
#include "skin/caption_fit.h"
#include "skin/face_drag.h"
#include "skin/factories.h"
#include "skin/image.h"
#include "skin/png_btn.h"
#include "skin/skin_settings.h"
#include "skin/win_message.h"

namespace {

constexpr uint32_t kKeyColour = 0x00FF00;
constexpr uint32_t kFrameColour = 0x969696;
constexpr uint32_t kUpdateColour = 0x646464;
constexpr int kIconSize = 32;
const QRect kIconRect(18, 14, kIconSize, kIconSize);
const QRect kNameRect(60, 12, 340, 32);     // left of the close button
const QRect kDescRect(60, 44, 380, 38);     // two lines: longer languages wrap
const QRect kVersionRect(60, 82, 360, 20);  // (60, 82) to (420, 102)
const QRect kLinkRect(60, 105, 280, 20);    // (60, 105) to (340, 125)

}  // namespace

std::string CAboutDlg::ProductName() {
    return g_UiText.tc_appdata.empty() ? std::string("Mivora") : g_UiText.tc_appdata;
}

QRect CAboutDlg::IconRect() {
    return kIconRect;
}

QRect CAboutDlg::NameRect() {
    return kNameRect;
}

bool CAboutDlg::IsSwallowedKey(int qtKey) const {
    // Esc closes the about window (the dialog's own handling rejects it).
    return qtKey != Qt::Key_Escape && IsWindowKeySwallowed(qtKey);
}

CAboutDlg::CAboutDlg(QWidget* parent) : CTopDialog(parent, kMsgTopWindowTitle) {
    m_fontOwn = ShellDlgFont(16);
    m_fontOwn.setStyleHint(QFont::SansSerif);
}

CAboutDlg::~CAboutDlg() = default;

const QFont& CAboutDlg::TextFont() const {
    return SkinAppFont() ? *SkinAppFont() : m_fontOwn;
}

bool CAboutDlg::Prepare() {
    if (m_bPrepared) return !m_imgBack.isNull();
    m_bPrepared = true;
    // The window text stays the one shutdown looks for; a screen reader hears this name.
    setAccessibleName(QString::fromStdString(g_UiText.tc_acc_about));
    m_imgBack = LoadSkinImage("msg_nr.png");
    if (m_imgBack.width() == 0) {
        m_imgBack = SkinImage();
        PostWinMessage(this, WM_CLOSE_MSG, 0, 0);
        return false;
    }
    const int W = m_imgBack.width();
    CentreOverParent(m_imgBack.size());
    ShapeWindowFromImage(this, m_imgBack, kKeyColour, 0);
    EnableFaceDrag(this);
    // The window's icon, as the main window and the tray show it; the file's larger picture
    // keeps it sharp on a screen scaled by 2 (a stretched 1x picture would blur).
    const QIcon icon(QString::fromStdString(g_szAppDir + "appico.ico"));
    auto picture = [&icon](int size) {
        QImage image = icon.pixmap(QSize(size, size), 1.0).toImage();
        if (image.isNull() || image.size() == QSize(size, size)) return image;
        return image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    };
    const QImage iconImage = picture(kIconSize);
    if (!iconImage.isNull()) m_imgIcon = SkinImage(iconImage, picture(kIconSize * 2));

    const bool tips = g_Config.BtnTips != 0;
    auto* close = new CPngBtn(this);
    const QPoint closeAt(W - 49, 10);
    if (NewSmallPngButton3(&m_imgBack, &closeAt, this, "exit_nr.png", "exit_ov.png", "exit_ov.png",
                           close, 0, tips, nullptr, closeAt.x(), closeAt.y())) {
        close->setAccessibleName(QString::fromStdString(g_UiText.tc_acc_close));
        connect(close, &QAbstractButton::clicked, this, [this] { reject(); });
        m_pClose = close;
    } else {
        delete close;
    }

    m_pLink = new CPngBtn(this);
    NewCutPngButton(m_pLink, this, m_imgBack, m_imgBack, m_imgBack, 0, nullptr, kLinkRect.left(),
                    kLinkRect.top(), kLinkRect.right() + 1, kLinkRect.bottom() + 1);
    m_pLink->SetCaption(g_UiText.tc_msg24, 1);
    m_pLink->m_clrNormal = g_Config.Btn_txt_clr_nr;
    m_pLink->m_clrHover = g_Config.Btn_txt_clr_ov;
    m_pLink->m_clrPressed = g_Config.Btn_txt_clr_dn;
    m_pLink->m_bLink = true;
    m_pLink->SetToolTip(g_UiText.tc_web);
    m_pLink->m_pOwnerFont = SkinAppFont();
    m_pLink->m_bDebugFrame = g_Config.UIDebug != 0;
    m_pLink->setCursor(Qt::PointingHandCursor);
    connect(m_pLink, &QAbstractButton::clicked, this, [this] { OnLink(); });

    if (g_Config.ShowFWUpdate != 0) {
        auto* update = new CPngBtn(this);
        const QPoint at(60, 145);
        if (NewSmallPngButton3(&m_imgBack, &at, this, "btn_nr.png", "btn_nr.png", "btn_nr.png",
                               update, 0, tips, g_UiText.tc_msg8.c_str(), at.x(), at.y())) {
            update->m_clrNormal = kUpdateColour;
            update->m_clrHover = kUpdateColour;
            update->m_clrPressed = kUpdateColour;
            update->setFocusPolicy(Qt::NoFocus);
            m_pUpdate = update;  // no action anywhere in the program
        } else {
            delete update;
        }
    }
    return true;
}

void CAboutDlg::showEvent(QShowEvent* event) {
    Prepare();
    CTopDialog::showEvent(event);
}

void CAboutDlg::OnLink() {
    OpenWebAddress(g_UiText.tc_web);
}

QImage CAboutDlg::ComposePicture(qreal scale) const {
    if (m_imgBack.isNull()) return QImage();
    QImage canvas = NewCanvas(m_imgBack.size(), scale);
    QPainter p(&canvas);
    DrawImage(p, m_imgBack, m_imgBack.rect(), m_imgBack.rect());
    p.setPen(ColorFromRef(kFrameColour));
    p.drawRect(m_imgBack.rect().adjusted(0, 0, -1, -1));
    if (!m_imgIcon.isNull())
        DrawImageAt(p, m_imgIcon, kIconRect.x() + (kIconSize - m_imgIcon.width()) / 2,
                    kIconRect.y() + (kIconSize - m_imgIcon.height()) / 2);
    p.setPen(ColorFromRef(g_Config.Txt_clr));
    QFont name = TextFont();
    name.setBold(true);
    name.setPixelSize(TextFont().pixelSize() > 0 ? TextFont().pixelSize() * 3 / 2 : 22);
    p.setFont(name);
    DrawFittedCaption(p, kNameRect, QString::fromStdString(ProductName()),
                      Qt::AlignLeft | Qt::AlignVCenter);
    p.setFont(TextFont());
    // The description may take two lines; one that needs more is cut on one line.
    const QString desc = QString::fromStdString(g_UiText.tc_msg21);
    const int wrap = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    if (p.fontMetrics().boundingRect(kDescRect, wrap, desc).height() <= kDescRect.height())
        p.drawText(kDescRect, wrap, desc);
    else
        DrawFittedCaption(p, kDescRect, desc, Qt::AlignLeft | Qt::AlignTop);
    DrawFittedCaption(p, kVersionRect, QString::fromStdString(g_UiText.tc_version),
                      Qt::AlignLeft | Qt::AlignVCenter);
    return canvas;
}
