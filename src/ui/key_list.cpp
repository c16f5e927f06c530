// The key list of the main window and the key function menu.
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QScreen>
#include <QTimer>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/log.h"
#include "core/notifier.h"
#include "macro/key_names.h"
#include "macro/macro_library.h"
#include "profile/apply_thread.h"
#include "profile/function_codes.h"
#include "profile/key_assign.h"
#include "profile/key_set_switch.h"
#include "profile/profile_list.h"
#include "skin/factories.h"
#include "skin/image.h"
#include "skin/skin_settings.h"
#include "ui/menu_dlg.h"
#include "ui/mivora_dlg.h"
#include "ui/mivora_dlg_children.h"
#include "ui/pick_macro_dlg.h"

std::vector<FunctionMenuItem> BuildFunctionMenuItems(const DeviceModel* model) {
    const UiTextTable& t = g_UiText;
    std::vector<FunctionMenuItem> items;
    auto add = [&](int parent, uint32_t code, const std::string& text) {
        items.push_back({parent, code, text});
        return static_cast<int>(items.size()) - 1;
    };
    add(255, kFunLeft, t.tc_click);
    add(255, kFunRight, t.tc_menu);
    add(255, kFunMiddle, t.tc_middle);
    add(255, kFunForward, t.tc_forward);
    add(255, kFunBack, t.tc_back);
    if (model && model->ShowLED != 0) add(255, kFunLightSwitch, t.tc_rgbsw);
    add(255, kFunFire, t.tc_fire);
    add(255, kFunComboMod, t.tc_combokey);
    add(255, kFunOff, t.tc_key_off);
    add(255, kFunMacro, t.tc_mac_def);
    const int dpi = add(255, kFunDpiTitle, t.tc_dpi);
    const int media = add(255, kFunMediaTitle, t.tc_media);
    add(media, 0x04000021, t.tc_kbmedia_msel);
    add(media, 0x04000022, t.tc_PL);
    add(media, 0x04000025, t.tc_next_media);
    add(media, 0x04000024, t.tc_pre_media);
    add(media, 0x04000023, t.tc_stop);
    add(media, 0x04000028, t.tc_mute);
    add(media, 0x04000026, t.tc_vol_up);
    add(media, 0x04000027, t.tc_vol_dw);
    add(media, 0x04000030, t.tc_kbmedia_mail);
    add(media, 0x04000031, t.tc_kbmedia_cal);
    add(media, 0x04000032, t.tc_kbmedia_explore);
    add(media, 0x04000034, t.tc_kbmedia_main);
    add(media, 0x04000033, t.tc_kbmedia_search);
    add(media, 0x04000036, t.tc_kbmedia_forward.empty() ? t.tc_forward : t.tc_kbmedia_forward);
    add(media, 0x04000035, t.tc_kbmedia_back.empty() ? t.tc_back : t.tc_kbmedia_back);
    if (!t.tc_kbmedia_stop.empty()) add(media, 0x04000037, t.tc_kbmedia_stop);
    add(media, 0x04000038, t.tc_kbmedia_refresh);
    add(media, 0x04000039, t.tc_kbmedia_favor);
    add(dpi, kFunDpiUp, t.tc_dpiadd);
    add(dpi, kFunDpiDown, t.tc_dpisub);
    add(dpi, kFunDpiCycle, t.tc_dpiloop);
    return items;
}

bool IsMenuFunction(uint32_t menuCode, uint32_t funId) {
    if (funId == 0) return false;
    // One row stands for every combination and every macro; the others are exact codes.
    const uint32_t cls = FunClass(menuCode);
    if (cls == FunClass(kFunComboMod) || cls == FunClass(kFunMacro)) return FunClass(funId) == cls;
    return menuCode == funId;
}

uint32_t CMivoraDlg::CurrentKeyFunction(int keyIndex) const {
    auto snap = g_ProfileList.Snapshot();
    if (!snap || keyIndex < 0 || keyIndex >= kKeysPerSet) return 0;
    return snap->keys[snap->KeySetIndex()][keyIndex].dwFunID;
}

int CMivoraDlg::RefreshKeyButtons(int set) {
    if (!g_ProfileList.HasCurrent()) return 0;
    if (set < 0 || set >= kKeySets) set = 0;
    const DeviceModel* model = pSensorCfg.load();
    const int keyCount = model ? model->KeyCount : 0;
    for (int i = 0; i < 16; ++i) {
        CPngBtn& b = m_btnKey[i];
        if (i >= keyCount) {
            b.hide();
            continue;
        }
        KeyEntry e{};
        g_ProfileList.Edit([&](ProfileRecord& p) { e = p.keys[set][i]; });
        std::string name = KeyFunctionLabel(e);
        if (name.empty()) {
            // A function without a name cannot be shown or chosen again: back to the default.
            e = g_DefaultKeys[set][i];
            g_ProfileList.Edit([&](ProfileRecord& p) { p.keys[set][i] = e; });
            name = KeyFunctionLabel(e);
        }
        b.SetCaption(name, 1);
        if (g_Config.BtnTips) b.SetToolTip(name);
        b.show();
        b.update();
    }
    MarkKeySet(set);
    RepaintKeyNumbers();
    return 1;
}

namespace {
constexpr int kKeySetButtonW = 30;
constexpr int kKeySetButtonH = 20;
constexpr int kKeySetGap = 4;
// The caption starts above the key numbers, which sit this far left of the keys.
constexpr int kKeyNumberColumn = 22;
constexpr int kCaptionGap = 6;

std::string KeySetCaptionText() {
    return g_UiText.tc_keyset_caption.empty() ? std::string("Key set") : g_UiText.tc_keyset_caption;
}
}  // namespace

void CMivoraDlg::CreateKeySetButtons() {
    const int tips = g_Config.BtnTips;
    for (int s = 0; s < kKeySets; ++s) {
        const std::string caption = std::to_string(s + 1);
        CPngBtn& b = m_btnKeySet[s];
        NewSmallPngButton(&m_imgBg, this, "dpi_nr.png", "dpi_nr.png", "dpi_ov.png", &b, 1, tips,
                          caption.c_str(), 0, 0, kKeySetButtonW, kKeySetButtonH);
        b.m_nItem = s;
        b.m_role = CPngBtn::Role::Radio;
        b.setFocusPolicy(Qt::StrongFocus);
        connect(&b, &QAbstractButton::clicked, this, [this, s] { OnKeySetClicked(s); });
    }
    // Three digits alone do not say what they switch: a caption before them, which a screen
    // reader takes as their label. Never in the Tab order.
    m_pKeySetCaption = new QLabel(this);
    m_pKeySetCaption->setObjectName("KeySetCaption");
    m_pKeySetCaption->setFocusPolicy(Qt::NoFocus);
    m_pKeySetCaption->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_pKeySetCaption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pKeySetCaption->setBuddy(&m_btnKeySet[0]);
    PlaceKeySetButtons();
    MarkKeySet(0);
}

void CMivoraDlg::PlaceKeySetButtons() {
    // A row just above the first key: the caption over the key numbers, then the sets.
    const QRect first = m_btnKey[0].geometry();
    const int y = std::max(0, first.y() - kKeySetButtonH - 3);
    int x = first.x();
    if (m_pKeySetCaption) {
        const QString text = QString::fromStdString(KeySetCaptionText());
        const QFont font = SkinAppFont() ? *SkinAppFont() : ShellDlgFont(16);
        if (m_pKeySetCaption->font() != font) m_pKeySetCaption->setFont(font);
        QPalette palette = m_pKeySetCaption->palette();
        palette.setColor(QPalette::WindowText, ColorFromRef(g_Config.Txt_clr));
        m_pKeySetCaption->setPalette(palette);
        if (m_pKeySetCaption->text() != text) m_pKeySetCaption->setText(text);
        // Whole: a pixel more than the text, so rounding at a scaled screen cuts nothing.
        const int w = QFontMetrics(font).horizontalAdvance(text) + 2;
        const int left = std::max(0, first.x() - kKeyNumberColumn);
        m_pKeySetCaption->setGeometry(left, y, w, kKeySetButtonH);
        x = std::max(first.x(), left + w + kCaptionGap);
    }
    for (int s = 0; s < kKeySets; ++s) {
        const QRect r(x + s * (kKeySetButtonW + kKeySetGap), y, kKeySetButtonW, kKeySetButtonH);
        PlaceButton(&m_btnKeySet[s], r);
    }
}

void CMivoraDlg::MarkKeySet(int set) {
    m_nShownKeySet = set;
    for (int s = 0; s < kKeySets; ++s) {
        CPngBtn& b = m_btnKeySet[s];
        b.SetChecked(s == set);
        std::string name = g_UiText.tc_acc_keyset;
        const size_t at = name.find("%d");
        if (at != std::string::npos) name.replace(at, 2, std::to_string(s + 1));
        if (name.empty()) name = "Key set " + std::to_string(s + 1);
        const QString qname = QString::fromStdString(name);
        if (b.accessibleName() != qname) b.setAccessibleName(qname);
        if (g_Config.BtnTips) b.SetToolTip(name);
    }
}

void CMivoraDlg::OnKeySetClicked(int set) {
    ClosePopupMenu();
    if (set < 0 || set >= kKeySets) return;
    if (!Gate()) {
        MarkKeySet(m_nShownKeySet);
        return;
    }
    auto snap = g_ProfileList.Snapshot();
    if (!snap || snap->profileId == 0) return;
    if (!SwitchKeySet(set)) return;
    RefreshKeyButtons(set);
    WatchKeySetSwitch();
}

void CMivoraDlg::WatchKeySetSwitch() {
    if (!m_pKeySetWatch) {
        m_pKeySetWatch = new QTimer(this);
        m_pKeySetWatch->setInterval(50);
        connect(m_pKeySetWatch, &QTimer::timeout, this, [this] {
            if (!g_ApplyThread.WaitIdle(0)) return;
            m_pKeySetWatch->stop();
            const int held = CurrentKeySet();
            if (held != m_nShownKeySet) RefreshKeyButtons(held);
        });
    }
    m_pKeySetWatch->start();
}

void CMivoraDlg::RepaintKeyNumbers() {
    update(m_rcKeyNumbers);
}

void CMivoraDlg::ShowFunctionMenu(QPoint topLeft, int keyIndex, int width) {
    const std::vector<FunctionMenuItem> items = BuildFunctionMenuItems(pSensorCfg.load());
    std::vector<MenuItem> list(items.size());
    const uint32_t current = CurrentKeyFunction(keyIndex);
    for (size_t i = 0; i < items.size(); ++i) {
        SetMenuItem(list.data(), static_cast<int>(i), items[i].parent,
                    static_cast<int>(items[i].code), items[i].text);
        list[i].marked = IsMenuFunction(items[i].code, current);
    }
    ShowPopupMenu(this, static_cast<int>(list.size()), width, &topLeft, g_Config.Menu_txt_clr_nr,
                  g_Config.Menu_txt_clr_ov, keyIndex, list.data());
}

void CMivoraDlg::OnKeyButtonClicked(int keyIndex) {
    const DeviceModel* model = pSensorCfg.load();
    if (!model || keyIndex < 0 || keyIndex >= model->KeyCount) return;
    CPngBtn& b = m_btnKey[keyIndex];
    const QRect rect(b.mapToGlobal(QPoint(0, 0)), b.size());
    QScreen* screen = QGuiApplication::primaryScreen();
    const int screenH = screen ? screen->availableGeometry().height() : 768;
    const int menuItems = g_Config.MenuItems != 0 ? g_Config.MenuItems : 13;
    int width = 0;
    const QPoint at = FunctionMenuPoint(rect, g_Config.MenuW, menuItems, screenH, &width);
    ShowFunctionMenu(at, keyIndex, width);
}

void CMivoraDlg::OnFunctionPicked(uint32_t code, int keyIndex) {
    ClosePopupMenu();
    if (!Gate()) return;
    auto snap = g_ProfileList.Snapshot();
    if (!snap || snap->profileId == 0 || keyIndex < 0 || keyIndex >= kKeysPerSet) return;
    const KeyEntry e = snap->keys[snap->KeySetIndex()][keyIndex];
    KeyEntry n{};
    if (FunClass(code) == FunClass(kFunMacro)) {
        if (MacroCount() == 0) {
            if (AskQuestionText(this, g_UiText.tc_msg9) && !m_bExiting) OnMacroEditor();
            return;
        }
        CPickMacroDlg picker(this);
        const bool confirmed = picker.DoModal() == IDOK;
        if (!confirmed || m_bExiting) return;
        const int m = picker.m_nResult;
        if (m == CPickMacroDlg::kOpenEditor) {
            OnMacroEditor();
            return;
        }
        if (m == 0) return;
        int count = FunClass(e.dwFunID) == FunClass(kFunMacro) ? (e.dwParameter & 0xFF) : 1;
        if (!EditFireKey(this, 255, e, &count) || m_bExiting) return;
        n.dwFunID = kFunMacro;
        n.dwMacroID = static_cast<uint32_t>(m);
        n.dwParameter = static_cast<uint32_t>(count);
    } else if (FunClass(code) == FunClass(kFunComboMod)) {
        uint32_t v = 0;
        if (!CaptureCombo(this, g_UiText.tc_combo_tips, g_Config.ComboRec, &v) || m_bExiting)
            return;
        if (v == 0) return;
        n.dwFunID = (v & 0xFF) != 0 ? kFunComboMod : kFunCombo;
        for (int i = 0; i < 4; ++i) n.stCombo[i] = static_cast<uint8_t>(v >> (8 * i));
    } else if (code == kFunFire) {
        int count = (e.dwFunID & 0xFFFFFF) == 0xA4 ? (e.dwParameter & 0xFF) : 3;
        if (!EditFireKey(this, 3, e, &count) || m_bExiting) return;
        n.dwFunID = kFunFire;
        n.dwParameter = static_cast<uint32_t>(count & 0xFF);
        n.dwFireButton = 0xF0;
    } else {
        n.dwFunID = code;
    }
    StoreKeyEntry(keyIndex, n);
}

void CMivoraDlg::StoreKeyEntry(int keyIndex, const KeyEntry& entry) {
    // The rules refuse the last left button with tc_msg1 and queue the apply when ApplyNow is
    // set; the stored entry carries the matrix position they filled in.
    if (AssignKeyFunction(keyIndex, entry) != 1) return;
    RefreshKeyButtons(g_ProfileList.Snapshot() ? g_ProfileList.Snapshot()->KeySetIndex() : 0);
}

bool CMivoraDlg::SyncMacroKeys() {
    bool changed = false;
    g_ProfileList.Edit([&](ProfileRecord& p) {
        for (int s = 0; s < kKeySets; ++s) {
            for (int i = 0; i < kKeysPerSet; ++i) {
                KeyEntry& e = p.keys[s][i];
                if (FunClass(e.dwFunID) != FunClass(kFunMacro)) continue;
                StMacro m;
                if (CopyMacroById(e.dwMacroID, m)) continue;
                e = g_DefaultKeys[s][i];
                changed = true;
            }
        }
    });
    if (changed) UpdateControlsFromProfile();
    return changed;
}

void CMivoraDlg::OnMacrosChanged() {
    auto snap = g_ProfileList.Snapshot();
    if (!snap) return;
    RefreshKeyButtons(snap->KeySetIndex());
    // Without a mouse the change is kept in the stored profile.
    if (g_Config.ApplyNow != 0 && m_link->IsConnected()) PostApply(0x01, 255);
}
