// The main window's side of the device session: its handlers and what it shows for the link.
#include <QGraphicsOpacityEffect>

#include <cstdio>

#include "config/device_model.h"
#include "config/program_config.h"
#include "config/ui_text.h"
#include "device/permission_hint.h"
#include "device/session_state.h"
#include "profile/profile_list.h"
#include "ui/dpi_grid_dlg.h"
#include "ui/mivora_dlg.h"
#include "ui/mivora_dlg_children.h"
#include "ui/msg_dlg.h"
#include "ui/pick_color_dlg.h"

bool CMivoraDlg::Gate() {
    return m_session->IsMouseOnline(true) == 1;
}

void CMivoraDlg::OnFindDeviceOKMsg(int count) {
    // The session re-lays out through RefreshLayout and starts the profile read.
    m_session->OnFindDeviceOK(count);
    UpdateIndicators();
    RefreshRateCaptions();
    update();
}

void CMivoraDlg::OnDeviceBehaviorMsg(uintptr_t wParam, intptr_t lParam) {
    m_session->OnDeviceBehavior(wParam, lParam);
}

void CMivoraDlg::ShowMessage(const std::string& textKey) {
    RunOnUiThread([this, textKey] { ::ShowMessage(textKey, this); });
}

void CMivoraDlg::ShowPermissionHelp() {
    const std::string text = g_UiText.tc_msg_perm + "\n\n" + UdevRuleCommands("\n");
    RunOnUiThread([this, text] { ::ShowMessageText(text, this); });
}

void CMivoraDlg::ClearConnectionIndicators() {
    RunOnUiThread([this] {
        m_btnBt.SetChecked(false);
        m_btn24g.SetChecked(false);
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
    });
}

void CMivoraDlg::MarkDpiStage(int stage) {
    RunOnUiThread([this, stage] { SelectDpiStage(stage); });
}

void CMivoraDlg::ShowLightingMode() {
    RunOnUiThread([this] {
        auto snap = g_ProfileList.Snapshot();
        if (snap) SelectLightingMode(static_cast<int>(snap->lightMode));
    });
}

namespace {

// A resting control is dimmed, as the toolkit's own disabled widgets are.
void SetResting(QWidget* w, bool enabled) {
    w->setEnabled(enabled);
    if (enabled) {
        w->setGraphicsEffect(nullptr);
    } else if (!w->graphicsEffect()) {
        auto* dim = new QGraphicsOpacityEffect(w);
        dim->setOpacity(0.4);
        w->setGraphicsEffect(dim);
    }
}

}  // namespace

void CMivoraDlg::ShowLinkState(LinkState state) {
    RunOnUiThread([this, state] {
        m_linkState = state;
        const bool enabled = DeviceControlsEnabled();
        // What needs no mouse stays usable: the macro library, export of the stored profile,
        // language, About and the window buttons.
        QWidget* device[] = {&m_barSpeed,   &m_barScroll, &m_barDbClick,   &m_barLight1,
                             &m_barLight2,  &m_swEnhance, &m_swPageScroll, &m_btnImport,
                             &m_btnRestore, &m_lblSpeed,  &m_lblScroll,    &m_lblDbClick};
        for (QWidget* w : device) SetResting(w, enabled);
        for (auto& b : m_btnKey) SetResting(&b, enabled);
        for (auto& b : m_btnRate) SetResting(&b, enabled);
        for (auto& b : m_btnLight) SetResting(&b, enabled);
        for (CDpiGridDlg* g : m_pDpiGrid)
            if (g) SetResting(g, enabled);
        if (m_pPickColor) SetResting(m_pPickColor, enabled);
        // Woken pointer settings stay inert where the desktop does not take them.
        if (enabled) ShowDesktopPointerState(m_pointerState);
        UpdateIndicators();
        AnnounceStatus();
        update();
    });
}

bool CMivoraDlg::DeviceControlsEnabled() const {
    // Without a mouse the controls show a stored profile the mouse may not hold; GoWithNoDev
    // is the configured wish to edit it anyway.
    return m_linkState == LinkState::Connected || m_linkState == LinkState::Reading ||
           g_Config.GoWithNoDev != 0;
}

std::string CMivoraDlg::StatusText() const {
    switch (m_linkState) {
        case LinkState::Searching:
            return g_UiText.tc_state_search;
        case LinkState::NoMouse:
            return g_UiText.tc_state_nomouse;
        case LinkState::NoPermission:
            return g_UiText.tc_state_noperm;
        case LinkState::Reading:
            return g_UiText.tc_state_reading;
        case LinkState::Connected:
            break;
    }
    const bool bt = m_link && m_link->m_bBluetooth.load() != 0;
    return bt ? g_UiText.tc_state_bt : g_UiText.tc_state_receiver;
}

std::string StoredExportNotice() {
    const DeviceModel* model = pSensorCfg.load();
    char name[32] = "?";
    if (model) std::snprintf(name, sizeof name, "%02X%02X", model->CID & 0xFF, model->MID & 0xFF);
    std::string text = g_UiText.tc_export_stored;
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, name);
    return text;
}
