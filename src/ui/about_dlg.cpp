#include "ui/about_dlg.h"

#include <QDesktopServices>
#include <QPainter>
#include <QUrl>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/log.h"
#include "core/messages.h"
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
constexpr int kMinTextPixels = 11;
const QRect kDescRect(60, 35, 360, 20);     // (60, 35) to (420, 55)
const QRect kVersionRect(60, 70, 360, 20);  // (60, 70) to (420, 90)
const QRect kLinkRect(60, 105, 280, 20);    // (60, 105) to (340, 125)

std::function<void(const std::string&)>& UrlOpener() {
    static std::function<void(const std::string&)> opener;
    return opener;
}

// The address comes from a language file: only web addresses are handed to the desktop, never
// a local file or program.
void OpenWebAddress(const std::string& address) {
    const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != "http" && scheme != "https")) {
        g_pfnLog("About: not a web address: %s", address.c_str());
        return;
    }
    QDesktopServices::openUrl(url);
}

}  // namespace

void SetUrlOpener(std::function<void(const std::string&)> opener) {
    UrlOpener() = std::move(opener);
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
    m_imgBack = LoadSkinImage("msg_nr.png");
    if (m_imgBack.width() == 0) {
        m_imgBack = QImage();
        PostWinMessage(this, WM_CLOSE_MSG, 0, 0);
        return false;
    }
    const int W = m_imgBack.width();
    CentreOverParent(m_imgBack.size());
    ShapeWindowFromImage(this, m_imgBack, kKeyColour, 0);
    EnableFaceDrag(this);

    const bool tips = g_Config.BtnTips != 0;
    auto* close = new CPngBtn(this);
    const QPoint closeAt(W - 49, 10);
    if (NewSmallPngButton3(&m_imgBack, &closeAt, this, "exit_nr.png", "exit_ov.png", "exit_ov.png",
                           close, 0, tips, nullptr, closeAt.x(), closeAt.y())) {
        close->setFocusPolicy(Qt::NoFocus);
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
    m_pLink->m_clrHover = g_Config.Btn_txt_clr_nr;
    m_pLink->m_clrPressed = g_Config.Btn_txt_clr_dn;
    m_pLink->m_pOwnerFont = SkinAppFont();
    m_pLink->m_bDebugFrame = g_Config.UIDebug != 0;
    m_pLink->setFocusPolicy(Qt::NoFocus);
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
    const std::string& web = g_UiText.tc_web;
    if (web.empty()) return;
    if (UrlOpener())
        UrlOpener()(web);
    else
        OpenWebAddress(web);
}

QImage CAboutDlg::ComposePicture() const {
    if (m_imgBack.isNull()) return QImage();
    QImage canvas(m_imgBack.size(), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter p(&canvas);
    DrawImage(p, m_imgBack, canvas.rect(), m_imgBack.rect());
    p.setPen(ColorFromRef(kFrameColour));
    p.drawRect(canvas.rect().adjusted(0, 0, -1, -1));
    p.setPen(ColorFromRef(g_Config.Txt_clr));
    for (const auto& [rect, text] : {std::pair{kDescRect, &g_UiText.tc_msg21},
                                     std::pair{kVersionRect, &g_UiText.tc_version}}) {
        // A line too long for its room (other languages) is drawn smaller before it is cut.
        const QString line = QString::fromStdString(*text);
        p.setFont(FontToFit(TextFont(), line, rect.width(), kMinTextPixels));
        p.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   p.fontMetrics().elidedText(line, Qt::ElideRight, rect.width()));
    }
    return canvas;
}
