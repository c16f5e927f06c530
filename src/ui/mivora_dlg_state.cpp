// What the main window says about the link: the status line beside the logo (model and link,
// or why there is no mouse), the banner over the picture when there is no usable mouse, the
// controls that need one made inactive meanwhile, the tray's tip and the permission help.
#include <QGraphicsOpacityEffect>
#include <QPainter>

#include <algorithm>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/log.h"
#include "device/permission_hint.h"
#include "skin/factories.h"
#include "skin/skin_settings.h"
#include "ui/app_tray.h"
#include "ui/dpi_grid_dlg.h"
#include "ui/key_mark_dlg.h"
#include "ui/mivora_dlg.h"
#include "ui/permission_dlg.h"
#include "ui/pick_color_dlg.h"
#include "ui/state_banner.h"

namespace {

constexpr double kInactiveOpacity = 0.4;
constexpr int kStatusLeft = 170;  // right of the logo
constexpr int kBannerWidth = 250;

// "%s" in a translated text replaced by value (a text is never handed to printf).
std::string WithName(std::string text, const std::string& value) {
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, value);
    return text;
}

void SetInactiveLook(QWidget* w, bool inactive) {
    if (!w) return;
    if (inactive && !qobject_cast<QGraphicsOpacityEffect*>(w->graphicsEffect())) {
        auto* fade = new QGraphicsOpacityEffect(w);
        fade->setOpacity(kInactiveOpacity);
        w->setGraphicsEffect(fade);
    } else if (!inactive && w->graphicsEffect()) {
        w->setGraphicsEffect(nullptr);
    }
}

}  // namespace

std::string CMivoraDlg::StatusText() const {
    const DeviceModel* model = pSensorCfg.load();
    const std::string name = model ? ModelDisplayName(*model) : std::string();
    switch (m_linkState) {
        case LinkState::kNoMouse:
            return g_UiText.tc_state_nomouse;
        case LinkState::kNoPermission:
            return g_UiText.tc_state_noperm;
        case LinkState::kReading:
            return name + " · " + g_UiText.tc_msg16;
        case LinkState::kConnected:
            return name + " · " +
                   (m_link->m_bBluetooth.load() != 0 ? g_UiText.tc_msg37 : g_UiText.tc_msg38);
    }
    return "";
}

bool CMivoraDlg::DeviceControlsActive() const {
    return m_linkState == LinkState::kConnected || m_linkState == LinkState::kReading ||
           g_Config.GoWithNoDev != 0;
}

void CMivoraDlg::LinkStateChanged() {
    RunOnUiThread([this] { RefreshLinkState(); });
}

void CMivoraDlg::CreateStateControls() {
    const int my = g_Config.ptMin.y != 0 ? g_Config.ptMin.y : 10;
    NewCutPngButton(&m_btnStatus, this, m_imgBg, m_imgBg, m_imgBg, 0, nullptr, kStatusLeft, my,
                    kStatusLeft + 100, my + 29);
    m_btnStatus.m_clrNormal = g_Config.Txt_clr;
    m_btnStatus.m_clrHover = g_Config.Btn_txt_clr_ov;
    m_btnStatus.m_clrPressed = g_Config.Btn_txt_clr_dn;
    m_btnStatus.m_pOwnerFont = SkinAppFont();
    m_btnStatus.setFocusPolicy(Qt::NoFocus);
    connect(&m_btnStatus, &QAbstractButton::clicked, this, [this] {
        if (m_linkState == LinkState::kNoPermission) ShowPermissionDialog();
    });
    m_pBanner = new CStateBanner(this);
    m_pBanner->hide();
    connect(m_pBanner, &CStateBanner::linkClicked, this, [this] { ShowPermissionDialog(); });
}

void CMivoraDlg::PlaceStatusLine() {
    // From the logo to whatever stands first on the right: the link lamps or the language.
    int right = m_cbLang.isHidden() ? m_btnMin.x() : m_cbLang.x();
    for (const CPngBtn* lamp : {&m_btnBt, &m_btn24g})
        if (!lamp->isHidden()) right = std::min(right, lamp->x());
    const QRect r(kStatusLeft, m_btnStatus.y(), std::max(40, right - 12 - kStatusLeft),
                  m_btnStatus.height());
    if (m_btnStatus.geometry() != r) {
        m_btnStatus.setGeometry(r);
        m_btnStatus.SetImages(r, m_imgBg, m_imgBg, m_imgBg);
    }
}

void CMivoraDlg::RefreshLinkState(bool force) {
    if (!m_bControlsCreated) return;
    const LinkState before = m_linkState;
    m_linkState = CurrentLinkState(*m_link);
    const std::string status = StatusText();
    // The session asks after every search: nothing to redraw when nothing changed.
    if (!force && m_linkState == before && status == m_strShownStatus) return;
    if (status != m_strShownStatus) {
        m_strShownStatus = status;
        g_pfnLog("Window shows: %s", status.c_str());
        AnnounceStatus();
    }

    const bool permission = m_linkState == LinkState::kNoPermission;
    PlaceStatusLine();
    m_btnStatus.m_bLink = permission;
    m_btnStatus.setCursor(permission ? Qt::PointingHandCursor : Qt::ArrowCursor);
    // Only the line about a refusal is a link; otherwise the title bar drags the window there.
    m_btnStatus.setAttribute(Qt::WA_TransparentForMouseEvents, !permission);
    m_btnStatus.SetCaption(status, 2);
    m_btnStatus.SetToolTip(permission ? g_UiText.tc_perm_show : "");

    // The banner over the mouse picture while there is no mouse to show.
    if (m_linkState == LinkState::kNoMouse || permission) {
        const DeviceModel* model = pSensorCfg.load();
        const std::string name = model ? ModelDisplayName(*model) : std::string();
        const QPoint at = model ? QPoint(model->ptMark.x, model->ptMark.y) : QPoint(30, 70);
        m_pBanner->setGeometry(at.x(), at.y() + 40, kBannerWidth, m_pBanner->height());
        if (permission)
            m_pBanner->SetTexts(g_UiText.tc_perm_title,
                                CurrentPermissionAdvice().ruleInPlace ? g_UiText.tc_perm_replug
                                                                      : g_UiText.tc_perm_body,
                                g_UiText.tc_perm_show);
        else
            m_pBanner->SetTexts(
                g_UiText.tc_state_nomouse,
                g_UiText.tc_msg4 + "\n\n" + WithName(g_UiText.tc_state_stored, name), "");
        m_pBanner->show();
        m_pBanner->raise();
    } else {
        m_pBanner->hide();
    }

    SetDeviceControlsActive(DeviceControlsActive());
    // The help belongs to the refusal: a mouse that can be opened now needs none.
    if (!permission && PermissionDialog()) m_pPermission->reject();
    if (m_pTray) m_pTray->SetState(status);
    update();
}

void CMivoraDlg::SetDeviceControlsActive(bool active) {
    m_bDeviceControlsActive = active;
    std::vector<QWidget*> controls = {&m_btnRestore, &m_btnImport, m_pPickColor,
                                      &m_barLight1,  &m_barLight2, m_pMark};
    for (CPngBtn& b : m_btnRate) controls.push_back(&b);
    for (CPngBtn& b : m_btnLight) controls.push_back(&b);
    for (CDpiGridDlg* g : m_pDpiGrid) controls.push_back(g);
    for (QWidget* w : controls) {
        if (!w) continue;
        w->setEnabled(active);
        SetInactiveLook(w, !active);
    }
    for (int i = 0; i < 16; ++i) {
        // Keys switched off by the configuration stay off.
        m_btnKey[i].setEnabled(active && !(g_Config.KeyMask & (1 << i)));
        SetInactiveLook(&m_btnKey[i], !active);
    }
    RestPointerBlock();
}

void CMivoraDlg::FadeInactiveFace(QPainter& p) const {
    if (m_bDeviceControlsActive) return;
    // What the face draws for the device's panels (key numbers, panel titles, lighting
    // captions) fades with their controls: the background is laid over it again, half seen.
    std::vector<QRect> areas = {m_rcKeyNumbers};
    auto titled = [&](const QRect& first, const QRect& last, int titleWidth) {
        areas.push_back(
            QRect(QPoint(first.x(), first.y() - 42),
                  QPoint(std::max(last.right(), first.x() + titleWidth), last.bottom())));
    };
    titled(m_rects.rate[0], m_rects.rate[2], 250);
    titled(m_rects.dpi[0], m_rects.dpi[4], 150);
    const DeviceModel* model = pSensorCfg.load();
    if (model && model->ShowLED != 0) {
        titled(m_btnLight[0].geometry(), m_btnLight[4].geometry(), 300);
        const QRect b1 = m_barLight1.geometry(), b2 = m_barLight2.geometry();
        areas.push_back(QRect(QPoint(b1.x() - 100, b1.y() - 4), b2.bottomRight()));
    }
    p.save();
    p.setOpacity(1 - kInactiveOpacity);
    for (const QRect& a : areas) DrawImage(p, m_imgBg, a, a);
    p.restore();
}

CPermissionDlg* CMivoraDlg::PermissionDialog() const {
    // A closed one is only waiting to be deleted.
    return m_pPermission && m_pPermission->isVisible() ? m_pPermission.data() : nullptr;
}

bool CMivoraDlg::HasTray() const {
    return m_pTray && m_pTray->IsAvailable();
}

void CMivoraDlg::ShowPermissionDialog() {
    if (m_bExiting) return;
    if (CPermissionDlg* open = PermissionDialog()) {
        open->raise();
        open->activateWindow();
        return;
    }
    m_pPermission = new CPermissionDlg(this);
    connect(m_pPermission, &QDialog::finished, m_pPermission, &QObject::deleteLater);
    connect(m_pPermission, &CPermissionDlg::ruleInstalled, this, [this] {
        g_pfnLog("Permission: the rule was installed, searching again");
        m_session->SearchAgain();
    });
    m_pPermission->show();
}
