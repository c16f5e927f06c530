// The setting panels of the main window: DPI stages, report rate, lighting and the pointer
// settings, and the synchronisation between them and the current profile.
#include <algorithm>
#include <cstdio>

#include "config/program_config.h"
#include "core/messages.h"
#include "profile/apply_thread.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"
#include "ui/dpi_grid_dlg.h"
#include "ui/mivora_dlg.h"
#include "ui/mivora_dlg_children.h"
#include "ui/panels_logic.h"
#include "ui/pick_color_dlg.h"

namespace {

void SetLabelNumber(CPngBtn& label, int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", n);
    label.SetCaption(text);
    label.update();
}

}  // namespace

int TableIndex(const int* table, int count, int value) {
    for (int k = 0; k < count; ++k)
        if (table[k] == value) return k;
    return -1;
}

bool LightingVisibility(int mode, bool* bar1, bool* bar2, bool* picker) {
    // Steady: brightness and colour; breathing: brightness and colour; colour cycle: brightness
    // and speed; reactive: all; off: none.
    static constexpr bool kTable[5][3] = {{true, false, true},
                                          {true, false, true},
                                          {true, true, false},
                                          {true, true, true},
                                          {false, false, false}};
    if (mode < 0 || mode > 4) return false;
    *bar1 = kTable[mode][0];
    *bar2 = kTable[mode][1];
    *picker = kTable[mode][2];
    return true;
}

CPngSliderBar* CMivoraDlg::Bar(int ctrlId) {
    switch (ctrlId) {
        case kIdBarSpeed:
            return &m_barSpeed;
        case kIdBarDbClick:
            return &m_barDbClick;
        case kIdBarScroll:
            return &m_barScroll;
        case kIdBarLight1:
            return &m_barLight1;
        case kIdBarLight2:
            return &m_barLight2;
        default:
            return nullptr;
    }
}

CPngBtn* CMivoraDlg::ValueLabel(int ctrlId) {
    switch (ctrlId) {
        case kIdBarSpeed:
            return &m_lblSpeed;
        case kIdBarDbClick:
            return &m_lblDbClick;
        case kIdBarScroll:
            return &m_lblScroll;
        default:
            return nullptr;
    }
}

void CMivoraDlg::UpdateControlsFromProfile() {
    ReadDesktopPointerOnce();
    auto snap = g_ProfileList.Snapshot();
    if (!snap) return;
    const ProfileRecord& p = *snap;
    const DeviceModel* model = pSensorCfg.load();
    // The stages the mouse cycles through: one it skips cannot be made current here.
    const int stages = model ? StagesInUse(p, *model) : 0;

    RefreshKeyButtons(p.KeySetIndex());
    for (int i = 0; i < 8 && m_pDpiGrid[i]; ++i) {
        m_pDpiGrid[i]->setVisible(i < stages);
        SetDpiGrid(m_pDpiGrid[i], p.stages[i].xDpi, p.stages[i].color);
    }
    SelectDpiStage(g_nCurDpiLevel.load());
    if (m_pPickColor) m_pPickColor->SetColor(p.lightColor);

    m_barSpeed.SetValue(p.pointer.speed);
    m_barDbClick.SetValue(p.pointer.doubleClickMs);
    m_swEnhance.SetChecked(p.pointer.precision == 0);
    if (p.pointer.scrollLines == -1) {
        m_barScroll.SetValue(3);
        m_swPageScroll.SetChecked(true);
    } else {
        m_barScroll.SetValue(p.pointer.scrollLines);
        m_swPageScroll.SetChecked(false);
    }
    const int ks = TableIndex(kSpeedTable, 11, p.pointer.speed);
    if (ks >= 0) SetLabelNumber(m_lblSpeed, ks + 1);
    const int kd = TableIndex(kDbClickTable, 11, p.pointer.doubleClickMs);
    if (kd >= 0) SetLabelNumber(m_lblDbClick, kd + 1);
    SetLabelNumber(m_lblScroll, p.pointer.scrollLines);

    const bool bt = m_link->IsConnected() && m_link->m_bBluetooth.load() != 0;
    SelectReportRate(static_cast<int>(bt ? p.rateBt : p.rate24));
    SelectLightingMode(static_cast<int>(p.lightMode));
    if (!model || model->DevTy != 3) {
        m_btnBt.hide();
        m_btn24g.hide();
    }
    update();
}

void CMivoraDlg::UpdateProfileFromControls() {
    const bool bt = m_link->IsConnected() && m_link->m_bBluetooth.load() != 0;
    g_ProfileList.Edit([&](ProfileRecord& p) {
        for (int i = 0; i < 8 && m_pDpiGrid[i]; ++i) {
            p.stages[i].xDpi = DpiGridValue(m_pDpiGrid[i]);
            p.stages[i].yDpi = DpiGridValue(m_pDpiGrid[i]);
            p.stages[i].color = DpiGridColour(m_pDpiGrid[i]);
        }
        p.pointer.precision = m_swEnhance.IsChecked() ? 0 : 1;
        p.pointer.speed = m_barSpeed.GetValue();
        p.pointer.doubleClickMs = m_barDbClick.GetValue();
        p.pointer.scrollLines = m_swPageScroll.IsChecked() ? -1 : m_barScroll.GetValue();
        for (const CPngBtn& b : m_btnRate) {
            if (!b.IsChecked()) continue;
            (bt ? p.rateBt : p.rate24) = static_cast<uint32_t>(b.m_nItem);
            break;
        }
        for (int i = 0; i < 5; ++i) {
            if (!m_btnLight[i].IsChecked()) continue;
            p.lightMode = static_cast<uint32_t>(i);
            break;
        }
        // Bar 1 is captioned brightness, bar 2 speed.
        p.lightBrightness = static_cast<uint32_t>(m_barLight1.GetValue());
        p.lightSpeed = static_cast<uint32_t>(m_barLight2.GetValue());
    });
}

void CMivoraDlg::SelectDpiStage(int stage) {
    if (stage < 0 || stage > 7) return;
    for (CDpiGridDlg* g : m_pDpiGrid)
        if (g) MarkDpiGrid(g, false);
    if (m_pDpiGrid[stage]) MarkDpiGrid(m_pDpiGrid[stage], true);
}

void CMivoraDlg::SelectReportRate(int code) {
    for (CPngBtn& b : m_btnRate) b.SetChecked(false);
    for (int i = 0; i < kRateButtons; ++i)
        if (kRateCodes[i] == code) m_btnRate[i].SetChecked(true);
}

void CMivoraDlg::UpdateLightingVisibility(int mode) {
    bool bar1 = false, bar2 = false, picker = false;
    if (!LightingVisibility(mode, &bar1, &bar2, &picker)) return;
    // A bar that does not act goes with its caption (painted only beside a visible bar).
    const DeviceModel* model = pSensorCfg.load();
    const bool led = model && model->ShowLED != 0;
    m_barLight1.SetHidden(!bar1);
    m_barLight2.SetHidden(!bar2);
    m_barLight1.setVisible(led && bar1);
    m_barLight2.setVisible(led && bar2);
    if (m_pPickColor) m_pPickColor->setVisible(picker);
}

void CMivoraDlg::SelectLightingMode(int mode) {
    const DeviceModel* model = pSensorCfg.load();
    if (!model || model->ShowLED == 0 || mode < 0 || mode > 4) return;
    auto snap = g_ProfileList.Snapshot();
    if (!snap) return;
    for (CPngBtn& b : m_btnLight) b.SetChecked(false);
    m_btnLight[mode].SetChecked(true);
    UpdateLightingVisibility(mode);
    update(m_rcLightCaption);
    m_barLight1.SetValue(static_cast<int>(snap->lightBrightness));
    m_barLight2.SetValue(static_cast<int>(snap->lightSpeed));
}

void CMivoraDlg::ApplyIfNow(int flag, int value) {
    // Without a mouse (the macro editor changed keys) the change stays in the profile.
    if (!m_link->IsConnected() && g_Config.GoWithNoDev == 0) return;
    if (g_Config.ApplyNow == 0) return;
    if (flag == 0x04) return m_dpiApply.Request(flag, value);
    m_dpiApply.Flush();  // the writes keep the order of the changes
    PostApply(flag, value);
}

void CMivoraDlg::ShowRefusedValuesFromProfile() {
    // The grids and the picker change what they show before asking; a refusal takes it back
    // so that a later accepted change does not store it silently.
    auto snap = g_ProfileList.Snapshot();
    if (!snap) return;
    for (int i = 0; i < 8 && m_pDpiGrid[i]; ++i)
        SetDpiGrid(m_pDpiGrid[i], snap->stages[i].xDpi, snap->stages[i].color);
    if (m_pPickColor) m_pPickColor->SetColor(snap->lightColor);
}

void CMivoraDlg::OnDpiGridMessage(int action, int stage) {
    if (!Gate()) return ShowRefusedValuesFromProfile();
    switch (action) {
        case 1:
            if (stage < 0 || stage > 7) return;
            SelectDpiStage(stage);
            g_nCurDpiLevel = stage;
            UpdateProfileFromControls();
            ApplyIfNow(0x10, 0);
            break;
        case 2:
            UpdateProfileFromControls();
            ApplyIfNow(0x04, stage);
            break;
        case 3:
            UpdateProfileFromControls();
            ApplyIfNow(0x40, stage);
            break;
        default:
            break;
    }
}

void CMivoraDlg::OnColourMessage(uint32_t colour) {
    if (!Gate()) return ShowRefusedValuesFromProfile();
    g_ProfileList.Edit([&](ProfileRecord& p) { p.lightColor = colour; });
    ApplyIfNow(0x02, 0);
}

void CMivoraDlg::OnRateClicked(int index) {
    if (index < 0 || index >= kRateButtons || !Gate()) return;
    SelectReportRate(kRateCodes[index]);
    UpdateProfileFromControls();
    ApplyIfNow(0x20, 0);
}

void CMivoraDlg::OnLightModeClicked(int index) {
    if (index < 0 || index > 4 || !Gate()) return;
    SelectLightingMode(index);
    g_ProfileList.Edit([&](ProfileRecord& p) { p.lightMode = static_cast<uint32_t>(index); });
    UpdateProfileFromControls();
    ApplyIfNow(0x02, 0);
}

void CMivoraDlg::OnEnhanceClicked() {
    if (!Gate()) return;
    m_swEnhance.SetChecked(!m_swEnhance.IsChecked());
    UpdateProfileFromControls();
    ApplyIfNow(0x08, 0);
}

intptr_t CMivoraDlg::OnSliderQuery() {
    return m_session->IsMouseOnline(true);
}

void CMivoraDlg::OnSliderChanging(int value, int id) {
    if (id == kIdBarSpeed || id == kIdBarDbClick) {
        const int* table = id == kIdBarSpeed ? kSpeedTable : kDbClickTable;
        const int k = TableIndex(table, 11, value);
        if (k >= 0) SetLabelNumber(*ValueLabel(id), k + 1);
    } else if (id == kIdBarScroll) {
        SetLabelNumber(m_lblScroll, value);
    }
}

void CMivoraDlg::OnSliderChanged(int value, int id) {
    OnSliderChanging(value, id);
    if (id == kIdBarScroll) m_swPageScroll.SetChecked(false);
    UpdateProfileFromControls();
    ApplyIfNow(id == kIdBarLight1 || id == kIdBarLight2 ? 0x02 : 0x08, 0);
}
