// The main window's side of the device session: its handlers and what it shows for the link.
#include <QGraphicsOpacityEffect>

#include <cstdio>

#include "config/device_model.h"
#include "config/program_config.h"
#include "config/ui_text.h"
#include "device/session_state.h"
#include "profile/focus_watch.h"
#include "profile/profile_list.h"
#include "ui/dpi_grid_dlg.h"
#include "ui/mivora_dlg.h"
#include "ui/mivora_dlg_children.h"
#include "ui/msg_dlg.h"
#include "ui/osd_popup.h"
#include "ui/pick_color_dlg.h"

bool CMivoraDlg::Gate() {
    return m_session->IsMouseOnline(true) == 1;
}

void CMivoraDlg::OnFindDeviceOKMsg(int count) {
    // The session re-lays out through RefreshLayout and starts the profile read.
    m_session->OnFindDeviceOK(count);
    UpdateIndicators();
    RefreshRateCaptions();
    RefreshLinkState();
    update();
}

void CMivoraDlg::OnDeviceBehaviorMsg(uintptr_t wParam, intptr_t lParam) {
    m_session->OnDeviceBehavior(wParam, lParam);
}

void CMivoraDlg::ShowMessage(const std::string& textKey) {
    RunOnUiThread([this, textKey] { ::ShowMessage(textKey, this); });
}

void CMivoraDlg::ShowPermissionHelp() {
    RunOnUiThread([this] {
        RefreshLinkState();
        ShowPermissionDialog();
    });
}

void CMivoraDlg::ClearConnectionIndicators() {
    RunOnUiThread([this] {
        m_btnBt.SetChecked(false);
        m_btn24g.SetChecked(false);
        RefreshLinkState();
    });
}

void CMivoraDlg::ClearBluetoothIndicator() {
    RunOnUiThread([this] { m_btnBt.SetChecked(false); });
}

void CMivoraDlg::ShowProfile() {
    // From the reader thread: the window shows the profile on its own thread.
    RunOnUiThread([this] {
        UpdateControlsFromProfile();
        UpdateIndicators();
        RefreshLinkState();
        // The mouse was read: a window that came to the front before (the focus source reports
        // one at its start) or while it was away gets its set now.
        if (m_focusWatch) m_focusWatch->Switcher().MouseReady();
    });
}

void CMivoraDlg::MarkDpiStage(int stage) {
    RunOnUiThread([this, stage] { SelectDpiStage(stage); });
}

bool CMivoraDlg::HasDpiPopup() {
    return m_osd->Way() != OsdWay::None;
}

void CMivoraDlg::ShowDpiPopup(const std::string& stage, const std::string& x,
                              const std::string& y) {
    RunOnUiThread([this, stage, x, y] { m_osd->ShowStage(stage, x, y); });
}

COsdPopup* CMivoraDlg::Osd() const {
    return m_osd->Popup();
}

void CMivoraDlg::ShowLightingMode() {
    RunOnUiThread([this] {
        auto snap = g_ProfileList.Snapshot();
        if (snap) SelectLightingMode(static_cast<int>(snap->lightMode));
    });
}
