// Creating the main window's controls and laying them out for the selected model.
#include <QGuiApplication>
#include <QMetaObject>
#include <QScreen>

#include <algorithm>
#include <cstdio>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/log.h"
#include "core/notifier.h"
#include "core/paths.h"
#include "profile/profile_list.h"
#include "profile/profile_store.h"
#include "profile/report_rates.h"
#include "skin/caption_fit.h"
#include "skin/factories.h"
#include "skin/image.h"
#include "skin/skin_settings.h"
#include "ui/dpi_grid_dlg.h"
#include "ui/key_hover_link.h"
#include "ui/key_mark_dlg.h"
#include "ui/mivora_dlg.h"
#include "ui/mivora_dlg_children.h"
#include "ui/pick_color_dlg.h"

namespace {

constexpr int kSpeedStops[11] = {6, 37, 69, 101, 133, 165, 197, 229, 261, 293, 324};
constexpr int kScrollStops[10] = {6, 41, 76, 112, 147, 183, 218, 254, 289, 325};
constexpr int kLightStops[5] = {7, 66, 124, 183, 242};

// The screen's free area (without panels and docks) the window centres in.
QRect ScreenClientArea() {
    QScreen* s = QGuiApplication::primaryScreen();
    if (!s) return QRect(0, 0, 1024, 768);
    return s->availableGeometry();
}

}  // namespace

void CMivoraDlg::LoadImages() {
    m_imgSlider = LoadSkinImage("slider.png");
    m_imgBarDot = LoadSkinImage("bar_dot.png");
    m_imgIconLight = LoadSkinImage("Icon_Light.png");
    m_imgIconRate = LoadSkinImage("Icon_Rate.png");
    m_imgIconDpi = LoadSkinImage("Icon_Dpi.png");
    m_imgIconDbClick = LoadSkinImage("Icon_DbClick.png");
    m_imgIconScroll = LoadSkinImage("Icon_Scroll.png");
    m_imgIconSens = LoadSkinImage("Icon_Sens.png");
    m_imgIconEnhance = LoadSkinImage("Icon_Enhance.png");
    for (int i = 0; i < 16; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "number%01d.png", i + 1);
        m_imgNumber[i] = LoadSkinImage(name);
    }
}

void CMivoraDlg::CentreWindow() {
    const QRect area = ScreenClientArea();
    const unsigned W = static_cast<unsigned>(area.width());
    const unsigned H = static_cast<unsigned>(area.height());
    const unsigned w = static_cast<unsigned>(m_imgBg.width());
    const unsigned h = static_cast<unsigned>(m_imgBg.height());
    // Unsigned on purpose: a background larger than the screen wraps to a huge value and lands
    // at 10.
    unsigned x = (W - w) / 2;
    unsigned y = (H - h) / 2;
    if (x < 1 || x >= W) x = 10;
    if (y < 1 || y >= H) y = 10;
    setFixedSize(m_imgBg.width(), m_imgBg.height());
    // In the free area: a panel at the top or the left does not cover the window.
    move(area.x() + static_cast<int>(x), area.y() + static_cast<int>(y));
}

bool CMivoraDlg::CreateSkinControls() {
    m_imgBg = LoadSkinImage("main_nr.png");
    if (m_imgBg.width() == 0) {
        NotifyUser("Load skins failed.", "Error");
        QMetaObject::invokeMethod(
            this, [this] { close(); }, Qt::QueuedConnection);
        return false;
    }
    LoadImages();
    if (g_Config.ClrMask != 0) ShapeWindowFromImage(this, m_imgBg, g_Config.ClrMask, 10);
    CentreWindow();

    CreateKeyButtons();
    CreateKeySetButtons();
    CreateRulesButton();
    CreateWindowButtons();
    CreatePanelControls();
    CreateBottomButtons();

    if (g_Config.rcHomePageBtn.Width() >= 1) {
        const CfgRect& r = g_Config.rcHomePageBtn;
        m_bHasHome = NewCutPngButton(&m_btnHome, this, m_imgBg, m_imgBg, m_imgBg, 0, nullptr,
                                     r.left, r.top, r.right, r.bottom) != 0;
        if (m_bHasHome) {
            m_btnHome.m_clrNormal = g_Config.Btn_txt_clr_nr;
            m_btnHome.m_clrHover = g_Config.Btn_txt_clr_ov;
            m_btnHome.m_clrPressed = g_Config.Btn_txt_clr_dn;
            m_btnHome.m_bLink = true;
            m_btnHome.setCursor(Qt::PointingHandCursor);
            RefreshHomeLink();
            connect(&m_btnHome, &QAbstractButton::clicked, this, [this] { OnHomePage(); });
        }
    }

    DeviceModel* model = pSensorCfg.load();
    m_pMark = CreateKeyMarkView(this, model ? QPoint(model->ptMark.x, model->ptMark.y) : QPoint());
    CreateStateControls();
    LinkKeyRowsToPicture();
    m_bControlsCreated = true;
    SetUpKeyboard();

    if (!m_cbLang.Items().empty()) SwitchLanguage(ReadLangIndex(g_szDataDir));
    return true;
}

void CMivoraDlg::CreateKeyButtons() {
    const DeviceModel* model = pSensorCfg.load();
    const int kx = g_Config.ptKey.y != 0 ? g_Config.ptKey.x : 355;
    const int ky = g_Config.ptKey.y != 0 ? g_Config.ptKey.y : 209;
    const int keyH = model ? model->KEYH : 0;
    QRect r(kx, ky, 110, 20);
    for (int i = 0; i < 16; ++i) {
        if (i > 0) {
            QRect next(r.x(), r.y() + r.height() + keyH, 110, 20);
            // A row that would leave the background takes the previous key's place.
            if (next.y() + next.height() <= m_imgBg.height()) r = next;
        }
        CPngBtn& b = m_btnKey[i];
        NewCutPngButton(&b, this, m_imgBg, m_imgBg, m_imgBg, 0, nullptr, r.x(), r.y(),
                        r.x() + r.width(), r.y() + r.height());
        b.m_clrNormal = g_Config.Btn_txt_clr_nr;
        b.m_clrHover = g_Config.Btn_txt_clr_ov;
        b.m_clrPressed = g_Config.Btn_txt_clr_dn;
        b.m_pOwnerFont = SkinAppFont();
        b.m_nItem = i;
        if (g_Config.KeyMask & (1 << i)) {
            b.m_clrNormal = b.m_clrHover = b.m_clrPressed = 0x646464;
            b.setEnabled(false);
        }
        b.hide();
        connect(&b, &QAbstractButton::clicked, this, [this, i] { OnKeyButtonClicked(i); });
    }
    const int w = m_imgNumber[15].width();
    m_rcKeyNumbers = QRect(kx - w - 8 - 22, ky - 5, w + 8 + 22, 330);
}

void CMivoraDlg::CreateWindowButtons() {
    const int mx = g_Config.ptMin.y != 0 ? g_Config.ptMin.x : 950;
    const int my = g_Config.ptMin.y != 0 ? g_Config.ptMin.y : 10;
    const int tips = g_Config.BtnTips;
    NewSmallPngButton(&m_imgBg, this, "min_nr.png", "min_ov.png", "min_ov.png", &m_btnMin, 0, 0,
                      nullptr, mx, my, mx + 29, my + 29);
    NewSmallPngButton(&m_imgBg, this, "exit_nr.png", "exit_ov.png", "exit_ov.png", &m_btnExit, 0, 0,
                      nullptr, mx + 35, my, mx + 64, my + 29);
    NewSmallPngButton(&m_imgBg, this, "about_nr.png", "about_ov.png", "about_ov.png", &m_btnAbout,
                      0, 0, nullptr, mx - 35, my, mx - 6, my + 29);
    NewSmallPngButton(&m_imgBg, this, "combo_nr.png", "combo_nr.png", "combo_nr.png", &m_cbLang, 0,
                      tips, nullptr, mx - 155, my, mx - 45, my + 29);
    connect(&m_btnMin, &QAbstractButton::clicked, this, [this] { OnMinimise(); });
    connect(&m_btnExit, &QAbstractButton::clicked, this, [this] { OnExitButton(); });
    connect(&m_btnAbout, &QAbstractButton::clicked, this, [this] { OnAbout(); });

    for (int k = 0; k < g_Config.LangCount && k < kMaxLanguages; ++k) {
        if (g_Config.Lang[k].name.empty()) break;
        m_cbLang.AddItem(k, g_Config.Lang[k].name);
    }
    if (!m_cbLang.Items().empty()) {
        const int cur = ReadLangIndex(g_szDataDir);
        for (size_t i = 0; i < m_cbLang.Items().size(); ++i)
            if (m_cbLang.Items()[i].value == cur) m_cbLang.SelectIndex(static_cast<int>(i));
    } else {
        m_cbLang.hide();
    }
    connect(&m_cbLang, &CComboBtn::selectionPicked, this, [this](int index) {
        if (index >= 0 && index < static_cast<int>(m_cbLang.Items().size()))
            SwitchLanguage(m_cbLang.Items()[index].value);
    });

    NewSmallPngButton(&m_imgBg, this, "flag_bt_nr.png", "flag_bt_nr.png", "flag_bt_dn.png",
                      &m_btnBt, 1, 0, nullptr, mx - 211, my, mx - 180, my + 31);
    NewSmallPngButton(&m_imgBg, this, "flag_24g_nr.png", "flag_24g_nr.png", "flag_24g_dn.png",
                      &m_btn24g, 1, 0, nullptr, mx - 261, my, mx - 226, my + 26);
    // Lamps, not buttons.
    m_btnBt.setAttribute(Qt::WA_TransparentForMouseEvents);
    m_btn24g.setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CMivoraDlg::CreatePanelControls() {
    const DeviceModel* model = pSensorCfg.load();
    m_rects = ComputePanelRects(model);
    const PanelRects& r = m_rects;
    const QPoint barOffset(0, g_Config.BarY);
    const int tips = g_Config.BtnTips;

    struct BarSpec {
        CPngSliderBar* bar;
        int id;
        QRect rect;
        int minimum, maximum;
        const int* stops;
        int nStops;
        const int* table;
        int initial;
    };
    const BarSpec pointerBars[] = {
        {&m_barSpeed, kIdBarSpeed, r.moveSpeed, 1, 11, kSpeedStops, 11, kSpeedTable, 2},
        {&m_barScroll, kIdBarScroll, r.scrollSpeed, 1, 10, kScrollStops, 10, nullptr, 3},
        {&m_barDbClick, kIdBarDbClick, r.dbClickSpeed, 1, 11, kSpeedStops, 11, kDbClickTable, 900},
    };
    for (const BarSpec& s : pointerBars) {
        s.bar->setParent(this);
        s.bar->SetOwner(this);
        s.bar->Thumb()->m_nThumbTop = g_Config.SliderY;
        NewSmallPngSliderBar(&m_imgBg, s.bar, this, &m_imgSlider, s.minimum, s.maximum, s.id,
                             "bar_nr.png", "bar_ov.png", &barOffset, s.rect, s.rect);
        s.bar->SetScalePos(s.stops, s.nStops);
        if (s.table) s.bar->SetValueTable(s.table, s.nStops);
        s.bar->SetValue(s.initial);
    }
    CPngBtn* labels[3] = {&m_lblSpeed, &m_lblScroll, &m_lblDbClick};
    const QRect labelRects[3] = {r.moveLabel, r.scrollLabel, r.dbClickLabel};
    for (int i = 0; i < 3; ++i) {
        NewSmallPngButton(&m_imgBg, this, "label_nr.png", "label_nr.png", "label_nr.png", labels[i],
                          0, 0, "", labelRects[i].x(), labelRects[i].y(),
                          labelRects[i].x() + labelRects[i].width(),
                          labelRects[i].y() + labelRects[i].height());
        labels[i]->m_clrNormal = labels[i]->m_clrHover = labels[i]->m_clrPressed = g_Config.Txt_clr;
        labels[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    NewSmallPngButton(&m_imgBg, this, "sw_nr.png", "sw_nr.png", "sw_dn.png", &m_swEnhance, 1, 0,
                      nullptr, r.enhance.x(), r.enhance.y(), r.enhance.x() + r.enhance.width(),
                      r.enhance.y() + r.enhance.height());
    m_swEnhance.SetWords(g_UiText.tc_msg25, g_UiText.tc_msg26);
    connect(&m_swEnhance, &QAbstractButton::clicked, this, [this] { OnEnhanceClicked(); });
    const int psx = r.scrollSpeed.x();
    const int psy = r.scrollSpeed.y() + r.scrollSpeed.height() + 2;
    NewSmallPngButton(&m_imgBg, this, "sw_nr.png", "sw_nr.png", "sw_dn.png", &m_swPageScroll, 1, 0,
                      nullptr, psx, psy, psx + 68, psy + 15);
    m_swPageScroll.resize(68, 15);
    m_swPageScroll.hide();

    for (int i = 0; i < kRateButtons; ++i) {
        const QRect& rr = r.rate[i];
        NewSmallPngButton(&m_imgBg, this, "dpi_nr.png", "dpi_nr.png", "dpi_ov.png", &m_btnRate[i],
                          1, tips, "", rr.x(), rr.y(), rr.x() + rr.width(), rr.y() + rr.height());
        m_btnRate[i].m_nItem = kRateCodes[i];
        connect(&m_btnRate[i], &QAbstractButton::clicked, this, [this, i] { OnRateClicked(i); });
    }
    for (int i = 0; i < 5; ++i) {
        const QRect& lr = r.light[i];
        NewSmallPngButton(&m_imgBg, this, "btn2_nr.png", "btn2_nr.png", "btn2_dn.png",
                          &m_btnLight[i], 1, tips, g_UiText.LedMode(i + 1).c_str(), lr.x(), lr.y(),
                          lr.x() + lr.width(), lr.y() + lr.height());
        m_btnLight[i].m_nItem = i;
        connect(&m_btnLight[i], &QAbstractButton::clicked, this,
                [this, i] { OnLightModeClicked(i); });
    }
    m_pPickColor = CreatePickColor(this, m_imgBg, r.pickColor);

    const int L = r.light[0].x();
    const int T = r.light[0].y();
    const QRect lightBars[2] = {QRect(L + 60, T + 50, 252, 11), QRect(L + 60, T + 76, 252, 11)};
    CPngSliderBar* lbars[2] = {&m_barLight1, &m_barLight2};
    const QPoint noOffset(0, 0);
    for (int i = 0; i < 2; ++i) {
        lbars[i]->setParent(this);
        lbars[i]->SetOwner(this);
        NewSmallPngSliderBar(&m_imgBg, lbars[i], this, &m_imgSlider, 0, 4, kIdBarLight1 + i,
                             "led_bar.png", nullptr, &noOffset, lightBars[i], lightBars[i]);
        lbars[i]->SetScalePos(kLightStops, 5);
        if (m_imgBarDot.width() > 0) lbars[i]->SetStopMark(m_imgBarDot, 0);
        lbars[i]->SetValue(0);
    }
    m_rcLightCaption = QRect(lightBars[0].x() - 90, lightBars[0].y() - 5, 90 + 252,
                             lightBars[1].y() + lightBars[1].height() + 5 - (lightBars[0].y() - 5));

    // One grid per stage of the record, so a model identified later with more stages than the
    // one selected at start shows all of them; PlacePanelControls shows the model's stages.
    const int stages = model ? std::min(model->DM, kDeviceDpiStages) : 0;
    for (int i = 0; i < kMaxDpiStages; ++i) {
        m_pDpiGrid[i] = CreateDpiGrid(this, m_imgBg, r.dpi[i], i);
        m_pDpiGrid[i]->setVisible(i < stages);
    }
}

void CMivoraDlg::CreateBottomButtons() {
    struct Spec {
        CPngBtn* btn;
        int left;
        const std::string* caption;
    };
    const Spec specs[] = {{&m_btnExport, 49, &g_UiText.tc_msg32},
                          {&m_btnImport, 159, &g_UiText.tc_msg33},
                          {&m_btnMacro, 269, &g_UiText.tc_mac_def},
                          {&m_btnRestore, 379, &g_UiText.tc_restore}};
    for (const Spec& s : specs) {
        NewSmallPngButton(&m_imgBg, this, "btn_nr.png", "btn_nr.png", "btn_dn.png", s.btn, 0,
                          g_Config.BtnTips, s.caption->c_str(), s.left, 577, s.left + 96, 612);
        s.btn->m_clrNormal = g_Config.Btn_txt_clr_nr2;
        s.btn->m_clrHover = g_Config.Btn_txt_clr_ov2;
        s.btn->m_clrPressed = g_Config.Btn_txt_clr_dn2;
    }
    connect(&m_btnExport, &QAbstractButton::clicked, this, [this] { OnExport(); });
    connect(&m_btnImport, &QAbstractButton::clicked, this, [this] { OnImport(); });
    connect(&m_btnMacro, &QAbstractButton::clicked, this, [this] { OnMacroEditor(); });
    connect(&m_btnRestore, &QAbstractButton::clicked, this, [this] { RestoreDefaults(); });
}

void CMivoraDlg::PlaceControl(QWidget* w, const QRect& r) {
    if (w->geometry() != r) w->setGeometry(r);
}

void CMivoraDlg::PlaceButton(CPngBtn* b, const QRect& r) {
    if (b->geometry() != r) {
        b->setGeometry(r);
        b->SetBackgroundPiece(m_imgBg, r);
    }
}

void CMivoraDlg::PlacePanelControls() {
    if (!m_bControlsCreated) return;
    const DeviceModel* model = pSensorCfg.load();
    m_rects = ComputePanelRects(model);
    const PanelRects& r = m_rects;
    MoveSliderBar(&m_barSpeed, m_imgBg, r.moveSpeed, "bar_nr.png", "bar_ov.png");
    MoveSliderBar(&m_barScroll, m_imgBg, r.scrollSpeed, "bar_nr.png", "bar_ov.png");
    MoveSliderBar(&m_barDbClick, m_imgBg, r.dbClickSpeed, "bar_nr.png", "bar_ov.png");
    PlaceButton(&m_lblSpeed, r.moveLabel);
    PlaceButton(&m_lblScroll, r.scrollLabel);
    PlaceButton(&m_lblDbClick, r.dbClickLabel);
    PlaceButton(&m_swEnhance, r.enhance);
    for (int i = 0; i < kRateButtons; ++i) PlaceButton(&m_btnRate[i], r.rate[i]);
    const int stages = model ? std::min(model->DM, kDeviceDpiStages) : 0;
    for (int i = 0; i < 8; ++i) {
        if (!m_pDpiGrid[i]) continue;
        MoveDpiGrid(m_pDpiGrid[i], m_imgBg, r.dpi[i]);
        m_pDpiGrid[i]->setVisible(i < stages);
    }
    if (model && model->ShowLED != 0) {
        PlaceLightButtons();
        if (m_pPickColor) MovePickColor(m_pPickColor, m_imgBg, r.pickColor);
        const int L = r.light[0].x();
        const int T = r.light[0].y();
        MoveSliderBar(&m_barLight1, m_imgBg, QRect(L + 60, T + 50, 252, 11), "led_bar.png",
                      nullptr);
        MoveSliderBar(&m_barLight2, m_imgBg, QRect(L + 60, T + 76, 252, 11), "led_bar.png",
                      nullptr);
        m_rcLightCaption = QRect(L + 60 - 90, T + 45, 90 + 252, 47);
    }
    PlaceKeyButtons();
}

void CMivoraDlg::LinkKeyRowsToPicture() {
    CPngBtn* rows[KeyHoverLink::kKeys] = {};
    CPngBtn* marks[KeyHoverLink::kKeys] = {};
    for (int i = 0; i < KeyHoverLink::kKeys; ++i) {
        rows[i] = &m_btnKey[i];
        marks[i] = m_pMark ? m_pMark->KeyButton(i) : nullptr;
    }
    new KeyHoverLink(rows, marks, this);
}

std::vector<QRect> CMivoraDlg::PanelAreas(bool withLighting) const {
    const PanelRects& r = m_rects;
    std::vector<QRect> areas;
    // A control with its caption above and its icon to the left.
    const std::pair<QRect, const QImage*> sided[] = {{r.enhance, &m_imgIconEnhance},
                                                     {r.moveSpeed, &m_imgIconSens},
                                                     {r.scrollSpeed, &m_imgIconScroll},
                                                     {r.dbClickSpeed, &m_imgIconDbClick}};
    for (const auto& [ctrl, icon] : sided) {
        const int left = ctrl.x() - (icon->width() > 0 ? icon->width() + 15 : 0);
        areas.push_back(QRect(QPoint(left, ctrl.y() - 22), ctrl.bottomRight()));
    }
    for (const QRect& label : {r.moveLabel, r.scrollLabel, r.dbClickLabel}) areas.push_back(label);
    // A row of buttons with its icon and title above.
    auto titled = [&](const QRect& first, const QRect& last, const QImage& icon) {
        const int iconH = icon.width() > 0 ? icon.height() : 22;
        areas.push_back(QRect(QPoint(first.x(), first.y() - iconH - 10), last.bottomRight()));
    };
    titled(r.rate[0], r.rate[2], m_imgIconRate);
    const DeviceModel* model = pSensorCfg.load();
    const int stages = model ? std::clamp(std::min(model->DM, kDeviceDpiStages), 1, 8) : 1;
    titled(r.dpi[0], r.dpi[stages - 1], m_imgIconDpi);
    if (m_pMark && !m_pMark->isHidden()) areas.push_back(m_pMark->geometry());
    if (withLighting && model && model->ShowLED != 0) {
        titled(m_btnLight[0].geometry(), m_btnLight[4].geometry(), m_imgIconLight);
        const QRect b1 = m_barLight1.geometry();
        const QRect b2 = m_barLight2.geometry();
        areas.push_back(QRect(QPoint(b1.x() - 100, b1.y() - 2), b2.bottomRight()));
        areas.push_back(r.pickColor);
    }
    return areas;
}

void CMivoraDlg::PlaceLightButtons() {
    const DeviceModel* model = pSensorCfg.load();
    if (!m_bControlsCreated || !model || model->ShowLED == 0) return;
    constexpr int kGap = 10;      // between the buttons, as laid out
    constexpr int kPadding = 12;  // around a caption
    const QRect* row = m_rects.light;
    const int right = row[4].x() + row[4].width();  // the colour picker is placed from here
    int widths[5];
    int total = 4 * kGap;
    for (int i = 0; i < 5; ++i) {
        const int need = CaptionWidth(m_btnLight[i].CaptionFont(),
                                      QString::fromStdString(g_UiText.LedMode(i + 1))) +
                         kPadding;
        widths[i] = std::max(row[i].width(), need);
        total += widths[i];
    }
    // Room to the left of the row down to whatever stands there, at most to the DPI panel's edge.
    int leftLimit = std::min(row[0].x(), m_rects.dpi[0].x());
    const int top = row[0].y() - 32;
    const int bottom = row[0].y() + row[0].height();
    for (const QRect& a : PanelAreas(false))
        if (a.right() < row[0].x() && a.bottom() >= top && a.top() < bottom)
            leftLimit = std::max(leftLimit, a.right() + 1 + kGap);
    for (const CPngBtn& key : m_btnKey) {
        const QRect k = key.geometry();
        if (!key.isHidden() && k.y() + k.height() > top && k.y() < bottom)
            leftLimit = std::max(leftLimit, k.x() + k.width() + kGap);
    }
    // Too long even so: the widest buttons give way and elide.
    while (right - total < leftLimit) {
        int* widest = std::max_element(widths, widths + 5);
        if (*widest <= row[0].width()) break;
        --*widest;
        --total;
    }
    int x = std::min(row[0].x(), right - total);
    for (int i = 0; i < 5; ++i) {
        PlaceButton(&m_btnLight[i], QRect(x, row[i].y(), widths[i], row[i].height()));
        x += widths[i] + kGap;
    }
    update();
}

void CMivoraDlg::PlaceBottomButtons() {
    if (!m_bControlsCreated) return;
    constexpr int kPadding = 24;  // around a caption
    constexpr int kGap = 14;      // between the buttons, as laid out
    CPngBtn* row[4] = {&m_btnExport, &m_btnImport, &m_btnMacro, &m_btnRestore};
    // The row may grow to the right up to the home-page link (or the window's edge).
    const int limit = m_bHasHome ? m_btnHome.x() - kGap : m_imgBg.width() - 20;
    int x = row[0]->x();
    for (int i = 0; i < 4; ++i) {
        CPngBtn* b = row[i];
        const int natural = b->ImageSize().isEmpty() ? b->width() : b->ImageSize().width();
        const int need =
            CaptionWidth(b->CaptionFont(), QString::fromStdString(b->Caption())) + kPadding;
        // What is left once the buttons after this one have their natural width.
        const int room = limit - x - (3 - i) * (natural + kGap);
        const int w = std::max(natural, std::min(need, room));
        PlaceButton(b, QRect(x, b->y(), w, b->height()));
        x += w + kGap;
    }
}

void CMivoraDlg::PlaceKeyButtons() {
    if (!m_bControlsCreated) return;
    constexpr int kMinWidth = 110;
    constexpr int kGap = 8;
    const std::vector<QRect> areas = PanelAreas(true);
    const int windowRight = m_imgBg.width() - 20;
    for (CPngBtn& b : m_btnKey) {
        const QRect now = b.geometry();
        int right = windowRight;
        for (const QRect& a : areas)
            if (a.x() > now.x() && a.bottom() >= now.y() && a.top() <= now.bottom())
                right = std::min(right, a.x() - kGap);
        const QRect wide(now.x(), now.y(), std::max(kMinWidth, right - now.x()), now.height());
        if (wide == now) continue;
        b.setGeometry(wide);
        // Transparent: its state images are the background under it.
        b.SetImages(wide, m_imgBg, m_imgBg, m_imgBg);
    }
    PlaceKeySetButtons();
    PlaceRulesButton();
}

void CMivoraDlg::RefreshLayout() {
    DeviceModel* model = pSensorCfg.load();
    g_pfnLog("RefreshLayout for 0x%x, cid=%x,mid=%x", model ? model->Sensor : 0,
             model ? model->CID : 0, model ? model->MID : 0);
    if (model) {
        LoadPro();
        m_bDesktopPointerRead = false;  // the profiles from disk follow the desktop's values
    }
    PlacePanelControls();
    const bool led = model && model->ShowLED != 0;
    for (CPngBtn& b : m_btnLight) b.setVisible(led);
    if (m_pPickColor) m_pPickColor->setVisible(led);
    m_barLight1.setVisible(led);
    m_barLight2.setVisible(led);
    UpdateControlsFromProfile();
    UpdateIndicators();
    RefreshRateCaptions();
    RefreshMousePicture();
    RefreshLinkState(true);
    update();
}

void CMivoraDlg::UpdateIndicators() {
    const DeviceModel* model = pSensorCfg.load();
    const bool connected = m_link && m_link->IsConnected();
    const bool bt = connected && m_link->m_bBluetooth.load() != 0;
    m_btnBt.SetChecked(bt);
    m_btn24g.SetChecked(connected && !bt);
    const bool show = model && model->DevTy == 3;
    m_btnBt.setVisible(show);
    m_btn24g.setVisible(show);
}

void CMivoraDlg::RefreshRateCaptions() {
    const DeviceModel* model = pSensorCfg.load();
    const int devTy = model ? model->DevTy : 0;
    const bool bt = m_link && m_link->IsConnected() && m_link->m_bBluetooth.load() != 0;
    const bool btCaptions = devTy == 2 || (devTy != 1 && bt);
    for (int i = 0; i < 3; ++i) {
        char text[16];
        // The same numbers as the CLI's read and set rate.
        const uint32_t code = static_cast<uint32_t>(kRateCodes[i]);
        std::snprintf(text, sizeof text, "%d Hz",
                      btCaptions ? BluetoothRateHz(code) : ReceiverRateHz(code));
        m_btnRate[i].SetCaption(text);
        if (g_Config.BtnTips) m_btnRate[i].SetToolTip(text);
    }
    // Bluetooth offers three rates; the receiver's fourth, 1000 Hz, is shown only for it.
    m_btnRate[3].SetCaption("1000 Hz");
    if (g_Config.BtnTips) m_btnRate[3].SetToolTip("1000 Hz");
    m_btnRate[3].setVisible(!btCaptions && !m_btnRate[0].isHidden());
}

void CMivoraDlg::RefreshMousePicture() {
    const DeviceModel* model = pSensorCfg.load();
    if (!model || !m_pMark) return;
    char rel[64];
    std::snprintf(rel, sizeof rel, "%02d%02d/mouse_nr.png", model->CID, model->MID);
    const std::string nr = SkinPath(rel);
    std::snprintf(rel, sizeof rel, "%02d%02d/mouse_dn.png", model->CID, model->MID);
    const std::string dn = SkinPath(rel);
    const QImage picture = LoadImageFile(nr);
    if (picture.width() > 0) {
        ShowKeyMarkView(m_pMark, nr, dn, m_imgBg, QPoint(model->ptMark.x, model->ptMark.y),
                        picture.size());
    } else {
        char text[100];
        std::snprintf(text, sizeof text, "Can't load skins/%02d%02d/mouse_nr.png", model->CID,
                      model->MID);
        ShowNoticeText(this, text);
    }
}
